#include "core/basedatos.h"

#include <QSettings>

#include "core/componentstate.h"

namespace felcora {

void storeBaseDatos(const QString &value)
{
    if (!value.isEmpty()) {
        state().BaseDatos = value;
        return;
    }
    QSettings settings(QSettings::IniFormat, QSettings::UserScope, QStringLiteral("TARVIS"), QStringLiteral("TARVIS"));
    state().BaseDatos = settings.value(QStringLiteral("BASES/PERSONAL"), QString()).toString();
}

} // namespace felcora
