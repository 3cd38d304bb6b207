#pragma once

#include <optional>

#include "core/customerrecord.h"
#include "felcora/felcora_export.h"

namespace felcora {
class IDataAccess;
class IFormat;
class IListing;
class ITransactions;
} // namespace felcora

namespace felcora::customer {

// What the customer editors work with while they are open: the thread's host
// components, and whether the host is the product itself (which keeps the fee
// and offers the gross-income window).
struct EditorSession
{
    IDataAccess *broker = nullptr;
    IFormat *format = nullptr;
    IListing *listing = nullptr;
    // The data access's transactions, where it offers them.
    ITransactions *transactions = nullptr;
    bool origenTarvis = false;
    // Where the pending-customers window keeps its fields between openings;
    // null: kept for the time of one opening of the new-customer window.
    PendingImport *pendingImport = nullptr;
};

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
FELCORA_TESTS_EXPORT ModifyOutcome showModifyCustomer(const EditorSession &session, const CustomerRecord &row);

} // namespace felcora::customer
