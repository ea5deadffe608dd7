#!/usr/bin/env bash
# Builds Cornix and runs the command-line analyser: with no arguments on a synthetic
# frame; arguments are passed on (see docs/cornix-analyse.md).
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${CORNIX_BUILD_DIR:-$root/build}"
"$root/scripts/build.sh"
exec "$build/bin/cornix-analyse" "$@"
