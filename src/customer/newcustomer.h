#pragma once

#include <functional>
#include <optional>

#include "core/customerrecord.h"
#include "felcora/felcora_export.h"
#include "taxregister/registercheck.h"

namespace felcora {
class CustomerStore;
}

namespace felcora::customer {

// The new customer as the host reads it: the texts the save hands back.
struct NewCustomerTexts
{
    QString nombre;
    QString cuit;
    QString domicilio;
    QString email;

    bool operator==(const NewCustomerTexts &) const = default;
};

// How an opening of the new-customer window ended, in the terms the host reads.
struct NewCustomerOutcome
{
    // The texts as the last save that passed its checks left them, even when
    // the customer then was not stored (its CUIT taken, say).
    std::optional<NewCustomerTexts> handedBack;
    bool added = false;   // a save stored the customer
    bool escaped = false; // the user left without saving: the name, CUIT and address handed back are cleared
};

// What the taxpayer register says of a CUIT typed for a new customer (eleven
// digits with a valid check digit): nothing when the register does not have
// it. A register that cannot be read throws felcora::Error. An empty
// function stands for no register at all.
using RegisterLookup = std::function<std::optional<taxregister::RegisterAnswer>(const QString &cuit)>;

// Loads the new-customer window (the thread's shared instance), empty, and
// shows it modally without an owner; returns when it closes, and it is
// unloaded then. A valid CUIT typed there is looked up with lookUp.
FELCORA_TESTS_EXPORT NewCustomerOutcome showNewCustomer(const CustomerStore &store, const RegisterLookup &lookUp);

// Shows the pending-customers window over the accounting database until the
// user picks an agent or leaves; its fields are kept in `fields`.
FELCORA_TESTS_EXPORT void showPendingCustomers(const CustomerStore &store, PendingImport &fields);

} // namespace felcora::customer
