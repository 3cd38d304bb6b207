#include "customer/modifycustomer.h"

#include "customer/modifycustomerwindow.h"
#include "ui/windows.h"

namespace felcora::customer {

ModifyOutcome showModifyCustomer(const CustomerStore &store, const CustomerRecord &row)
{
    // The outcome lives here: the window may be gone by the time exec() returns.
    ModifyOutcome outcome;
    const LoadedWindow<FrmModCliente> window(QStringLiteral("FrmModCliente"));
    window->load(store, &outcome);
    window->fill(row);
    window->activate();
    window->exec();
    return outcome;
}

} // namespace felcora::customer
