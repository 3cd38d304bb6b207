// The data access where a PostgreSQL server differs from SQLite, the demo data it takes, and what keeps
// the tables from being created on it. Runs only on the test server.

#include <QtTest>

#include "broker/brokererrors.h"
#include "felcora/error.h"
#include "felcora/hostkit/demodata.h"
#include "felcora/hostkit/recordbroker.h"
#include "felcora/hostkit/serverschema.h"
#include "support/errors.h"
#include "support/serverdatabase.h"
#include "support/tempdatabase.h"

using namespace felcora;
using namespace Qt::StringLiterals;
using namespace felcora::test;

namespace {
const QString kPersonal = u"PERSONAL"_s;

int count(const QString &path, const QString &rows)
{
    return TempDatabase::scalar(path, u"select count(*) from "_s + rows).toInt();
}
} // namespace

class TestServerSession : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        if (!onServer())
            QSKIP("the data access on a server: run with FELCORA_TEST_BACKEND=postgres");
    }

    // Text stored as written where backslashes are escapes by default; a taken key has its own number;
    // a result read while other statements run is read whole, its fields found in any case.
    void statementsAsWritten()
    {
        const TempDatabase db;
        const QString path = db.personalPath();
        TempDatabase::exec(path,
                           u"alter database %1 set standard_conforming_strings = off; insert into clientes "
                           "(cuit, nombre) select 'C' || n, 'Cliente ' || n from generate_series(1, 300) as n"_s.arg(
                               path.section(u':', 1)));
        const auto broker = db.makeBroker();
        IDataConnection *c = broker->getDataConnectionByEntity(kPersonal);
        const auto run = [&](const QString &sql) {
            c->setSql(sql);
            qint64 rows = -1;
            const auto error = errorOf([&] { rows = c->Ejecutar(); });
            return error ? error->number() : rows;
        };
        QCOMPARE(run(u"insert into clientes (cuit, nombre) values ('1', 'a\\''b'), ('2', 'Ñandú')"_s), 2);
        QCOMPARE(TempDatabase::scalar(path, u"select nombre from clientes where cuit = '1'"_s), QVariant(u"a\\'b"_s));
        QCOMPARE(run(u"insert into clientes (cuit, nombre) values ('1', 'otra vez')"_s), errnum::kDuplicateKey);
        c->setSql(u"select * from clientes where cuit like 'C%' order by cuit"_s);
        std::unique_ptr<IRecordset> rs;
        QVERIFY(c->CrearRs(rs));
        for (; !rs->Eof(); rs->MoveNext())
            QCOMPARE(run(u"update clientes set email = 'x' where cuit = '%1'"_s.arg(rs->Fields(u"Cuit"_s).toString())),
                     1);
        QCOMPARE(count(path, u"clientes where email = 'x'"_s), 300);
    }

    // A server that refuses the user or cannot be reached is named with the database; the password never shows.
    void refusedConnectionsAreDescribed()
    {
        const TempDatabase db;
        hostkit::BrokerConfig wrongPassword = db.config(), unreachable = db.config();
        wrongPassword.entities[kPersonal].password = u"no-es-la-clave-9f3"_s;
        unreachable.entities[kPersonal].port = 1;
        for (const hostkit::BrokerConfig &config : {wrongPassword, unreachable}) {
            const hostkit::EntitySettings personal = config.entity(kPersonal);
            hostkit::RecordBroker broker;
            broker.useConfig(config);
            const auto error = errorOf([&] { broker.LoadParameters(); });
            QVERIFY(error && error->number() == hostkit::brokererr::kOpen);
            const QString text = error->description();
            QVERIFY2(text.startsWith(u"No se pudo conectar con la base de datos \"%1\" del servidor \"%2\""_s.arg(
                         personal.database, personal.host))
                         && (personal.password.isEmpty() || !text.contains(personal.password)),
                     qPrintable(text));
        }
    }

    // Demo data adds the customers asked each time, with their lines, and agents in the accounting tables.
    void demoDataOnTheServer()
    {
        const ServerDatabase db;
        for (const int customers : {300, 100})
            QCOMPARE(hostkit::writeServerDemoData(db.config().entity(kPersonal), {.customers = customers}), customers);
        QCOMPARE(count(db.customerPath(), u"clientes"_s), 400);
        QVERIFY(count(db.customerPath(), u"DIB"_s) > 0 && count(db.accountingPath(), u"AGENTES"_s) > 0);
        QCOMPARE(count(db.customerPath(), u"DIB where CLICUI not in (select cuit from clientes)"_s), 0);
    }

    // What would stop the tables is found and said, with what to do, before anything changes; a statement
    // refused midway is named. The database is left as it was.
    void initServerRefusalsLeaveNothing_data()
    {
        QTest::addColumn<QString>("setup");    // run in the database first (%1 its name, %2 the role); null: SQL_ASCII
        QTest::addColumn<QStringList>("says"); // %1 the database, %2 the role
        const QString nothing = u"No se cambió nada."_s;
        QTest::newRow("role may not create in public nor make the accounting schema")
            << u"revoke create on schema public from pg_database_owner; revoke create on database %1 from %2"_s
            << QStringList{u"GRANT CREATE ON SCHEMA public TO %2"_s, u"GRANT CREATE ON DATABASE %1 TO %2"_s, nothing};
        QTest::newRow("no schema of the search path exists")
            << u"alter database %1 set search_path = nada"_s << QStringList{u"search_path del rol (nada)"_s, nothing};
        QTest::newRow("SQL_ASCII database")
            << QString() << QStringList{u"codificación SQL_ASCII"_s, u"ENCODING 'UTF8'"_s};
        QTest::newRow("jurisdictions already there, customers not")
            << u"create table JRD (x int)"_s
            << QStringList{u"ya tiene la tabla JRD, y las tablas se crean solo donde no existen"_s, nothing};
        // An accounting table of another shape: the server itself refuses the schema's index on it.
        QFile schema(u":/felcora/sql/postgres/schema.sql"_s);
        QVERIFY(schema.open(QIODevice::ReadOnly));
        const QStringList lines = QString::fromUtf8(schema.readAll()).split(u'\n');
        const qsizetype index = lines.indexOf(QRegularExpression(u"CREATE INDEX .*AGENTES_GENERADORID.*"_s));
        QVERIFY(index > 0);
        const qsizetype statement = lines.mid(0, index + 1).filter(QRegularExpression(u"^CREATE "_s)).size();
        QTest::newRow("accounting table of another shape: refused midway")
            << u"create schema quenmarcontable; create table quenmarcontable.AGENTES (ID_AGENTE integer)"_s
            << QStringList{u"falló la sentencia %3 (schema.sql, línea %4: CREATE INDEX IF NOT EXISTS "
                           "AGENTES_GENERADORID ON quenmarcontable.AGENTES ...). El servidor de base de datos "
                           "rechazó la sentencia ("_s.arg(statement)
                               .arg(index + 1),
                           u"generadorid"_s, u"No se creó nada."_s};
    }
    void initServerRefusalsLeaveNothing()
    {
        QFETCH(QString, setup);
        QFETCH(QStringList, says);
        const ServerDatabase empty(true);
        const bool ascii = setup.isNull();
        const QString database = empty.name() + (ascii ? u"_ascii"_s : QString());
        const auto server = [&](const QString &sql) {
            if (ascii)
                ServerDatabase::exec(empty.customerPath(), sql.arg(database));
        };
        server(u"create database %1 encoding 'SQL_ASCII' locale_provider libc lc_collate 'C' lc_ctype 'C' "
               "template template0"_s);
        const auto drop = qScopeGuard([&] { server(u"drop database %1 with (force)"_s); });
        const hostkit::EntitySettings settings = ServerDatabase::configFor(database).entity(kPersonal);
        const QString path = u"postgres:"_s + database;
        const auto filled
            = [&](QString text) { return text.replace(u"%1"_s, database).replace(u"%2"_s, settings.user); };
        if (!ascii)
            ServerDatabase::exec(path, filled(setup));
        // The tables, indexes, schemas and collations beside the server's own.
        const QString objects = u"select coalesce((select string_agg(n.nspname || '.' || c.relname, ' ' order by 1) "
                                "from pg_class c join pg_namespace n on n.oid = c.relnamespace "
                                "where n.nspname !~ '^pg_|^information_schema$'), '') "
                                "|| ' / ' || (select string_agg(nspname, ' ' order by 1) from pg_namespace) "
                                "|| ' / ' || (select count(*) from pg_collation where collname = 'es_ar')"_s;
        const QVariant before = ServerDatabase::scalar(path, objects);
        const QString text = errorDescription([&] { hostkit::initServerDatabase(settings); });
        QVERIFY2(
            text.startsWith(u"No se crearon las tablas en la base de datos \"%1\" del servidor \""_s.arg(database)),
            qPrintable(text));
        for (const QString &part : says)
            QVERIFY2(text.contains(filled(part)), qPrintable(part + u" | "_s + text));
        QCOMPARE(ServerDatabase::scalar(path, objects), before);
    }
};

QTEST_MAIN(TestServerSession)
#include "tst_serversession.moc"
