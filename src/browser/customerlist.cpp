#include "browser/customerlist.h"

#include "browser/customerlistwindow.h"
#include "browser/customertable.h"
#include "core/customerstore.h"
#include "felcora/hostcomponents.h"
#include "ui/windows.h"

namespace felcora::browser {

CustomerTable readCustomerList(IDataAccess &broker, IFormat &format)
{
    return CustomerTable::read(*openCustomerList(broker), format);
}

std::optional<CustomerPick> showCustomerList(const CustomerListSession &session)
{
    const LoadedWindow<FrmABMClientes> window(QStringLiteral("FrmABMClientes"));
    window->setSession(session);
    window->beginFill();
    window->endFill(readCustomerList(*session.broker, *session.format));
    window->exec();
    return window ? window->pick() : std::nullopt;
}

} // namespace felcora::browser
