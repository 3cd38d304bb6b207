// The data access where a PostgreSQL server differs from SQLite, the demo data it takes, and what keeps
// the tables from being created on it. Runs only on the test server.

#include <QtTest>

#include "felcora/error.h"
#include "felcora/hostkit/demodata.h"
#include "felcora/hostkit/recordbroker.h"
#include "felcora/hostkit/serverschema.h"
#include "support/errors.h"
#include "support/serverdatabase.h"
#include "support/spanishnames.h"
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
    // a result read while other statements run is read whole, its fields found in any case; one left before its end
    // costs the next statements nothing.
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
            return c->Ejecutar();
        };
        QCOMPARE(run(u"insert into clientes (cuit, nombre) values ('1', 'a\\''b'), ('2', 'Ñandú')"_s), 2);
        QCOMPARE(TempDatabase::scalar(path, u"select nombre from clientes where cuit = '1'"_s), QVariant(u"a\\'b"_s));
        const auto taken = errorOf([&] { run(u"insert into clientes (cuit, nombre) values ('1', 'otra vez')"_s); });
        QCOMPARE(taken.value().number(), errnum::kDuplicateKey);
        c->setSql(u"select * from clientes where cuit like 'C%' order by cuit"_s);
        std::unique_ptr<IRecordset> rs;
        QVERIFY(c->CrearRs(rs));
        for (; !rs->Eof(); rs->MoveNext())
            QCOMPARE(run(u"update clientes set email = 'x' where cuit = '%1'"_s.arg(rs->Fields(u"Cuit"_s).toString())),
                     1);
        QCOMPARE(count(path, u"clientes where email = 'x'"_s), 300);
        for (int dropped = 0; dropped < 2; ++dropped) { // a result left before its end gives its connection up
            c->setSql(u"select * from clientes"_s);
            QVERIFY(c->CrearRs(rs) && !rs->Eof());
            rs.reset();
            QCOMPARE(run(u"update clientes set email = 'y' where cuit = 'C1'"_s), 1);
        }
        c->setSql(u"select email from clientes where cuit = 'C1'"_s);
        QVERIFY(c->CrearRs(rs));
        QCOMPARE(rs->Fields(u"email"_s).toString(), u"y"_s);
    }

    // Names in the same Spanish order as on SQLite; the standard row limit read as it is written.
    void namesInSpanishOrder()
    {
        const TempDatabase db;
        checkNamesInSpanishOrder(db.makeBroker()->getDataConnectionByEntity(kPersonal));
    }

    // A server that refuses the user is named with the database; the password never shows.
    void refusedConnectionIsDescribed()
    {
        const TempDatabase db;
        hostkit::BrokerConfig config = db.config();
        hostkit::EntitySettings &personal = config.entities[kPersonal];
        personal.password = u"no-es-la-clave-9f3"_s;
        hostkit::RecordBroker broker;
        broker.useConfig(config);
        const QString text = errorDescription([&] { broker.LoadParameters(); });
        QVERIFY2(text.startsWith(u"No se pudo conectar con la base de datos \"%1\" del servidor \"%2\""_s.arg(
                     personal.database, personal.host))
                     && !text.contains(personal.password),
                 qPrintable(text));
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

    // What would stop the tables is said, with what to do, before anything changes; a statement refused midway
    // is named. The database is left as it was.
    void initServerRefusalsLeaveNothing_data()
    {
        QTest::addColumn<QString>("setup");    // run in the database first
        QTest::addColumn<QStringList>("says"); // %1 the database, %2 the role, in setup too
        const QString nothing = u"No se cambió nada."_s;
        QTest::newRow("role may not create in public nor make the accounting schema")
            << u"revoke create on schema public from pg_database_owner; revoke create on database %1 from %2"_s
            << QStringList{u"GRANT CREATE ON SCHEMA public TO %2"_s, u"GRANT CREATE ON DATABASE %1 TO %2"_s, nothing};
        QTest::newRow("jurisdictions already there, customers not")
            << u"create table JRD (x int)"_s
            << QStringList{u"ya tiene la tabla JRD, y las tablas se crean solo donde no existen"_s, nothing};
        // An accounting table of another shape: the server itself refuses the schema's index on it.
        QTest::newRow("accounting table of another shape: refused midway")
            << u"create schema quenmarcontable; create table quenmarcontable.AGENTES (ID_AGENTE integer)"_s
            << QStringList{u"(schema.sql, línea "_s,
                           u": CREATE INDEX IF NOT EXISTS AGENTES_GENERADORID ON quenmarcontable.AGENTES ...)"_s,
                           u"generadorid"_s, u"No se creó nada."_s};
    }
    void initServerRefusalsLeaveNothing()
    {
        QFETCH(QString, setup);
        QFETCH(QStringList, says);
        const ServerDatabase empty(true);
        const QString database = empty.name(), path = empty.customerPath();
        const hostkit::EntitySettings settings = empty.config().entity(kPersonal);
        const auto filled
            = [&](QString text) { return text.replace(u"%1"_s, database).replace(u"%2"_s, settings.user); };
        ServerDatabase::exec(path, filled(setup));
        // The relations, schemas and collations in the database; the server's own are numbered below 16384.
        const QString objects = u"select concat_ws(' / ', (select string_agg(oid::regclass::text, ' ' order by oid) "
                                "from pg_class where oid >= 16384), (select string_agg(nspname, ' ' order by nspname) "
                                "from pg_namespace), (select count(*) from pg_collation where oid >= 16384))"_s;
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
