#!/usr/bin/env bash
# The server schema as an administrator applies it by hand: the files load with psql in one transaction, the
# tables and seed rows are there, and names sort as in Spanish; in a database of its own, the shared one stays empty.
#   pg_smoke.sh SCHEMA_SQL SEED_SQL...   (the server named by the file in FELCORA_PG_ENV)
set -euo pipefail

readonly kScratch=felcora_smoke

if [ -z "${FELCORA_PG_ENV:-}" ] || [ ! -f "$FELCORA_PG_ENV" ]; then
  echo "pg_smoke: no server settings (FELCORA_PG_ENV): skipped" >&2
  exit 3 # what the test run takes for skipped
fi
# shellcheck source=/dev/null
. "$FELCORA_PG_ENV"
export PGHOST="$FELCORA_PG_HOST" PGPORT="$FELCORA_PG_PORT" PGUSER="$FELCORA_PG_USER"
export PGPASSWORD="$FELCORA_PG_PASSWORD" PGCLIENTENCODING=UTF8 PGPASSFILE=/dev/null
export PGOPTIONS="-c client_min_messages=warning"

sql() { # DATABASE STATEMENTS: the rows, one a line, columns split by |
  psql -X -q -At -w -v ON_ERROR_STOP=1 -d "$1" -c "$2"
}
expect() { # WHAT EXPECTED ACTUAL: the first difference ends the run
  [ "$2" = "$3" ] && return
  printf 'FAIL %s\n  expected: %s\n  actual:   %s\n' "$1" "$2" "$3" >&2
  exit 1
}

sql "$FELCORA_PG_DATABASE" "drop database if exists $kScratch"
# Byte order by default, as on a server without a Spanish locale: names sort by the schema's own order.
sql "$FELCORA_PG_DATABASE" "create database $kScratch template template0 locale_provider libc locale 'C'"
trap 'sql "$FELCORA_PG_DATABASE" "drop database if exists $kScratch"' EXIT

args=()
for file in "$@"; do args+=(-f "$file"); done
psql -X -q -w -1 -v ON_ERROR_STOP=1 -d "$kScratch" "${args[@]}"

expect "tables" \
  "public.clientes public.dib public.jrd public.subregimenes public.ventajas public.ventajasrel quenmarcontable.agentes quenmarcontable.roles_autorizados" \
  "$(sql "$kScratch" "select table_schema || '.' || table_name from information_schema.tables
                      where table_schema in ('public', 'quenmarcontable') order by 1" | paste -sd " " -)"
expect "seed rows: jurisdictions, benefit regimes, sub-regimes" "24|7|7" \
  "$(sql "$kScratch" "select (select count(*) from JRD), (select count(*) from Ventajas), (select count(*) from SubRegimenes)")"

# Accents do not count, Ñ follows N, case only breaks ties; LIKE still works.
sql "$kScratch" "insert into clientes (cuit, nombre) values ('20-1', 'Zapata'), ('20-2', 'zapata'), ('20-3', 'Ñandú'),
                   ('20-4', 'Nuñez'), ('20-5', 'bueno'), ('20-6', 'Ávila')"
expect "names in Spanish order" "Ávila bueno Nuñez Ñandú zapata Zapata" \
  "$(sql "$kScratch" "select nombre from clientes order by nombre" | paste -sd " " -)"
expect "LIKE on names" "Ñandú" "$(sql "$kScratch" "select nombre from clientes where nombre like 'Ñ%'")"
echo "pg_smoke: the schema works on the server"
