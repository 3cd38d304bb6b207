// The default data access on real SQLite files.

#include <QtTest>
#include <atomic>
#include <sqlite3.h>
#include <sys/stat.h>
#include <thread>

#include "broker/brokererrors.h"
#include "broker/spanishcollation.h"
#include "broker/sqldialect.h"
#include "broker/sqlscript.h"
#include "core/sqltext.h"
#include "felcora/error.h"
#include "felcora/hostkit/recordbroker.h"
#include "support/errors.h"
#include "support/spanishnames.h"
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
        const QByteArray dataHome = qgetenv("XDG_DATA_HOME");
        const auto restore = qScopeGuard([&] {
            umask(savedMask);
            qputenv("XDG_DATA_HOME", dataHome);
        });
        QTemporaryDir home;
        const test::UserSettingsSandbox noUserFile;
        qunsetenv("RECORDBROKER_CONFIG"); // whatever the developer's shell names
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
                bool created = false;
                const QString said = failure([&] { created = brokerOn(config)->createdDatabase(kPersonal); });
                outcomes[k] = said != u"none"_s ? said : created ? u"created"_s : u"found"_s;
            };
            std::thread first(start, 0), second(start, 1);
            first.join();
            second.join();
            outcomes.sort();
            QCOMPARE(outcomes, QStringList({u"created"_s, u"found"_s}));
            QCOMPARE(TempDatabase::scalar(dir.filePath(u"systablas.db"_s), u"select count(*) from JRD"_s).toInt(), 24);
        }
    }

    // A configuration file read or refused before connecting; %D is its folder, with "clave" and a certificate.
    void configurationIsReadOrRefused_data()
    {
        QTest::addColumn<QByteArray>("ini");
        QTest::addColumn<int>("mode");         // of the INI and the password file
        QTest::addColumn<QByteArray>("clave"); // null: no password file
        // PERSONAL as read, "database|accounting|decimal separator|password|connect options", or what the error says
        QTest::addColumn<QString>("outcome");
        const auto row = [](const char *name, const QByteArray &ini, const QString &outcome, int mode = 0600,
                            const QByteArray &clave = {}) { QTest::newRow(name) << ini << mode << clave << outcome; };
        const QByteArray server = "[Personal]\nDriver=QPSQL\nHost=srv\nDatabase=felcora\n";
        const QByteArray file = server + "PasswordFile=%D/clave\n", sys = "[SYSTABLAS]\nDatabase=felcora\n";
        const QString ini = u"\"%D/RecordBroker.ini\""_s;
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
    }
    void configurationIsReadOrRefused()
    {
        QFETCH(QByteArray, ini);
        QFETCH(int, mode);
        QFETCH(QByteArray, clave);
        QFETCH(QString, outcome);
        QTemporaryDir dir;
        QVERIFY(writeFile(dir.filePath(u"o'k\\root.crt"_s), "-----BEGIN CERTIFICATE-----\n"));
        QVERIFY(clave.isNull() || writeFile(dir.filePath(u"clave"_s), clave, mode_t(mode)));
        const QString path = dir.filePath(u"RecordBroker.ini"_s);
        QVERIFY(writeFile(path, ini.replace("%D", QFile::encodeName(dir.path())), mode_t(mode)));
        outcome.replace(u"%D"_s, dir.path());
        QString read;
        const auto error = errorOf([&] {
            const hostkit::BrokerConfig config = hostkit::BrokerConfig::load(path);
            const hostkit::EntitySettings personal = config.entity(u"personal"_s);
            // An office's INTERNOS is its server's, never a database made up on this machine.
            QVERIFY(personal.isSqlite() || config.entity(u"INTERNOS"_s) == personal);
            read = QStringList{personal.database, personal.accounting, personal.decimalSeparator,
                               personal.serverPassword(), personal.serverConnectOptions()}
                       .join(u'|');
        });
        if (error) {
            QCOMPARE(error->number(), err::kOpen);
            read = error->description();
        }
        QVERIFY2(error ? read.contains(outcome) : read == outcome, qPrintable(read));
    }

    // A driver that is not there fails the start; an accounting file that is no database fails only the statements
    // naming it, and is attached once it is one.
    void configuredDatabasesThatCannotBeUsed()
    {
        hostkit::BrokerConfig config = m_db->config();
        config.entities[kPersonal].driver = u"QNOSUCH"_s;
        QCOMPARE(failure([&] { brokerOn(config); }),
                 u"%1: El controlador de base de datos \"QNOSUCH\" no está disponible"_s.arg(err::kOpen));
        QTemporaryDir dir;
        const QString notes = dir.filePath(u"notes.db"_s), agents = u"select count(*) from QUENMARCONTABLE..AGENTES"_s;
        QVERIFY(writeFile(notes, "These are not the customers.\n"));
        config = m_db->config();
        config.entities[kPersonal].schema.clear(); // a configured database: nothing is made up beside it
        config.entities[kPersonal].accounting = notes;
        m_broker = brokerOn(config);
        QCOMPARE(first(u"select count(*) from clientes"_s).toInt(), 0);
        const QString said = failure([&] { query(agents); });
        QVERIFY2(said.startsWith(u"%1: El archivo \"%2\" no es una base de datos"_s.arg(err::kOpen).arg(notes)),
                 qPrintable(said));
        QVERIFY(QFile::remove(notes) && QFile::copy(m_db->accountingPath(), notes));
        QCOMPARE(first(agents).toInt(), 0);
    }

    // Rows changed as counted; past the end, unknown and dropped columns refused; a connection per entity, kept.
    void queriesAndChangesReportWhatHappened()
    {
        std::unique_ptr<IRecordset> rs;
        QVERIFY(!connection(u"select * from clientes"_s)->CrearRs(rs) && rs->Eof());
        QCOMPARE(run(u"insert into clientes (cuit, localidad) values ('1', 'Tandil'), ('2', 'Azul')"_s), 2);
        // A statement that reads changes nothing, whatever the previous statement changed.
        QCOMPARE(run(u"update clientes set domicilio = 'x'"_s), 2);
        QCOMPARE(run(u"select * from clientes"_s), 0);
        QCOMPARE(query(u"select * from clientes"_s)->Fields(u"NIN"_s), QVariant()); // read before a column goes
        TempDatabase::exec(m_db->personalPath(), u"alter table clientes drop column domicilio"_s);
        QVERIFY(connection(u"select * from clientes order by cuit"_s)->CrearRs(rs));
        QCOMPARE(rs->fieldIndex(u"domicilio"_s), -1);
        QCOMPARE(rs->Fields(u"localidad"_s).toString(), u"Tandil"_s);
        QVERIFY_THROWS_EXCEPTION(Error, rs->Fields(u"no_such_column"_s));
        for (rs->MoveNext(); !rs->Eof();)
            rs->MoveNext();
        QVERIFY_THROWS_EXCEPTION(Error, rs->MoveNext());
        QVERIFY_THROWS_EXCEPTION(Error, rs->Fields(u"nombre"_s));
        IDataConnection *c = m_broker->getDataConnectionByEntity(u"personal"_s); // any case: the same as PERSONAL
        QVERIFY(m_broker->getDataConnectionByEntity(u"SYSTABLAS"_s) != c);
        QVERIFY_THROWS_EXCEPTION(Error, m_broker->getDataConnectionByEntity(u"OTRA"_s));
        TempDatabase second;
        TempDatabase::exec(second.personalPath(), u"insert into clientes (cuit, nombre) values ('7', 'dos')"_s);
        m_broker->useConfig(second.config());
        m_broker->LoadParameters();
        QCOMPARE(m_broker->getDataConnectionByEntity(kPersonal), c);
        QCOMPARE(first(u"select nombre from clientes"_s).toString(), u"dos"_s);
    }

    // What the database refuses or is never sent changes nothing and says why; as a literal, the text is stored.
    void refusedStatementsChangeNothing_data()
    {
        QTest::addColumn<QString>("sql");
        QTest::addColumn<QString>("says"); // "number: " and the beginning of the description; %P the customer database
        const auto row = [](const char *name, const QString &sql, qint32 number, const QString &says) {
            QTest::newRow(name) << sql << u"%1: %2"_s.arg(number).arg(says);
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
        QFETCH(QString, says);
        run(u"insert into clientes (cuit, nombre) values ('1', 'a'), ('2', 'b')"_s);
        IDataConnection *c = connection(sql);
        std::unique_ptr<IRecordset> rs;
        says.replace(u"%P"_s, m_db->personalPath());
        for (const QString &said : {failure([&] { c->Ejecutar(); }), failure([&] { c->CrearRs(rs); })})
            QVERIFY2(said.startsWith(says), qPrintable(said));
        QCOMPARE(customers(), 2);
        const QString literal = u"insert into clientes (cuit, nombre) values ('3', %1)"_s.arg(sqlText(sql));
        if (sql.contains(QChar(u'\0'))) { // refused even inside a literal
            QVERIFY(failure([&] { run(literal); }).startsWith(says));
            return;
        }
        QCOMPARE(run(literal), 1);
        QCOMPARE(first(u"select nombre from clientes where nombre = %1"_s.arg(sqlText(sql))).toString(), sql);
    }

    // Only a real date or number, in the entity's form; for another server, a..b names stay and literals take N.
    void literalsInTheEntitysForm()
    {
        hostkit::BrokerConfig config = m_db->config();
        config.entities[u"INTERNOS"_s].driver = u"QODBC"_s;
        config.entities[u"INTERNOS"_s].database = u"oficina"_s;
        hostkit::RecordBroker broker;
        broker.useConfig(config);
        QCOMPARE(broker.getDateFormatbyEntity(u"internos"_s, u"5/3/2001"_s), u"CONVERT(datetime, '20010305', 112)"_s);
        QCOMPARE(broker.getNumberFormatbyEntity(u"INTERNOS"_s, u"999,999"_s, qint16(4)), u"ROUND(999.999, 4)"_s);
        QCOMPARE(failure([&] { broker.getDateFormatbyEntity(kPersonal, u"1); delete from clientes --"_s); }),
                 u"%1: \"1); delete from clientes --\" no es una fecha válida"_s.arg(err::kValue));
        QCOMPARE(failure([&] { broker.getNumberFormatbyEntity(kPersonal, u"1); delete from clientes"_s, qint16(2)); }),
                 u"%1: \"1); delete from clientes\" no es un número"_s.arg(err::kValue));
        const QString sql
            = u"select NOMBRE from QUENMARCONTABLE..AGENTES where CIUDAD = %1'Ñandú..x' and X = %1'O''B'"_s;
        QCOMPARE(hostkit::SqlDialect::forDriver(u"QODBC"_s)->translate(sql.arg(QString())), sql.arg(u"N"_s));
    }

    // Names come in the office server's Spanish order, by the statements and by the comparator alike.
    void namesInSpanishOrder()
    {
        test::checkNamesInSpanishOrder(m_broker->getDataConnectionByEntity(kPersonal));
        QStringList sorted = test::scrambledNames();
        std::sort(sorted.begin(), sorted.end(), [](const QString &a, const QString &b) {
            return hostkit::compareSpanish(a.toUtf8(), b.toUtf8()) < 0;
        });
        QCOMPARE(sorted, test::kNamesInSpanishOrder);
    }

    // The sqlite3 shell changes and reads the file the data access made and wrote: nothing in its schema names the
    // collation. A file put in place of the open one is read in Spanish order as well.
    void fileStaysUsableByTheShell()
    {
        run(u"insert into clientes (cuit, nombre) values ('1', 'LUNA'), ('2', 'Láctea')"_s);
        const QString path = m_db->personalPath();
        QProcess shell;
        shell.setProcessChannelMode(QProcess::MergedChannels); // the shell's error shows in the comparison
        shell.start(u"sqlite3"_s,
                    {path,
                     u"insert into clientes (cuit, nombre) values ('20111111112','X'); update "
                     "clientes set nombre='Y' where cuit='20111111112'; select count(*) from "
                     "clientes order by nombre;"_s});
        QVERIFY2(shell.waitForFinished(), qPrintable(shell.errorString()));
        QCOMPARE(shell.readAll(), "3\n");
        QCOMPARE(shell.exitCode(), 0);
        const QString copy = path + u".copia"_s;
        QVERIFY(QFile::copy(path, copy) && QFile::remove(path) && QFile::rename(copy, path));
        const QString byName = u"select group_concat(nombre, '|') from (select nombre from clientes order by nombre)"_s;
        QVERIFY(failure([&] { first(byName); }).contains(u"fue reemplazada o eliminada"_s));
        QCOMPARE(first(byName).toString(), u"Láctea|LUNA|Y"_s);
    }

    // Statements in SQLite's spelling: the name column ordered by the Spanish collation, the standard row limit
    // as LIMIT; literals, other columns and the servers' statements as written.
    void statementsInTheDialectsSpelling_data()
    {
        QTest::addColumn<QString>("driver");
        QTest::addColumn<QString>("sql");
        QTest::addColumn<QString>("sent"); // empty: as written
        const QString page = u"select * from clientes order by nombre offset 0 rows fetch next 64 rows only"_s;
        const auto row = [](const char *name, const QString &sql, const QString &sent = {},
                            const QString &driver = u"SQLite"_s) { QTest::newRow(name) << driver << sql << sent; };
        row("the list", u"select * from clientes order by nombre"_s,
            u"select * from clientes order by nombre COLLATE es_ar"_s);
        row("the printed list", u"select Nombre, Cuit From clientes order by Nombre"_s,
            u"select Nombre, Cuit From clientes order by Nombre COLLATE es_ar"_s);
        row("qualified, descending, before another term, and in a subquery",
            u"select * from (select * from clientes c order by c.NOMBRE desc, cuit limit 9) order by cuit, nombre"_s,
            u"select * from (select * from clientes c order by c.NOMBRE COLLATE es_ar desc, cuit limit 9) order by "
            "cuit, nombre COLLATE es_ar"_s);
        row("after a term with a literal", u"select * from clientes order by case cuit when 'x' then 0 end, nombre"_s,
            u"select * from clientes order by case cuit when 'x' then 0 end, nombre COLLATE es_ar"_s);
        row("collated already, an expression, other columns",
            u"select * from clientes order by nombre collate nocase, nombre || cuit, nombre2, upper(nombre)"_s);
        row("outside an ORDER BY, and inside literals",
            u"select nombre from clientes where nombre = 'x order by nombre' and 'offset 0 rows fetch next 1 rows "
            "only' <> '' group by nombre"_s);
        row("a page of whole rows: their ids ordered first", page,
            u"select * from clientes where rowid in (select rowid from clientes order by nombre COLLATE es_ar LIMIT 64 "
            "OFFSET 0) order by nombre COLLATE es_ar"_s);
        row("first row, any case", u"select cuit from clientes OFFSET 10 ROW Fetch First 1 Row Only"_s,
            u"select cuit from clientes LIMIT 1 OFFSET 10"_s);
        row("fetch alone", u"select cuit from clientes fetch first 3 rows only"_s,
            u"select cuit from clientes LIMIT 3"_s);
        row("PostgreSQL reads the page as it is", page, {}, u"QPSQL"_s);
    }
    void statementsInTheDialectsSpelling()
    {
        QFETCH(QString, driver);
        QFETCH(QString, sql);
        QFETCH(QString, sent);
        QCOMPARE(hostkit::SqlDialect::forDriver(driver)->translate(sql), sent.isEmpty() ? sql : sent);
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
        const QString said = failure([&] { run(u"insert into clientes (cuit, nombre) values ('1', 'p')"_s); });
        other.join();
        QCOMPARE(said, u"none"_s);
        QCOMPARE(customers(), 2);
    }

    // A script is cut at ";" outside literals, names, comments and $$ text; a statement keeps its first line.
    void scriptsAreSplitIntoStatements()
    {
        const QString script = u"INSERT INTO t VALUES ('a;''b;'); SELECT \"a;\"\"b\" FROM t;-- head; not a statement\n"
                               "/* a /* b; */ c; */ SELECT 1 -- tail;\n; /* only a comment; */ ;; ;\n"
                               "CREATE FUNCTION f() RETURNS int AS $$ SELECT 1; $$ LANGUAGE sql;\n"
                               "DO $b$ BEGIN $$; END $b$; SELECT a$b$ FROM t; SELECT $1; SELECT 'a\nb';\n"
                               "/* x\ny */ SELECT 2; SELECT 'c; SELECT 3"_s;
        QStringList found; // "line:text"
        for (const hostkit::sqlscript::Statement &s : hostkit::sqlscript::split(script))
            found.append(u"%1:%2"_s.arg(s.line).arg(s.text));
        QCOMPARE(found,
                 QStringList({u"1:INSERT INTO t VALUES ('a;''b;')"_s, u"1:SELECT \"a;\"\"b\" FROM t"_s,
                              u"2:SELECT 1 -- tail;"_s,
                              u"4:CREATE FUNCTION f() RETURNS int AS $$ SELECT 1; $$ LANGUAGE sql"_s,
                              u"5:DO $b$ BEGIN $$; END $b$"_s, u"5:SELECT a$b$ FROM t"_s, u"5:SELECT $1"_s,
                              u"5:SELECT 'a\nb'"_s, u"8:SELECT 2"_s, u"8:SELECT 'c; SELECT 3"_s}));
    }
};

QTEST_GUILESS_MAIN(TestBroker)
#include "tst_broker.moc"
