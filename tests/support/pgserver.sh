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

readonly kCannotRun=3
readonly kPort=55432 # the socket's folder is private, so any port will do
readonly kDatabase=felcora
readonly kRole=felcora_tests
readonly kServerAccount=postgres
readonly kFolderPrefix=felcora-pg.

command_name="${1:-}"
envfile="${2:-${FELCORA_PG_ENV:-/tmp/felcora-pgserver.$(id -u).env}}"
case "$envfile" in /*) ;; *) envfile="$PWD/$envfile" ;; esac
cd / # the server account may not be allowed into the caller's folder

fail() {
  echo "pgserver: $*" >&2
  exit 1
}

cannot_run() {
  echo "pgserver: no PostgreSQL server can be started here: $*" >&2
  exit "$kCannotRun"
}

find_bindir() { # the newest installed server programs, unless FELCORA_PG_BINDIR names others
  local candidate
  for candidate in "${FELCORA_PG_BINDIR:-}" $(printf '%s\n' /usr/lib/postgresql/*/bin | sort -rV); do
    if [ -n "${FELCORA_PG_BINDIR:-}" ] || [ -x "$candidate/initdb" ]; then
      echo "$candidate"
      return
    fi
  done
  if command -v initdb >/dev/null; then dirname "$(command -v initdb)"; fi
}

as_server() { # runs a command as the account the server runs under
  if [ "$(id -u)" -eq 0 ]; then runuser -u "$kServerAccount" -- "$@"; else "$@"; fi
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

server_pid() { # FOLDER: the process id in its pid file, if that process is this folder's server
  local pidfile="$1/data/postmaster.pid" pid
  [ -f "$pidfile" ] || return 0
  pid="$(head -n 1 "$pidfile")"
  [ -n "$pid" ] && [ -r "/proc/$pid/cmdline" ] || return 0
  if tr '\0' ' ' <"/proc/$pid/cmdline" | grep -qF -- "$1/data"; then echo "$pid"; fi
}

running() {
  [ -f "$envfile" ] && [ -n "$(server_pid "$(server_folder)")" ]
}

# Whether the process runs still: one that has exited and waits to be reaped (by init, which may take
# its time) has finished.
process_runs() { # PID
  local state
  { read -r _ _ state _ <"/proc/$1/stat"; } 2>/dev/null || return 1
  [ "$state" != Z ]
}

stop_server() { # FOLDER
  local pid waited=0
  pid="$(server_pid "$1")"
  if [ -n "$pid" ]; then
    kill -QUIT "$pid" 2>/dev/null || true # immediate shutdown: the data is thrown away
    while process_runs "$pid"; do
      [ "$waited" -lt 1500 ] || fail "the server (process $pid) did not stop"
      sleep 0.02
      waited=$((waited + 1))
    done
  fi
  rm -rf -- "$1"
}

stop() {
  [ -f "$envfile" ] || return 0
  stop_server "$(server_folder)"
  rm -f -- "$envfile"
}

abandon_start() { # a start that fails halfway leaves nothing behind, and shows why it failed
  local status=$?
  if [ -n "${folder:-}" ] && [ -d "$folder" ]; then
    [ ! -f "$folder/server.log" ] || { echo "pgserver: server log:" && tail -n 20 "$folder/server.log"; } >&2 || true
    stop_server "$folder" || true
  fi
  exit "$status"
}

start() {
  if running; then
    cat "$envfile"
    return
  fi
  stop # whatever a server that has gone away left

  local bindir program
  bindir="$(find_bindir)"
  for program in initdb pg_ctl psql; do
    { [ -n "$bindir" ] && [ -x "$bindir/$program" ]; } ||
      cannot_run "$program was not found (install the postgresql package)"
  done
  if [ "$(id -u)" -eq 0 ]; then
    id "$kServerAccount" >/dev/null 2>&1 || cannot_run "running as root and there is no $kServerAccount account"
    command -v runuser >/dev/null || cannot_run "running as root and runuser is missing"
  fi

  folder="$(mktemp -d "/tmp/${kFolderPrefix}XXXXXX")"
  trap abandon_start EXIT
  chmod 755 "$folder" # anyone may reach the socket; the role's password guards the server
  [ "$(id -u)" -ne 0 ] || chown "$kServerAccount:" "$folder"

  # The default collation sorts as in Spanish where the server can say so (ICU as default provider came
  # with version 15).
  local locale=C icu=() major
  case "$(locale -a 2>/dev/null || true)" in *C.utf8* | *C.UTF-8*) locale=C.UTF-8 ;; esac
  major="$("$bindir/initdb" --version | sed -n 's/^[^0-9]*\([0-9][0-9]*\).*/\1/p')"
  [ "${major:-0}" -lt 15 ] || icu=(--locale-provider=icu --icu-locale=es-AR)
  as_server "$bindir/initdb" -D "$folder/data" -E UTF8 --locale="$locale" "${icu[@]}" \
    --auth-local=peer --auth-host=reject --no-sync --no-instructions >"$folder/initdb.log" 2>&1 ||
    { cat "$folder/initdb.log" >&2; fail "initdb failed"; }

  # The server account enters by its system name, every other role by its password; no network at all.
  cat >"$folder/data/pg_hba.conf" <<EOT
local all $(as_server id -un) peer
local all all scram-sha-256
EOT

  # Durability is of no use for data thrown away after the run.
  as_server "$bindir/pg_ctl" -D "$folder/data" -l "$folder/server.log" -w -s \
    -o "-k $folder -p $kPort -c listen_addresses='' -c fsync=off -c synchronous_commit=off -c full_page_writes=off" \
    start

  local password settings="$envfile.$$"
  password="$(od -An -N16 -tx1 /dev/urandom | tr -d ' \n')"
  as_server "$bindir/psql" -X -q -v ON_ERROR_STOP=1 -h "$folder" -p "$kPort" -d postgres <<EOT
CREATE ROLE $kRole LOGIN CREATEDB PASSWORD '$password';
CREATE DATABASE $kDatabase OWNER $kRole;
EOT
  (umask 077 && printf "export %s='%s'\n" FELCORA_PG_HOST "$folder" FELCORA_PG_PORT "$kPort" \
    FELCORA_PG_DATABASE "$kDatabase" FELCORA_PG_USER "$kRole" FELCORA_PG_PASSWORD "$password" >"$settings")
  mv -f -- "$settings" "$envfile"
  trap - EXIT
  cat "$envfile"
}

case "$command_name" in
  start) start ;;
  stop) stop ;;
  env | restart)
    running || fail "no server is running for $envfile"
    if [ "$command_name" = env ]; then
      cat "$envfile"
    else
      as_server "$(find_bindir)/pg_ctl" -D "$(server_folder)/data" -l "$(server_folder)/server.log" -w -s -m fast restart
    fi
    ;;
  *)
    echo "usage: $0 start|env|restart|stop [ENVFILE]" >&2
    exit 2
    ;;
esac
