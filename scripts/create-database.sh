#!/usr/bin/env bash
# Creates the Cornix database <build-dir>/bin/Database/Cornyx.FDB from records/sql/Cornyx.sql.
# Usage: create-database.sh [<build-dir>]   (default: build/, or CORNIX_BUILD_DIR)
# Idempotent: an existing database is left as it is. The file is made with the Firebird
# engine inside isql-fb (no server needed) and then given to the firebird user, so that
# the program can open it either way ([DATABASE] server= in cornix.ini).
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
root="$(cd "$here/.." && pwd)"
# shellcheck source=firebird-env.sh
. "$here/firebird-env.sh"

build="${1:-${CORNIX_BUILD_DIR:-$root/build}}"
mkdir -p "$build"
build="$(cd "$build" && pwd)"
folder="$build/bin/Database"
database="$folder/Cornyx.FDB"

if [ -s "$database" ]; then
  echo "create-database: $database already exists"
  exit 0
fi

mkdir -p "$folder"
# The engine inside isql-fb keeps its locks in the build folder, away from a system
# server's /tmp/firebird.
FIREBIRD_LOCK="$(fb_embedded_lock_dir "$build")"
export FIREBIRD_LOCK
mkdir -p "$FIREBIRD_LOCK"
{
  echo "CREATE DATABASE '$database' USER '$CORNIX_FB_USER' PASSWORD '$CORNIX_FB_PASSWORD' PAGE_SIZE 8192 DEFAULT CHARACTER SET WIN1252;"
  cat "$root/records/sql/Cornyx.sql"
} | fb_isql -bail >/dev/null || {
  echo "create-database: could not create $database" >&2
  rm -f "$database"
  exit 1
}

if id firebird >/dev/null 2>&1 && [ "$(id -u)" -eq 0 ]; then
  chown firebird:firebird "$folder" "$database"
  chmod 0770 "$folder"
  chmod 0660 "$database"
fi
echo "create-database: created $database"
