#pragma once

#include <QString>

#include "felcora/felcora_core_export.h"

namespace felcora {

// The component's version information, as the library was built (hosts show it too).
struct ComponentVersion
{
    int major = 0;
    int minor = 0;
    int revision = 0;
    QString comments;
};

FELCORA_CORE_EXPORT ComponentVersion componentVersion();

} // namespace felcora
