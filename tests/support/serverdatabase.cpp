#include "serverdatabase.h"

#include <QAtomicInt>
#include <QCoreApplication>
#include <QFile>
#include <QHash>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <cstdio>
#include <cstdlib>
#include <stdexcept>

#include "felcora/hostkit/serverschema.h"

namespace felcora::test {

namespace {

constexpr int kSkipped = 3; // what CTest reads as a skipped test

// A setting of the server: the environment's, else the FELCORA_PG_ENV file's (lines "export NAME='value'").
QString setting(const char *key)
{
    if (const QByteArray value = qgetenv(key); !value.isEmpty())
        return QString::fromLocal8Bit(value);
    static const QHash<QString, QString> fromFile = [] {
        QHash<QString, QString> values;
        QFile file(qEnvironmentVariable("FELCORA_PG_ENV"));
        if (!file.open(QIODevice::ReadOnly))
            return values;
        for (const QByteArray &raw : file.readAll().split('\n')) {
            QString line = QString::fromUtf8(raw).trimmed();
            if (line.startsWith(QStringLiteral("export ")))
                line = line.mid(7);
            if (const qsizetype equals = line.indexOf(u'='); equals > 0)
                values.insert(line.left(equals).trimmed(), line.mid(equals + 1).trimmed().remove(u'\'').remove(u'"'));
        }
        return values;
    }();
    return fromFile.value(QString::fromLatin1(key));
}

int nextNumber()
{
    static QAtomicInt counter;
    return counter.fetchAndAddRelaxed(1) + 1;
}

// A connection of the test's own to a database of the server (path "postgres:<name>[/<schema>]", or the
// bare name), closed on scope exit.
class Connection
{
public:
    explicit Connection(const QString &path)
        : m_name(QStringLiteral("felcora-test-%1").arg(nextNumber()))
    {
        const QString database = path.section(u':', -1).section(u'/', 0, 0), schema = path.section(u'/', 1);
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
        run(QStringLiteral("SET standard_conforming_strings = on"));
        if (!schema.isEmpty())
            run(QStringLiteral("SET search_path TO %1, public").arg(schema));
    }
    ~Connection() { QSqlDatabase::removeDatabase(m_name); }
    Connection(const Connection &) = delete;
    Connection &operator=(const Connection &) = delete;

    // Its result goes before the connection.
    QSqlQuery run(const QString &sql) const
    {
        QSqlQuery q(QSqlDatabase::database(m_name, false));
        q.setNumericalPrecisionPolicy(QSql::LowPrecisionDouble);
        if (!q.exec(sql))
            throw std::runtime_error("statement failed: " + q.lastError().text().toStdString() + " in "
                                     + sql.toStdString());
        return q;
    }

private:
    QString m_name;
};

// The database every test database is copied from: the component's schema, made once per run.
QString templateDatabase()
{
    static const QString name = [] {
        const QString made = QStringLiteral("felcora_tpl_%1").arg(QCoreApplication::applicationPid());
        {
            const Connection admin(setting("FELCORA_PG_DATABASE"));
            admin.run(QStringLiteral("DROP DATABASE IF EXISTS %1").arg(made));
            admin.run(QStringLiteral("CREATE DATABASE %1").arg(made));
        }
        // The tables and rows as an office gets them from --init-server.
        hostkit::initServerDatabase(ServerDatabase::configFor(made).entity(QStringLiteral("PERSONAL")));
        // What the suites' own checks use of SQLite: group_concat(value, separator).
        Connection(made).run(QStringLiteral(
            "CREATE FUNCTION felcora_concat(joined text, value text, separator text) RETURNS text "
            "LANGUAGE sql IMMUTABLE AS $$ SELECT CASE WHEN value IS NULL THEN joined WHEN joined IS NULL THEN value "
            "ELSE joined || separator || value END $$;"
            "CREATE AGGREGATE group_concat(text, text) (SFUNC = felcora_concat, STYPE = text)"));
        return made;
    }();
    return name;
}

} // namespace

bool onServer()
{
    return qEnvironmentVariable("FELCORA_TEST_BACKEND").compare(QStringLiteral("postgres"), Qt::CaseInsensitive) == 0;
}

ServerDatabase::ServerDatabase(bool empty)
{
    // No server could start here (its programs are missing): the suite is skipped.
    if (setting("FELCORA_PG_HOST").isEmpty()) {
        std::fprintf(stderr, "No test server: FELCORA_PG_ENV names no settings\n");
        std::exit(kSkipped);
    }
    m_name = QStringLiteral("felcora_t_%1_%2").arg(QCoreApplication::applicationPid()).arg(nextNumber());
    const QString source = empty ? QStringLiteral("template1") : templateDatabase();
    Connection(setting("FELCORA_PG_DATABASE"))
        .run(QStringLiteral("CREATE DATABASE %1 TEMPLATE %2").arg(m_name, source));
}

ServerDatabase::~ServerDatabase()
{
    try {
        Connection(setting("FELCORA_PG_DATABASE"))
            .run(QStringLiteral("DROP DATABASE IF EXISTS %1 WITH (FORCE)").arg(m_name));
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
    Connection(path).run(sql);
}

QList<QVariantList> ServerDatabase::rows(const QString &path, const QString &sql, QStringList *columns)
{
    const Connection c(path);
    QSqlQuery q = c.run(sql);
    const QSqlRecord record = q.record();
    for (int k = 0; columns && k < record.count(); ++k)
        columns->append(record.fieldName(k));
    QList<QVariantList> found;
    while (q.next()) {
        found.emplaceBack();
        for (int k = 0; k < record.count(); ++k)
            found.last().append(q.value(k));
    }
    return found;
}

} // namespace felcora::test
