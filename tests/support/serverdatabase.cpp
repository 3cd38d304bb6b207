#include "serverdatabase.h"

#include <QAtomicInt>
#include <QCoreApplication>
#include <QFile>
#include <QHash>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QTemporaryDir>
#include <cstdio>
#include <cstdlib>
#include <sqlite3.h>
#include <stdexcept>

#include "felcora/hostkit/recordbroker.h"
#include "felcora/hostkit/serverschema.h"

namespace felcora::test {

namespace {

// What CTest reads as a skipped test.
constexpr int kSkipped = 3;

// The server's settings: the environment, or the file that sets it.
QString setting(const char *key)
{
    if (const QByteArray value = qgetenv(key); !value.isEmpty())
        return QString::fromLocal8Bit(value);
    static const QHash<QString, QString> fromFile = [] {
        QHash<QString, QString> values;
        QFile file(QString::fromLocal8Bit(qgetenv("FELCORA_PG_ENV")));
        if (!file.open(QIODevice::ReadOnly))
            return values;
        for (const QByteArray &raw : file.readAll().split('\n')) {
            QString line = QString::fromUtf8(raw).trimmed();
            if (line.startsWith(QStringLiteral("export ")))
                line = line.mid(7);
            const qsizetype equals = line.indexOf(u'=');
            if (equals <= 0)
                continue;
            QString value = line.mid(equals + 1).trimmed();
            if (value.size() >= 2 && (value.front() == u'\'' || value.front() == u'"') && value.back() == value.front())
                value = value.mid(1, value.size() - 2);
            values.insert(line.left(equals).trimmed(), value);
        }
        return values;
    }();
    return fromFile.value(QString::fromLatin1(key));
}

// A connection of the test's own to one database of the server, closed on scope exit.
class Connection
{
public:
    Connection(const QString &database, const QString &schema = QString())
        : m_name(QStringLiteral("felcora-test-%1").arg(counter().fetchAndAddRelaxed(1) + 1))
    {
        {
            QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), m_name);
            db.setHostName(setting("FELCORA_PG_HOST"));
            db.setPort(setting("FELCORA_PG_PORT").toInt());
            db.setUserName(setting("FELCORA_PG_USER"));
            db.setPassword(setting("FELCORA_PG_PASSWORD"));
            db.setDatabaseName(database);
            if (!db.open())
                throw std::runtime_error("cannot connect to " + database.toStdString() + ": "
                                         + db.lastError().text().toStdString());
        }
        exec(QStringLiteral("SET standard_conforming_strings = on"));
        if (!schema.isEmpty())
            exec(QStringLiteral("SET search_path TO %1, public").arg(schema));
    }
    ~Connection() { QSqlDatabase::removeDatabase(m_name); }
    Connection(const Connection &) = delete;
    Connection &operator=(const Connection &) = delete;

    QSqlQuery run(const QString &sql) const
    {
        QSqlQuery q(QSqlDatabase::database(m_name, false));
        q.setNumericalPrecisionPolicy(QSql::LowPrecisionDouble);
        if (!q.exec(sql))
            throw std::runtime_error("statement failed: " + q.lastError().text().toStdString() + " in "
                                     + sql.toStdString());
        return q;
    }
    void exec(const QString &sql) const { run(sql); }

private:
    static QAtomicInt &counter()
    {
        static QAtomicInt value;
        return value;
    }
    QString m_name;
};

// The database and schema a path names.
std::pair<QString, QString> parsePath(const QString &path)
{
    const QString rest = path.mid(QStringLiteral("postgres:").size());
    const qsizetype slash = rest.indexOf(u'/');
    return slash < 0 ? std::pair{rest, QString()} : std::pair{rest.left(slash), rest.mid(slash + 1)};
}

// The database every test database is copied from: the component's schema, made once per run.
QString templateDatabase()
{
    static const QString name = [] {
        const QString made = QStringLiteral("felcora_tpl_%1").arg(QCoreApplication::applicationPid());
        {
            Connection admin(setting("FELCORA_PG_DATABASE"));
            admin.exec(QStringLiteral("DROP DATABASE IF EXISTS %1").arg(made));
            admin.exec(QStringLiteral("CREATE DATABASE %1").arg(made));
        }
        // The tables and rows as an office gets them from --init-server.
        hostkit::initServerDatabase(ServerDatabase::configFor(made).entity(QStringLiteral("PERSONAL")));
        const Connection c(made);
        // What the suites' own checks use of SQLite: group_concat(value, separator).
        c.exec(QStringLiteral(
            "CREATE FUNCTION felcora_concat(joined text, value text, separator text) RETURNS text "
            "LANGUAGE sql IMMUTABLE AS $$ SELECT CASE WHEN value IS NULL THEN joined WHEN joined IS NULL THEN value "
            "ELSE joined || separator || value END $$;"
            "CREATE AGGREGATE group_concat(text, text) (SFUNC = felcora_concat, STYPE = text)"));
        return made;
    }();
    return name;
}

// Table names, and columns as "table.column", as the component's own schema
// spells them (the server folds them to lower case), read from an embedded
// database made for it.
const QHash<QString, QString> &spelling()
{
    static const QHash<QString, QString> names = [] {
        QHash<QString, QString> found;
        QTemporaryDir dir;
        hostkit::RecordBroker broker;
        broker.useConfig(hostkit::BrokerConfig::embedded(dir.path()));
        broker.LoadParameters();
        for (const char *file : {"personal.db", "contable.db", "systablas.db"}) {
            sqlite3 *db = nullptr;
            sqlite3_open_v2(QFile::encodeName(dir.filePath(QLatin1String(file))).constData(), &db, SQLITE_OPEN_READONLY,
                            nullptr);
            sqlite3_stmt *s = nullptr;
            sqlite3_prepare_v2(db,
                               "SELECT m.name, p.name FROM sqlite_master m, pragma_table_info(m.name) p "
                               "WHERE m.type = 'table'",
                               -1, &s, nullptr);
            auto text = [s](int column) {
                return QString::fromUtf8(reinterpret_cast<const char *>(sqlite3_column_text(s, column)));
            };
            while (sqlite3_step(s) == SQLITE_ROW) {
                found.insert(text(0).toLower(), text(0));
                found.insert(text(0).toLower() + u'.' + text(1).toLower(), text(1));
            }
            sqlite3_finalize(s);
            sqlite3_close(db);
        }
        return found;
    }();
    return names;
}

QString spelled(const QString &name)
{
    return spelling().value(name.toLower(), name);
}

QString spelled(const QString &table, const QString &column)
{
    return spelling().value(table.toLower() + u'.' + column.toLower(), column);
}

} // namespace

bool onServer()
{
    return qEnvironmentVariable("FELCORA_TEST_BACKEND").compare(QStringLiteral("postgres"), Qt::CaseInsensitive) == 0;
}

ServerDatabase::ServerDatabase(bool empty)
{
    // No server could start here (its programs are missing): the suite is skipped, as CTest reads exit code 3.
    if (setting("FELCORA_PG_HOST").isEmpty()) {
        std::fprintf(stderr, "No test server: FELCORA_PG_ENV names no settings\n");
        std::exit(kSkipped);
    }
    static QAtomicInt counter;
    m_name = QStringLiteral("felcora_t_%1_%2")
                 .arg(QCoreApplication::applicationPid())
                 .arg(counter.fetchAndAddRelaxed(1) + 1);
    const QString source = empty ? QStringLiteral("template1") : templateDatabase();
    Connection(setting("FELCORA_PG_DATABASE"))
        .exec(QStringLiteral("CREATE DATABASE %1 TEMPLATE %2").arg(m_name, source));
}

ServerDatabase::~ServerDatabase()
{
    try {
        Connection(setting("FELCORA_PG_DATABASE"))
            .exec(QStringLiteral("DROP DATABASE IF EXISTS %1 WITH (FORCE)").arg(m_name));
    } catch (const std::exception &) {
        // The throwaway server goes with its databases.
    }
}

hostkit::BrokerConfig ServerDatabase::configFor(const QString &database)
{
    hostkit::EntitySettings server;
    server.driver = QStringLiteral("QPSQL");
    server.database = database;
    server.host = setting("FELCORA_PG_HOST");
    server.port = setting("FELCORA_PG_PORT").toInt();
    server.user = setting("FELCORA_PG_USER");
    server.password = setting("FELCORA_PG_PASSWORD");
    hostkit::BrokerConfig config;
    for (const char *entity : {"PERSONAL", "SYSTABLAS", "INTERNOS"})
        config.entities.insert(QString::fromLatin1(entity), server);
    return config;
}

void ServerDatabase::exec(const QString &path, const QString &sql)
{
    const auto [database, schema] = parsePath(path);
    Connection(database, schema).exec(sql);
}

QVariant ServerDatabase::scalar(const QString &path, const QString &sql)
{
    const auto [database, schema] = parsePath(path);
    const Connection c(database, schema);
    QSqlQuery q = c.run(sql); // goes before its connection
    return q.next() ? q.value(0) : QVariant();
}

QList<ServerDatabase::Table> ServerDatabase::tables(const QString &path)
{
    const auto [database, schemaName] = parsePath(path);
    const QString schema = schemaName.isEmpty() ? QStringLiteral("public") : schemaName;
    const Connection c(database, schemaName);
    QList<Table> found;
    QSqlQuery names = c.run(QStringLiteral("SELECT table_name FROM information_schema.tables WHERE table_schema = '%1' "
                                           "AND table_type = 'BASE TABLE' ORDER BY table_name")
                                .arg(schema));
    while (names.next()) {
        const QString table = names.value(0).toString();
        const QString qualified = schema + u'.' + table;
        Table t;
        t.name = spelled(table);
        QSqlQuery key
            = c.run(QStringLiteral("SELECT a.attname FROM pg_index i JOIN pg_attribute a ON a.attrelid = "
                                   "i.indrelid AND a.attnum = ANY(i.indkey) WHERE i.indrelid = '%1'::regclass "
                                   "AND i.indisprimary ORDER BY array_position(i.indkey, a.attnum)")
                        .arg(qualified));
        while (key.next())
            t.keyColumns.append(spelled(table, key.value(0).toString()));
        QSqlQuery rows = c.run(QStringLiteral("SELECT * FROM %1").arg(qualified));
        const QSqlRecord record = rows.record();
        for (int k = 0; k < record.count(); ++k)
            t.columns.append(spelled(table, record.fieldName(k)));
        while (rows.next()) {
            QVariantList values;
            for (int k = 0; k < record.count(); ++k)
                values.append(rows.value(k));
            t.rows.append(values);
        }
        found.append(t);
    }
    return found;
}

} // namespace felcora::test
