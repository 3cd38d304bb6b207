#pragma once

#include <QString>
#include <functional>
#include <memory>
#include <optional>

#include "core/customerrecord.h"
#include "felcora/felcora_export.h"

namespace felcora {
class IDataAccess;
class IFormat;
class ITransactions;
} // namespace felcora

namespace felcora::browser {

class CustomerTable;

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

// What the customer list works with while it is open: the thread's data
// access and format component, and whether it was opened to pick a customer.
struct CustomerListSession
{
    IDataAccess *broker = nullptr;
    IFormat *format = nullptr;
    bool picking = false;
    // The data access's transactions, where it offers them: deletion is then all or nothing.
    ITransactions *transactions = nullptr;
    // Makes the editors the window keeps while it is open; none, no editing.
    std::function<std::unique_ptr<CustomerEditors>()> makeEditors;
};

// Reads every customer for the list through the "PERSONAL" connection.
FELCORA_TESTS_EXPORT CustomerTable readCustomerList(IDataAccess &broker, IFormat &format);

// Loads the customer window (the thread's shared instance), fills its list and
// shows it modally without an owner; returns when it closes, and it is
// unloaded then. Answers the customer picked, if one was.
FELCORA_TESTS_EXPORT std::optional<CustomerPick> showCustomerList(const CustomerListSession &session);

} // namespace felcora::browser
