#pragma once

#include <QString>

#include "felcora/felcora_core_export.h"

namespace felcora {

// What the BaseDatos setter of the three classes keeps for a value set: for
// "" (exactly empty) the per-user default of TARVIS / BASES / PERSONAL,
// anything else as given.
FELCORA_CORE_EXPORT QString baseDatosToKeep(const QString &value);

} // namespace felcora
