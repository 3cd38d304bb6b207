#include "molde.h"

#include <QDate>

#include "felcora/datetext.h"
#include "felcora/numerictext.h"

namespace felcora::hostkit {

Molde::Molde(QObject *parent)
    : QObject(parent)
{
}

QString Molde::EsNumero(const QVariant &value)
{
    if (value.isNull())
        return QStringLiteral("0");
    switch (value.typeId()) {
    case QMetaType::Double:
    case QMetaType::Float: return QString::number(value.toDouble(), 'g', QLocale::FloatingPointShortest);
    case QMetaType::Int:
    case QMetaType::LongLong:
    case QMetaType::UInt:
    case QMetaType::ULongLong:
    case QMetaType::Short:
    case QMetaType::UShort: return value.toString();
    case QMetaType::Bool: return value.toBool() ? QStringLiteral("-1") : QStringLiteral("0");
    default: break;
    }
    const auto parsed = NumericText::parse(value.toString());
    return parsed ? parsed->cForm : QStringLiteral("0");
}

QString Molde::EsNull(const QVariant &value)
{
    if (value.isNull())
        return {};
    if (value.typeId() == QMetaType::QDate)
        return DateText::display(value.toDate());
    return value.toString();
}

} // namespace felcora::hostkit
