#!/usr/bin/env bash
# A throwaway PostgreSQL server for the tests, reached only through a Unix socket in a private folder.
#   pgserver.sh start [ENVFILE]    starts a server (or finds the one ENVFILE names running) and prints
#                                  its settings, the lines it writes to ENVFILE
#   pgserver.sh env [ENVFILE]      prints the settings of the running server
#   pgserver.sh restart [ENVFILE]  restarts it, as an administrator does: its clients' connections end
#   pgserver.sh stop [ENVFILE]     stops it and removes its folder and ENVFILE
# ENVFILE defaults to $FELCORA_PG_ENV, else to a file of the calling user in /tmp. Its lines read
# export NAME='value' for FELCORA_PG_HOST (the socket folder), _PORT, _DATABASE, _USER and _PASSWORD;
# that role must give its password, and may create databases. Root runs the server as the postgres
# account. Exit 3 when no server can run here (no PostgreSQL, or root without that account).
set -euo pipefail

readonly kPort=55432 # the socket's folder is private, so any port will do
readonly kRole=felcora_tests
readonly kServerAccount=postgres
readonly kFolderPrefix=felcora-pg.

envfile="${2:-${FELCORA_PG_ENV:-/tmp/felcora-pgserver.$(id -u).env}}"
case "$envfile" in /*) ;; *) envfile="$PWD/$envfile" ;; esac
cd / # the server account may not be allowed into the caller's folder

fail() {
  echo "pgserver: $*" >&2
  exit "${status:-1}"
}

# The newest installed server programs, unless FELCORA_PG_BINDIR names others.
bindir="${FELCORA_PG_BINDIR:-$(printf '%s\n' /usr/lib/postgresql/*/bin | sort -V | tail -n 1)}"
[ -x "$bindir/initdb" ] || bindir="$(dirname "$(command -v initdb || echo /none/initdb)")"

as_server() { # runs a server program as the account the server runs under
  local program="$bindir/$1"
  shift
  if [ "$(id -u)" -eq 0 ]; then runuser -u "$kServerAccount" -- "$program" "$@"; else "$program" "$@"; fi
}

# The server's folder as the environment file names it, refused unless this script made it: stop removes it.
server_folder() {
  local folder
  folder="$(sed -n "s/^export FELCORA_PG_HOST='\(.*\)'\$/\1/p" "$envfile")"
  case "$folder" in
    /*/"$kFolderPrefix"*) echo "$folder" ;;
    *) fail "$envfile does not name a folder of this script: '$folder'" ;;
  esac
}

running() {
  [ -f "$envfile" ] && as_server pg_ctl status -D "$(server_folder)/data" >/dev/null 2>&1
}

stop_server() { # FOLDER: an immediate shutdown, as the data is thrown away
  as_server pg_ctl stop -D "$1/data" -m immediate -w -s >/dev/null 2>&1 || true
  rm -rf -- "$1"
}

stop() {
  [ -f "$envfile" ] || return 0
  stop_server "$(server_folder)"
  rm -f -- "$envfile"
}

abandon_start() { # a start that fails halfway leaves nothing behind, and shows why it failed
  local code=$?
  ! ls "$folder"/*.log >/dev/null 2>&1 || tail -n 20 "$folder"/*.log >&2
  stop_server "$folder"
  exit "$code"
}

start() {
  if running; then
    cat "$envfile"
    return
  fi
  stop # whatever a server that has gone away left

  local program
  for program in initdb pg_ctl psql; do
    [ -x "$bindir/$program" ] || status=3 fail "cannot run a server here: $program was not found (install postgresql)"
  done
  if [ "$(id -u)" -eq 0 ] && ! id "$kServerAccount" >/dev/null 2>&1; then
    status=3 fail "cannot run a server here: running as root and there is no $kServerAccount account"
  fi

  folder="$(mktemp -d "/tmp/${kFolderPrefix}XXXXXX")"
  trap abandon_start EXIT
  chmod 755 "$folder" # anyone may reach the socket; the role's password guards the server
  [ "$(id -u)" -ne 0 ] || chown "$kServerAccount:" "$folder"

  # The default collation sorts as in Spanish where the server can say so (ICU as default provider came
  # with version 15).
  local locale=C icu=()
  case "$(locale -a 2>/dev/null || true)" in *C.utf8* | *C.UTF-8*) locale=C.UTF-8 ;; esac
  [ "$(as_server initdb --version | sed 's/[^0-9]*\([0-9]*\).*/\1/')0" -lt 150 ] ||
    icu=(--locale-provider=icu --icu-locale=es-AR)
  as_server initdb -D "$folder/data" -E UTF8 --locale="$locale" "${icu[@]}" --auth-local=peer \
    --auth-host=reject --no-sync --no-instructions >"$folder/initdb.log" 2>&1 || fail "initdb failed"

  # The server account enters by its system name, every other role by its password; no network at all.
  local account
  account="$(id -un)"
  [ "$(id -u)" -ne 0 ] || account="$kServerAccount"
  printf 'local all %s peer\nlocal all all scram-sha-256\n' "$account" >"$folder/data/pg_hba.conf"

  # Durability is of no use for data thrown away after the run.
  as_server pg_ctl -D "$folder/data" -l "$folder/server.log" -w -s \
    -o "-k $folder -p $kPort -c listen_addresses='' -c fsync=off -c synchronous_commit=off -c full_page_writes=off" \
    start

  local password settings="$envfile.$$"
  password="$(od -An -N16 -tx1 /dev/urandom | tr -d ' \n')"
  as_server psql -X -q -v ON_ERROR_STOP=1 -h "$folder" -p "$kPort" -d postgres <<EOT
CREATE ROLE $kRole LOGIN CREATEDB PASSWORD '$password';
CREATE DATABASE felcora OWNER $kRole;
EOT
  (umask 077 && printf "export %s='%s'\n" FELCORA_PG_HOST "$folder" FELCORA_PG_PORT "$kPort" \
    FELCORA_PG_DATABASE felcora FELCORA_PG_USER "$kRole" FELCORA_PG_PASSWORD "$password" >"$settings")
  mv -f -- "$settings" "$envfile"
  trap - EXIT
  cat "$envfile"
}

case "${1:-}" in
  start) start ;;
  stop) stop ;;
  env | restart)
    running || fail "no server is running for $envfile"
    [ "$1" = restart ] || exec cat "$envfile"
    as_server pg_ctl -D "$(server_folder)/data" -l "$(server_folder)/server.log" -w -s -m fast restart
    ;;
  *) status=2 fail "usage: $0 start|env|restart|stop [ENVFILE]" ;;
esac
