#pragma once

#include "felcora/hostkit/brokerconfig.h"
#include "felcora/hostkit/hostkit_export.h"

namespace felcora::hostkit {

// Creates the component's tables, with the rows a new database starts with
// (catalogues, jurisdictions), on an empty PostgreSQL database named by the
// settings: all of it or nothing. A database that has the customer table
// already is refused, and so is a driver other than QPSQL. Throws felcora::Error.
FELCORA_HOSTKIT_EXPORT void initServerDatabase(const EntitySettings &settings);

} // namespace felcora::hostkit
