#include "tempdatabase.h"

#include <QFile>
#include <sqlite3.h>
#include <stdexcept>

namespace felcora::test {

namespace {

// A read-write connection of the test's own to a SQLite file, closed when it goes.
std::unique_ptr<sqlite3, int (*)(sqlite3 *)> openFile(const QString &path)
{
    sqlite3 *db = nullptr;
    const int status = sqlite3_open_v2(QFile::encodeName(path).constData(), &db, SQLITE_OPEN_READWRITE, nullptr);
    std::unique_ptr<sqlite3, int (*)(sqlite3 *)> file(db, &sqlite3_close);
    if (status != SQLITE_OK)
        throw std::runtime_error("cannot open " + path.toStdString());
    sqlite3_busy_timeout(db, 5000);
    return file;
}

// A query's rows (and its columns' names when asked) on a SQLite file or a server path.
QList<QVariantList> rows(const QString &path, const QString &sql, QStringList *columns = nullptr)
{
    if (ServerDatabase::isServerPath(path))
        return ServerDatabase::rows(path, sql, columns);
    const auto file = openFile(path);
    sqlite3_stmt *s = nullptr;
    if (sqlite3_prepare_v2(file.get(), sql.toUtf8().constData(), -1, &s, nullptr) != SQLITE_OK)
        throw std::runtime_error(std::string("prepare failed: ") + sqlite3_errmsg(file.get()) + " in "
                                 + sql.toStdString());
    for (int k = 0; columns && k < sqlite3_column_count(s); ++k)
        columns->append(QString::fromUtf8(sqlite3_column_name(s, k)));
    QList<QVariantList> found;
    int step = SQLITE_ROW;
    while ((step = sqlite3_step(s)) == SQLITE_ROW) {
        found.emplaceBack();
        for (int k = 0; k < sqlite3_column_count(s); ++k) {
            switch (sqlite3_column_type(s, k)) {
            case SQLITE_NULL: found.last().append(QVariant()); break;
            case SQLITE_INTEGER: found.last().append(qlonglong(sqlite3_column_int64(s, k))); break;
            case SQLITE_FLOAT: found.last().append(sqlite3_column_double(s, k)); break;
            default:
                found.last().append(QString::fromUtf8(reinterpret_cast<const char *>(sqlite3_column_text(s, k)),
                                                      sqlite3_column_bytes(s, k)));
            }
        }
    }
    sqlite3_finalize(s);
    if (step != SQLITE_DONE) // a query cut short (a busy file, say) is no answer: never a shorter list of rows
        throw std::runtime_error(std::string("query failed: ") + sqlite3_errmsg(file.get()) + " in "
                                 + sql.toStdString());
    return found;
}

// A name the server folded to lower case, a table's or a column's ("table.column"), as the component's
// schema spells it: read from embedded databases made for it.
QString spelled(const QString &name)
{
    static const QHash<QString, QString> spelling = [] {
        QHash<QString, QString> names;
        const QTemporaryDir dir;
        hostkit::RecordBroker broker;
        broker.useConfig(hostkit::BrokerConfig::embedded(dir.path()));
        broker.LoadParameters();
        for (const char *file : {"personal.db", "contable.db", "systablas.db"})
            for (const QVariantList &row : rows(dir.filePath(QLatin1String(file)),
                                                QStringLiteral("SELECT m.name, p.name FROM sqlite_master m, "
                                                               "pragma_table_info(m.name) p WHERE m.type = 'table'"))) {
                const QString table = row.at(0).toString();
                names.insert(table.toLower(), table);
                names.insert((table + u'.' + row.at(1).toString()).toLower(), row.at(1).toString());
            }
        return names;
    }();
    return spelling.value(name.toLower(), name.section(u'.', -1));
}

QString show(const QVariant &v)
{
    if (v.isNull())
        return QStringLiteral("NULL");
    // A date is text in SQLite and a date on the server: both show as the text.
    if (v.typeId() == QMetaType::QString || v.typeId() == QMetaType::QDate)
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

hostkit::BrokerConfig TempDatabase::configAt(const QString &location)
{
    return ServerDatabase::isServerPath(location) ? ServerDatabase::configFor(location.section(u':', 1))
                                                  : hostkit::BrokerConfig::embedded(location);
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
    const auto file = openFile(databasePath);
    if (sqlite3_exec(file.get(), sql.toUtf8().constData(), nullptr, nullptr, nullptr) != SQLITE_OK)
        throw std::runtime_error(std::string("exec failed: ") + sqlite3_errmsg(file.get()));
}

QVariant TempDatabase::scalar(const QString &databasePath, const QString &sql)
{
    return rows(databasePath, sql).value(0).value(0);
}

DatabaseSnapshot DatabaseSnapshot::take(const QString &databasePath)
{
    const bool server = ServerDatabase::isServerPath(databasePath);
    DatabaseSnapshot snapshot;
    for (const QVariantList &tableName :
         rows(databasePath,
              server ? QStringLiteral("SELECT table_name FROM information_schema.tables WHERE "
                                      "table_schema = current_schema() AND table_type = 'BASE TABLE'")
                     : QStringLiteral("SELECT name FROM sqlite_master WHERE type = 'table' "
                                      "AND name NOT LIKE 'sqlite_%'"))) {
        const QString name = tableName.value(0).toString();
        const QList<QVariantList> keyColumns = rows(
            databasePath,
            server ? QStringLiteral("SELECT a.attname FROM pg_index i JOIN pg_attribute a ON a.attrelid = i.indrelid "
                                    "AND a.attnum = ANY(i.indkey) WHERE i.indrelid = (current_schema() || '.%1')"
                                    "::regclass AND i.indisprimary ORDER BY array_position(i.indkey, a.attnum)")
                         .arg(name)
                   : QStringLiteral("SELECT name FROM pragma_table_info('%1') WHERE pk > 0 ORDER BY pk").arg(name));
        // A table without a key is keyed by its rowid: SQLite's own, a column of that name on the server.
        QStringList columns;
        const QList<QVariantList> found
            = rows(databasePath,
                   QStringLiteral("SELECT %1* FROM \"%2\"")
                       .arg(QLatin1String(server || !keyColumns.isEmpty() ? "" : "rowid, "), name),
                   &columns);
        const qsizetype rowid = keyColumns.isEmpty() ? columns.indexOf(QStringLiteral("rowid")) : -1;
        Table &table = snapshot.m_tables[server ? spelled(name) : name];
        for (qsizetype k = 0; k < columns.size(); ++k)
            if (k != rowid)
                table.columns.append(server ? spelled(name + u'.' + columns.at(k)) : columns.at(k));
        for (QVariantList values : found) {
            QStringList key;
            for (const QVariantList &column : keyColumns)
                key.append(values.at(columns.indexOf(column.value(0).toString())).toString());
            if (rowid >= 0)
                key.append(values.takeAt(rowid).toString());
            table.rows.insert(key.join(u'|'), values);
        }
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
            for (int k = 0; k < after.columns.size(); ++k) {
                const QVariant a = before.rows.value(r.key()).value(k), b = r.value().value(k);
                if (a.isNull() != b.isNull() || a != b)
                    lines.append(QStringLiteral("%1.%2: %3 -> %4").arg(where, after.columns.at(k), show(a), show(b)));
            }
        }
        for (auto r = before.rows.cbegin(); r != before.rows.cend(); ++r)
            if (!after.rows.contains(r.key()))
                lines.append(QStringLiteral("%1[%2] deleted").arg(t.key(), r.key()));
    }
    lines.sort();
    return lines;
}

} // namespace felcora::test
