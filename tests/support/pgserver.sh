#!/usr/bin/env bash
# A throwaway PostgreSQL server for the tests: reached only through a Unix
# socket in a private folder, with a login role that must give its password.
#   pgserver.sh start [ENVFILE]  starts a server (or finds the one ENVFILE names
#                                still running), prints its settings as export
#                                lines and writes the same lines to ENVFILE
#   pgserver.sh env [ENVFILE]    prints the settings of the running server
#   pgserver.sh restart [ENVFILE] restarts the running server (its clients' connections end)
#   pgserver.sh stop [ENVFILE]   stops the server, removes its folder and ENVFILE
# ENVFILE defaults to $FELCORA_PG_ENV, else to a file of the calling user in /tmp.
# Each line reads  export NAME='value'  (no value holds a quote), for
# FELCORA_PG_HOST (the socket folder), FELCORA_PG_PORT, FELCORA_PG_DATABASE,
# FELCORA_PG_USER and FELCORA_PG_PASSWORD. The role may create databases.
# The server refuses to run as root: root starts it as the postgres account,
# any other user as itself. Exit 3 when no server can run here (PostgreSQL
# missing, or root without a postgres account): the tests then skip.
set -euo pipefail

readonly kCannotRun=3
readonly kPort=55432 # the socket lives in a private folder, so any port will do
readonly kDatabase=felcora
readonly kRole=felcora_tests
readonly kServerAccount=postgres
readonly kFolderPrefix=felcora-pg.

command_name="${1:-}"
envfile="${2:-${FELCORA_PG_ENV:-/tmp/felcora-pgserver.$(id -u).env}}"
case "$envfile" in /*) ;; *) envfile="$PWD/$envfile" ;; esac
# The server account may not be allowed into the caller's folder.
cd /

fail() {
  echo "pgserver: $*" >&2
  exit 1
}

cannot_run() {
  echo "pgserver: no PostgreSQL server can be started here: $*" >&2
  exit "$kCannotRun"
}

# The newest installed server programs (FELCORA_PG_BINDIR chooses others).
find_bindir() {
  if [ -n "${FELCORA_PG_BINDIR:-}" ]; then
    echo "$FELCORA_PG_BINDIR"
    return
  fi
  local candidate
  for candidate in $(printf '%s\n' /usr/lib/postgresql/*/bin | sort -rV); do
    if [ -x "$candidate/initdb" ]; then
      echo "$candidate"
      return
    fi
  done
  if command -v initdb >/dev/null; then
    dirname "$(command -v initdb)"
  fi
}

# Runs a command as the account the server runs under.
as_server() {
  if [ "$(id -u)" -eq 0 ]; then
    runuser -u "$kServerAccount" -- "$@"
  else
    "$@"
  fi
}

value_of() { # NAME: its value in the environment file
  sed -n "s/^export $1='\(.*\)'\$/\1/p" "$envfile"
}

# The folder of the server the environment file names, refused unless it is
# one this script made: stop removes it.
server_folder() {
  local folder
  folder="$(value_of FELCORA_PG_HOST)"
  case "$folder" in
    /*/"$kFolderPrefix"*) ;;
    *) fail "$envfile does not name a folder of this script: '$folder'" ;;
  esac
  echo "$folder"
}

# The server's process id, if the process of that id is this folder's server.
server_pid() { # FOLDER
  local pidfile="$1/data/postmaster.pid" pid
  [ -f "$pidfile" ] || return 0
  pid="$(head -n 1 "$pidfile")"
  [ -n "$pid" ] && [ -r "/proc/$pid/cmdline" ] || return 0
  if tr '\0' ' ' <"/proc/$pid/cmdline" | grep -qF -- "$1/data"; then
    echo "$pid"
  fi
}

running() {
  [ -f "$envfile" ] && [ -n "$(server_pid "$(server_folder)")" ]
}

# Whether the process runs still; one that has exited but waits to be reaped
# by its parent (init, which may take its time) has finished.
process_runs() { # PID
  local state
  { read -r _ _ state _ <"/proc/$1/stat"; } 2>/dev/null || return 1
  [ "$state" != Z ]
}

stop_server() { # FOLDER
  local pid waited=0
  pid="$(server_pid "$1")"
  if [ -n "$pid" ]; then
    # Immediate shutdown: the data is thrown away, nothing needs writing out.
    # The server ends its own processes before it ends.
    kill -QUIT "$pid" 2>/dev/null || true
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

# A start that fails halfway leaves nothing behind, and shows why it failed.
abandon_start() {
  local status=$?
  if [ -n "${folder:-}" ] && [ -d "$folder" ]; then
    if [ -f "$folder/server.log" ]; then
      echo "pgserver: server log:" >&2
      tail -n 20 "$folder/server.log" >&2 || true
    fi
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
    if [ -z "$bindir" ] || [ ! -x "$bindir/$program" ]; then
      cannot_run "$program was not found (install the postgresql package)"
    fi
  done
  if [ "$(id -u)" -eq 0 ]; then
    id "$kServerAccount" >/dev/null 2>&1 || cannot_run "running as root and there is no $kServerAccount account"
    command -v runuser >/dev/null || cannot_run "running as root and runuser is missing"
  fi

  folder="$(mktemp -d "/tmp/${kFolderPrefix}XXXXXX")"
  trap abandon_start EXIT
  # Anyone may reach the socket; the role's password guards the server.
  chmod 755 "$folder"
  [ "$(id -u)" -ne 0 ] || chown "$kServerAccount:" "$folder"

  # The server's default collation sorts as in Spanish where the server can
  # say so (ICU as default provider came with version 15).
  local locale=C icu=()
  case "$(locale -a 2>/dev/null || true)" in *C.utf8* | *C.UTF-8*) locale=C.UTF-8 ;; esac
  local major
  major="$("$bindir/initdb" --version | sed -n 's/^[^0-9]*\([0-9][0-9]*\).*/\1/p')"
  [ "${major:-0}" -lt 15 ] || icu=(--locale-provider=icu --icu-locale=es-AR)
  as_server "$bindir/initdb" -D "$folder/data" -E UTF8 --locale="$locale" "${icu[@]}" \
    --auth-local=peer --auth-host=reject --no-sync --no-instructions >"$folder/initdb.log" 2>&1 ||
    { cat "$folder/initdb.log" >&2; fail "initdb failed"; }

  # The server account enters by its system name; every other role must give
  # its password. There is no network access at all.
  cat >"$folder/data/pg_hba.conf" <<EOF
local all $(as_server id -un) peer
local all all scram-sha-256
EOF

  # Durability is of no use for data thrown away after the run.
  as_server "$bindir/pg_ctl" -D "$folder/data" -l "$folder/server.log" -w -s \
    -o "-k $folder -p $kPort -c listen_addresses='' -c fsync=off -c synchronous_commit=off -c full_page_writes=off" \
    start

  local password
  password="$(od -An -N16 -tx1 /dev/urandom | tr -d ' \n')"
  as_server "$bindir/psql" -X -q -v ON_ERROR_STOP=1 -h "$folder" -p "$kPort" -d postgres <<EOF
CREATE ROLE $kRole LOGIN CREATEDB PASSWORD '$password';
CREATE DATABASE $kDatabase OWNER $kRole;
EOF

  local settings="$envfile.$$"
  (
    umask 077
    cat >"$settings" <<EOF
export FELCORA_PG_HOST='$folder'
export FELCORA_PG_PORT='$kPort'
export FELCORA_PG_DATABASE='$kDatabase'
export FELCORA_PG_USER='$kRole'
export FELCORA_PG_PASSWORD='$password'
EOF
  )
  mv -f -- "$settings" "$envfile"
  trap - EXIT
  cat "$envfile"
}

# A restart as an administrator does one: the clients' connections are closed,
# the data stays.
restart() {
  running || fail "no server is running for $envfile"
  local folder bindir
  folder="$(server_folder)"
  bindir="$(find_bindir)"
  as_server "$bindir/pg_ctl" -D "$folder/data" -l "$folder/server.log" -w -s -m fast restart
}

case "$command_name" in
  start) start ;;
  restart) restart ;;
  stop) stop ;;
  env)
    running || fail "no server is running for $envfile"
    cat "$envfile"
    ;;
  *)
    echo "usage: $0 start|env|restart|stop [ENVFILE]" >&2
    exit 2
    ;;
esac
