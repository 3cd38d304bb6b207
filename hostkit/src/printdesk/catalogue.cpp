#include "printdesk/catalogue.h"

#include <memory>

namespace felcora::hostkit {

namespace {
const QString kDescriptionColumn = QStringLiteral("Descripcion");
const QString kCustomerEntity = QStringLiteral("PERSONAL");
} // namespace

QList<CatalogueRow> readCatalogue(IDataAccess &dataAccess, const QString &table, const QString &codeColumn)
{
    IDataConnection *connection = dataAccess.getDataConnectionByEntity(kCustomerEntity);
    connection->setSql(QStringLiteral("select %1, %2 from %3 order by %1").arg(codeColumn, kDescriptionColumn, table));
    std::unique_ptr<IRecordset> rs;
    connection->CrearRs(rs);

    QList<CatalogueRow> rows;
    for (; !rs->Eof(); rs->MoveNext())
        rows.append({rs->Fields(codeColumn).toString().trimmed(), rs->Fields(kDescriptionColumn).toString().trimmed()});
    return rows;
}

} // namespace felcora::hostkit
