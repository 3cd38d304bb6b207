#include "customerlist.h"

#include "../entry/componentstate.h"

namespace felcora::browser {

// Until the list window exists, the list is read through to the end: the
// statement, the data access and the format component are exercised as the
// window will use them, and their failures reach the caller. Both fills read
// the same way for now.
void showCustomerList(ListFill)
{
    ComponentState &s = state();
    IDataConnection *connection = s.broker().getDataConnectionByEntity(QStringLiteral("PERSONAL"));
    connection->setSql(QStringLiteral("select * from clientes order by nombre"));
    std::unique_ptr<IRecordset> rs;
    connection->CrearRs(rs);
    IFormat &molde = s.molde();
    for (; !rs->Eof(); rs->MoveNext()) {
        for (const char *column : {"nombre", "CUIT"})
            molde.EsNull(rs->Fields(QString::fromLatin1(column)));
        molde.EsNumero(rs->Fields(QStringLiteral("regalias")));
        molde.EsNumero(rs->Fields(QStringLiteral("AjxVinc_4102")));
    }
}

} // namespace felcora::browser
