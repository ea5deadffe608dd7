# Shared settings of the Firebird helper scripts (sourced, not run).
# The password is the one the program's connection uses (records/UfrmDataModule.cpp).
CORNIX_FB_USER="SYSDBA"
CORNIX_FB_PASSWORD="qpwuznhrx"
CORNIX_FB_PORT=3050
CORNIX_FB_SERVER="/usr/sbin/firebird"
CORNIX_FB_SYSDBA_FILE="/etc/firebird/3.0/SYSDBA.password"

fb_listening() {
  ss -ltn 2>/dev/null | awk '{print $4}' | grep -Eq "[:.]${CORNIX_FB_PORT}\$"
}

# Runs isql-fb on a script given on stdin; returns isql's status.
fb_isql() {
  isql-fb -q -ch UTF8 "$@"
}
