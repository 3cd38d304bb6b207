#pragma once

#include "core/componentstate.h"
#include "core/customerstore.h"

namespace felcora {

// The customer store of one window opening, on this thread's components:
// the data access and the format component (their errors when missing),
// with the data access's transactions where it offers them.

// For the customer list, which picks nothing from the listing component.
inline CustomerStore listStore(ComponentState &s)
{
    return CustomerStore({&s.broker(), &s.molde(), s.transactions()}, nullptr, !s.OrigenTarvis);
}

// For the customer editors: the listing component's pick windows too, and
// the pending-customers window's fields kept in the state.
inline CustomerStore editorStore(ComponentState &s)
{
    IDataAccess &broker = s.broker();
    IFormat &format = s.molde();
    IListing &listing = s.printDesk();
    return CustomerStore({&broker, &format, s.transactions()}, &listing, !s.OrigenTarvis, &s.pendingImport);
}

} // namespace felcora
