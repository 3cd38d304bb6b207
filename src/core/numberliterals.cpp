#include "core/numberliterals.h"

#include "core/errortrap.h"
#include "felcora/hostcomponents.h"
#include "felcora/numerictext.h"

namespace felcora {

QString EsNumeroANSI(IDataAccess &broker, const QVariant &Valor, const QString &Entidad)
{
    int line = 1;
    try {
        QString entity = Entidad;
        const QString reported = broker.getDecimalSeparatorbyEntity(entity);

        line = 2;
        return numberLiteral(Valor.isNull() ? QString() : Valor.toString(), reported);
    } catch (...) {
        const Error e = currentError();
        throw Error(errnum::kEsNumeroANSI,
                    QStringLiteral("[ FELCORA.basGlobalDeclaracion.EsNumeroANSI Linea %1 ]").arg(line) + e.source(),
                    e.description());
    }
}

QString numberLiteral(const QString &text, const QString &decimalSeparator)
{
    const auto parsed = NumericText::parse(text);
    if (!parsed)
        return QStringLiteral("0");
    QString separator = decimalSeparator.trimmed();
    if (separator.isEmpty())
        separator = QStringLiteral(".");
    // The number alone, so that any database reads it: the blanks around it
    // and the group separators go, the decimal mark becomes the entity's
    // separator. The C form has a point as its only mark.
    return QString(parsed->cForm).replace(u'.', separator);
}

QString FormatoNumericoSQL(IDataAccess &broker, const QString &entity, const QString &column, const QString &mask)
{
    const qsizetype point = mask.indexOf(u'.') + 1; // 0 when the mask has no point
    qint32 decimals = qint32(mask.size() - point);
    const QString expression = broker.getNumberFormatbyEntity(entity, QStringLiteral("999,999"), decimals);
    return QString(expression).replace(QStringLiteral("999.999"), column);
}

} // namespace felcora
