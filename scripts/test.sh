#!/usr/bin/env bash
# Installs what is missing, builds, starts the test services and runs every test.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${CORNIX_BUILD_DIR:-$root/build}"
"$root/scripts/build.sh"
"$root/scripts/services.sh" start "$build"
trap '"$root/scripts/services.sh" stop "$build"' EXIT
export QT_QPA_PLATFORM=offscreen
ctest --test-dir "$build" --output-on-failure -j "$(nproc)" "$@"
