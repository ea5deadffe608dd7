#!/usr/bin/env bash
# The part of the smoke test that runs inside Xvfb. Usage: smoke_drive.sh <folder> <shots>
set -Eeuo pipefail
folder="$1" shots="$2"
export XDG_RUNTIME_DIR="$folder/runtime"
mkdir -p -m 0700 "$XDG_RUNTIME_DIR"
unset QT_QPA_PLATFORM

fail() {
  echo "smoke: $*" >&2
  import -window root "$shots/smoke_cornix_failure.png" 2>/dev/null || true
  echo "windows: $(xdotool search --name . getwindowname %@ 2>/dev/null | tr '\n' '|')" >&2
  if [ -n "${pid:-}" ]; then
    kill "$pid" 2>/dev/null || true
    sleep 2
    kill -KILL "$pid" 2>/dev/null || true # the database engine inside may keep it from ending
  fi
  echo "--- program stderr:" >&2; cat "$folder/stderr.txt" >&2 || true
  exit 1
}
# Waits up to 30 s for a window whose title matches; prints its id.
window() {
  local i id
  for i in $(seq 150); do
    id="$(xdotool search --onlyvisible --name "$1" 2>/dev/null | head -n 1 || true)"
    [ -n "$id" ] && { echo "$id"; return 0; }
    sleep 0.2
  done
  return 1
}
# Waits up to 10 s for window $1 to be titled exactly $2.
titled() {
  local i
  for i in $(seq 50); do
    [ "$(xdotool getwindowname "$1" 2>/dev/null)" = "$2" ] && return 0
    sleep 0.2
  done
  return 1
}
# Focuses window $1 (a loaded machine may map it late) and presses $2.
focus_and_press() {
  local i
  for i in $(seq 25); do
    xdotool windowfocus --sync "$1" 2>/dev/null && { xdotool key "$2"; return 0; }
    sleep 0.2
  done
  fail "window $1 could not be focused to press $2"
}
# Whatever else fails says where, with the program's stderr and a screenshot.
trap 'fail "line $LINENO: $BASH_COMMAND failed"' ERR

(cd "$folder/bin" && exec ./cornix) 2> "$folder/stderr.txt" &
pid=$!

if ! main="$(window '^Cornix$')"; then
  # Another virtual display started at the same moment may have taken this number.
  if grep -q "could not connect to display" "$folder/stderr.txt" 2>/dev/null; then
    echo "smoke: the virtual display was not usable" >&2
    exit 3
  fi
  fail "main window 'Cornix' not found"
fi
sleep 1 # the start-up runs once the window is shown
focus_and_press "$main" ctrl+i
# A maximised child window adds its caption to the main window's title.
titled "$main" 'Cornix - [Configuração]' || fail "Ctrl+I did not open the settings dialog"
sleep 0.5
import -window root "$shots/smoke_cornix.png"

# The settings dialog locks the menu ("Sair" included) until it closes: Esc is its Cancelar.
focus_and_press "$main" Escape
titled "$main" 'Cornix' || fail "Esc did not close the settings dialog"
sleep 0.5
focus_and_press "$main" ctrl+s
question="$(window '^Confirma')" || fail "'Sair' asked nothing"
focus_and_press "$question" Return
for i in $(seq 100); do
  kill -0 "$pid" 2>/dev/null || break
  sleep 0.1
done
kill -0 "$pid" 2>/dev/null && fail "the program did not end after 'Sair' and Yes"
status=0
wait "$pid" || status=$?
pid=""
[ "$status" -eq 0 ] || fail "exit status $status"
if [ -s "$folder/stderr.txt" ]; then
  fail "the program wrote to stderr"
fi
echo "smoke: main window, settings dialog, Sair and Yes; exit 0; screenshot $shots/smoke_cornix.png"
