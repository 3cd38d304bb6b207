#pragma once

#include <QMap>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <memory>

#include "felcora/hostkit/recordbroker.h"
#include "support/serverdatabase.h"

namespace felcora::test {

// The databases of one test, made by a real broker: SQLite files in a temporary folder (personal.db with contable.db
// attached as QUENMARCONTABLE, and systablas.db), or a database of its own on the test server (see onServer).
class TempDatabase
{
public:
    TempDatabase();

    QString folder() const { return m_dir.path(); }
    QString personalPath() const { return path("personal.db", &ServerDatabase::customerPath); }
    QString accountingPath() const { return path("contable.db", &ServerDatabase::accountingPath); }
    QString systemPath() const { return path("systablas.db", &ServerDatabase::customerPath); }
    hostkit::BrokerConfig config() const
    {
        return m_server ? m_server->config() : hostkit::BrokerConfig::embedded(folder());
    }
    // Where another process finds these databases, as one argument; configAt turns it into their configuration.
    QString location() const { return m_server ? m_server->customerPath() : folder(); }
    static hostkit::BrokerConfig configAt(const QString &location);

    // A broker on these databases, parameters loaded.
    std::unique_ptr<hostkit::RecordBroker> makeBroker() const;

    // Statements, or a query's first cell, through a connection of the test's own.
    static void exec(const QString &databasePath, const QString &sql);
    static QVariant scalar(const QString &databasePath, const QString &sql);

private:
    // The file in the folder, or the server database's path.
    QString path(const char *file, QString (ServerDatabase::*serverPath)() const) const
    {
        return m_server ? (*m_server.*serverPath)() : m_dir.filePath(QLatin1String(file));
    }

    QTemporaryDir m_dir;
    std::unique_ptr<ServerDatabase> m_server;
};

// Points this process's per-user INI settings at a temporary folder while it lives: never the user's own.
class UserSettingsSandbox
{
public:
    UserSettingsSandbox() { QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, m_dir.path()); }
    ~UserSettingsSandbox()
    {
        QSettings::setPath(QSettings::IniFormat, QSettings::UserScope,
                           QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation));
    }

private:
    QTemporaryDir m_dir;
};

// Every cell of every table of a database, read on a connection of its own: take one before and after an action.
class DatabaseSnapshot
{
public:
    static DatabaseSnapshot take(const QString &databasePath);

    // What changed since, one sorted line each: "table[key] inserted", "table[key] deleted", "table[key].column:
    // before -> after"; the key is the primary key's values joined by "|" (the rowid where there is none).
    QStringList differences(const DatabaseSnapshot &later) const;

private:
    struct Table
    {
        QStringList columns;
        QMap<QString, QVariantList> rows;
    };
    QMap<QString, Table> m_tables;
};

} // namespace felcora::test
