#pragma once

#include "core/componentstate.h"
#include "customer/modifycustomer.h"

namespace felcora {

// What the customer editors work with: this thread's components, and where
// the pending-customers window keeps its fields.
inline customer::EditorSession editorSession(ComponentState &s)
{
    return {&s.broker(), &s.molde(), &s.printDesk(), s.transactions(), s.OrigenTarvis, &s.pendingImport};
}

} // namespace felcora
