#!/usr/bin/env bash
# Configures and builds everything into build/ (override with CORNIX_BUILD_DIR); extra
# arguments go to CMake's configure step. Nothing goes to stdout, so that the commands
# that build first (run.sh, test.sh) print only their own output there: the build's
# output goes to <build>/build.log, and on failure its end is shown on stderr.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${CORNIX_BUILD_DIR:-$root/build}"
"$root/scripts/install-deps.sh" >&2
mkdir -p "$build"
log="$build/build.log"
echo "build.sh: building in $build (output in $log)" >&2
if ! {
  cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@" &&
    cmake --build "$build" -j "$(nproc)"
} >"$log" 2>&1; then
  echo "build.sh: the build in $build failed; its whole output is in $log. The end:" >&2
  tail -n 40 "$log" >&2
  exit 1
fi
echo "build.sh: built in $((SECONDS / 60)) min $((SECONDS % 60)) s" >&2
