#pragma once

#include <QString>

#include "felcora/felcora_export.h"

namespace felcora {

class IDataAccess;

// Writes the printed customer list (every customer by name, as the list's
// preview shows it) straight to a PDF file, through the given data access;
// answers the number of pages. The file replaces one of that name only once
// it is complete. Failures, a full disk among them, are thrown as felcora::Error.
FELCORA_EXPORT int writeCustomerListPdf(IDataAccess &broker, const QString &path);

} // namespace felcora
