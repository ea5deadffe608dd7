#!/usr/bin/env bash
# Starts or stops the services the tests need: this build folder's own Firebird server.
# Usage: services.sh start|stop|status <build-dir>
#
# start:  starts /usr/sbin/firebird as the firebird user with a private Firebird root in
#         <build-dir>/firebird/: its own firebird.conf (a free port on loopback, never
#         3050), security database (SYSDBA with the program's password), lock and
#         temporary folders and message log. The port goes to <build-dir>/firebird/port,
#         the PID to <build-dir>/firebird/server.pid. A server that is already running
#         (a system one on port 3050, another build folder's) is never used nor changed.
# stop:   stops the server that start launched, by that PID.
# status: exit 0 and prints "localhost/<port>" while the server runs.
# See docs/database.md.
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
# shellcheck source=firebird-env.sh
. "$here/firebird-env.sh"

action="${1:-}"
build="${2:-}"
if [ -z "$action" ] || [ -z "$build" ]; then
  echo "usage: $0 start|stop|status <build-dir>" >&2
  exit 2
fi
mkdir -p "$build"
build="$(cd "$build" && pwd)"
state="$build/firebird"
root_dir="$state/root"
lock_dir="$state/lock"
log_dir="$state/log"
tmp_dir="$state/tmp"
security_db="$state/security3.fdb"
pidfile="$state/server.pid"
portfile="$state/port"

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
  mkdir -p "$state" "$root_dir" "$lock_dir" "$log_dir" "$tmp_dir" "$(fb_embedded_lock_dir "$build")"
  chown firebird:firebird "$state" "$lock_dir" "$log_dir" "$tmp_dir"
  chmod 0770 "$state" "$lock_dir" "$log_dir" "$tmp_dir"
  chmod 0755 "$root_dir"
}

# The private Firebird root: the server reads firebird.conf, databases.conf and
# plugins.conf from here (FIREBIRD=), and finds Debian's plugins and messages through
# the links. The character sets module is looked up as $(root)/intl/fbintl and must
# be a real file there: through a link Firebird loads it but then finds no character
# set in it ("CHARACTER SET WIN1252 is not installed").
write_root() {
  local port="$1" item
  for item in plugins lib firebird.msg; do
    ln -sfn "$CORNIX_FB_LIBDIR/$item" "$root_dir/$item"
  done
  [ -L "$root_dir/intl" ] && rm -f "$root_dir/intl"
  mkdir -p "$root_dir/intl"
  cp "$CORNIX_FB_LIBDIR/intl/libfbintl.so" "$CORNIX_FB_CONFDIR/fbintl.conf" "$root_dir/intl/"
  cp "$CORNIX_FB_CONFDIR/plugins.conf" "$root_dir/plugins.conf"
  : >"$root_dir/databases.conf"
  cat >"$root_dir/firebird.conf" <<CONF
# Written by scripts/services.sh: the test server of $build.
RemoteServicePort = $port
RemoteBindAddress = localhost
SecurityDatabase = $security_db
TempDirectories = $tmp_dir
UdfAccess = None
CONF
}

# Debian compiles the message log's folder in (/var/log/firebird): the server gets
# a private mount of its own log folder there when the machine allows one.
private_log_possible() {
  [ -d "$CORNIX_FB_LOGDIR" ] && unshare --mount --propagation private true 2>/dev/null
}

# Runs "$@" as the firebird user inside the private root.
as_private_firebird() {
  local -a command=(setpriv --reuid=firebird --regid=firebird --init-groups
                    env FIREBIRD="$root_dir" FIREBIRD_LOCK="$lock_dir" FIREBIRD_TMP="$tmp_dir" "$@")
  if private_log_possible; then
    # shellcheck disable=SC2016
    exec unshare --mount --propagation private \
      sh -c 'mount -n --bind "$1" "$2" && shift 2 && exec "$@"' sh "$log_dir" "$CORNIX_FB_LOGDIR" "${command[@]}"
  fi
  exec "${command[@]}"
}

# A security database with SYSDBA only, made as Debian's package makes the system one.
create_security_db() {
  rm -f "$security_db"
  echo "CREATE DATABASE '$security_db';" >"$tmp_dir/create-security.sql"
  echo "CREATE OR ALTER USER $CORNIX_FB_USER PASSWORD '$CORNIX_FB_PASSWORD' USING PLUGIN Srp; COMMIT;" \
    >"$tmp_dir/sysdba.sql"
  chmod 0644 "$tmp_dir/create-security.sql" "$tmp_dir/sysdba.sql"
  # shellcheck disable=SC2016
  (as_private_firebird sh -c 'isql-fb -q -i "$1" &&
      isql-fb -q -user SYSDBA -i /usr/share/firebird/3.0/security.sql "$3" &&
      isql-fb -q -user SYSDBA -i "$2" "$3"' \
    sh "$tmp_dir/create-security.sql" "$tmp_dir/sysdba.sql" "$security_db") \
    >"$state/security.log" 2>&1 || {
    echo "services: could not create the security database $security_db:" >&2
    cat "$state/security.log" >&2
    rm -f "$security_db"
    return 1
  }
  rm -f "$tmp_dir/create-security.sql" "$tmp_dir/sysdba.sql"
}

# Is the process in the PID file this build folder's server (never another one)?
server_alive() {
  [ -s "$pidfile" ] || return 1
  local pid
  pid="$(cat "$pidfile")"
  [ -r "/proc/$pid/environ" ] && grep -q firebird "/proc/$pid/comm" 2>/dev/null &&
    tr '\0' '\n' <"/proc/$pid/environ" | grep -qxF "FIREBIRD=$root_dir"
}

# Is process $1 running (a zombie is not)?
pid_running() {
  [ -r "/proc/$1/status" ] && ! grep -q '^State:[[:space:]]*Z' "/proc/$1/status"
}

server_pid_listens_on() {
  local port="$1"
  ss -Hltnp "sport = :$port" 2>/dev/null | grep -q "pid=$(cat "$pidfile"),"
}

# Five free ports, the first from the build folder's path (so that a folder keeps
# its port); range 23051-28050, below Linux's ephemeral ports.
candidate_ports() {
  local hash first offset port found=0
  hash="$(printf '%s' "$build" | cksum | cut -d' ' -f1)"
  first=$((hash % 5000))
  for offset in $(seq 0 4999); do
    port=$((23051 + (first + offset) % 5000))
    [ "$port" -eq "$CORNIX_FB_SYSTEM_PORT" ] && continue
    fb_port_in_use "$port" && continue
    echo "$port"
    found=$((found + 1))
    [ "$found" -lt 5 ] || return 0
  done
}

# Starts the server on one port; fails when it does not listen there (another
# program took the port first, say).
launch_on() {
  local port="$1"
  write_root "$port"
  (as_private_firebird "$CORNIX_FB_SERVER") >"$state/server.log" 2>&1 </dev/null &
  echo $! >"$pidfile"
  for _ in $(seq 1 150); do
    if server_pid_listens_on "$port"; then
      return 0
    fi
    pid_running "$(cat "$pidfile")" || break
    sleep 0.1
  done
  stop_server >/dev/null
  return 1
}

launch() {
  local port
  for port in $(candidate_ports); do
    if launch_on "$port"; then
      echo "$port" >"$portfile"
      return 0
    fi
  done
  echo "services: the Firebird server did not start; its output follows" >&2
  cat "$state/server.log" >&2 || true
  return 1
}

# Creates and drops a scratch database through the server with the program's password.
can_log_in() {
  local probe="$state/password-probe.fdb"
  rm -f "$probe"
  fb_isql >/dev/null 2>&1 <<SQL
CREATE DATABASE '$(fb_test_server "$build"):$probe' USER '$CORNIX_FB_USER' PASSWORD '$CORNIX_FB_PASSWORD';
DROP DATABASE;
SQL
}

start_server() {
  if server_alive && [ -s "$portfile" ] && server_pid_listens_on "$(cat "$portfile")"; then
    echo "services: Firebird test server already running on $(fb_test_server "$build") (PID $(cat "$pidfile"))"
    return 0
  fi
  stop_server >/dev/null
  prepare_state_dir
  local fresh=0
  if [ ! -s "$security_db" ]; then
    write_root 0
    create_security_db
    fresh=1
  fi
  launch
  if ! can_log_in && [ "$fresh" -eq 0 ]; then
    # A security database left from an older run with another password: make it anew.
    stop_server >/dev/null
    write_root 0
    create_security_db
    launch
  fi
  if ! can_log_in; then
    echo "services: cannot log in to the test server as $CORNIX_FB_USER (see docs/database.md)" >&2
    stop_server
    return 1
  fi
  echo "services: Firebird test server running on $(fb_test_server "$build") (PID $(cat "$pidfile"))"
}

stop_server() {
  if ! server_alive; then
    rm -f "$pidfile" "$portfile"
    return 0
  fi
  local pid
  pid="$(cat "$pidfile")"
  kill -TERM "$pid" 2>/dev/null || true
  for _ in $(seq 1 100); do
    pid_running "$pid" || break
    sleep 0.1
  done
  if pid_running "$pid"; then
    kill -KILL "$pid" 2>/dev/null || true
  fi
  rm -f "$pidfile" "$portfile"
  echo "services: Firebird test server stopped"
}

case "$action" in
  start)
    start_server
    ;;
  stop)
    stop_server
    ;;
  status)
    server_alive && fb_test_server "$build"
    ;;
  *)
    echo "usage: $0 start|stop|status <build-dir>" >&2
    exit 2
    ;;
esac
