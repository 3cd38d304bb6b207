// The default data access on real SQLite files.

#include <QDate>
#include <QDir>
#include <QFile>
#include <QLocale>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QtTest>
#include <atomic>
#include <optional>
#include <sqlite3.h>
#include <sys/stat.h>
#include <thread>

#include "broker/brokererrors.h"
#include "broker/sqldialect.h"
#include "broker/sqliteerrors.h"
#include "broker/sqlscript.h"
#include "core/componentstate.h"
#include "core/numberliterals.h"
#include "core/sqltext.h"
#include "felcora/error.h"
#include "felcora/hostkit/recordbroker.h"
#include "molde/molde.h"
#include "support/errors.h"
#include "support/tempdatabase.h"

using namespace felcora;
using namespace Qt::StringLiterals;
using felcora::test::errorDescription;
using felcora::test::errorOf;
using felcora::test::TempDatabase;

namespace {

const QString kPersonal = u"PERSONAL"_s;

// A file with these bytes and this mode.
bool writeFile(const QString &path, const QByteArray &content, mode_t mode)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(content) == content.size() && file.flush()
        && ::chmod(QFile::encodeName(path).constData(), mode) == 0;
}

int customerCount(const TempDatabase &db)
{
    return TempDatabase::scalar(db.personalPath(), u"select count(*) from clientes"_s).toInt();
}

// Every column the component reads or writes, table by table.
const char *const kEveryColumn[] = {
    "select cuit, nombre, domicilio, localidad, codpost, email, telefonos, finitactiv, cvdi, condiva, condivafact,"
    " ivaexento, eximgan, eximganvalor, eximganvalortemp, ivaareduccion, ivaareduccionvalor, ivaareduccionvalortemp,"
    " ExcepLAPIAEC, AjxVinc_4102, contacto, ingbru, LUGARDEPMERC, regalias, honorario, CIB, CML, NIN from clientes",
    "select CLICUI, JRDNRO, DIBVALOR, DIBEXENTO from DIB",
    "select IdVentaja, IdSubRegimen, NCM, cuit from VentajasRel",
    "select ID_AGENTE, Documento_Numero, NOMBRE, DIRECCION, CODIGO_POSTAL, CIUDAD, GENERADORID"
    " from QUENMARCONTABLE..AGENTES",
    "select ID_AGENTE, ID_ROL from QUENMARCONTABLE..ROLES_AUTORIZADOS",
};

} // namespace

// Every test starts on fresh embedded databases and a broker on them.
class TestBroker : public QObject
{
    Q_OBJECT

    std::unique_ptr<TempDatabase> m_db;
    std::unique_ptr<hostkit::RecordBroker> m_broker;

    // A statement on the customer database through the broker: rows changed.
    qint64 run(const QString &sql)
    {
        IDataConnection *c = m_broker->getDataConnectionByEntity(kPersonal);
        c->setSql(sql);
        return c->Ejecutar();
    }
    // A query on the customer database through the broker; hadRows is what CrearRs answered.
    std::unique_ptr<IRecordset> query(const QString &sql, bool *hadRows = nullptr)
    {
        IDataConnection *c = m_broker->getDataConnectionByEntity(kPersonal);
        c->setSql(sql);
        std::unique_ptr<IRecordset> rs;
        const bool rows = c->CrearRs(rs);
        if (hadRows)
            *hadRows = rows;
        return rs;
    }
    // The first column of the first row of a query.
    QVariant first(const QString &sql) { return query(sql)->value(0); }

private slots:
    void init()
    {
        m_broker.reset(); // closes its connections before the files go
        m_db = std::make_unique<TempDatabase>();
        m_broker = m_db->makeBroker();
    }

    void embeddedDefaultIsCreatedWithSchemaAndJurisdictions()
    {
        constexpr int kJurisdictions = 24;
        const auto jrd = [&](const char *sql) { return TempDatabase::scalar(m_db->systemPath(), QLatin1String(sql)); };
        QCOMPARE(jrd("select count(*) from JRD").toInt(), kJurisdictions);
        QCOMPARE(jrd("select JRDPRV from JRD where JRDNRO = '924'").toString(), u"Tucumán"_s);
        for (const char *sql : kEveryColumn)
            QVERIFY2(query(QLatin1String(sql))->Eof(), sql);

        // A second broker on existing files keeps their data.
        run(u"insert into clientes (cuit, nombre) values ('20000000001', 'Uno')"_s);
        m_broker = m_db->makeBroker();
        QVERIFY(!query(u"select * from clientes"_s)->Eof());
    }

    void defaultFolderIsTheUsersOwn()
    {
        // Whatever the umask, what the broker creates is readable by the user alone.
        const mode_t savedMask = umask(0);
        QTemporaryDir home;
        const QByteArray savedData = qgetenv("XDG_DATA_HOME");
        const QByteArray savedConfig = qgetenv("RECORDBROKER_CONFIG");
        const auto restore = qScopeGuard([&] {
            umask(savedMask);
            qputenv("XDG_DATA_HOME", savedData);
            qputenv("RECORDBROKER_CONFIG", savedConfig);
        });
        // No file named and none of the user's: the embedded default, in a data folder that does not exist yet.
        const test::UserSettingsSandbox noUserFile;
        qunsetenv("RECORDBROKER_CONFIG");
        qputenv("XDG_DATA_HOME", QFile::encodeName(home.filePath(u"data"_s)));
        hostkit::RecordBroker broker;
        broker.LoadParameters();

        const auto mode = [](const QString &path) {
            struct stat info = {};
            return ::stat(QFile::encodeName(path).constData(), &info) == 0 ? info.st_mode & 0777 : 0;
        };
        for (const char *folder : {"data", "data/TARVIS", "data/TARVIS/RecordBroker"})
            QCOMPARE(mode(home.filePath(QLatin1String(folder))), 0700u);
        const QString folder = home.filePath(u"data/TARVIS/RecordBroker/"_s);
        for (const char *file : {"personal.db", "contable.db", "systablas.db"})
            QCOMPARE(mode(folder + QLatin1String(file)), 0600u);

        // SQLite's rollback journal, written while a change is under way, takes the database's mode.
        sqlite3 *other = nullptr;
        sqlite3_open(QFile::encodeName(folder + u"personal.db"_s).constData(), &other);
        const auto close = qScopeGuard([&] { sqlite3_close(other); });
        QCOMPARE(sqlite3_exec(other, "BEGIN; insert into clientes (cuit) values ('1')", nullptr, nullptr, nullptr),
                 SQLITE_OK);
        QCOMPARE(mode(folder + u"personal.db-journal"_s), 0600u);
        sqlite3_exec(other, "ROLLBACK", nullptr, nullptr, nullptr);
    }

    void onlyADatabaseCreatedNowIsNew()
    {
        QTemporaryDir dir;
        const auto created = [](const hostkit::BrokerConfig &config) {
            hostkit::RecordBroker broker;
            broker.useConfig(config);
            broker.LoadParameters();
            return broker.createdDatabase(kPersonal);
        };
        const hostkit::BrokerConfig embedded = hostkit::BrokerConfig::embedded(dir.path());
        QVERIFY(created(embedded));
        QVERIFY(!created(embedded));
        const QString personal = embedded.entity(kPersonal).database;
        TempDatabase::exec(personal, u"insert into clientes (cuit) values ('1'); delete from clientes"_s);
        QVERIFY(!created(embedded));

        // A configured database is never created, even an empty one.
        QFile empty(dir.filePath(u"office.db"_s));
        QVERIFY(empty.open(QIODevice::WriteOnly));
        empty.close();
        hostkit::BrokerConfig configured;
        configured.entities[kPersonal].database = empty.fileName();
        QVERIFY(!created(configured));
    }

    void firstStartsAtOnceBothSucceed()
    {
        // Two programs on their first start: one creates the databases, the other waits and finds them.
        constexpr int kRounds = 8;
        constexpr int kJurisdictions = 24;
        for (int round = 0; round < kRounds; ++round) {
            QTemporaryDir dir;
            const hostkit::BrokerConfig config = hostkit::BrokerConfig::embedded(dir.path());
            std::atomic<int> ready{0};
            std::optional<Error> errors[2];
            bool created[2] = {};
            const auto start = [&](int k) {
                ++ready;
                while (ready < 2)
                    std::this_thread::yield();
                errors[k] = errorOf([&] {
                    hostkit::RecordBroker broker;
                    broker.useConfig(config);
                    broker.LoadParameters();
                    created[k] = broker.createdDatabase(kPersonal);
                });
            };
            std::thread first(start, 0);
            std::thread second(start, 1);
            first.join();
            second.join();
            for (const auto &error : errors)
                QVERIFY2(!error, qPrintable(error ? error->description() : QString()));
            QCOMPARE(int(created[0]) + int(created[1]), 1);
            QCOMPARE(
                TempDatabase::scalar(config.entity(u"SYSTABLAS"_s).database, u"select count(*) from JRD"_s).toInt(),
                kJurisdictions);
        }
    }

    void configurationFileIsReadOrRefused_data()
    {
        QTest::addColumn<QByteArray>("content");  // null: no file; "/": a folder
        QTest::addColumn<QStringList>("refusal"); // what the error says; empty: read
        QTest::newRow("missing") << QByteArray() << QStringList{u"No existe el archivo de configuración"_s};
        QTest::newRow("folder") << QByteArray("/") << QStringList{u"No se puede leer el archivo"_s};
        QTest::newRow("a database") << QByteArray("SQLite format 3") + QByteArray(8, '\0')
                                    << QStringList{u"no es un archivo INI"_s};
        QTest::newRow("plain text") << QByteArray("[PERSONAL]\nDatabase=/x.db\nsome notes\n")
                                    << QStringList{u"no es un archivo INI"_s, u"línea 3"_s};
        QTest::newRow("server without Database") << QByteArray("[Personal]\nDriver=QPSQL\nHost=srv\n")
                                                 << QStringList{u"Falta la clave Database en el grupo [Personal]"_s};
        QTest::newRow("SQLite without Database") << QByteArray("[SYSTABLAS]\nDriver=SQLite\nDatabase=\n")
                                                 << QStringList{u"Falta la clave Database en el grupo [SYSTABLAS]"_s};
        QTest::newRow("any case") << QByteArray("; office\n[personal]\ndriver=sqlite\nDATABASE=/srv/p.db\n"
                                                "accounting = \"/srv/c.db\"\ndecimalseparator=,\n")
                                  << QStringList();
    }
    void configurationFileIsReadOrRefused()
    {
        QFETCH(QByteArray, content);
        QFETCH(QStringList, refusal);
        QTemporaryDir dir;
        const QString path = dir.filePath(u"RecordBroker.ini"_s);
        if (content == "/") {
            QVERIFY(QDir(dir.path()).mkdir(u"RecordBroker.ini"_s));
        } else if (!content.isNull()) {
            QFile file(path);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(content);
        }
        // Named through the environment, as a host names it: never the embedded default instead.
        const QByteArray saved = qgetenv("RECORDBROKER_CONFIG");
        const auto restore = qScopeGuard([&] { qputenv("RECORDBROKER_CONFIG", saved); });
        qputenv("RECORDBROKER_CONFIG", QFile::encodeName(path));
        hostkit::BrokerConfig config;
        const auto error = errorOf([&] { config = hostkit::BrokerConfig::load(); });
        if (refusal.isEmpty()) {
            QVERIFY2(!error, qPrintable(error ? error->description() : QString()));
            const hostkit::EntitySettings personal = config.entity(kPersonal);
            QVERIFY(personal.isSqlite());
            QCOMPARE(personal.database, u"/srv/p.db"_s);
            QCOMPARE(personal.accounting, u"/srv/c.db"_s);
            QCOMPARE(personal.decimalSeparator, u","_s);
            return;
        }
        QVERIFY(error);
        QCOMPARE(error->number(), hostkit::brokererr::kOpen);
        for (const QString &part : refusal + QStringList(path))
            QVERIFY2(error->description().contains(part), qPrintable(error->description()));
    }

    // A server PERSONAL with these keys; %D stands for the test's folder, which
    // holds the password file "clave" and the certificates "a;b.crt" and "o'k\root.crt".
    void officeSettingsAreCheckedBeforeConnecting_data()
    {
        QTest::addColumn<QByteArray>("keys");
        QTest::addColumn<int>("mode");         // of the INI and the password file
        QTest::addColumn<QByteArray>("clave"); // null: no password file
        QTest::addColumn<QString>("outcome");  // "password|connect options", or what the error says
        const QByteArray file = "PasswordFile=%D/clave\n", sys = "[SYSTABLAS]\nDatabase=felcora\n";
        QTest::newRow("as written") << file + "SslMode=Prefer\n" + sys << 0600 << QByteArray(" a b \r\nc\n")
                                    << u" a b |sslmode=prefer"_s;
        QTest::newRow("password file 0644")
            << file + sys << 0644 << QByteArray("x\n")
            << u"El archivo de contraseña \"%D/clave\" puede ser leído por otros usuarios (permisos 0644): déjelo"
               " solo para su dueño con chmod 600 \"%D/clave\""_s;
        QTest::newRow("password file 0640") << file + sys << 0640 << QByteArray("x\n") << u"(permisos 0640)"_s;
        QTest::newRow("empty first line") << file + sys << 0600 << QByteArray("\nx\n")
                                          << u"La primera línea del archivo de contraseña \"%D/clave\" está vacía"_s;
        QTest::newRow("Password in an INI at 0644")
            << "Password=x\n" + sys << 0644 << QByteArray()
            << u"El archivo de configuración \"%D/RecordBroker.ini\" tiene la contraseña del grupo [Personal] y"
               " puede ser leído por otros usuarios (permisos 0644)"_s;
        QTest::newRow("Password in an INI at 0600, socket without SSL")
            << "Password=x\nHost=/run/postgresql\nSslMode=disable\n" + sys << 0600 << QByteArray()
            << u"x|sslmode=disable"_s;
        QTest::newRow("no SYSTABLAS") << QByteArray() << 0600 << QByteArray()
                                      << u"El grupo [Personal] del archivo de configuración \"%D/RecordBroker.ini\""
                                         " usa un servidor (Driver=QPSQL), pero falta el grupo [SYSTABLAS]"_s;
        QTest::newRow("socket with require") << "Host=/run/postgresql\nSslMode=require\n" + sys << 0600 << QByteArray()
                                             << u"pero su Host=/run/postgresql es una carpeta de socket"_s;
        QTest::newRow("unknown SslMode") << "sslmode=requiere\n" + sys << 0600 << QByteArray()
                                         << u"vale \"requiere\": debe ser disable, allow, prefer, require,"_s;
        QTest::newRow("missing root certificate") << "SslRootCert=%D/none.crt\n" + sys << 0600 << QByteArray()
                                                  << u"No existe el certificado raíz \"%D/none.crt\""_s;
        QTest::newRow("';' in a path") << "SslRootCert=%D/a;b.crt\n" + sys << 0600 << QByteArray()
                                       << u"\"%D/a;b.crt\" de la clave SslRootCert del grupo [Personal]"_s;
        QTest::newRow("root certificate quoted") << "Password=x\nSslMode=VERIFY-FULL\nSslRootCert=%D/o'k\\root.crt\n"
                + sys << 0600 << QByteArray() << u"x|sslmode=verify-full;sslrootcert='%D/o\\'k\\\\root.crt'"_s;
    }
    void officeSettingsAreCheckedBeforeConnecting()
    {
        QFETCH(QByteArray, keys);
        QFETCH(int, mode);
        QFETCH(QByteArray, clave);
        QFETCH(QString, outcome);
        QTemporaryDir dir;
        for (const char *certificate : {"a;b.crt", "o'k\\root.crt"})
            QVERIFY(writeFile(dir.filePath(QLatin1String(certificate)), "-----BEGIN CERTIFICATE-----\n", 0644));
        QVERIFY(clave.isNull() || writeFile(dir.filePath(u"clave"_s), clave, mode_t(mode)));
        const QString ini = dir.filePath(u"RecordBroker.ini"_s);
        keys.prepend("[Personal]\nDriver=QPSQL\nHost=srv\nDatabase=felcora\n");
        QVERIFY(writeFile(ini, keys.replace("%D", QFile::encodeName(dir.path())), mode_t(mode)));
        outcome.replace(u"%D"_s, dir.path());
        QString result;
        const auto error = errorOf([&] {
            const hostkit::BrokerConfig config = hostkit::BrokerConfig::load(ini);
            const hostkit::EntitySettings personal = config.entity(kPersonal);
            // An office's INTERNOS is its server's, never a database made up on this machine.
            QVERIFY(config.entity(u"INTERNOS"_s) == personal);
            result = personal.serverPassword() + u'|' + personal.serverConnectOptions();
        });
        if (!error) {
            QCOMPARE(result, outcome);
            return;
        }
        QCOMPARE(error->number(), hostkit::brokererr::kOpen);
        QVERIFY2(error->description().contains(outcome), qPrintable(error->description()));
    }

    void queriesAndChangesReportWhatHappened()
    {
        bool rows = true;
        auto rs = query(u"select * from clientes"_s, &rows);
        QVERIFY(!rows);
        QVERIFY(rs->Eof());

        QCOMPARE(run(u"insert into clientes (cuit, nombre) values ('20000000001', 'B'), ('20000000002', 'a')"_s), 2);
        rs = query(u"select nombre from clientes order by nombre"_s, &rows);
        QVERIFY(rows);
        QStringList names;
        for (; !rs->Eof(); rs->MoveNext())
            names << rs->Fields(u"nombre"_s).toString();
        QCOMPARE(names, QStringList({u"a"_s, u"B"_s})); // case-insensitive order
        QVERIFY_THROWS_EXCEPTION(Error, rs->MoveNext());
        QVERIFY_THROWS_EXCEPTION(Error, rs->Fields(u"nombre"_s));

        // A statement that reads changes nothing, whatever the previous statement changed.
        QCOMPARE(run(u"update clientes set domicilio = 'x'"_s), 2);
        QCOMPARE(run(u"select * from clientes"_s), 0);
        QCOMPARE(run(u"delete from clientes where cuit = 'none'"_s), 0);
        QCOMPARE(run(u"delete from clientes where cuit = '20000000002'"_s), 1);

        // A second row with the same key has a number of its own, which callers
        // tell apart from any other refusal.
        const auto duplicate = errorOf([&] { run(u"insert into clientes (cuit) values ('20000000001')"_s); });
        QVERIFY(duplicate && duplicate->number() == errnum::kDuplicateKey);
        const auto missing = errorOf([&] { run(u"insert into clientes (nombre) values ('sin CUIT')"_s); });
        QVERIFY(missing && missing->number() == hostkit::brokererr::kDatabase);
    }

    void sameConnectionPerEntityKeepsSql()
    {
        IDataConnection *first = m_broker->getDataConnectionByEntity(kPersonal);
        first->setSql(u"select * from clientes"_s);
        QCOMPARE(m_broker->getDataConnectionByEntity(u"personal"_s), first);
        QCOMPARE(first->Sql(), u"select * from clientes"_s);
        QVERIFY(m_broker->getDataConnectionByEntity(u"SYSTABLAS"_s) != first);
        QVERIFY(m_broker->getDataConnectionByEntity(u"INTERNOS"_s) != first);
        QVERIFY_THROWS_EXCEPTION(Error, m_broker->getDataConnectionByEntity(u"OTRA"_s));
    }

    void fieldsByCaseInsensitiveNameAndTypes()
    {
        run(u"insert into clientes (cuit, nombre, regalias, AjxVinc_4102, finitactiv, email) "
            "values ('20000000001', 'Núñez', 12.5, 3, '1999-12-31', NULL)"_s);
        auto rs = query(u"select * from clientes"_s);
        QCOMPARE(rs->Fields(u"NOMBRE"_s).toString(), u"Núñez"_s);
        QCOMPARE(rs->Fields(u"Regalias"_s).toDouble(), 12.5);
        QCOMPARE(rs->Fields(u"ajxvinc_4102"_s).toInt(), 3);
        QCOMPARE(rs->Fields(u"FInitActiv"_s).toDate(), QDate(1999, 12, 31));
        QVERIFY(rs->Fields(u"email"_s).isNull());
        QVERIFY_THROWS_EXCEPTION(Error, rs->Fields(u"no_such_column"_s));
        QCOMPARE(QString::fromUtf8(rs->textUtf8(rs->fieldIndex(u"nombre"_s))), u"Núñez"_s);
        QVERIFY(rs->textUtf8(rs->fieldIndex(u"email"_s)).isEmpty());
    }

    // A column another workstation dropped after this connection last read
    // the table is not read by its old name: every value stays under its own.
    void columnsAsAnotherConnectionLeftThem()
    {
        run(u"insert into clientes (cuit, domicilio, localidad) values ('20000000001', 'Alsina 20', 'Tandil')"_s);
        QCOMPARE(query(u"select * from clientes"_s)->Fields(u"NIN"_s), QVariant());
        TempDatabase::exec(m_db->personalPath(), u"alter table clientes drop column domicilio"_s);
        auto rs = query(u"select * from clientes"_s);
        QCOMPARE(rs->fieldIndex(u"domicilio"_s), -1);
        QCOMPARE(rs->Fields(u"localidad"_s).toString(), u"Tandil"_s);
    }

    void accountingTablesThroughThreePartNames()
    {
        TempDatabase::exec(m_db->accountingPath(),
                           u"insert into AGENTES values (1, '30000000001', 'Estudio', NULL, NULL, NULL, NULL),"
                           " (2, '30711111113', 'Pendiente SA', 'Calle 1', '1000', 'CABA', 1),"
                           " (3, '20000000001', 'Ya cliente', NULL, NULL, NULL, 1);"
                           "insert into ROLES_AUTORIZADOS values (1, 2);"_s);
        run(u"insert into clientes (cuit, nombre) values ('20000000001', 'Ya cliente')"_s);
        auto rs
            = query(u"select Documento_Numero FROM QUENMARCONTABLE..AGENTES "
                    "WHERE GENERADORID IN (SELECT ID_AGENTE FROM QUENMARCONTABLE..ROLES_AUTORIZADOS WHERE ID_ROL=2) "
                    "AND DOCUMENTO_NUMERO NOT IN (SELECT CUIT FROM CLIENTES) "_s);
        QCOMPARE(rs->Fields(u"documento_numero"_s).toString(), u"30711111113"_s);
        rs->MoveNext();
        QVERIFY(rs->Eof());

        // Inside a literal the same text is data, not a name.
        const QString name = u"QUENMARCONTABLE..AGENTES"_s;
        run(u"insert into clientes (cuit, nombre) values ('20000000002', %1)"_s.arg(sqlText(name)));
        QCOMPARE(first(u"select nombre from clientes where cuit = '20000000002'"_s).toString(), name);
    }

    // What each driver's dialect writes: the date literal and the number format
    // a configured entity answers (both call forms), and a statement with a
    // three-part name and a literal that must stay as it is, but for its prefix.
    void dialects_data()
    {
        QTest::addColumn<QString>("driver");
        QTest::addColumn<QString>("date");
        QTest::addColumn<QString>("number");
        QTest::addColumn<QString>("statement");
        QTest::newRow("SQLite")
            << u"SQLite"_s << u"'2001-03-05'"_s << u"round(999.999, 4)"_s
            << u"select NOMBRE from QUENMARCONTABLE.AGENTES where CIUDAD = 'Ñandú..x' and X = 'O''Brien'"_s;
        QTest::newRow("PostgreSQL")
            << u"QPSQL"_s << u"DATE '2001-03-05'"_s << u"round(CAST(999.999 AS numeric), 4)"_s
            << u"select NOMBRE from QUENMARCONTABLE.AGENTES where CIUDAD = 'Ñandú..x' and X = 'O''Brien'"_s;
        QTest::newRow("SQL Server")
            << u"QODBC"_s << u"CONVERT(datetime, '20010305', 112)"_s << u"ROUND(999.999, 4)"_s
            << u"select NOMBRE from QUENMARCONTABLE..AGENTES where CIUDAD = N'Ñandú..x' and X = N'O''Brien'"_s;
    }
    void dialects()
    {
        QFETCH(QString, driver);
        QFETCH(QString, date);
        QFETCH(QString, number);
        QFETCH(QString, statement);
        hostkit::BrokerConfig config = m_db->config();
        hostkit::EntitySettings server;
        server.driver = driver;
        server.database = u"oficina"_s;
        config.entities[u"INTERNOS"_s] = server;
        hostkit::RecordBroker broker;
        broker.useConfig(config);
        QCOMPARE(broker.getDateFormatbyEntity(u"internos"_s, u"5/3/2001"_s), date);
        qint32 decimals = 4;
        QCOMPARE(broker.getNumberFormatbyEntity(u"INTERNOS"_s, u"999,999"_s, decimals), number);
        QCOMPARE(broker.getNumberFormatbyEntity(u"INTERNOS"_s, u"999,999"_s, qint16(4)), number);
        QCOMPARE(hostkit::SqlDialect::forDriver(driver)->translate(
                     u"select NOMBRE from QUENMARCONTABLE..AGENTES where CIUDAD = 'Ñandú..x' and X = 'O''Brien'"_s),
                 statement);
    }

    void dateLiteralReadsDayMonthYearInEveryLocale_data()
    {
        QTest::addColumn<QString>("locale");
        QTest::newRow("es_AR") << u"es_AR"_s;
        QTest::newRow("en_US") << u"en_US"_s;
    }
    void dateLiteralReadsDayMonthYearInEveryLocale()
    {
        QFETCH(QString, locale);
        const QLocale saved;
        QLocale::setDefault(QLocale(locale));
        const auto restore = qScopeGuard([&] { QLocale::setDefault(saved); });

        // Stored through the literal, written latest first, read back in date order.
        const QList<std::pair<QString, QDate>> dates = {{u"01/01/1900"_s, QDate(1900, 1, 1)},
                                                        {u"31-12-1999"_s, QDate(1999, 12, 31)},
                                                        {u"05/03/2001"_s, QDate(2001, 3, 5)},
                                                        {u"13/03/2001"_s, QDate(2001, 3, 13)}};
        for (qsizetype k = dates.size() - 1; k >= 0; --k) {
            const QString literal = m_broker->getDateFormatbyEntity(kPersonal, dates[k].first);
            run(u"insert into clientes (cuit, finitactiv) values ('%1', %2)"_s.arg(QString::number(k), literal));
        }
        auto rs = query(u"select finitactiv from clientes order by finitactiv"_s);
        for (const auto &[text, date] : dates) {
            QCOMPARE(rs->Fields(u"finitactiv"_s).toDate(), date);
            rs->MoveNext();
        }

        for (const QString &text : {u"31/02/2000"_s, u"'); delete from clientes --"_s}) {
            const auto error = errorOf([&] { m_broker->getDateFormatbyEntity(kPersonal, text); });
            QVERIFY2(error && error->number() == hostkit::brokererr::kValue, qPrintable(text));
            QVERIFY(error->description().contains(text));
        }
    }

    void numbersRunInSqlite()
    {
        const QString value = m_broker->getNumberFormatbyEntity(kPersonal, u"12,5"_s, qint16(2));
        run(u"insert into clientes (cuit, regalias) values ('9', %1)"_s.arg(value));
        QCOMPARE(first(u"select regalias from clientes"_s).toDouble(), 12.5);
        // Only numbers are pasted into statements.
        QVERIFY_THROWS_EXCEPTION(
            Error, m_broker->getNumberFormatbyEntity(kPersonal, u"1); delete from clientes"_s, qint16(2)));

        // The shared routine's expression rounds each share to the mask's decimals before the sum.
        run(u"insert into DIB (CLICUI, JRDNRO, DIBVALOR, DIBEXENTO) values "
            "('1', '901', 1.23456, 0), ('1', '902', 2.5, 0), ('2', '901', 100, 0)"_s);
        state().gBroker.borrow(m_broker.get());
        const auto reset = qScopeGuard([] { state() = ComponentState{}; });
        const QString expression = FormatoNumericoSQL(*m_broker, kPersonal, u"DIBVALOR"_s, u"0.00"_s);
        QCOMPARE(first(u"select sum(%1) from DIB where CLICUI = '1'"_s.arg(expression)).toDouble(), 3.73);
    }

    void decimalSeparatorFromConfiguration()
    {
        QString entity = kPersonal;
        QCOMPARE(m_broker->getDecimalSeparatorbyEntity(entity), u"."_s);

        QTemporaryDir dir;
        const QString ini = dir.filePath(u"broker.ini"_s);
        QFile f(ini);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("[INTERNOS]\nDriver=SQLite\nDatabase=" + QFile::encodeName(m_db->personalPath())
                + "\nDecimalSeparator=,\n[SYSTABLAS]\nDatabase=" + QFile::encodeName(m_db->systemPath()) + "\n");
        f.close();
        hostkit::RecordBroker configured;
        configured.useConfig(hostkit::BrokerConfig::load(ini));
        QString internos = u"INTERNOS"_s;
        QString systablas = u"SYSTABLAS"_s;
        QCOMPARE(configured.getDecimalSeparatorbyEntity(internos), u","_s);
        QCOMPARE(configured.getDecimalSeparatorbyEntity(systablas), u"."_s);
    }

    void textsRoundTripUnchanged()
    {
        const QStringList texts = {u"D'Alessandro"_s,
                                   u"''"_s,
                                   u"'"_s,
                                   u"x'; delete from clientes; --"_s,
                                   u"a /* b */ c -- d"_s,
                                   u"Peña & Cía. \"La Unión\""_s};
        for (int k = 0; k < texts.size(); ++k) {
            const QString literal = sqlText(texts[k]);
            QCOMPARE(run(u"insert into clientes (cuit, nombre) values ('%1', %2)"_s.arg(k).arg(literal)), 1);
            QCOMPARE(first(u"select nombre from clientes where nombre = %1"_s.arg(literal)).toString(), texts[k]);
        }
        QCOMPARE(customerCount(*m_db), int(texts.size()));
    }

    void unsafeStatementsAreRefusedAndNeverSent_data()
    {
        QTest::addColumn<QString>("sql");
        QTest::newRow("second statement") << u"delete from clientes where cuit = '1'; delete from clientes"_s;
        QTest::newRow("trailing separator") << u"delete from clientes where cuit = '1';"_s;
        QTest::newRow("line comment") << u"delete from clientes where cuit = '1' -- and nombre = 'x'"_s;
        QTest::newRow("block comment") << u"delete from clientes /* where cuit = '1' */"_s;
        QTest::newRow("open literal") << u"delete from clientes where cuit = 'it''s"_s;
        QTest::newRow("nul") << u"delete from clientes where cuit = '1'"_s + QChar(u'\0') + u" or 1=1"_s;
    }
    void unsafeStatementsAreRefusedAndNeverSent()
    {
        QFETCH(QString, sql);
        run(u"insert into clientes (cuit, nombre) values ('1', 'a'), ('2', 'b')"_s);
        IDataConnection *c = m_broker->getDataConnectionByEntity(kPersonal);
        c->setSql(sql);
        const QString message = errorDescription([&] { c->Ejecutar(); });
        QVERIFY2(message.startsWith(u"Sentencia rechazada"_s), qPrintable(message));
        std::unique_ptr<IRecordset> rs;
        QVERIFY_THROWS_EXCEPTION(Error, c->CrearRs(rs));
        QCOMPARE(customerCount(*m_db), 2);
    }

    void sqliteFailuresAreDescribedInSpanish_data()
    {
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("driverText");
        QTest::addColumn<QString>("meaning");
        QTest::newRow("not a database") << SQLITE_NOTADB << u"file is not a database"_s
                                        << u"El archivo \"/datos/personal.db\" no es una base de datos"_s;
        QTest::newRow("missing table") << SQLITE_ERROR << u"no such table: QUENMARCONTABLE.AGENTES"_s
                                       << u"No existe la tabla QUENMARCONTABLE.AGENTES"_s;
        QTest::newRow("busy") << SQLITE_BUSY << u"database is locked"_s
                              << u"está en uso por otro puesto; intente de nuevo en unos segundos"_s;
        QTest::newRow("locked") << SQLITE_LOCKED_SHAREDCACHE << u"database table is locked"_s
                                << u"está en uso por otro puesto"_s;
        QTest::newRow("read-only file") << SQLITE_READONLY << u"attempt to write a readonly database"_s
                                        << u"La base de datos \"/datos/personal.db\" es de solo lectura"_s;
        QTest::newRow("read-only folder") << SQLITE_READONLY_DIRECTORY << u"attempt to write a readonly database"_s
                                          << u"La carpeta de la base de datos"_s;
        QTest::newRow("disk error") << SQLITE_IOERR_WRITE << u"disk I/O error"_s << u"Error del disco"_s;
        QTest::newRow("full disk") << SQLITE_FULL << u"database or disk is full"_s << u"El disco está lleno"_s;
        QTest::newRow("any other") << SQLITE_MISMATCH << u"datatype mismatch"_s << u"Falló la base de datos"_s;
    }
    void sqliteFailuresAreDescribedInSpanish()
    {
        QFETCH(int, code);
        QFETCH(QString, driverText);
        QFETCH(QString, meaning);
        const QString file = u"/datos/personal.db"_s;
        const QString description = hostkit::describeSqliteError(code, driverText, file);
        QVERIFY2(description.contains(meaning) && description.contains(file), qPrintable(description));
        QVERIFY2(description.endsWith(u" (%1)"_s.arg(driverText)), qPrintable(description));
    }

    void failuresNameTheirFile()
    {
        const auto statementError = errorOf([&] { query(u"select * from no_such_table"_s); });
        QVERIFY(statementError);
        QCOMPARE(statementError->number(), hostkit::brokererr::kDatabase);
        QVERIFY(statementError->description().startsWith(
            u"No existe la tabla no_such_table en la base de datos \"%1\""_s.arg(m_db->personalPath())));
        const QString insert = u"insert into clientes (cuit, nombre) values ('1', 'a')"_s;
        run(insert);
        QVERIFY(errorDescription([&] { run(insert); }).contains(u"UNIQUE"_s));

        // A configured file that is no database is refused when the broker opens it. An
        // accounting database that is missing or none fails only the statements that name
        // it, with the reason, and is attached once it is there.
        QTemporaryDir dir;
        const QString notes = dir.filePath(u"notes.db"_s);
        QFile file(notes);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("These are not the customers.\n");
        file.close();
        hostkit::BrokerConfig config;
        config.entities[kPersonal].database = notes;
        hostkit::RecordBroker refused;
        refused.useConfig(config);
        const auto openError = errorOf([&] { refused.LoadParameters(); });
        QVERIFY(openError);
        QCOMPARE(openError->number(), hostkit::brokererr::kOpen);
        QVERIFY2(openError->description().startsWith(u"El archivo \"%1\" no es una base de datos"_s.arg(notes)),
                 qPrintable(openError->description()));

        const QString installedLater = dir.filePath(u"later.db"_s);
        for (const QString &accounting : {notes, installedLater}) {
            config.entities[kPersonal].database = m_db->personalPath();
            config.entities[kPersonal].accounting = accounting;
            hostkit::RecordBroker broker;
            broker.useConfig(config);
            broker.LoadParameters();
            IDataConnection *connection = broker.getDataConnectionByEntity(kPersonal);
            std::unique_ptr<IRecordset> rs;
            connection->setSql(u"select count(*) from clientes"_s);
            QVERIFY(connection->CrearRs(rs));
            connection->setSql(u"select count(*) from QUENMARCONTABLE..AGENTES"_s);
            const auto accountingError = errorOf([&] { connection->CrearRs(rs); });
            QVERIFY(accountingError);
            QCOMPARE(accountingError->number(), hostkit::brokererr::kOpen);
            const QString reason = accounting == notes
                ? u"El archivo \"%1\" no es una base de datos"_s.arg(notes)
                : u"No existe la base de datos contable \"%1\""_s.arg(installedLater);
            QVERIFY2(accountingError->description().startsWith(reason), qPrintable(accountingError->description()));
            if (accounting == installedLater) {
                QVERIFY(QFile::copy(m_db->accountingPath(), installedLater));
                QVERIFY(connection->CrearRs(rs));
            }
        }
    }

    void writeWaitsForAnotherWorkstation()
    {
        constexpr auto kHeld = std::chrono::milliseconds(400);
        std::atomic<bool> locked{false};
        std::thread other([&] {
            sqlite3 *handle = nullptr;
            sqlite3_open(QFile::encodeName(m_db->personalPath()).constData(), &handle);
            sqlite3_exec(handle, "BEGIN IMMEDIATE; insert into clientes (cuit, nombre) values ('2', 'otro')", nullptr,
                         nullptr, nullptr);
            locked = true;
            std::this_thread::sleep_for(kHeld);
            sqlite3_exec(handle, "COMMIT", nullptr, nullptr, nullptr);
            sqlite3_close(handle);
        });
        while (!locked)
            std::this_thread::yield();
        qint64 changed = -1;
        const auto failure
            = errorOf([&] { changed = run(u"insert into clientes (cuit, nombre) values ('1', 'propio')"_s); });
        other.join();
        QVERIFY2(!failure, qPrintable(failure ? failure->description() : QString()));
        QCOMPARE(changed, 1);
        QCOMPARE(customerCount(*m_db), 2);
    }

    void configurationErrorsAreClear()
    {
        QTemporaryDir dir;
        hostkit::EntitySettings missing;
        missing.database = dir.filePath(u"absent.db"_s);
        hostkit::EntitySettings unknownDriver;
        unknownDriver.driver = u"QNOSUCH"_s;
        for (const auto &[settings, named] :
             {std::pair{missing, u"absent.db"_s}, std::pair{unknownDriver, u"QNOSUCH"_s}}) {
            hostkit::BrokerConfig config;
            config.entities.insert(kPersonal, settings);
            hostkit::RecordBroker broker;
            broker.useConfig(config);
            QVERIFY(errorDescription([&] { broker.LoadParameters(); }).contains(named));
        }
        QVERIFY(!QFile::exists(missing.database)); // a configured file is never made up
    }

    void loadParametersFollowsAChangedConfiguration()
    {
        TempDatabase second;
        TempDatabase::exec(second.personalPath(), u"insert into clientes (cuit, nombre) values ('7', 'dos')"_s);
        IDataConnection *c = m_broker->getDataConnectionByEntity(kPersonal);
        QVERIFY(query(u"select nombre from clientes"_s)->Eof());
        m_broker->useConfig(second.config());
        m_broker->LoadParameters();
        QCOMPARE(m_broker->getDataConnectionByEntity(kPersonal), c);
        QCOMPARE(first(u"select nombre from clientes"_s).toString(), u"dos"_s);
    }

    void formatComponent()
    {
        hostkit::Molde molde;
        for (const QVariant &nothing : {QVariant(), QVariant(QString()), QVariant(u"  "_s), QVariant(u"abc"_s)})
            QCOMPARE(molde.EsNumero(nothing), u"0"_s);
        QCOMPARE(molde.EsNumero(u"12,5"_s).toDouble(), 12.5);
        QCOMPARE(molde.EsNumero(QVariant(2.5)).toDouble(), 2.5);
        QCOMPARE(molde.EsNumero(QVariant(qlonglong(7))), u"7"_s);
        QCOMPARE(molde.EsNull(QVariant()), QString());
        QCOMPARE(molde.EsNull(u"x"_s), u"x"_s);
        QCOMPARE(molde.EsNull(QDate(1900, 1, 1)), u"01/01/1900"_s);
    }

    // A script is cut at each ";" outside literals, quoted names, comments and
    // dollar-quoted text; each statement keeps the line it starts on.
    void scriptsAreSplitIntoStatements_data()
    {
        QTest::addColumn<QString>("script");
        QTest::addColumn<QStringList>("statements"); // "line:text"
        QTest::newRow("lines") << u"CREATE TABLE a (x int);\n\n  INSERT INTO a VALUES (1);\n"_s
                               << QStringList{u"1:CREATE TABLE a (x int)"_s, u"3:INSERT INTO a VALUES (1)"_s};
        QTest::newRow("literal with a doubled apostrophe")
            << u"INSERT INTO t VALUES ('a;''b;'); SELECT 1"_s
            << QStringList{u"1:INSERT INTO t VALUES ('a;''b;')"_s, u"1:SELECT 1"_s};
        QTest::newRow("quoted name") << u"SELECT \"a;\"\"b\" FROM t;SELECT 2"_s
                                     << QStringList{u"1:SELECT \"a;\"\"b\" FROM t"_s, u"1:SELECT 2"_s};
        QTest::newRow("comments before, within and alone")
            << u"-- head; not a statement\n/* block; */\nSELECT 1 -- tail;\n;\n-- only a comment;\n/* last; */"_s
            << QStringList{u"3:SELECT 1 -- tail;"_s};
        QTest::newRow("nested block comment")
            << u"/* a /* b; */ c; */ SELECT 1; SELECT 2"_s << QStringList{u"1:SELECT 1"_s, u"1:SELECT 2"_s};
        QTest::newRow("dollar quoting")
            << u"CREATE FUNCTION f() RETURNS int AS $$ SELECT 1; $$ LANGUAGE sql;\nDO $b$ BEGIN $$; END $b$;"_s
            << QStringList{u"1:CREATE FUNCTION f() RETURNS int AS $$ SELECT 1; $$ LANGUAGE sql"_s,
                           u"2:DO $b$ BEGIN $$; END $b$"_s};
        QTest::newRow("a dollar in a name or a parameter quotes nothing")
            << u"SELECT a$b$ FROM t; SELECT $1; SELECT 3"_s
            << QStringList{u"1:SELECT a$b$ FROM t"_s, u"1:SELECT $1"_s, u"1:SELECT 3"_s};
        QTest::newRow("empty statements, no final separator")
            << u";; ;\n SELECT 1;;\nSELECT 2"_s << QStringList{u"2:SELECT 1"_s, u"3:SELECT 2"_s};
        QTest::newRow("lines inside literals and comments count")
            << u"SELECT 'a\nb';\n/* x\ny */ SELECT 2;"_s << QStringList{u"1:SELECT 'a\nb'"_s, u"4:SELECT 2"_s};
        QTest::newRow("unclosed literal runs to the end")
            << u"SELECT 1; SELECT 'a; SELECT 2"_s << QStringList{u"1:SELECT 1"_s, u"1:SELECT 'a; SELECT 2"_s};
        QTest::newRow("nothing") << u" -- ;\n"_s << QStringList();
    }
    void scriptsAreSplitIntoStatements()
    {
        QFETCH(QString, script);
        QFETCH(QStringList, statements);
        QStringList found;
        for (const hostkit::sqlscript::Statement &s : hostkit::sqlscript::split(script))
            found.append(u"%1:%2"_s.arg(s.line).arg(s.text));
        QCOMPARE(found, statements);
    }
};

QTEST_GUILESS_MAIN(TestBroker)
#include "tst_broker.moc"
