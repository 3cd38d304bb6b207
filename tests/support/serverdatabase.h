#pragma once

#include <QString>
#include <QStringList>
#include <QVariant>
#include <optional>

#include "felcora/hostkit/brokerconfig.h"

namespace felcora::test {

// Where the suites' databases live: SQLite files (the default) or a
// PostgreSQL server, chosen by FELCORA_TEST_BACKEND=postgres with the server
// named by FELCORA_PG_HOST, _PORT, _DATABASE, _USER and _PASSWORD (or by the
// file FELCORA_PG_ENV that sets them).
bool onServer();

// A database of its own on the test server, made from the component's
// schema, dropped when it goes. Its "paths" are what TempDatabase::exec and
// DatabaseSnapshot::take accept: "postgres:<name>" for the customer and
// system tables, "postgres:<name>/quenmarcontable" for the accounting tables.
class ServerDatabase
{
public:
    // empty: a database without the component's tables, for what creates them.
    explicit ServerDatabase(bool empty = false);
    ~ServerDatabase();
    ServerDatabase(const ServerDatabase &) = delete;
    ServerDatabase &operator=(const ServerDatabase &) = delete;

    QString name() const { return m_name; }
    QString customerPath() const { return QStringLiteral("postgres:") + m_name; }
    QString accountingPath() const { return customerPath() + QStringLiteral("/quenmarcontable"); }
    // The three entities on this database.
    hostkit::BrokerConfig config() const { return configFor(m_name); }
    // The same for a database of the test server by its name (another process's, say).
    static hostkit::BrokerConfig configFor(const QString &database);

    static bool isServerPath(const QString &path) { return path.startsWith(QStringLiteral("postgres:")); }
    // Statements through a connection of the test's own; a failure throws.
    static void exec(const QString &path, const QString &sql);
    static QVariant scalar(const QString &path, const QString &sql);
    // Every table of the path's schema: its name and columns as the
    // component's schema spells them, its key columns, and its rows.
    struct Table
    {
        QString name;
        QStringList columns;
        QStringList keyColumns;
        QList<QVariantList> rows;
    };
    static QList<Table> tables(const QString &path);

private:
    QString m_name;
};

} // namespace felcora::test
