#pragma once

#include <QString>
#include <memory>

#include "felcora/felcora_export.h"

namespace felcora {

class IDataAccess;
class IRecordset;

// The three steps of every statement: the entity's connection, its Sql, then
// CrearRs for a query (its open recordset) or Ejecutar for a change (the rows
// changed).
FELCORA_EXPORT std::unique_ptr<IRecordset> openQuery(IDataAccess &broker, const QString &entity, const QString &sql);
FELCORA_EXPORT qint64 runStatement(IDataAccess &broker, const QString &entity, const QString &sql);

} // namespace felcora
