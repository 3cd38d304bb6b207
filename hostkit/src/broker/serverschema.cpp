#include "felcora/hostkit/serverschema.h"

#include <QFile>

#include "brokererrors.h"
#include "felcora/error.h"
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

} // namespace

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
