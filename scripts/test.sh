#!/usr/bin/env bash
# Installs what is missing, builds, starts the test services and runs every test.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${CORNIX_BUILD_DIR:-$root/build}"
# shellcheck source=firebird-env.sh
. "$root/scripts/firebird-env.sh"
"$root/scripts/build.sh"
"$root/scripts/services.sh" start "$build"
trap '"$root/scripts/services.sh" stop "$build"' EXIT
export QT_QPA_PLATFORM=offscreen
# The engine inside the test programs keeps its locks in the build folder too.
FIREBIRD_LOCK="$(fb_embedded_lock_dir "$build")"
export FIREBIRD_LOCK
mkdir -p "$FIREBIRD_LOCK"
ctest --test-dir "$build" --output-on-failure -j "$(nproc)" "$@"
