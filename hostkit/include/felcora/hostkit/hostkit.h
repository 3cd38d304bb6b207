#pragma once

#include "felcora/hostkit/hostkit_export.h"

namespace felcora::hostkit {

// Registers the default host components under their names
// ("RecordBroker.BrokerMain", "oPrintDesk.cMain", "cMOLDE.MAIN"), as a host
// does before it constructs clListado.
FELCORA_HOSTKIT_EXPORT void registerHostComponents();

} // namespace felcora::hostkit
