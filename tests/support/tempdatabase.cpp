#include "tempdatabase.h"

#include "serverdatabase.h"

#include <QDir>
#include <QFile>
#include <QSettings>
#include <QStandardPaths>
#include <sqlite3.h>
#include <stdexcept>

namespace felcora::test {

namespace {

// A plain read-write connection of the test's own, closed on scope exit.
struct Connection
{
    sqlite3 *db = nullptr;
    explicit Connection(const QString &path)
    {
        if (sqlite3_open_v2(QFile::encodeName(path).constData(), &db, SQLITE_OPEN_READWRITE, nullptr) != SQLITE_OK)
            throw std::runtime_error("cannot open " + path.toStdString());
        sqlite3_busy_timeout(db, 5000);
    }
    ~Connection() { sqlite3_close(db); }

    sqlite3_stmt *prepare(const QString &sql) const
    {
        sqlite3_stmt *statement = nullptr;
        if (sqlite3_prepare_v2(db, sql.toUtf8().constData(), -1, &statement, nullptr) != SQLITE_OK)
            throw std::runtime_error(std::string("prepare failed: ") + sqlite3_errmsg(db) + " in " + sql.toStdString());
        return statement;
    }
};

QVariant cell(sqlite3_stmt *statement, int column)
{
    switch (sqlite3_column_type(statement, column)) {
    case SQLITE_NULL: return {};
    case SQLITE_INTEGER: return qlonglong(sqlite3_column_int64(statement, column));
    case SQLITE_FLOAT: return sqlite3_column_double(statement, column);
    default:
        return QString::fromUtf8(reinterpret_cast<const char *>(sqlite3_column_text(statement, column)),
                                 sqlite3_column_bytes(statement, column));
    }
}

QString show(const QVariant &v)
{
    if (v.isNull())
        return QStringLiteral("NULL");
    // A date is text in SQLite and a date on the server: both show as the text.
    if (v.typeId() == QMetaType::QDate)
        return u'\'' + v.toDate().toString(Qt::ISODate) + u'\'';
    if (v.typeId() == QMetaType::QString)
        return u'\'' + v.toString() + u'\'';
    return v.toString();
}

} // namespace

TempDatabase::TempDatabase()
{
    if (onServer())
        m_server = std::make_unique<ServerDatabase>();
    else
        makeBroker();
}

TempDatabase::~TempDatabase() = default;

QString TempDatabase::personalPath() const
{
    return m_server ? m_server->customerPath() : QDir(folder()).filePath(QStringLiteral("personal.db"));
}

QString TempDatabase::accountingPath() const
{
    return m_server ? m_server->accountingPath() : QDir(folder()).filePath(QStringLiteral("contable.db"));
}

QString TempDatabase::systemPath() const
{
    return m_server ? m_server->customerPath() : QDir(folder()).filePath(QStringLiteral("systablas.db"));
}

hostkit::BrokerConfig TempDatabase::config() const
{
    return m_server ? m_server->config() : hostkit::BrokerConfig::embedded(folder());
}

QString TempDatabase::location() const
{
    return m_server ? m_server->customerPath() : folder();
}

hostkit::BrokerConfig TempDatabase::configAt(const QString &location)
{
    if (ServerDatabase::isServerPath(location))
        return ServerDatabase::configFor(location.section(u':', 1));
    return hostkit::BrokerConfig::embedded(location);
}

std::unique_ptr<hostkit::RecordBroker> TempDatabase::makeBroker() const
{
    auto broker = std::make_unique<hostkit::RecordBroker>();
    broker->useConfig(config());
    broker->LoadParameters();
    return broker;
}

void TempDatabase::exec(const QString &databasePath, const QString &sql)
{
    if (ServerDatabase::isServerPath(databasePath))
        return ServerDatabase::exec(databasePath, sql);
    Connection c(databasePath);
    char *message = nullptr;
    if (sqlite3_exec(c.db, sql.toUtf8().constData(), nullptr, nullptr, &message) != SQLITE_OK) {
        const std::string text = message ? message : "?";
        sqlite3_free(message);
        throw std::runtime_error("exec failed: " + text);
    }
}

QVariant TempDatabase::scalar(const QString &databasePath, const QString &sql)
{
    if (ServerDatabase::isServerPath(databasePath))
        return ServerDatabase::scalar(databasePath, sql);
    Connection c(databasePath);
    sqlite3_stmt *statement = c.prepare(sql);
    QVariant value;
    if (sqlite3_step(statement) == SQLITE_ROW)
        value = cell(statement, 0);
    sqlite3_finalize(statement);
    return value;
}

UserSettingsSandbox::UserSettingsSandbox()
{
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, m_dir.path());
}

UserSettingsSandbox::~UserSettingsSandbox()
{
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope,
                       QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation));
}

DatabaseSnapshot DatabaseSnapshot::take(const QString &databasePath)
{
    if (ServerDatabase::isServerPath(databasePath))
        return takeFromServer(databasePath);
    Connection c(databasePath);
    DatabaseSnapshot snapshot;
    QStringList tables;
    {
        sqlite3_stmt *s = c.prepare(QStringLiteral(
            "SELECT name FROM sqlite_master WHERE type = 'table' AND name NOT LIKE 'sqlite_%' ORDER BY name"));
        while (sqlite3_step(s) == SQLITE_ROW)
            tables.append(cell(s, 0).toString());
        sqlite3_finalize(s);
    }
    for (const QString &name : tables) {
        QStringList keyColumns;
        {
            sqlite3_stmt *s = c.prepare(QStringLiteral("PRAGMA table_info(\"%1\")").arg(name));
            QMap<int, QString> ordered;
            while (sqlite3_step(s) == SQLITE_ROW) {
                if (const int pk = sqlite3_column_int(s, 5); pk > 0)
                    ordered.insert(pk, cell(s, 1).toString());
            }
            sqlite3_finalize(s);
            keyColumns = ordered.values();
        }
        Table table;
        sqlite3_stmt *s = c.prepare(QStringLiteral("SELECT rowid AS felcora_rowid, * FROM \"%1\"").arg(name));
        const int columns = sqlite3_column_count(s);
        for (int k = 1; k < columns; ++k)
            table.columns.append(QString::fromUtf8(sqlite3_column_name(s, k)));
        while (sqlite3_step(s) == SQLITE_ROW) {
            QVariantList values;
            for (int k = 1; k < columns; ++k)
                values.append(cell(s, k));
            QStringList key;
            for (const QString &column : keyColumns)
                key.append(values.at(table.columns.indexOf(column)).toString());
            if (key.isEmpty())
                key.append(cell(s, 0).toString());
            table.rows.insert(key.join(u'|'), values);
        }
        sqlite3_finalize(s);
        snapshot.m_tables.insert(name, table);
    }
    return snapshot;
}

DatabaseSnapshot DatabaseSnapshot::takeFromServer(const QString &path)
{
    DatabaseSnapshot snapshot;
    for (ServerDatabase::Table &found : ServerDatabase::tables(path)) {
        // A table without a key is keyed by its row number column, as SQLite keys it by rowid.
        const qsizetype rowNumber = found.keyColumns.isEmpty() ? found.columns.indexOf(QStringLiteral("rowid")) : -1;
        Table table;
        for (qsizetype k = 0; k < found.columns.size(); ++k) {
            if (k != rowNumber)
                table.columns.append(found.columns.at(k));
        }
        for (qsizetype r = 0; r < found.rows.size(); ++r) {
            QVariantList values = found.rows.at(r);
            QStringList key;
            for (const QString &column : std::as_const(found.keyColumns))
                key.append(values.at(found.columns.indexOf(column)).toString());
            if (rowNumber >= 0)
                key.append(values.takeAt(rowNumber).toString());
            else if (key.isEmpty())
                key.append(QString::number(r + 1));
            table.rows.insert(key.join(u'|'), values);
        }
        snapshot.m_tables.insert(found.name, table);
    }
    return snapshot;
}

QStringList DatabaseSnapshot::differences(const DatabaseSnapshot &later) const
{
    QStringList lines;
    for (auto t = later.m_tables.cbegin(); t != later.m_tables.cend(); ++t) {
        const Table before = m_tables.value(t.key());
        const Table &after = t.value();
        for (auto r = after.rows.cbegin(); r != after.rows.cend(); ++r) {
            const QString where = QStringLiteral("%1[%2]").arg(t.key(), r.key());
            if (!before.rows.contains(r.key())) {
                lines.append(where + QStringLiteral(" inserted"));
                continue;
            }
            const QVariantList old = before.rows.value(r.key());
            for (int k = 0; k < after.columns.size(); ++k) {
                const QVariant a = old.value(k);
                const QVariant b = r.value().value(k);
                if (a.isNull() != b.isNull() || a != b)
                    lines.append(QStringLiteral("%1.%2: %3 -> %4").arg(where, after.columns.at(k), show(a), show(b)));
            }
        }
        for (auto r = before.rows.cbegin(); r != before.rows.cend(); ++r) {
            if (!after.rows.contains(r.key()))
                lines.append(QStringLiteral("%1[%2] deleted").arg(t.key(), r.key()));
        }
    }
    lines.sort();
    return lines;
}

int DatabaseSnapshot::rowCount(const QString &table) const
{
    return int(m_tables.value(table).rows.size());
}

} // namespace felcora::test
