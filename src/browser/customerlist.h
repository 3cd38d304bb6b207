#pragma once

#include "felcora/felcora_export.h"

namespace felcora::browser {

// How the list is filled: the standard way, or the one of MostrarListadoEx.
enum class ListFill { Standard, Extended };

// Loads the customer list, fills it and shows it modally; returns when it closes.
FELCORA_EXPORT void showCustomerList(ListFill fill);

} // namespace felcora::browser
