#include "core/basedatos.h"

#include <QSettings>

namespace felcora {

QString baseDatosToKeep(const QString &value)
{
    if (!value.isEmpty())
        return value;
    QSettings settings(QSettings::IniFormat, QSettings::UserScope, QStringLiteral("TARVIS"), QStringLiteral("TARVIS"));
    return settings.value(QStringLiteral("BASES/PERSONAL"), QString()).toString();
}

} // namespace felcora
