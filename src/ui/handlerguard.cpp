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

void reportInSection(const Error &error, const QString &section)
{
    MsgBox(error.description() + QStringLiteral("\r\n\r\n") + QString::number(error.number()) + u' ' + section
               + error.source(),
           vbOKOnly);
}

void reportCurrentFailure(const QString &window, const char *routine)
{
    const Error e = currentError();
    reportHandlerFailure(e.number(), e.description(), window + u'.' + QLatin1String(routine));
}

} // namespace felcora
