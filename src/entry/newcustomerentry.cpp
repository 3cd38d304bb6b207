#include "entry/newcustomerentry.h"

#include "core/basedatos.h"
#include "core/componentstate.h"

namespace felcora {

clNuevo::clNuevo(QObject *parent)
    : QObject(parent)
    , m_live(std::make_unique<LiveObject>())
{
}

clNuevo::~clNuevo() = default;

void clNuevo::setBaseDatos(const QString &value) { storeBaseDatos(value); }
QString clNuevo::baseDatosValue() const { return state().BaseDatos; }

void clNuevo::MostrarNuevo()
{
    state().gClienteAgregado = false;
    throw Error(errnum::kObjectErrorBase, QStringLiteral("FELCORA.clNuevo.MostrarNuevo"),
                QStringLiteral("La ventana de alta de clientes no está disponible en esta versión"));
}

} // namespace felcora
