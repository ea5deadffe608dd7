#!/usr/bin/env bash
# Starts or stops the services the tests need: a Firebird server on loopback.
# Usage: services.sh start|stop <build-dir>
#
# start: uses a server already listening on port 3050 (a system one, say), else starts
#        /usr/sbin/firebird as the firebird user and keeps its PID in
#        <build-dir>/firebird/server.pid; then makes sure SYSDBA's password is the one
#        the program connects with (see docs/database.md).
# stop:  stops only the server that start launched, by that PID.
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
# shellcheck source=firebird-env.sh
. "$here/firebird-env.sh"

action="${1:-}"
build="${2:-}"
if [ -z "$action" ] || [ -z "$build" ]; then
  echo "usage: $0 start|stop <build-dir>" >&2
  exit 2
fi
mkdir -p "$build"
build="$(cd "$build" && pwd)"
state="$build/firebird"
pidfile="$state/server.pid"

# The server runs as the firebird user and opens databases under the build folder:
# every folder above it must at least be traversable (a checkout under a private
# mktemp folder is not).
allow_traversal() {
  local dir="$1"
  while [ "$dir" != "/" ]; do
    if ! setpriv --reuid=firebird --regid=firebird --init-groups test -x "$dir" 2>/dev/null; then
      chmod o+x "$dir" 2>/dev/null || true
    fi
    dir="$(dirname "$dir")"
  done
}

prepare_state_dir() {
  allow_traversal "$build"
  mkdir -p "$state"
  chown firebird:firebird "$state" 2>/dev/null || true
  chmod 0770 "$state"
}

server_alive() {
  [ -f "$pidfile" ] || return 1
  local pid
  pid="$(cat "$pidfile")"
  [ -n "$pid" ] && [ -r "/proc/$pid/comm" ] && grep -q firebird "/proc/$pid/comm"
}

start_server() {
  if fb_listening; then
    echo "services: using the Firebird server already listening on port $CORNIX_FB_PORT"
    return 0
  fi
  setpriv --reuid=firebird --regid=firebird --init-groups "$CORNIX_FB_SERVER" \
    >"$state/server.log" 2>&1 </dev/null &
  echo $! >"$pidfile"
  for _ in $(seq 1 100); do
    if fb_listening; then
      echo "services: Firebird server started (PID $(cat "$pidfile"))"
      return 0
    fi
    if ! server_alive; then
      break
    fi
    sleep 0.1
  done
  echo "services: the Firebird server did not start; log follows" >&2
  cat "$state/server.log" >&2 || true
  stop_server
  return 1
}

# Creates and drops a scratch database through the server with the given password;
# extra SQL runs before the drop.
probe_with() {
  local password="$1" extra="${2:-}"
  local probe="$state/password-probe.fdb"
  rm -f "$probe"
  fb_isql >/dev/null 2>&1 <<SQL
CREATE DATABASE 'localhost:$probe' USER '$CORNIX_FB_USER' PASSWORD '$password';
$extra
DROP DATABASE;
SQL
}

system_password() {
  [ -r "$CORNIX_FB_SYSDBA_FILE" ] || return 0
  sed -n 's/^ISC_PASSWORD="\{0,1\}\([^"]*\)"\{0,1\}$/\1/p' "$CORNIX_FB_SYSDBA_FILE" | head -n 1
}

# A fresh install has a random SYSDBA password: change it to the program's one.
ensure_password() {
  if probe_with "$CORNIX_FB_PASSWORD"; then
    return 0
  fi
  local old
  old="$(system_password)"
  if [ -n "$old" ] &&
     probe_with "$old" "ALTER USER $CORNIX_FB_USER PASSWORD '$CORNIX_FB_PASSWORD'; COMMIT;" &&
     probe_with "$CORNIX_FB_PASSWORD"; then
    if [ -w "$CORNIX_FB_SYSDBA_FILE" ]; then
      sed -i "s/^ISC_PASSWORD=.*/ISC_PASSWORD=\"$CORNIX_FB_PASSWORD\"/" "$CORNIX_FB_SYSDBA_FILE"
    fi
    echo "services: SYSDBA password set for the tests"
    return 0
  fi
  echo "services: cannot log in to Firebird as $CORNIX_FB_USER (see docs/database.md)" >&2
  return 1
}

stop_server() {
  if ! server_alive; then
    rm -f "$pidfile"
    return 0
  fi
  local pid
  pid="$(cat "$pidfile")"
  kill -TERM "$pid" 2>/dev/null || true
  for _ in $(seq 1 100); do
    [ -d "/proc/$pid" ] || break
    sleep 0.1
  done
  if [ -d "/proc/$pid" ]; then
    kill -KILL "$pid" 2>/dev/null || true
  fi
  rm -f "$pidfile"
  echo "services: Firebird server stopped"
}

case "$action" in
  start)
    prepare_state_dir
    start_server
    ensure_password
    ;;
  stop)
    stop_server
    ;;
  *)
    echo "usage: $0 start|stop <build-dir>" >&2
    exit 2
    ;;
esac
