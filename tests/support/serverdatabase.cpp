#include "serverdatabase.h"

#include <QCoreApplication>
#include <QFile>
#include <QHash>
#include <QRegularExpression>
#include <QScopeGuard>
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

// A setting of the server: the environment's, else the FELCORA_PG_ENV file's (lines "export NAME='value'").
QString setting(const char *key)
{
    if (const QByteArray value = qgetenv(key); !value.isEmpty())
        return QString::fromLocal8Bit(value);
    static const QHash<QString, QString> fromFile = [] {
        QHash<QString, QString> values;
        QFile file(qEnvironmentVariable("FELCORA_PG_ENV"));
        const QString text = file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
        const QRegularExpression line(QStringLiteral("^(?:export )?(\\w+)=['\"]?([^'\"\n]*)"),
                                      QRegularExpression::MultilineOption);
        for (const QRegularExpressionMatch &found : line.globalMatch(text))
            values.insert(found.captured(1), found.captured(2));
        return values;
    }();
    return fromFile.value(QString::fromLatin1(key));
}

// The database every test database is copied from: the component's schema, made once per run.
QString templateDatabase()
{
    static const QString name = [] {
        const QString made = QStringLiteral("felcora_tpl_%1").arg(QCoreApplication::applicationPid());
        ServerDatabase::exec(setting("FELCORA_PG_DATABASE"), QStringLiteral("DROP DATABASE IF EXISTS ") + made);
        ServerDatabase::exec(setting("FELCORA_PG_DATABASE"), QStringLiteral("CREATE DATABASE ") + made);
        // The tables and rows as an office gets them from --init-server.
        hostkit::initServerDatabase(ServerDatabase::configFor(made).entity(QStringLiteral("PERSONAL")));
        // What the suites' own checks use of SQLite: group_concat(value, separator).
        ServerDatabase::exec(made,
                             QStringLiteral("CREATE FUNCTION felcora_concat(joined text, value text, separator text) "
                                            "RETURNS text LANGUAGE sql IMMUTABLE AS $$ SELECT CASE WHEN value IS NULL "
                                            "THEN joined WHEN joined IS NULL THEN value ELSE joined || separator || "
                                            "value END $$; CREATE AGGREGATE group_concat(text, text) "
                                            "(SFUNC = felcora_concat, STYPE = text)"));
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
        std::exit(3); // what CTest reads as a skipped test
    }
    static int made = 0;
    m_name = QStringLiteral("felcora_t_%1_%2").arg(QCoreApplication::applicationPid()).arg(++made);
    const QString source = empty ? QStringLiteral("template1") : templateDatabase();
    exec(setting("FELCORA_PG_DATABASE"), QStringLiteral("CREATE DATABASE %1 TEMPLATE %2").arg(m_name, source));
}

ServerDatabase::~ServerDatabase()
{
    try {
        exec(setting("FELCORA_PG_DATABASE"), QStringLiteral("DROP DATABASE IF EXISTS %1 WITH (FORCE)").arg(m_name));
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

// Through a connection of its own to the path's database ("postgres:<name>[/<schema>]", or the bare name),
// removed once the query has gone.
QList<QVariantList> ServerDatabase::rows(const QString &path, const QString &sql, QStringList *columns)
{
    static int opened = 0;
    const QString connection = QStringLiteral("felcora-test-%1").arg(++opened);
    const auto remove = qScopeGuard([&] { QSqlDatabase::removeDatabase(connection); });
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), connection);
    db.setHostName(setting("FELCORA_PG_HOST"));
    db.setPort(setting("FELCORA_PG_PORT").toInt());
    db.setUserName(setting("FELCORA_PG_USER"));
    db.setPassword(setting("FELCORA_PG_PASSWORD"));
    db.setDatabaseName(path.section(u':', -1).section(u'/', 0, 0));
    if (!db.open())
        throw std::runtime_error("cannot connect to " + path.toStdString() + ": "
                                 + db.lastError().text().toStdString());
    QSqlQuery q(db);
    q.setNumericalPrecisionPolicy(QSql::LowPrecisionDouble);
    const QString schema = path.section(u'/', 1);
    for (const QString &statement :
         {QStringLiteral("SET standard_conforming_strings = on"),
          schema.isEmpty() ? QString() : QStringLiteral("SET search_path TO %1, public").arg(schema), sql}) {
        if (!statement.isEmpty() && !q.exec(statement))
            throw std::runtime_error("statement failed: " + q.lastError().text().toStdString() + " in "
                                     + statement.toStdString());
    }
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
