# Sourced by scripts/run.sh and the smoke test: a self-contained workstation folder for
# the desktop program on a machine with no instrument and no camera.
#
#   cornix_workstation_prepare <build-dir> <folder>
#       <folder>/bin/cornix      a copy of the program (it finds its files beside itself)
#       <folder>/bin/cornix.ini  the sample config/cornix.ini with simulated cameras, the
#                                instrument at <folder>/instrument and the database opened
#                                by the engine inside the program (kept across runs; made
#                                again when the sample is newer)
#       <folder>/bin/Database/Cornyx.FDB   made once by create-database.sh
#   cornix_instrument_start <build-dir> <folder>
#       starts cornix-instrument-sim on a pseudo-terminal published as <folder>/instrument
#       and keeps its process id in CORNIX_INSTRUMENT_PID
#   cornix_instrument_stop
#       asks it to quit, then stops it by its process id if it is still there
cornix_root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"

cornix_write_run_settings() {
  local sample="$1" link="$2"
  awk -v link="$link" '
    BEGIN {
      set["HARDWARE/comPort"] = link; set["CAMERA/source"] = "simulated"; set["DATABASE/server"] = ""
      print "; Made by scripts/run.sh from config/cornix.ini: simulated cameras, the instrument"
      print "; simulator, and the database opened by the engine inside the program."
    }
    function addMissing(   k, part) {
      for (k in set)
        if (index(k, section "/") == 1 && !(k in done)) { split(k, part, "/"); print part[2] "=" set[k]; done[k] = 1 }
    }
    /^\[.*\][ \t\r]*$/ { addMissing(); section = $0; sub(/^\[/, "", section); sub(/\][ \t\r]*$/, "", section); print; next }
    /^[ \t]*[;#]/ || !/=/ { print; next }
    {
      key = substr($0, 1, index($0, "=") - 1); gsub(/^[ \t]+|[ \t]+$/, "", key)
      if ((section "/" key) in set) { print key "=" set[section "/" key]; done[section "/" key] = 1; next }
      print
    }
    END {
      addMissing()
      for (k in set) if (!(k in done)) { split(k, part, "/"); print ""; print "[" part[1] "]"; print part[2] "=" set[k] }
    }' "$sample"
}

cornix_workstation_prepare() {
  local build="$1" folder="$2"
  mkdir -p "$folder/bin"
  cp -f "$build/bin/cornix" "$folder/bin/cornix"
  local ini="$folder/bin/cornix.ini" sample="$cornix_root/config/cornix.ini"
  if [ ! -s "$ini" ] || [ "$sample" -nt "$ini" ]; then
    cornix_write_run_settings "$sample" "$folder/instrument" > "$ini.new"
    mv -f "$ini.new" "$ini"
  fi
  "$cornix_root/scripts/create-database.sh" "$folder" >/dev/null
}

cornix_instrument_start() {
  local build="$1" folder="$2"
  CORNIX_INSTRUMENT_FOLDER="$folder"
  rm -f "$folder/instrument" "$folder/instrument.in"
  mkfifo "$folder/instrument.in"
  "$build/bin/cornix-instrument-sim" --link "$folder/instrument" \
    < "$folder/instrument.in" > "$folder/instrument.log" 2>&1 &
  CORNIX_INSTRUMENT_PID=$!
  # The simulator reads its commands from this pipe: holding it open keeps it running.
  exec 3> "$folder/instrument.in"
  local i
  for i in $(seq 100); do
    [ -e "$folder/instrument" ] && return 0
    kill -0 "$CORNIX_INSTRUMENT_PID" 2>/dev/null || break
    sleep 0.1
  done
  echo "cornix: the instrument simulator did not start (see $folder/instrument.log)" >&2
  return 1
}

cornix_instrument_stop() {
  [ -n "${CORNIX_INSTRUMENT_PID:-}" ] || return 0
  local pid="$CORNIX_INSTRUMENT_PID" i
  CORNIX_INSTRUMENT_PID=""
  { echo quit >&3; } 2>/dev/null || true
  exec 3>&-
  for i in $(seq 20); do
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.1
  done
  kill "$pid" 2>/dev/null || true
  wait "$pid" 2>/dev/null || true
  rm -f "$CORNIX_INSTRUMENT_FOLDER/instrument.in" "$CORNIX_INSTRUMENT_FOLDER/instrument"
}
