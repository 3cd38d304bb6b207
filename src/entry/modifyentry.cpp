#include "felcora/clModificar.h"

#include "core/basedatos.h"
#include "core/componentstate.h"
#include "core/customerstore.h"
#include "core/errortrap.h"
#include "customer/modifycustomer.h"
#include "entry/customerstores.h"
#include "ui/handlerguard.h"

namespace felcora {

namespace {

// What the host reads after the window closed.
void publishOutcome(ComponentState &s, const customer::ModifyOutcome &outcome)
{
    if (outcome.published)
        s.publish(*outcome.published);
    if (outcome.escaped)
        s.clearLeftCustomer();
    s.gClienteModificado = outcome.saved;
}

} // namespace

clModificar::clModificar(QObject *parent)
    : QObject(parent)
    , m_live(std::make_unique<LiveObject>())
{
}

clModificar::~clModificar() = default;

void clModificar::setCLICUIT(const QString &cuit)
{
    m_cuit = cuit;
}
void clModificar::setBaseDatos(const QString &value)
{
    state().BaseDatos = baseDatosToKeep(value);
}
QString clModificar::baseDatosValue() const
{
    return state().BaseDatos;
}

void clModificar::Mostrar()
{
    try {
        ComponentState &s = state();
        s.gClienteModificado = false;
        const CustomerStore store = editorStore(s);
        const auto row = store.load(m_cuit);
        if (!row)
            return;
        publishOutcome(s, customer::showModifyCustomer(store, *row));
    } catch (const std::exception &) {
        reportTrapped(currentError(), QStringLiteral("Sección FELCORA.clModificar.Mostrar"));
    }
}

} // namespace felcora
