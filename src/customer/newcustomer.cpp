#include "customer/newcustomer.h"

#include "customer/newcustomerwindow.h"
#include "customer/pendingcustomerswindow.h"
#include "ui/windows.h"

namespace felcora::customer {

NewCustomerOutcome showNewCustomer(const CustomerStore &store, const RegisterLookup &lookUp)
{
    // The outcome lives here: the window may be gone by the time exec() returns.
    NewCustomerOutcome outcome;
    const LoadedWindow<FrmNewCliente> window(QStringLiteral("FrmNewCliente"));
    window->load(store, &outcome, lookUp);
    window->exec();
    return outcome;
}

void showPendingCustomers(const CustomerStore &store, PendingImport &fields)
{
    const LoadedWindow<frmListadeClientesPendientes> window(QStringLiteral("frmListadeClientesPendientes"));
    window->load(store, fields);
    window->activate();
    window->exec();
}

} // namespace felcora::customer
