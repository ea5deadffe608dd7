#!/usr/bin/env bash
# Smoke test of the real executable: the run command's workstation (database inside the
# program, simulated cameras, instrument simulator on a pseudo-terminal), the program on
# Xvfb, its main window found by title, Ctrl+I opening the settings dialog, a screenshot,
# "Sair" answered Yes, exit status 0 and nothing on stderr.
# Usage: smoke_cornix.sh <build-dir>
set -euo pipefail
build="$(cd "$1" && pwd)"
here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
root="$(cd "$here/../.." && pwd)"
# shellcheck source=../../scripts/workstation.sh
. "$root/scripts/workstation.sh"

folder="$build/smoke"
rm -rf "$folder"
cornix_workstation_prepare "$build" "$folder"
cornix_instrument_start "$build" "$folder"
trap cornix_instrument_stop EXIT
mkdir -p "$build/screenshots"
# A display number of its own, away from other virtual displays started alongside.
for attempt in 1 2 3; do
  status=0
  xvfb-run -a -n $((100 + RANDOM % 800)) -s "-screen 0 1280x800x24" \
    "$here/smoke_drive.sh" "$folder" "$build/screenshots" || status=$?
  [ "$status" -eq 3 ] || exit "$status"
done
exit 1
