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

void reportCurrentFailure(const QString &window, const char *routine)
{
    const Error e = currentError();
    reportHandlerFailure(e.number(), e.description(), window + u'.' + QLatin1String(routine));
}

} // namespace felcora
