#!/usr/bin/env bash
# Builds Cornix and opens the desktop program on a machine with no instrument and no
# camera: the database inside the program, the simulated cameras, and the instrument
# simulator on a pseudo-terminal, started before the program and stopped after it.
# Everything lives in <build>/run (see scripts/workstation.sh). The command-line
# analyser is scripts/analyse.sh.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${CORNIX_BUILD_DIR:-$root/build}"
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  echo "run.sh: no display (DISPLAY and WAYLAND_DISPLAY are unset); run it on a virtual one: xvfb-run -a ./scripts/run.sh" >&2
  exit 1
fi
"$root/scripts/build.sh"
# shellcheck source=workstation.sh
. "$root/scripts/workstation.sh"
folder="$build/run"
cornix_workstation_prepare "$build" "$folder"
if [ -z "${XDG_RUNTIME_DIR:-}" ]; then
  export XDG_RUNTIME_DIR="$folder/runtime"
  mkdir -p -m 0700 "$XDG_RUNTIME_DIR"
fi
cornix_instrument_start "$build" "$folder"
trap cornix_instrument_stop EXIT
status=0
(cd "$folder/bin" && ./cornix) || status=$?
exit "$status"
