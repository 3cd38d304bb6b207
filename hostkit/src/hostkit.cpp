#include "felcora/hostkit/hostkit.h"

#include "felcora/hostkit/recordbroker.h"
#include "felcora/registry.h"
#include "molde/molde.h"
#include "printdesk/printdesk.h"

namespace felcora::hostkit {

void registerHostComponents()
{
    registry::registerClass(QString::fromLatin1(components::kDataAccess), [] { return new RecordBroker; });
    registry::registerClass(QString::fromLatin1(components::kListing), [] { return new PrintDesk; });
    registry::registerClass(QString::fromLatin1(components::kFormat), [] { return new Molde; });
}

} // namespace felcora::hostkit
