#include "felcora/clModificar.h"

#include "core/basedatos.h"
#include "core/componentstate.h"

namespace felcora {

clModificar::clModificar(QObject *parent)
    : QObject(parent)
    , m_live(std::make_unique<LiveObject>())
{
}

clModificar::~clModificar() = default;

void clModificar::setCLICUIT(const QString &cuit) { m_cuit = cuit; }
void clModificar::setBaseDatos(const QString &value) { storeBaseDatos(value); }
QString clModificar::baseDatosValue() const { return state().BaseDatos; }

void clModificar::Mostrar()
{
    state().gClienteModificado = false;
    throw Error(errnum::kObjectErrorBase, QStringLiteral("FELCORA.clModificar.Mostrar"),
                QStringLiteral("La ventana de modificación de clientes no está disponible en esta versión"));
}

} // namespace felcora
