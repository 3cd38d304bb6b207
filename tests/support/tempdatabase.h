#pragma once

#include <QMap>
#include <QStringList>
#include <QTemporaryDir>
#include <QVariant>
#include <memory>

#include "felcora/hostkit/brokerconfig.h"
#include "felcora/hostkit/recordbroker.h"

namespace felcora::test {

class ServerDatabase;

// The databases of one test: the embedded ones in a temporary folder,
// created with the schema by a real broker (personal.db with contable.db
// attached as QUENMARCONTABLE, and systablas.db), or, when the suites run on
// the test server (see onServer), a database of its own there. The paths
// name either.
class TempDatabase
{
public:
    TempDatabase();
    ~TempDatabase();

    bool isValid() const { return m_dir.isValid(); }
    QString folder() const { return m_dir.path(); }
    QString personalPath() const;
    QString accountingPath() const;
    QString systemPath() const;
    hostkit::BrokerConfig config() const;
    // Where another process finds these databases, as one argument: the
    // folder of the embedded files, or the server database's path. configAt
    // turns it back into their configuration.
    QString location() const;
    static hostkit::BrokerConfig configAt(const QString &location);

    // A broker on these databases, parameters loaded (the schema exists afterwards).
    std::unique_ptr<hostkit::RecordBroker> makeBroker() const;

    // Runs statements on a database through a connection of its own.
    static void exec(const QString &databasePath, const QString &sql);
    // The first column of the first row of a query, through a connection of its own.
    static QVariant scalar(const QString &databasePath, const QString &sql);

private:
    QTemporaryDir m_dir;
    std::unique_ptr<ServerDatabase> m_server;
};

// Points the per-user INI settings of this process at a temporary folder for
// as long as it lives, so that tests never read or write the user's own.
class UserSettingsSandbox
{
public:
    UserSettingsSandbox();
    ~UserSettingsSandbox();
    bool isValid() const { return m_dir.isValid(); }

private:
    QTemporaryDir m_dir;
};

// Every cell of every table of a database file, read through a separate
// connection: take one before and one after an action, and compare.
class DatabaseSnapshot
{
public:
    static DatabaseSnapshot take(const QString &databasePath);

    // What changed from this snapshot to the later one, one line each, sorted:
    // "table[key] inserted", "table[key] deleted", "table[key].column: before -> after".
    // The key is the primary key's values joined by "|" (the rowid where there is none).
    QStringList differences(const DatabaseSnapshot &later) const;

    int rowCount(const QString &table) const;

private:
    static DatabaseSnapshot takeFromServer(const QString &path);

    struct Table
    {
        QStringList columns;
        QMap<QString, QVariantList> rows;
    };
    QMap<QString, Table> m_tables;
};

} // namespace felcora::test
