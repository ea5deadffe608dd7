# Shared settings of the Firebird helper scripts (sourced, not run).
# The password is the one the program's connection uses (records/UfrmDataModule.h,
# TDataModule1::kPassword).
CORNIX_FB_USER="SYSDBA"
CORNIX_FB_PASSWORD="qpwuznhrx"
CORNIX_FB_SERVER="/usr/sbin/firebird"
# Debian's Firebird 3 layout: the libraries, plugins and messages the private test
# server reuses (read-only), and the folder its messages would go to.
CORNIX_FB_LIBDIR="/usr/lib/x86_64-linux-gnu/firebird/3.0"
CORNIX_FB_CONFDIR="/etc/firebird/3.0"
CORNIX_FB_LOGDIR="/var/log/firebird"
# The port of a system server: the test server never uses it.
CORNIX_FB_SYSTEM_PORT=3050

# Is anything listening on TCP port $1?
fb_port_in_use() {
  ss -Hltn "sport = :$1" 2>/dev/null | grep -q .
}

# The test server of build folder $1: "localhost/<port>" while it runs, else nothing.
fb_test_server() {
  local portfile="$1/firebird/port"
  [ -s "$portfile" ] && echo "localhost/$(cat "$portfile")"
}

# Lock folder of the Firebird engine inside isql-fb and the test programs of build
# folder $1: a root-owned lock file in the shared /tmp/firebird could stop a system
# server from opening its own.
fb_embedded_lock_dir() {
  echo "$1/firebird/embedded-lock"
}

# Runs isql-fb on a script given on stdin; returns isql's status.
fb_isql() {
  isql-fb -q -ch UTF8 "$@"
}
