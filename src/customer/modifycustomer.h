#pragma once

#include <optional>

#include "core/customerrecord.h"
#include "felcora/felcora_export.h"

namespace felcora {
class CustomerStore;
}

namespace felcora::customer {

// How an opening of the modify window ended, in the terms the host reads.
struct ModifyOutcome
{
    // The customer as the last save that passed its checks left it, even
    // when its statement then failed.
    std::optional<CustomerPick> published;
    bool saved = false;   // a save changed the row
    bool escaped = false; // the user left without saving: the pick's name, CUIT and address are cleared
};

// Loads the modify window (the thread's shared instance), fills it from the
// customer's row and shows it modally without an owner; returns when it
// closes, and it is unloaded then.
FELCORA_TESTS_EXPORT ModifyOutcome showModifyCustomer(const CustomerStore &store, const CustomerRecord &row);

} // namespace felcora::customer
