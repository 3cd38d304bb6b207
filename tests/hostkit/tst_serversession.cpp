// The data access on a PostgreSQL server, where it differs from SQLite: a
// result read while other statements run, literals the server must take as
// written, the rows a change reports, transactions, the messages of a server that refuses
// the connection, and the tables and demo data it creates on an empty
// database. Runs only on the test server.

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
        for (; !rs->Eof(); rs->MoveNext()) {
            QVERIFY(rs->Fields(u"NOMBRE"_s).toString().startsWith(u"Cliente "_s));
            c->setSql(u"update clientes set email = 'x' where cuit = '%1'"_s.arg(rs->Fields(u"Cuit"_s).toString()));
            QCOMPARE(c->Ejecutar(), 1);
        }
        QCOMPARE(
            TempDatabase::scalar(m_db->personalPath(), u"select count(*) from clientes where email = 'x'"_s).toInt(),
            kCustomers);
    }

    // Text is stored as written, a backslash before an apostrophe included,
    // even where the server reads backslashes as escapes by default; changes
    // report their rows, and a second row with the same key its own number.
    void literalsAndRowsAsWritten()
    {
        const QString database = m_db->personalPath().section(u':', 1);
        TempDatabase::exec(m_db->personalPath(),
                           u"alter database %1 set standard_conforming_strings = off"_s.arg(database));
        m_broker = m_db->makeBroker();
        IDataConnection *c = m_broker->getDataConnectionByEntity(kPersonal);
        const auto run = [&](const QString &sql) {
            c->setSql(sql);
            qint64 rows = -1;
            const auto error = errorOf([&] { rows = c->Ejecutar(); });
            return error ? error->number() : rows;
        };
        QCOMPARE(run(u"insert into clientes (cuit, nombre) values ('1', 'a\\''b'), ('2', 'Ñandú')"_s), 2);
        QCOMPARE(
            TempDatabase::scalar(m_db->personalPath(), u"select nombre from clientes where cuit = '1'"_s).toString(),
            u"a\\'b"_s);
        QCOMPARE(run(u"insert into clientes (cuit, nombre) values ('1', 'otra vez')"_s), errnum::kDuplicateKey);
        QCOMPARE(run(u"delete from clientes where cuit in ('1', '2', '3')"_s), 2);

        // A transaction sees its own rows; undone, it leaves nothing.
        auto *transactions = qobject_cast<ITransactions *>(m_broker.get());
        QVERIFY(transactions);
        transactions->BeginTrans(kPersonal);
        QCOMPARE(run(u"insert into clientes (cuit, nombre) values ('9', 'Nueve')"_s), 1);
        c->setSql(u"select nombre from clientes where cuit = '9'"_s);
        std::unique_ptr<IRecordset> rs;
        QVERIFY(c->CrearRs(rs));
        transactions->RollbackTrans(kPersonal);
        QCOMPARE(TempDatabase::scalar(m_db->personalPath(), u"select count(*) from clientes"_s).toInt(), 0);
    }

    // A server that refuses the user, or cannot be reached, is described in
    // Spanish with the database and server it concerns; the password never shows.
    void refusedConnectionsAreDescribed()
    {
        const QString secret = u"no-es-la-clave-9f3"_s;
        for (const bool wrongPassword : {true, false}) {
            hostkit::BrokerConfig config = m_db->config();
            hostkit::EntitySettings &personal = config.entities[kPersonal];
            if (wrongPassword)
                personal.password = secret;
            else
                personal.port = 1;
            hostkit::RecordBroker broker;
            broker.useConfig(config);
            const auto error = errorOf([&] { broker.LoadParameters(); });
            QVERIFY(error);
            QCOMPARE(error->number(), hostkit::brokererr::kOpen);
            const QString text = error->description();
            QVERIFY2(text.startsWith(u"No se pudo conectar con la base de datos \"%1\" del servidor \"%2\""_s.arg(
                         personal.database, personal.host)),
                     qPrintable(text));
            QVERIFY2(personal.password.isEmpty() || !text.contains(personal.password), qPrintable(text));
        }
    }

    // The tables are created on an empty database with their first rows; demo
    // data then adds as many customers as asked each time, with their lines,
    // and agents pending in the accounting tables.
    void initServerThenDemoData()
    {
        const test::ServerDatabase empty(true);
        const hostkit::EntitySettings settings = empty.config().entity(kPersonal);
        const auto count = [&](const QString &path, const QString &sql) {
            return TempDatabase::scalar(path, u"select count(*) from "_s + sql).toInt();
        };
        hostkit::initServerDatabase(settings);
        QCOMPARE(count(empty.customerPath(), u"JRD"_s), 24);
        QCOMPARE(count(empty.customerPath(), u"clientes"_s) + count(empty.accountingPath(), u"AGENTES"_s), 0);
        hostkit::DemoOptions options;
        for (const int customers : {300, 100}) {
            options.customers = customers;
            QCOMPARE(hostkit::writeServerDemoData(settings, options), customers);
        }
        QCOMPARE(count(empty.customerPath(), u"clientes"_s), 400);
        QVERIFY(count(empty.customerPath(), u"DIB"_s) > 0);
        QCOMPARE(count(empty.customerPath(), u"DIB where CLICUI not in (select cuit from clientes)"_s), 0);
        QVERIFY(count(empty.accountingPath(), u"AGENTES"_s) > 0);
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

private:
    std::unique_ptr<TempDatabase> m_db;
    std::unique_ptr<hostkit::RecordBroker> m_broker;
};

QTEST_MAIN(TestServerSession)
#include "tst_serversession.moc"
