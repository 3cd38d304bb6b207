#pragma once

#include <QString>

#include "felcora/felcora_export.h"

namespace felcora {

class IDataAccess;

// Writes the customer list as its window opens (every customer in Spanish
// order by name, the columns Nombre, Cuit, Direccion and E-Mail under their
// headers) to an XLSX or a CSV file, as the path's extension (.xlsx or .csv,
// any case) says, through the given data access; answers the rows written.
// The file replaces one of that name only once it is complete. Failures
// (another extension, a missing folder, a full disk) are thrown as felcora::Error.
FELCORA_EXPORT int exportCustomerList(IDataAccess &broker, const QString &path);

// What an export tells when done: "N clientes exportados a PATH" (the count
// grouped as the locale does, "1 cliente exportado" for one), the path as given.
FELCORA_EXPORT QString exportedCustomersText(qsizetype rows, const QString &path);

} // namespace felcora
