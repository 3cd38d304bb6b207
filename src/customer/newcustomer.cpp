#include "customer/newcustomer.h"

#include "customer/newcustomerwindow.h"
#include "customer/pendingcustomerswindow.h"
#include "ui/windows.h"

namespace felcora::customer {

NewCustomerOutcome showNewCustomer(const EditorSession &session)
{
    // The outcome lives here: the window may be gone by the time exec() returns.
    NewCustomerOutcome outcome;
    const LoadedWindow<FrmNewCliente> window(QStringLiteral("FrmNewCliente"));
    window->load(session, &outcome);
    window->exec();
    return outcome;
}

void showPendingCustomers(IDataAccess &broker, PendingImport &fields)
{
    const LoadedWindow<frmListadeClientesPendientes> window(QStringLiteral("frmListadeClientesPendientes"));
    window->load(broker, fields);
    window->activate();
    window->exec();
}

} // namespace felcora::customer
