#include "browser/customerlist.h"

#include "browser/customerlistwindow.h"
#include "browser/customertable.h"
#include "core/statements.h"
#include "felcora/hostcomponents.h"
#include "ui/windows.h"

namespace felcora::browser {

QString customerListSql()
{
    return QStringLiteral("select * from clientes order by nombre");
}

CustomerTable readCustomerList(IDataAccess &broker, IFormat &format)
{
    const OpenedQuery query = openQuery(broker, entity::kPersonal, customerListSql());
    return CustomerTable::read(*query.rs, format);
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
