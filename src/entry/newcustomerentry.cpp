#include "entry/newcustomerentry.h"

#include "core/basedatos.h"
#include "core/componentstate.h"
#include "customer/newcustomer.h"
#include "entry/customerstores.h"

namespace felcora {

customer::RegisterLookup registerLookup(const CustomerStore &store)
{
    return [registerStore = RegisterStore(store.context()), indexPath = taxregister::defaultIndexPath()](
               const QString &cuit) { return taxregister::lookUpCuit(registerStore, indexPath, cuit); };
}

clNuevo::clNuevo(QObject *parent)
    : QObject(parent)
    , m_live(std::make_unique<LiveObject>())
{
}

clNuevo::~clNuevo() = default;

void clNuevo::setBaseDatos(const QString &value)
{
    state().BaseDatos = baseDatosToKeep(value);
}
QString clNuevo::baseDatosValue() const
{
    return state().BaseDatos;
}

void clNuevo::MostrarNuevo()
{
    ComponentState &s = state();
    s.gClienteAgregado = false;
    const CustomerStore store = editorStore(s);
    const customer::NewCustomerOutcome outcome = customer::showNewCustomer(store, registerLookup(store));
    if (const auto &texts = outcome.handedBack) {
        s.Cliente_Nombre = texts->nombre;
        s.Cliente_Cuit = texts->cuit;
        s.Cliente_Domicilio = texts->domicilio;
        s.Cliente_EMail = texts->email;
    }
    if (outcome.escaped)
        s.clearLeftCustomer();
    s.gClienteAgregado = outcome.added;
}

} // namespace felcora
