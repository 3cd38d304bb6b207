#!/usr/bin/env bash
# The server schema on a real PostgreSQL server: the files load with psql in one
# transaction, the tables and seed rows are there, names sort as in Spanish, and
# the columns take values in the forms the component's statements write them.
#   pg_smoke.sh SCHEMA_SQL SEED_SQL...   (the server named by the file in FELCORA_PG_ENV)
# Works in a database of its own, so the shared one stays empty.
set -euo pipefail

readonly kSkip=3
readonly kScratch=felcora_smoke


if [ -z "${FELCORA_PG_ENV:-}" ] || [ ! -f "$FELCORA_PG_ENV" ]; then
  echo "pg_smoke: no server settings (FELCORA_PG_ENV): skipped" >&2
  exit "$kSkip"
fi
# shellcheck source=/dev/null
. "$FELCORA_PG_ENV"
export PGHOST="$FELCORA_PG_HOST" PGPORT="$FELCORA_PG_PORT" PGUSER="$FELCORA_PG_USER"
export PGPASSWORD="$FELCORA_PG_PASSWORD" PGCLIENTENCODING=UTF8 PGPASSFILE=/dev/null
export PGOPTIONS="-c client_min_messages=warning"

sql() { # DATABASE STATEMENTS: the rows, one a line, columns split by |
  psql -X -q -At -w -v ON_ERROR_STOP=1 -d "$1" -c "$2"
}

failures=0
expect() { # WHAT EXPECTED ACTUAL
  if [ "$2" != "$3" ]; then
    printf 'FAIL %s\n  expected: %s\n  actual:   %s\n' "$1" "$2" "$3" >&2
    failures=$((failures + 1))
  fi
}

if env -u PGPASSWORD psql -X -w -d "$FELCORA_PG_DATABASE" -c 'select 1' >/dev/null 2>&1; then
  expect "the server asks for the password" "refused" "accepted"
fi

sql "$FELCORA_PG_DATABASE" "drop database if exists $kScratch" >/dev/null
# Byte order by default, as on a server made without a Spanish locale: the
# order of names must come from the schema itself.
sql "$FELCORA_PG_DATABASE" "create database $kScratch template template0 locale_provider libc locale 'C'"
trap 'sql "$FELCORA_PG_DATABASE" "drop database if exists $kScratch" >/dev/null' EXIT

# As an administrator applies the files by hand: one transaction, stopped by the first error.
args=()
for file in "$@"; do args+=(-f "$file"); done
psql -X -q -w -1 -v ON_ERROR_STOP=1 -d "$kScratch" "${args[@]}"

expect "tables" \
  "public.clientes public.dib public.jrd public.subregimenes public.ventajas public.ventajasrel quenmarcontable.agentes quenmarcontable.roles_autorizados" \
  "$(sql "$kScratch" "select table_schema || '.' || table_name from information_schema.tables
                      where table_schema in ('public', 'quenmarcontable') order by 1" | paste -sd " " -)"
expect "seed rows: jurisdictions, benefit regimes, sub-regimes" "24|7|7" \
  "$(sql "$kScratch" "select (select count(*) from JRD), (select count(*) from Ventajas), (select count(*) from SubRegimenes)")"

# The statement forms of the component: numbers quoted and bare, dates as DATE
# literals, the exemption flag as '0' and as 1, the accounting tables by schema.
sql "$kScratch" "
insert into clientes (cuit,nombre,domicilio,localidad,codpost,email,telefonos,finitactiv,cvdi,condiva,condivafact,
  eximgan,eximganvalor,eximganvalortemp,ivaareduccion,ivaareduccionvalor,ivaareduccionvalortemp,Regalias,ingbru,
  contacto,ExcepLAPIAEC,honorario,ivaexento,ajxvinc_4102,LUGARDEPMERC)
  values('20-1','Zapata','','','','','',DATE '2001-03-05','N','I','A','S','12.5','0','N','0','0','3','2.5','','N',
  '7.25','0',1.5,'');
insert into clientes (cuit,nombre) values ('20-2','zapata'),('20-3','Ñandú'),('20-4','Nuñez'),('20-5','bueno'),
  ('20-6','Ávila');
update clientes set nombre = 'Zapata',finitactiv = DATE '2002-04-06',ivaexento = 21.5,eximganvalor = 10,
  honorario = '8.5' ,INGBRU = 2.5, CML = '1' where cuit = '20-1';
insert into DIB (CLICUI,DIBVALOR,JRDNRO,DIBEXENTO) values ('20-1',60.25,'901','0');
insert into DIB (CLICUI,DIBVALOR,JRDNRO,DIBEXENTO) values ('20-1',39.75,'905','1');
update DIB set DIBVALOR = 39.5,JRDNRO = '902',DIBEXENTO = 0 where JRDNRO = '905'  and CLICUI = '20-1';
insert into QUENMARCONTABLE.AGENTES (ID_AGENTE,Documento_Numero,NOMBRE,GENERADORID) values (1,'20-1','x',1),(2,'30-9','y',1);
insert into QUENMARCONTABLE.ROLES_AUTORIZADOS (ID_AGENTE,ID_ROL) values (1,2)"

expect "a stored customer" "2002-04-06|21.5|10|8.5|1.5" \
  "$(sql "$kScratch" "select finitactiv, ivaexento, eximganvalor, honorario, AjxVinc_4102 from clientes where cuit = '20-1'")"
expect "the distribution total" "99.75|0" \
  "$(sql "$kScratch" "select sum(round(CAST(DIBVALOR AS numeric), 2)), sum(DIBEXENTO) from DIB where CLICUI = '20-1'")"
expect "pending customers" "30-9" \
  "$(sql "$kScratch" "select Documento_Numero FROM QUENMARCONTABLE.AGENTES WHERE GENERADORID IN
                        (SELECT ID_AGENTE FROM QUENMARCONTABLE.ROLES_AUTORIZADOS WHERE ID_ROL=2)
                      AND DOCUMENTO_NUMERO NOT IN (SELECT CUIT FROM CLIENTES)")"

# Accents do not count, Ñ follows N, case only breaks ties; LIKE still works.
expect "names in Spanish order" "Ávila bueno Nuñez Ñandú zapata Zapata" \
  "$(sql "$kScratch" "select nombre from clientes order by nombre" | paste -sd " " -)"
expect "LIKE on names" "Ñandú" "$(sql "$kScratch" "select nombre from clientes where nombre like 'Ñ%'")"

# With standard strings a backslash is an ordinary character: only the
# apostrophe needs doubling, as the component's literals do.
expect "standard strings" 'on|C:\datos O'"'"'Brien' \
  "$(sql "$kScratch" "set standard_conforming_strings = on;
                      update clientes set nombre = 'C:\datos O''Brien' where cuit = '20-2';
                      select current_setting('standard_conforming_strings'), nombre from clientes where cuit = '20-2'")"

[ "$failures" -eq 0 ] || exit 1
echo "pg_smoke: the schema works on the server"
