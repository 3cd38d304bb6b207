#include "felcora/error.h"

namespace felcora {

Error::Error(qint32 number, QString source, QString description)
    : m_number(number)
    , m_source(std::move(source))
    , m_description(std::move(description))
    , m_what(QStringLiteral("%1 - %2 [%3]").arg(m_number).arg(m_description, m_source).toUtf8())
{
}

Error objectNotSet(const QString &source, const QString &what)
{
    QString text = QStringLiteral("Variable de tipo Object o la variable de bloque With no está establecida");
    if (!what.isEmpty())
        text += QStringLiteral(" (%1)").arg(what);
    return Error(errnum::kNoComponent, source, text);
}

QString Error::hexNumber() const
{
    return QString::number(quint32(m_number), 16).toUpper();
}

} // namespace felcora
