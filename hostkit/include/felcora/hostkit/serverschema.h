#pragma once

#include "felcora/hostkit/brokerconfig.h"
#include "felcora/hostkit/hostkit_data_export.h"

namespace felcora::hostkit {

// Creates the component's tables, with the rows a new database starts with
// (catalogues, jurisdictions), on an empty PostgreSQL database named by the
// settings: all of it or nothing. Refused before anything changes: a driver
// other than QPSQL, a role that may not create the tables, a database not in
// UTF8, a server without ICU, and a database that has any of the tables
// already. Throws felcora::Error, which says what stopped it and what to do.
FELCORA_HOSTKIT_DATA_EXPORT void initServerDatabase(const EntitySettings &settings);

struct DemoOptions;

// Adds demo data to the server database named by the settings, which holds
// the tables: the rows are made as for an embedded database, in a temporary
// one, and copied over in one transaction; a CUIT or agent the server has
// already is skipped. Answers the customers added.
FELCORA_HOSTKIT_DATA_EXPORT qint64 writeServerDemoData(const EntitySettings &settings, const DemoOptions &options);

} // namespace felcora::hostkit
