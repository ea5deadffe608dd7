#!/usr/bin/env bash
# Builds Cornix and runs it. Until the desktop program exists this runs the
# command-line analyser on a synthetic frame; arguments are passed on.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${CORNIX_BUILD_DIR:-$root/build}"
"$root/scripts/build.sh"
if [ -x "$build/bin/cornix-analyse" ]; then
  exec "$build/bin/cornix-analyse" "$@"
fi
echo "Cornix: build finished in $build (no runnable program yet)."
