#include "felcora/clListado.h"

#include "browser/customerlist.h"
#include "core/basedatos.h"
#include "core/componentstate.h"
#include "core/errortrap.h"
#include "entry/customerstores.h"
#include "entry/newcustomerentry.h"
#include "felcora/clModificar.h"
#include "felcora/registry.h"

namespace felcora {

namespace {

// Creates a host component by its registered name; the failure reaches the host unchanged.
QObject *createComponent(const char *name)
{
    return registry::createObject(QString::fromLatin1(name));
}

void handDataAccessToListing(ComponentState &s)
{
    QObject *broker = s.gBroker.object();
    s.printDesk().SetDataAccess(broker);
}

void clearPickTexts(ComponentState &s)
{
    s.Cliente_Cuit.clear();
    s.Cliente_Domicilio.clear();
    s.Cliente_EMail.clear();
    s.Cliente_Nombre.clear();
}

// The editors of the customer list: what they saved, as the host reads it.
class ListEditors final : public browser::CustomerEditors
{
public:
    std::optional<CustomerPick> modify(const QString &cuit) override
    {
        // A new modifier for each modification, kept until the next one or until the list unloads.
        m_modificar = std::make_unique<clModificar>();
        m_modificar->setCLICUIT(cuit);
        m_modificar->Mostrar();
        const ComponentState &s = state();
        if (!s.gClienteModificado)
            return std::nullopt;
        return CustomerPick{s.Cliente_Nombre, s.Cliente_Cuit,     s.Cliente_Domicilio,
                            s.Cliente_EMail,  s.Cliente_Regalias, s.Cliente_AjustexVinculacion};
    }

    std::optional<CustomerPick> addNew() override
    {
        // One new-customer object for as long as the list is loaded.
        if (!m_nuevo)
            m_nuevo = std::make_unique<clNuevo>();
        m_nuevo->MostrarNuevo();
        const ComponentState &s = state();
        if (!s.gClienteAgregado)
            return std::nullopt;
        return CustomerPick{s.Cliente_Nombre, s.Cliente_Cuit, s.Cliente_Domicilio, s.Cliente_EMail};
    }

private:
    std::unique_ptr<clModificar> m_modificar;
    std::unique_ptr<clNuevo> m_nuevo;
};

// Opens the customer list on this thread's components and publishes the pick.
void showList(ComponentState &s)
{
    const auto makeEditors = [] { return std::make_unique<ListEditors>(); };
    if (const auto pick = browser::showCustomerList(listStore(s), s.seleccionar, makeEditors))
        s.publish(*pick);
}

} // namespace

clListado::clListado(QObject *parent)
    : QObject(parent)
{
    // All three are created before any is stored, so a missing one leaves the thread's components as they were.
    std::unique_ptr<QObject> broker(createComponent(components::kDataAccess));
    std::unique_ptr<QObject> printDesk(createComponent(components::kListing));
    std::unique_ptr<QObject> molde(createComponent(components::kFormat));
    ComponentState &s = state();
    s.gBroker.own(broker.release());
    s.gPrintDesk.own(printDesk.release());
    s.gMolde.own(molde.release());
    m_live = std::make_unique<LiveObject>();
}

clListado::~clListado() = default;

void clListado::setOrigenTarvis(bool value)
{
    state().OrigenTarvis = value;
}
void clListado::setSeleccionar(bool value)
{
    state().seleccionar = value;
}
void clListado::setOwnerForm(const QVariant &) {}
void clListado::setBaseDatos(const QString &value)
{
    state().BaseDatos = baseDatosToKeep(value);
}

bool clListado::origenTarvisValue() const
{
    return state().OrigenTarvis;
}
bool clListado::seleccionarValue() const
{
    return state().seleccionar;
}
QString clListado::baseDatosValue() const
{
    return state().BaseDatos;
}

QString clListado::Cliente_Nombre() const
{
    return state().Cliente_Nombre;
}
QString clListado::Cliente_Cuit() const
{
    return state().Cliente_Cuit;
}
QString clListado::Cliente_Domicilio() const
{
    return state().Cliente_Domicilio;
}
QString clListado::Cliente_EMail() const
{
    return state().Cliente_EMail;
}
double clListado::Cliente_Regalias() const
{
    return state().Cliente_Regalias;
}
double clListado::Cliente_AjustexVinculacion() const
{
    return state().Cliente_AjustexVinculacion;
}

void clListado::MostrarListado(QObject *, short)
{
    int line = 2;
    try {
        ComponentState &s = state();
        s.broker().LoadParameters();
        line = 3;
        handDataAccessToListing(s);
        line = 4;
        clearPickTexts(s);
        line = 5;
        showList(s);
    } catch (...) {
        rethrowWithLine(errnum::kMostrarListado, QStringLiteral("FELCORA.clListado.MostrarListado::"), line);
    }
}

void clListado::SetDataConnection(const QVariant &p_Broker)
{
    QObject *broker = p_Broker.value<QObject *>();
    if (!qobject_cast<IDataAccess *>(broker))
        throw Error(errnum::kWrongObject, QStringLiteral("FELCORA.clListado.SetDataConnection"),
                    QStringLiteral("El objeto entregado no es un componente de acceso a datos"));
    ComponentState &s = state();
    s.gBroker.borrow(broker);
    handDataAccessToListing(s);
}

void clListado::MostrarListadoEx()
{
    ComponentState &s = state();
    clearPickTexts(s);
    showList(s);
}

} // namespace felcora
