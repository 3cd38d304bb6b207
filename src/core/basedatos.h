#pragma once

#include <QString>

#include "felcora/felcora_core_export.h"

namespace felcora {

// The BaseDatos setter shared by the three classes: "" (exactly empty) stores
// the per-user default of TARVIS / BASES / PERSONAL, anything else is stored as given.
FELCORA_CORE_EXPORT void storeBaseDatos(const QString &value);

} // namespace felcora
