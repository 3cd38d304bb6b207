#include "customerlist.h"

#include "../entry/componentstate.h"

namespace felcora::browser {

// Until the list window exists, the list is read through to the end: the
// statement, the data access and the format component are exercised as the
// window will use them, and their failures reach the caller.
void showCustomerList(ListFill fill)
{
    ComponentState &s = state();
    IDataConnection *connection = s.broker().getDataConnectionByEntity(QStringLiteral("PERSONAL"));
    connection->setSql(QStringLiteral("select * from clientes order by nombre"));
    std::unique_ptr<IRecordset> rs;
    s.broker().getDataConnectionByEntity(QStringLiteral("PERSONAL"))->CrearRs(rs);
    IFormat &molde = s.molde();
    for (; rs && !rs->Eof(); rs->MoveNext()) {
        const QVariant name = rs->Fields(QStringLiteral("nombre"));
        const QVariant cuit = rs->Fields(QStringLiteral("CUIT"));
        if (fill == ListFill::Standard)
            (void)(name.toString() + cuit.toString());
        (void)molde.EsNumero(rs->Fields(QStringLiteral("regalias")));
        (void)molde.EsNumero(rs->Fields(QStringLiteral("AjxVinc_4102")));
    }
}

} // namespace felcora::browser
