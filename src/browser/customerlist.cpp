#include "customerlist.h"

#include <QPointer>

#include "../entry/componentstate.h"
#include "../entry/statements.h"
#include "../entry/windowsupport.h"
#include "customertable.h"
#include "frmabmclientes.h"

namespace felcora::browser {

QString customerListSql()
{
    return QStringLiteral("select * from clientes order by nombre");
}

CustomerTable readCustomerList(IDataAccess &broker, IFormat &format)
{
    const std::unique_ptr<IRecordset> rs = openQuery(broker, QStringLiteral("PERSONAL"), customerListSql());
    return CustomerTable::read(*rs, format);
}

void showCustomerList()
{
    ComponentState &s = state();
    QPointer<FrmABMClientes> window = sharedWindow<FrmABMClientes>(QStringLiteral("FrmABMClientes"));
    try {
        window->beginFill();
        window->endFill(readCustomerList(s.broker(), s.molde()));
    } catch (...) {
        releaseWindow(window);
        throw;
    }
    window->exec();
    releaseWindow(window);
}

} // namespace felcora::browser
