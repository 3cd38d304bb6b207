// The data access on a PostgreSQL server, where it differs from SQLite: a
// result read while other statements run, literals the server must take as
// written, transactions, the rows a change reports, and the messages of a
// server that refuses the connection. Runs only on the test server.

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
using felcora::test::errorOf;
using felcora::test::TempDatabase;

namespace {

const QString kPersonal = u"PERSONAL"_s;
constexpr int kCustomers = 300;

} // namespace

class TestServerSession : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        if (!test::onServer())
            QSKIP("the data access on a server: run with FELCORA_TEST_BACKEND=postgres");
        m_db = std::make_unique<TempDatabase>();
        m_broker = m_db->makeBroker();
    }
    void cleanup()
    {
        m_broker.reset();
        m_db.reset();
    }

    // A result being read is not cut short by the statements run meanwhile
    // on the same entity, and its fields are found in any case.
    void resultSurvivesOtherStatements()
    {
        TempDatabase::exec(m_db->personalPath(),
                           u"insert into clientes (cuit, nombre, regalias) select 'C' || n, 'Cliente ' || n, n "
                           "from generate_series(1, %1) as n"_s.arg(kCustomers));
        IDataConnection *c = m_broker->getDataConnectionByEntity(kPersonal);
        c->setSql(u"select * from clientes order by cuit"_s);
        std::unique_ptr<IRecordset> rs;
        QVERIFY(c->CrearRs(rs));
        int read = 0;
        for (; !rs->Eof(); rs->MoveNext()) {
            QVERIFY(rs->Fields(u"NOMBRE"_s).toString().startsWith(u"Cliente "_s));
            c->setSql(u"update clientes set email = 'x' where cuit = "_s + u'\'' + rs->Fields(u"Cuit"_s).toString()
                      + u'\'');
            QCOMPARE(c->Ejecutar(), 1);
            ++read;
        }
        QCOMPARE(read, kCustomers);
        QCOMPARE(
            TempDatabase::scalar(m_db->personalPath(), u"select count(*) from clientes where email = 'x'"_s).toInt(),
            kCustomers);
    }

    // Text is stored as written, a backslash before an apostrophe included;
    // changes report their rows; a transaction undone leaves nothing.
    void literalsRowsAndTransactions()
    {
        try {
            literalsRowsAndTransactionsSteps();
        } catch (const Error &e) {
            QFAIL(qPrintable(e.source() + u": "_s + e.description()));
        }
    }
    // A server that cannot be reached, or refuses the user, is described in
    // Spanish with the database and server it concerns; the password never shows.
    void refusedConnectionsAreDescribed_data()
    {
        QTest::addColumn<QString>("change");
        QTest::newRow("wrong password") << u"password"_s;
        QTest::newRow("no server there") << u"port"_s;
    }
    void refusedConnectionsAreDescribed()
    {
        QFETCH(QString, change);
        hostkit::BrokerConfig config = m_db->config();
        hostkit::EntitySettings &personal = config.entities[kPersonal];
        const QString secret = u"no-es-la-clave-9f3"_s;
        if (change == u"password")
            personal.password = secret;
        else
            personal.port = 1;
        hostkit::RecordBroker broker;
        broker.useConfig(config);
        const auto error = errorOf([&] { broker.LoadParameters(); });
        QVERIFY(error);
        QCOMPARE(error->number(), hostkit::brokererr::kOpen);
        QVERIFY2(error->description().startsWith(
                     u"No se pudo conectar con la base de datos \"%1\" del servidor \"%2\""_s.arg(personal.database,
                                                                                                  personal.host)),
                 qPrintable(error->description()));
        QVERIFY(!error->description().contains(secret));
        QVERIFY(!error->description().contains(personal.password) || personal.password.isEmpty());
    }

    // A connection the server closed (a restart, a network cut) costs a query
    // nothing: it runs again on a new one. A change finds it closed before it
    // is sent, and goes once, on a new one.
    void droppedConnectionsAreReplaced()
    {
        IDataConnection *c = m_broker->getDataConnectionByEntity(kPersonal);
        const QString database = m_db->personalPath().section(u':', 1);
        const QString dropAll = u"select count(pg_terminate_backend(pid)) from pg_stat_activity "
                                "where datname = '%1' and pid <> pg_backend_pid()"_s.arg(database);
        QVERIFY(TempDatabase::scalar(m_db->personalPath(), dropAll).toInt() > 0);
        c->setSql(u"select count(*) from JRD"_s);
        std::unique_ptr<IRecordset> rs;
        QVERIFY(c->CrearRs(rs));
        QCOMPARE(rs->value(0).toInt(), 24);
        rs.reset();

        QVERIFY(TempDatabase::scalar(m_db->personalPath(), dropAll).toInt() > 0);
        c->setSql(u"insert into clientes (cuit, nombre) values ('1', 'Uno')"_s);
        QCOMPARE(c->Ejecutar(), 1);
        QCOMPARE(TempDatabase::scalar(m_db->personalPath(), u"select count(*) from clientes"_s).toInt(), 1);
    }

    // The tables are created on an empty database, all at once, and never over existing ones.
    void initServerCreatesTheTablesOnce()
    {
        const test::ServerDatabase empty(true);
        const hostkit::EntitySettings settings = empty.config().entity(kPersonal);
        hostkit::initServerDatabase(settings);
        QCOMPARE(TempDatabase::scalar(empty.customerPath(), u"select count(*) from JRD"_s).toInt(), 24);
        QCOMPARE(TempDatabase::scalar(empty.accountingPath(), u"select count(*) from AGENTES"_s).toInt(), 0);
        QCOMPARE(TempDatabase::scalar(empty.customerPath(), u"select nombre from clientes"_s), QVariant());

        const auto again = errorOf([&] { hostkit::initServerDatabase(settings); });
        QVERIFY(again);
        QVERIFY2(again->description().contains(u"ya tiene la tabla clientes, el índice clientes_nombre"_s),
                 qPrintable(again->description()));
        hostkit::EntitySettings sqlite = settings;
        sqlite.driver = u"SQLite"_s;
        QVERIFY(errorOf([&] { hostkit::initServerDatabase(sqlite); }));
    }

    // What would keep the tables from being created is found before anything
    // changes and said with what to do; a statement the server refuses midway
    // is named. In every case the database is left as it was.
    void initServerRefusalsLeaveNothing_data()
    {
        QTest::addColumn<QString>("setup");    // run in the database first; %1 its name, %2 the role
        QTest::addColumn<bool>("ascii");       // a database made in SQL_ASCII instead
        QTest::addColumn<QStringList>("says"); // %1 the database, %2 the role
        QTest::newRow("role may not create in public nor make the accounting schema")
            << u"revoke create on schema public from pg_database_owner; revoke create on database %1 from %2"_s << false
            << QStringList{u"GRANT CREATE ON SCHEMA public TO %2"_s, u"GRANT CREATE ON DATABASE %1 TO %2"_s,
                           u"No se cambió nada."_s};
        QTest::newRow("no schema of the search path exists")
            << u"alter database %1 set search_path = nada"_s << false
            << QStringList{u"search_path del rol (nada)"_s, u"No se cambió nada."_s};
        QTest::newRow("SQL_ASCII database")
            << QString() << true << QStringList{u"codificación SQL_ASCII"_s, u"ENCODING 'UTF8'"_s};
        QTest::newRow("jurisdictions already there, customers not")
            << u"create table JRD (x int)"_s << false
            << QStringList{u"ya tiene la tabla JRD, y las tablas se crean solo donde no existen"_s,
                           u"No se cambió nada."_s};

        // An accounting table made by the other system in another shape: the
        // schema's index on it is refused by the server itself.
        QFile schema(u":/felcora/sql/postgres/schema.sql"_s);
        QVERIFY(schema.open(QIODevice::ReadOnly));
        const QStringList lines = QString::fromUtf8(schema.readAll()).split(u'\n');
        const qsizetype index = lines.indexOf(QRegularExpression(u"CREATE INDEX .*AGENTES_GENERADORID.*"_s));
        QVERIFY(index > 0);
        const qsizetype statement = lines.mid(0, index + 1).filter(QRegularExpression(u"^CREATE "_s)).size();
        QTest::newRow("accounting table of another shape: refused midway")
            << u"create schema quenmarcontable; create table quenmarcontable.AGENTES (ID_AGENTE integer)"_s << false
            << QStringList{u"falló la sentencia %3 (schema.sql, línea %4: CREATE INDEX IF NOT EXISTS "
                           "AGENTES_GENERADORID ON quenmarcontable.AGENTES ...). El servidor de base de datos "
                           "rechazó la sentencia ("_s.arg(statement)
                               .arg(index + 1),
                           u"generadorid"_s, u"No se creó nada."_s};
    }
    void initServerRefusalsLeaveNothing()
    {
        QFETCH(QString, setup);
        QFETCH(bool, ascii);
        QFETCH(QStringList, says);
        const test::ServerDatabase empty(true);
        QString database = empty.name();
        if (ascii) {
            database += u"_ascii"_s;
            test::ServerDatabase::exec(empty.customerPath(),
                                       u"create database %1 encoding 'SQL_ASCII' locale_provider libc lc_collate 'C' "
                                       "lc_ctype 'C' template template0"_s.arg(database));
        }
        const auto drop = qScopeGuard([&] {
            if (ascii)
                test::ServerDatabase::exec(empty.customerPath(), u"drop database %1 with (force)"_s.arg(database));
        });
        const hostkit::EntitySettings settings = test::ServerDatabase::configFor(database).entity(kPersonal);
        const QString path = u"postgres:"_s + database;
        const auto filled
            = [&](QString text) { return text.replace(u"%1"_s, database).replace(u"%2"_s, settings.user); };
        if (!setup.isEmpty())
            test::ServerDatabase::exec(path, filled(setup));
        // The tables, indexes, schemas and collations outside the server's own.
        const QString objects = u"select coalesce((select string_agg(n.nspname || '.' || c.relname, ' ' order by 1) "
                                "from pg_class c join pg_namespace n on n.oid = c.relnamespace "
                                "where n.nspname !~ '^pg_|^information_schema$'), '') "
                                "|| ' / ' || (select string_agg(nspname, ' ' order by 1) from pg_namespace) "
                                "|| ' / ' || (select count(*) from pg_collation where collname = 'es_ar')"_s;
        const QVariant before = test::ServerDatabase::scalar(path, objects);

        const auto error = errorOf([&] { hostkit::initServerDatabase(settings); });
        QVERIFY(error);
        const QString text = error->description();
        const QString head = u"No se crearon las tablas en la base de datos \"%1\" del servidor \""_s.arg(database);
        QVERIFY2(text.startsWith(head), qPrintable(text));
        for (const QString &part : says)
            QVERIFY2(text.contains(filled(part)), qPrintable(part + u" | "_s + text));
        QCOMPARE(test::ServerDatabase::scalar(path, objects), before);
    }

    // Demo data on the server: as many customers as asked each time, with
    // their lines, and agents pending in the accounting tables.
    void demoDataOnTheServer()
    {
        const test::ServerDatabase empty(true);
        const hostkit::EntitySettings settings = empty.config().entity(kPersonal);
        hostkit::initServerDatabase(settings);
        hostkit::DemoOptions options;
        options.customers = 300;
        QCOMPARE(hostkit::writeServerDemoData(settings, options), 300);
        options.customers = 100;
        QCOMPARE(hostkit::writeServerDemoData(settings, options), 100);
        QCOMPARE(TempDatabase::scalar(empty.customerPath(), u"select count(*) from clientes"_s).toInt(), 400);
        QVERIFY(TempDatabase::scalar(empty.customerPath(), u"select count(*) from DIB"_s).toInt() > 0);
        QVERIFY(TempDatabase::scalar(empty.customerPath(),
                                     u"select count(*) from DIB where CLICUI not in (select cuit from clientes)"_s)
                    .toInt()
                == 0);
        QVERIFY(TempDatabase::scalar(empty.accountingPath(), u"select count(*) from AGENTES"_s).toInt() > 0);
    }

private:
    void literalsRowsAndTransactionsSteps()
    {
        // A server that reads backslashes as escapes by default: the data access turns that off.
        const QString database = m_db->personalPath().section(u':', 1);
        TempDatabase::exec(m_db->personalPath(),
                           u"alter database %1 set standard_conforming_strings = off"_s.arg(database));
        m_broker = m_db->makeBroker();
        IDataConnection *c = m_broker->getDataConnectionByEntity(kPersonal);
        c->setSql(u"insert into clientes (cuit, nombre) values ('1', 'a\\''b'), ('2', 'Ñandú')"_s);
        QCOMPARE(c->Ejecutar(), 2);
        QCOMPARE(
            TempDatabase::scalar(m_db->personalPath(), u"select nombre from clientes where cuit = '1'"_s).toString(),
            u"a\\'b"_s);
        c->setSql(u"insert into clientes (cuit, nombre) values ('1', 'otra vez')"_s);
        const auto duplicate = errorOf([&] { c->Ejecutar(); });
        QVERIFY(duplicate && duplicate->number() == errnum::kDuplicateKey);
        c->setSql(u"delete from clientes where cuit in ('1', '2', '3')"_s);
        QCOMPARE(c->Ejecutar(), 2);

        auto *transactions = qobject_cast<ITransactions *>(m_broker.get());
        QVERIFY(transactions);
        transactions->BeginTrans(kPersonal);
        c->setSql(u"insert into clientes (cuit, nombre) values ('9', 'Nueve')"_s);
        QCOMPARE(c->Ejecutar(), 1);
        c->setSql(u"select nombre from clientes where cuit = '9'"_s);
        std::unique_ptr<IRecordset> rs;
        QVERIFY(c->CrearRs(rs)); // the transaction sees its own row
        transactions->RollbackTrans(kPersonal);
        QVERIFY(TempDatabase::scalar(m_db->personalPath(), u"select count(*) from clientes"_s).toInt() == 0);
    }

    std::unique_ptr<TempDatabase> m_db;
    std::unique_ptr<hostkit::RecordBroker> m_broker;
};

QTEST_MAIN(TestServerSession)
#include "tst_serversession.moc"
