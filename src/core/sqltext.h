#pragma once

#include <QString>

#include "felcora/felcora_core_export.h"

namespace felcora {

// A text as a SQL string literal: between apostrophes, each apostrophe inside
// doubled, so that the database stores exactly the text. Every text value of
// every statement the component builds goes through here.
FELCORA_CORE_EXPORT QString sqlText(const QString &text);

} // namespace felcora
