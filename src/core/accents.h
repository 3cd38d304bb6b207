#pragma once

#include <QString>

#include "felcora/felcora_core_export.h"

namespace felcora {

// The text without its accents: each letter's canonical decomposition with its
// combining marks left out ("Ñandú" as "Nandu"), for comparisons that ignore them.
FELCORA_CORE_EXPORT QString withoutAccents(const QString &text);

} // namespace felcora
