#include "felcora/componentversion.h"

namespace felcora {

ComponentVersion componentVersion()
{
    return {FELCORA_VERSION_MAJOR, FELCORA_VERSION_MINOR, FELCORA_VERSION_PATCH,
            QStringLiteral(FELCORA_VERSION_COMMENTS)};
}

} // namespace felcora
