#include "felcora/hostkit/serverschema.h"

#include <QFile>
#include <QTemporaryDir>
#include <sqlite3.h>

#include "brokererrors.h"
#include "felcora/error.h"
#include "felcora/hostkit/demodata.h"
#include "felcora/hostkit/recordbroker.h"
#include "serversession.h"

namespace felcora::hostkit {

namespace {

// The server's tables, then the rows a new database starts with.
const QStringList kScripts = {QStringLiteral(":/felcora/sql/postgres/schema.sql"),
                              QStringLiteral(":/felcora/sql/personal.seed.sql"),
                              QStringLiteral(":/felcora/sql/systablas.seed.sql")};

QString sourceFor(const char *operation)
{
    return QStringLiteral("RecordBroker.ServerSchema.") + QLatin1String(operation);
}

// The tables the demo data fills, by database file, and where they go on the server.
struct DemoTable
{
    const char *file;
    const char *table;
    const char *target;
};
constexpr DemoTable kDemoTables[] = {
    {"personal.db", "clientes", "clientes"},
    {"personal.db", "DIB", "DIB"},
    {"personal.db", "VentajasRel", "VentajasRel"},
    {"contable.db", "AGENTES", "quenmarcontable.AGENTES"},
    {"contable.db", "ROLES_AUTORIZADOS", "quenmarcontable.ROLES_AUTORIZADOS"},
};
// Rows per insert statement of the copy.
constexpr int kRowsPerInsert = 1000;

// A value of an SQLite row as a literal of the server's.
QString literal(sqlite3_stmt *row, int column)
{
    switch (sqlite3_column_type(row, column)) {
    case SQLITE_NULL: return QStringLiteral("NULL");
    case SQLITE_INTEGER: return QString::number(sqlite3_column_int64(row, column));
    case SQLITE_FLOAT: return QString::number(sqlite3_column_double(row, column), 'g', 17);
    default: break;
    }
    const QString text = QString::fromUtf8(reinterpret_cast<const char *>(sqlite3_column_text(row, column)),
                                           sqlite3_column_bytes(row, column));
    return u'\'' + QString(text).replace(u'\'', QStringLiteral("''")) + u'\'';
}

// Copies every row of a table of a database file to the server, a batch of
// rows per insert statement.
void copyTable(const QString &file, const DemoTable &table, ServerSession &server)
{
    sqlite3 *db = nullptr;
    sqlite3_stmt *rows = nullptr;
    QString batch;
    const auto fail = [&] {
        const QString why = QString::fromUtf8(sqlite3_errmsg(db));
        sqlite3_finalize(rows);
        sqlite3_close(db);
        throw Error(brokererr::kDatabase, sourceFor("DemoData"),
                    QStringLiteral("No se pudieron leer los datos de demostración (%1)").arg(why));
    };
    if (sqlite3_open_v2(QFile::encodeName(file).constData(), &db, SQLITE_OPEN_READONLY, nullptr) != SQLITE_OK)
        fail();
    const QByteArray select = QByteArrayLiteral("SELECT * FROM ") + table.table;
    if (sqlite3_prepare_v2(db, select.constData(), -1, &rows, nullptr) != SQLITE_OK)
        fail();
    QStringList columns;
    for (int c = 0; c < sqlite3_column_count(rows); ++c)
        columns.append(QString::fromUtf8(sqlite3_column_name(rows, c)));
    const QString head = QStringLiteral("INSERT INTO %1 (%2) VALUES ").arg(QLatin1String(table.target), columns.join(u','));
    int inBatch = 0;
    const auto send = [&] {
        server.execute(batch + QStringLiteral(" ON CONFLICT DO NOTHING"));
        batch.clear();
        inBatch = 0;
    };
    int rc;
    while ((rc = sqlite3_step(rows)) == SQLITE_ROW) {
        QStringList values;
        for (int c = 0; c < columns.size(); ++c)
            values.append(literal(rows, c));
        batch += (inBatch == 0 ? head : QStringLiteral(",")) + u'(' + values.join(u',') + u')';
        if (++inBatch == kRowsPerInsert)
            send();
    }
    if (rc != SQLITE_DONE)
        fail();
    sqlite3_finalize(rows);
    sqlite3_close(db);
    if (inBatch > 0)
        send();
}

} // namespace

qint64 writeServerDemoData(const EntitySettings &settings, const DemoOptions &options)
{
    // The rows are made where the generator makes them: in embedded databases of their own.
    QTemporaryDir dir;
    if (!dir.isValid())
        throw Error(brokererr::kOpen, sourceFor("DemoData"), QStringLiteral("No se pudo crear una carpeta temporal"));
    {
        RecordBroker embedded;
        embedded.useConfig(BrokerConfig::embedded(dir.path()));
        embedded.LoadParameters();
    }
    const auto session = ServerSession::open(settings);
    const auto customers = [&] {
        return session->query(QStringLiteral("select count(*) from clientes"))->value(0).toLongLong();
    };
    const qint64 customersBefore = customers();
    // Another seed for each filling, so that a second one draws other CUITs than the first.
    DemoOptions drawn = options;
    drawn.seed += quint32(customersBefore);
    generateDemoData(dir.filePath(QStringLiteral("personal.db")), dir.filePath(QStringLiteral("contable.db")), drawn);

    session->begin();
    try {
        for (const DemoTable &table : kDemoTables)
            copyTable(dir.filePath(QLatin1String(table.file)), table, *session);
        session->commit();
    } catch (...) {
        session->rollback();
        throw;
    }
    return customers() - customersBefore;
}

void initServerDatabase(const EntitySettings &settings)
{
    if (settings.driver.compare(QStringLiteral("QPSQL"), Qt::CaseInsensitive) != 0)
        throw Error(brokererr::kOpen, sourceFor("Init"),
                    QStringLiteral("Las tablas se crean solo en un servidor PostgreSQL (Driver=QPSQL), no con \"%1\"")
                        .arg(settings.driver));
    QString script = QStringLiteral("BEGIN;\n");
    for (const QString &resource : kScripts) {
        QFile file(resource);
        if (!file.open(QIODevice::ReadOnly))
            throw Error(brokererr::kOpen, sourceFor("Init"),
                        QStringLiteral("No se encontró el esquema \"%1\"").arg(resource));
        script += QString::fromUtf8(file.readAll()) + u'\n';
    }
    script += QStringLiteral("COMMIT;");

    const auto session = ServerSession::open(settings);
    const auto existing = session->query(
        QStringLiteral("select count(*) from information_schema.tables where table_schema = current_schema() "
                       "and table_name = 'clientes'"));
    if (existing->value(0).toLongLong() > 0)
        throw Error(brokererr::kOpen, sourceFor("Init"),
                    QStringLiteral("La base de datos \"%1\" del servidor \"%2\" ya tiene la tabla de clientes: no se "
                                   "cambió nada")
                        .arg(settings.database, settings.host));
    session->runScript(script);
}

} // namespace felcora::hostkit
