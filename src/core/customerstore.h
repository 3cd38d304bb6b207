#pragma once

#include <QString>
#include <memory>
#include <optional>

#include "core/customerrecord.h"
#include "felcora/error.h"
#include "felcora/felcora_core_export.h"

namespace felcora {

class IDataAccess;
class IFormat;
class IRecordset;

// The customer tables for the windows: plain values in and out, every
// statement run on the "PERSONAL" connection of the data access.

// Every customer as the list reads them, and as the printed list does: an
// open recordset to read to its end.
FELCORA_CORE_EXPORT std::unique_ptr<IRecordset> openCustomerList(IDataAccess &broker);
FELCORA_CORE_EXPORT std::unique_ptr<IRecordset> openCustomerReport(IDataAccess &broker);

// The customer with this CUIT, or nothing when the data access finds no row.
FELCORA_CORE_EXPORT std::optional<CustomerRecord> loadCustomer(IDataAccess &broker, IFormat &format,
                                                               const QString &cuit);

// What deleting a customer did: the clientes rows it removed, and the
// failure that stopped it, if one did. The distribution lines go only after
// the customer's row went, so a failure there still reports that row gone.
struct CustomerDeletion
{
    qint64 customersDeleted = 0;
    std::optional<Error> failure;
};

// Deletes the customer's row, then, when a row went, its distribution lines.
FELCORA_CORE_EXPORT CustomerDeletion deleteCustomer(IDataAccess &broker, const QString &cuit);

} // namespace felcora
