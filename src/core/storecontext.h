#pragma once

namespace felcora {

class IDataAccess;
class IFormat;
class ITransactions;

// The host components a store runs its statements through, taken from the
// thread's component state by the entry classes when a window opens. The
// windows never see it: they are handed the store.
struct StoreContext
{
    IDataAccess *broker = nullptr;
    IFormat *format = nullptr;
    // The data access's transactions, where it offers them (null otherwise).
    ITransactions *transactions = nullptr;
};

} // namespace felcora
