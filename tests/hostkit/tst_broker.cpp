// The default data access on real SQLite files.

#include <QtTest>
#include <atomic>
#include <sqlite3.h>
#include <sys/stat.h>
#include <thread>

#include "broker/brokererrors.h"
#include "broker/sqldialect.h"
#include "broker/sqliteerrors.h"
#include "broker/sqlscript.h"
#include "core/sqltext.h"
#include "felcora/error.h"
#include "felcora/hostkit/recordbroker.h"
#include "support/errors.h"
#include "support/tempdatabase.h"

using namespace felcora;
using namespace Qt::StringLiterals;
using felcora::test::errorOf;
using felcora::test::TempDatabase;

namespace {

const QString kPersonal = u"PERSONAL"_s;
namespace err = hostkit::brokererr;

// A file with these bytes and this mode.
bool writeFile(const QString &path, const QByteArray &content, mode_t mode = 0600)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(content) == content.size() && file.flush()
        && ::chmod(QFile::encodeName(path).constData(), mode) == 0;
}

// "number: description" of what an action raised, or "none".
QString failure(const std::function<void()> &action)
{
    const auto error = errorOf(action);
    return error ? u"%1: %2"_s.arg(error->number()).arg(error->description()) : u"none"_s;
}
QString failed(qint32 number, const QString &description)
{
    return u"%1: %2"_s.arg(number).arg(description);
}

// Sets environment variables back as they were when it goes.
auto keepEnvironment(std::initializer_list<const char *> names)
{
    QList<std::pair<const char *, QByteArray>> saved;
    for (const char *name : names)
        saved.append({name, qgetenv(name)});
    return qScopeGuard([saved] {
        for (const auto &[name, value] : saved)
            qputenv(name, value);
    });
}

std::unique_ptr<hostkit::RecordBroker> brokerOn(const hostkit::BrokerConfig &config)
{
    auto broker = std::make_unique<hostkit::RecordBroker>();
    broker->useConfig(config);
    broker->LoadParameters();
    return broker;
}

} // namespace

// Every test starts on fresh embedded databases and a broker on them.
class TestBroker : public QObject
{
    Q_OBJECT

    std::unique_ptr<TempDatabase> m_db;
    std::unique_ptr<hostkit::RecordBroker> m_broker;

    IDataConnection *connection(const QString &sql)
    {
        IDataConnection *c = m_broker->getDataConnectionByEntity(kPersonal);
        c->setSql(sql);
        return c;
    }
    qint64 run(const QString &sql) { return connection(sql)->Ejecutar(); }
    std::unique_ptr<IRecordset> query(const QString &sql)
    {
        std::unique_ptr<IRecordset> rs;
        connection(sql)->CrearRs(rs);
        return rs;
    }
    QVariant first(const QString &sql) { return query(sql)->value(0); }
    int customers() { return TempDatabase::scalar(m_db->personalPath(), u"select count(*) from clientes"_s).toInt(); }

private slots:
    void init()
    {
        m_broker.reset(); // closes its connections before the files go
        m_db = std::make_unique<TempDatabase>();
        m_broker = m_db->makeBroker();
    }

    // With no file named, the embedded default's folders and files are the user's alone, whatever the umask.
    void defaultFolderIsTheUsersOwn()
    {
        const mode_t savedMask = umask(0);
        const auto restoreMask = qScopeGuard([&] { umask(savedMask); });
        const auto restore = keepEnvironment({"XDG_DATA_HOME", "RECORDBROKER_CONFIG"});
        QTemporaryDir home;
        const test::UserSettingsSandbox noUserFile;
        qunsetenv("RECORDBROKER_CONFIG");
        qputenv("XDG_DATA_HOME", QFile::encodeName(home.filePath(u"data"_s)));
        hostkit::RecordBroker().LoadParameters();
        const auto mode = [&](const QString &path) {
            struct stat info = {};
            return ::stat(QFile::encodeName(home.filePath(path)).constData(), &info) == 0 ? info.st_mode & 0777 : 0;
        };
        for (const QString &folder : {u"data"_s, u"data/TARVIS"_s, u"data/TARVIS/RecordBroker"_s})
            QCOMPARE(mode(folder), 0700u);
        for (const QString &file : {u"personal.db"_s, u"contable.db"_s, u"systablas.db"_s})
            QCOMPARE(mode(u"data/TARVIS/RecordBroker/"_s + file), 0600u);
    }

    // Two programs on their first start: one creates the databases, the other waits and finds them.
    void firstStartsAtOnceBothSucceed()
    {
        for (int round = 0; round < 8; ++round) {
            QTemporaryDir dir;
            const hostkit::BrokerConfig config = hostkit::BrokerConfig::embedded(dir.path());
            std::atomic<int> ready{0};
            QStringList outcomes(2);
            const auto start = [&](int k) {
                for (++ready; ready < 2;)
                    std::this_thread::yield();
                const auto error = errorOf(
                    [&] { outcomes[k] = brokerOn(config)->createdDatabase(kPersonal) ? u"created"_s : u"found"_s; });
                if (error)
                    outcomes[k] = error->description();
            };
            std::thread first(start, 0), second(start, 1);
            first.join();
            second.join();
            outcomes.sort();
            QCOMPARE(outcomes, QStringList({u"created"_s, u"found"_s}));
            QCOMPARE(
                TempDatabase::scalar(config.entity(u"SYSTABLAS"_s).database, u"select count(*) from JRD"_s).toInt(),
                24);
        }
    }

    // The file named by RECORDBROKER_CONFIG, never the embedded default instead, read or refused before
    // connecting. %D is the test's folder, with the password file "clave" and two certificates.
    void configurationIsReadOrRefused_data()
    {
        QTest::addColumn<QByteArray>("ini");   // "/": a folder
        QTest::addColumn<int>("mode");         // of the INI and the password file
        QTest::addColumn<QByteArray>("clave"); // null: no password file
        // PERSONAL as read, "database|accounting|decimal separator|password|connect options", or what the error says
        QTest::addColumn<QString>("outcome");
        const auto row = [](const char *name, const QByteArray &ini, const QString &outcome, int mode = 0600,
                            const QByteArray &clave = {}) { QTest::newRow(name) << ini << mode << clave << outcome; };
        const QByteArray server = "[Personal]\nDriver=QPSQL\nHost=srv\nDatabase=felcora\n";
        const QByteArray file = server + "PasswordFile=%D/clave\n", sys = "[SYSTABLAS]\nDatabase=felcora\n";
        const QString ini = u"\"%D/RecordBroker.ini\""_s;
        row("folder", "/", u"No se puede leer el archivo de configuración "_s + ini);
        row("a database", QByteArray("SQLite format 3") + QByteArray(8, '\0'),
            ini + u" no es un archivo INI: la línea 1 "_s);
        row("plain text", "[PERSONAL]\nDatabase=/x.db\nsome notes\n", ini + u" no es un archivo INI: la línea 3 "_s);
        row("no Database", "[SYSTABLAS]\nDriver=SQLite\nDatabase=\n",
            u"Falta la clave Database en el grupo [SYSTABLAS] del archivo de configuración "_s + ini);
        row("any case",
            "; office\n[personal]\ndriver=sqlite\nDATABASE=/srv/p.db\naccounting = \"/srv/c.db\"\ndecimalseparator=,\n",
            u"/srv/p.db|/srv/c.db|,||"_s);
        row("password file as written, root certificate quoted",
            file + "SslMode=VERIFY-FULL\nSslRootCert=%D/o'k\\root.crt\n" + sys,
            u"felcora||.| a b |sslmode=verify-full;sslrootcert='%D/o\\'k\\\\root.crt'"_s, 0600, " a b \r\nc\n");
        row("password file 0640", file + sys,
            u"El archivo de contraseña \"%D/clave\" puede ser leído por otros usuarios (permisos 0640): déjelo"
            " solo para su dueño con chmod 600 \"%D/clave\""_s,
            0640, "x\n");
        row("empty first line", file + sys, u"La primera línea del archivo de contraseña \"%D/clave\" está vacía"_s,
            0600, "\nx\n");
        row("Password in an INI at 0644", server + "Password=x\n" + sys,
            u"El archivo de configuración "_s + ini
                + u" tiene la contraseña del grupo [Personal] y puede ser leído por otros usuarios (permisos 0644)"_s,
            0644);
        row("Password in an INI at 0600, socket without SSL",
            server + "Password=x\nHost=/run/postgresql\nSslMode=disable\n" + sys, u"felcora||.|x|sslmode=disable"_s);
        row("no SYSTABLAS", server,
            u"El grupo [Personal] del archivo de configuración "_s + ini
                + u" usa un servidor (Driver=QPSQL), pero falta el grupo [SYSTABLAS]"_s);
        row("socket with require", server + "Host=/run/postgresql\nSslMode=require\n" + sys,
            u"pero su Host=/run/postgresql es una carpeta de socket"_s);
        row("unknown SslMode", server + "sslmode=requiere\n" + sys,
            u"vale \"requiere\": debe ser disable, allow, prefer, require,"_s);
        row("missing root certificate", server + "SslRootCert=%D/none.crt\n" + sys,
            u"No existe el certificado raíz \"%D/none.crt\""_s);
        row("';' in a path", server + "SslRootCert=%D/a;b.crt\n" + sys,
            u"\"%D/a;b.crt\" de la clave SslRootCert del grupo [Personal]"_s);
    }
    void configurationIsReadOrRefused()
    {
        QFETCH(QByteArray, ini);
        QFETCH(int, mode);
        QFETCH(QByteArray, clave);
        QFETCH(QString, outcome);
        QTemporaryDir dir;
        for (const char *certificate : {"a;b.crt", "o'k\\root.crt"})
            QVERIFY(writeFile(dir.filePath(QLatin1String(certificate)), "-----BEGIN CERTIFICATE-----\n"));
        QVERIFY(clave.isNull() || writeFile(dir.filePath(u"clave"_s), clave, mode_t(mode)));
        const QString path = dir.filePath(u"RecordBroker.ini"_s);
        QVERIFY(ini == "/" ? QDir(dir.path()).mkdir(u"RecordBroker.ini"_s)
                           : writeFile(path, ini.replace("%D", QFile::encodeName(dir.path())), mode_t(mode)));
        outcome.replace(u"%D"_s, dir.path());
        const auto restore = keepEnvironment({"RECORDBROKER_CONFIG"});
        qputenv("RECORDBROKER_CONFIG", QFile::encodeName(path));

        QString read;
        const auto error = errorOf([&] {
            const hostkit::BrokerConfig config = hostkit::BrokerConfig::load();
            const hostkit::EntitySettings personal = config.entity(kPersonal);
            // An office's INTERNOS is its server's, never a database made up on this machine.
            QVERIFY(personal.isSqlite() || config.entity(u"INTERNOS"_s) == personal);
            hostkit::RecordBroker broker;
            broker.useConfig(config);
            QString entity = u"personal"_s;
            read = QStringList{personal.database, personal.accounting, broker.getDecimalSeparatorbyEntity(entity),
                               personal.serverPassword(), personal.serverConnectOptions()}
                       .join(u'|');
        });
        if (error) {
            QCOMPARE(error->number(), err::kOpen);
            read = error->description();
        }
        QVERIFY2(error ? read.contains(outcome) : read == outcome, qPrintable(read));
    }

    // A driver that is not there fails the start; an accounting database that is not one fails only the
    // statements that name it, with the reason, and is attached once it is one.
    void configuredDatabasesThatCannotBeUsed()
    {
        hostkit::BrokerConfig config = m_db->config();
        config.entities[kPersonal].driver = u"QNOSUCH"_s;
        QCOMPARE(failure([&] { brokerOn(config); }),
                 failed(err::kOpen, u"El controlador de base de datos \"QNOSUCH\" no está disponible"_s));
        QTemporaryDir dir;
        const QString notes = dir.filePath(u"notes.db"_s), agents = u"select count(*) from QUENMARCONTABLE..AGENTES"_s;
        QVERIFY(writeFile(notes, "These are not the customers.\n"));
        config = m_db->config();
        config.entities[kPersonal].schema.clear(); // a configured database: nothing is made up beside it
        config.entities[kPersonal].accounting = notes;
        m_broker = brokerOn(config);
        QCOMPARE(first(u"select count(*) from clientes"_s).toInt(), 0);
        const QString said = failure([&] { query(agents); });
        QVERIFY2(said.startsWith(failed(err::kOpen, u"El archivo \"%1\" no es una base de datos"_s.arg(notes))),
                 qPrintable(said));
        QVERIFY(QFile::remove(notes) && QFile::copy(m_db->accountingPath(), notes));
        QCOMPARE(first(agents).toInt(), 0);
    }

    // Rows changed as the database counts them; reading past the end, unknown names and a dropped column refused;
    // one connection per entity, whatever the case of its name, kept when the configuration changes.
    void queriesAndChangesReportWhatHappened()
    {
        std::unique_ptr<IRecordset> rs;
        QVERIFY(!connection(u"select * from clientes"_s)->CrearRs(rs) && rs->Eof());
        QCOMPARE(run(u"insert into clientes (cuit, nombre, localidad) values ('20000000001', 'B', 'Tandil'), "
                     "('20000000002', 'a', 'Azul')"_s),
                 2);
        // A statement that reads changes nothing, whatever the previous statement changed.
        QCOMPARE(run(u"update clientes set domicilio = 'x'"_s), 2);
        QCOMPARE(run(u"select * from clientes"_s), 0);
        QCOMPARE(query(u"select * from clientes"_s)->Fields(u"NIN"_s), QVariant());
        TempDatabase::exec(m_db->personalPath(), u"alter table clientes drop column domicilio"_s);
        QVERIFY(connection(u"select * from clientes order by cuit"_s)->CrearRs(rs));
        QCOMPARE(rs->fieldIndex(u"domicilio"_s), -1);
        QCOMPARE(rs->Fields(u"localidad"_s).toString(), u"Tandil"_s);
        QVERIFY_THROWS_EXCEPTION(Error, rs->Fields(u"no_such_column"_s));
        for (rs->MoveNext(); !rs->Eof();)
            rs->MoveNext();
        QVERIFY_THROWS_EXCEPTION(Error, rs->MoveNext());
        QVERIFY_THROWS_EXCEPTION(Error, rs->Fields(u"nombre"_s));
        IDataConnection *c = m_broker->getDataConnectionByEntity(u"personal"_s);
        QCOMPARE(c->Sql(), u"select * from clientes order by cuit"_s);
        QVERIFY(m_broker->getDataConnectionByEntity(u"SYSTABLAS"_s) != c);
        QVERIFY(m_broker->getDataConnectionByEntity(u"INTERNOS"_s) != c);
        QVERIFY_THROWS_EXCEPTION(Error, m_broker->getDataConnectionByEntity(u"OTRA"_s));
        TempDatabase second;
        TempDatabase::exec(second.personalPath(), u"insert into clientes (cuit, nombre) values ('7', 'dos')"_s);
        m_broker->useConfig(second.config());
        m_broker->LoadParameters();
        QCOMPARE(m_broker->getDataConnectionByEntity(kPersonal), c);
        QCOMPARE(first(u"select nombre from clientes"_s).toString(), u"dos"_s);
    }

    // What the database refuses, and what the data access will not send, changes nothing and says
    // why, through Ejecutar and CrearRs alike; written as a literal, the same text is stored as it is.
    void refusedStatementsChangeNothing_data()
    {
        QTest::addColumn<QString>("sql");
        QTest::addColumn<qint32>("number");
        QTest::addColumn<QString>("says"); // the beginning of the description; %P the customer database
        const auto row = [](const char *name, const QString &sql, qint32 number, const QString &says) {
            QTest::newRow(name) << sql << number << says;
        };
        const auto refused = [&](const char *name, const QString &sql, const QString &says) {
            row(name, sql, err::kRefused,
                u"Sentencia rechazada, no se envió a la base de datos: la sentencia "_s + says);
        };
        const QString where = u"delete from clientes where cuit = '1'"_s;
        row("missing table", u"delete from no_such_table where x = 'QUENMARCONTABLE..AGENTES'"_s, err::kDatabase,
            u"No existe la tabla no_such_table en la base de datos \"%P\""_s);
        row("same key", u"insert into clientes (cuit) values ('1')"_s, errnum::kDuplicateKey,
            u"Ya existe un registro con la misma clave en la base de datos \"%P\""_s);
        row("no CUIT", u"insert into clientes (nombre) values ('sin CUIT')"_s, err::kDatabase,
            u"La base de datos \"%P\" rechazó el cambio por una de sus reglas"_s);
        refused("second statement", where + u"; delete from clientes"_s, u"contiene \";\" fuera de un texto"_s);
        refused("line comment", where + u" -- and nombre = 'x'"_s, u"contiene \"--\""_s);
        refused("block comment", u"delete from clientes /* where cuit = '1' */"_s, u"contiene \"/*\""_s);
        refused("open literal", u"delete from clientes where cuit = 'it''s"_s, u"tiene un texto sin cerrar"_s);
        refused("nul", where + QChar(u'\0') + u" or 1=1"_s, u"contiene un carácter nulo"_s);
    }
    void refusedStatementsChangeNothing()
    {
        QFETCH(QString, sql);
        QFETCH(qint32, number);
        QFETCH(QString, says);
        run(u"insert into clientes (cuit, nombre) values ('1', 'a'), ('2', 'b')"_s);
        IDataConnection *c = connection(sql);
        std::unique_ptr<IRecordset> rs;
        const QString expected = failed(number, says.replace(u"%P"_s, m_db->personalPath()));
        for (const QString &said : {failure([&] { c->Ejecutar(); }), failure([&] { c->CrearRs(rs); })})
            QVERIFY2(said.startsWith(expected), qPrintable(said));
        QCOMPARE(customers(), 2);
        if (sql.contains(QChar(u'\0')))
            return; // refused even inside a literal
        QCOMPARE(run(u"insert into clientes (cuit, nombre) values ('3', %1)"_s.arg(sqlText(sql))), 1);
        QCOMPARE(first(u"select nombre from clientes where nombre = %1"_s.arg(sqlText(sql))).toString(), sql);
    }

    // A date or number goes into a statement in the entity's own form, and only a real one; a statement
    // for a server of other conventions keeps its three-part names, and its literals take the prefix.
    void literalsInTheEntitysForm()
    {
        hostkit::BrokerConfig config = m_db->config();
        config.entities[u"INTERNOS"_s].driver = u"QODBC"_s;
        config.entities[u"INTERNOS"_s].database = u"oficina"_s;
        hostkit::RecordBroker broker;
        broker.useConfig(config);
        QCOMPARE(broker.getDateFormatbyEntity(u"internos"_s, u"5/3/2001"_s), u"CONVERT(datetime, '20010305', 112)"_s);
        qint32 decimals = 4;
        QCOMPARE(broker.getNumberFormatbyEntity(u"INTERNOS"_s, u"999,999"_s, decimals), u"ROUND(999.999, 4)"_s);
        QCOMPARE(broker.getNumberFormatbyEntity(u"INTERNOS"_s, u"999,999"_s, qint16(4)), u"ROUND(999.999, 4)"_s);
        for (const QString &text : {u"31/02/2000"_s, u"1); delete from clientes --"_s}) {
            QCOMPARE(failure([&] { broker.getDateFormatbyEntity(kPersonal, text); }),
                     failed(err::kValue, u"\"%1\" no es una fecha válida"_s.arg(text)));
            QCOMPARE(failure([&] { broker.getNumberFormatbyEntity(kPersonal, text, qint16(2)); }),
                     failed(err::kValue, u"\"%1\" no es un número"_s.arg(text)));
        }
        const QString sql
            = u"select NOMBRE from QUENMARCONTABLE..AGENTES where CIUDAD = %1'Ñandú..x' and X = %1'O''B'"_s;
        QCOMPARE(hostkit::SqlDialect::forDriver(u"QODBC"_s)->translate(sql.arg(QString())), sql.arg(u"N"_s));
    }

    // A failure is told by its kind, extended codes by theirs, with the file and SQLite's own words.
    void sqliteFailuresAreDescribedInSpanish()
    {
        const QString file = u"/datos/personal.db"_s;
        const QList<std::tuple<int, QString, QString>> cases = {
            {SQLITE_LOCKED_SHAREDCACHE, u"database table is locked"_s,
             u"está en uso por otro puesto; intente de nuevo en unos segundos"_s},
            {SQLITE_READONLY_DIRECTORY, u"attempt to write a readonly database"_s, u"La carpeta de la base de datos"_s},
            {SQLITE_MISMATCH, u"datatype mismatch"_s, u"Falló la base de datos"_s}};
        for (const auto &[code, driverText, meaning] : cases) {
            const QString description = hostkit::describeSqliteError(code, driverText, file);
            QVERIFY2(description.contains(meaning) && description.contains(file)
                         && description.endsWith(u" (%1)"_s.arg(driverText)),
                     qPrintable(description));
        }
    }

    // A write waits while another workstation holds the file, then goes through.
    void writeWaitsForAnotherWorkstation()
    {
        std::atomic<bool> locked{false};
        std::thread other([&] {
            sqlite3 *handle = nullptr;
            sqlite3_open(QFile::encodeName(m_db->personalPath()).constData(), &handle);
            sqlite3_exec(handle, "BEGIN IMMEDIATE; insert into clientes (cuit, nombre) values ('2', 'otro')", nullptr,
                         nullptr, nullptr);
            locked = true;
            std::this_thread::sleep_for(std::chrono::milliseconds(400));
            sqlite3_exec(handle, "COMMIT", nullptr, nullptr, nullptr);
            sqlite3_close(handle);
        });
        while (!locked)
            std::this_thread::yield();
        const QString said
            = failure([&] { QCOMPARE(run(u"insert into clientes (cuit, nombre) values ('1', 'p')"_s), 1); });
        other.join();
        QCOMPARE(said, u"none"_s);
        QCOMPARE(customers(), 2);
    }

    // A script is cut at each ";" outside literals, quoted names, comments and
    // dollar-quoted text; each statement keeps the line it starts on.
    void scriptsAreSplitIntoStatements()
    {
        // A script, and its statements as "line:text".
        const QList<std::pair<QString, QStringList>> scripts = {
            {u"INSERT INTO t VALUES ('a;''b;'); SELECT \"a;\"\"b\" FROM t;SELECT 2"_s,
             {u"1:INSERT INTO t VALUES ('a;''b;')"_s, u"1:SELECT \"a;\"\"b\" FROM t"_s, u"1:SELECT 2"_s}},
            // Comments before, within and alone, nested.
            {u"-- head; not a statement\n/* a /* b; */ c; */\nSELECT 1 -- tail;\n;\n-- only a comment;\n/* last; */"_s,
             {u"3:SELECT 1 -- tail;"_s}},
            // A dollar in a name or a parameter quotes nothing.
            {u"CREATE FUNCTION f() RETURNS int AS $$ SELECT 1; $$ LANGUAGE sql;\nDO $b$ BEGIN $$; END $b$;\n"
             "SELECT a$b$ FROM t; SELECT $1"_s,
             {u"1:CREATE FUNCTION f() RETURNS int AS $$ SELECT 1; $$ LANGUAGE sql"_s, u"2:DO $b$ BEGIN $$; END $b$"_s,
              u"3:SELECT a$b$ FROM t"_s, u"3:SELECT $1"_s}},
            // Empty statements, lines inside literals and comments, no final separator.
            {u";; ;\n SELECT 'a\nb';;\n/* x\ny */ SELECT 2"_s, {u"2:SELECT 'a\nb'"_s, u"5:SELECT 2"_s}},
            // An unclosed literal runs to the end.
            {u"SELECT 1; SELECT 'a; SELECT 2"_s, {u"1:SELECT 1"_s, u"1:SELECT 'a; SELECT 2"_s}}};
        for (const auto &[script, statements] : scripts) {
            QStringList found;
            for (const hostkit::sqlscript::Statement &s : hostkit::sqlscript::split(script))
                found.append(u"%1:%2"_s.arg(s.line).arg(s.text));
            QCOMPARE(found, statements);
        }
    }
};

QTEST_GUILESS_MAIN(TestBroker)
#include "tst_broker.moc"
