#include "core/errortrap.h"

namespace felcora {

Error currentError()
{
    try {
        throw;
    } catch (const Error &e) {
        return e;
    } catch (const std::exception &e) {
        return Error(0, QString(), QString::fromLocal8Bit(e.what()));
    }
}

void rethrowWithLine(qint32 number, const QString &section, int line)
{
    const Error e = currentError();
    throw Error(number, section + e.source(), e.description() + QStringLiteral(" - LINEA ") + QString::number(line));
}

} // namespace felcora
