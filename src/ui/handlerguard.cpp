#include "ui/handlerguard.h"

#include "core/errortrap.h"
#include "ui/msgbox.h"

namespace felcora {

void reportHandlerFailure(qint32 number, const QString &description, const QString &section)
{
    MsgBox(QString::number(number) + QStringLiteral(" - ") + description + QStringLiteral("\r\nSeccion [") + section
               + u']',
           vbCritical);
}

void reportInSection(const Error &error, const char *routine, const QString &window)
{
    MsgBox(error.description() + QStringLiteral("\r\n\r\n") + QString::number(error.number())
               + QStringLiteral(" seccion %1 en Formulario %2 :: ").arg(QLatin1String(routine), window)
               + error.source(),
           vbOKOnly);
}

void reportTrapped(const Error &error, const QString &label)
{
    MsgBox(QString::number(error.number()) + QStringLiteral(" - ") + error.description() + QStringLiteral("\r\n\r\n")
               + label,
           vbCritical);
}

void reportWithSection(const Error &error, const QString &section, int icon)
{
    MsgBox(error.description() + QStringLiteral("\r\n\r\n") + QString::number(error.number()) + section, icon);
}

void reportCurrentFailure(const QString &window, const char *routine)
{
    const Error e = currentError();
    reportHandlerFailure(e.number(), e.description(), window + u'.' + QLatin1String(routine));
}

} // namespace felcora
