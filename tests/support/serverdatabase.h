#pragma once

#include <QStringList>
#include <QVariant>

#include "felcora/hostkit/brokerconfig.h"

namespace felcora::test {

// Whether the suites' databases are on the PostgreSQL test server (FELCORA_TEST_BACKEND=postgres), not SQLite files;
// the server is named by FELCORA_PG_HOST, _PORT, _DATABASE, _USER and _PASSWORD, or the file FELCORA_PG_ENV.
bool onServer();

// A database of its own on the test server, made from the component's schema and dropped when it goes; its paths
// are "postgres:<name>", and "postgres:<name>/quenmarcontable" for the accounting tables.
class ServerDatabase
{
public:
    // empty: without the component's tables, for what creates them.
    explicit ServerDatabase(bool empty = false);
    ~ServerDatabase();
    Q_DISABLE_COPY(ServerDatabase)

    QString name() const { return m_name; }
    QString customerPath() const { return QStringLiteral("postgres:") + m_name; }
    QString accountingPath() const { return customerPath() + QStringLiteral("/quenmarcontable"); }
    hostkit::BrokerConfig config() const { return configFor(m_name); }
    // The three entities on a database of the test server (another process's, say).
    static hostkit::BrokerConfig configFor(const QString &database);

    static bool isServerPath(const QString &path) { return path.startsWith(QStringLiteral("postgres:")); }
    // Statements through a connection of the test's own; a failure throws.
    static void exec(const QString &path, const QString &sql) { rows(path, sql); }
    static QVariant scalar(const QString &path, const QString &sql) { return rows(path, sql).value(0).value(0); }
    // A query's rows, and its columns' names when asked.
    static QList<QVariantList> rows(const QString &path, const QString &sql, QStringList *columns = nullptr);

private:
    QString m_name;
};

} // namespace felcora::test
