#pragma once

#include <QString>
#include <memory>

#include "felcora/felcora_export.h"

namespace felcora {
class IDataAccess;
class IRecordset;
}

namespace felcora::browser {

// The statement the printed list reads: every customer, by name.
FELCORA_EXPORT QString customerReportSql();

// Runs it on the "PERSONAL" connection.
FELCORA_EXPORT std::unique_ptr<IRecordset> readCustomerReport(IDataAccess &broker);

// Previews the printed customer list (F12 in the list); returns when the
// preview closes. A failure is reported in a message box.
FELCORA_EXPORT void ImprimirListadoClientes();

} // namespace felcora::browser
