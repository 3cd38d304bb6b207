#pragma once

#include <QString>
#include <functional>
#include <memory>
#include <optional>

#include "core/customerrecord.h"
#include "felcora/felcora_export.h"

namespace felcora {
class CustomerStore;
}

namespace felcora::browser {

// The customer editors the list opens, supplied from above it: each answers
// the customer as the user saved it, or nothing when nothing was saved.
class CustomerEditors
{
public:
    virtual ~CustomerEditors() = default;
    // F6 or a double click: the modify window on the customer with this CUIT.
    virtual std::optional<CustomerPick> modify(const QString &cuit) = 0;
    // Insert: the new-customer window. The new customer's name, CUIT,
    // address and e-mail; its numbers are not handed back (zero).
    virtual std::optional<CustomerPick> addNew() = 0;
};

// Makes the editors the list window keeps while it is open; none, no editing.
using MakeEditors = std::function<std::unique_ptr<CustomerEditors>()>;

// Loads the customer window (the thread's shared instance), fills its list and
// shows it modally without an owner; returns when it closes, and it is
// unloaded then. picking: opened to pick a customer (Enter picks). Answers the
// customer picked, if one was.
FELCORA_TESTS_EXPORT std::optional<CustomerPick> showCustomerList(const CustomerStore &store, bool picking,
                                                                  const MakeEditors &makeEditors);

} // namespace felcora::browser
