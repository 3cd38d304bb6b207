#include "core/numberliterals.h"

#include "core/componentstate.h"
#include "core/errortrap.h"
#include "felcora/numerictext.h"

namespace felcora {

QString EsNumeroANSI(const QVariant &Valor, const QString &Entidad)
{
    int line = 1;
    try {
        QString entity = Entidad;
        const QString reported = state().broker().getDecimalSeparatorbyEntity(entity);

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
    // The group separators go, so that the literal is a number in any
    // database; the decimal mark becomes the entity's separator.
    QString literal;
    literal.reserve(text.size());
    for (qsizetype k = 0; k < text.size(); ++k) {
        if (parsed->groupMarks.contains(int(k)))
            continue;
        if (k == parsed->decimalMark)
            literal += separator;
        else
            literal += text.at(k);
    }
    return literal;
}

QString FormatoNumericoSQL(const QString &Entidad, const QString &Campo, const QString &Mascara)
{
    return numberFormatExpression(state().broker(), Entidad, Campo, Mascara);
}

QString numberFormatExpression(IDataAccess &broker, const QString &entity, const QString &column, const QString &mask)
{
    const qsizetype point = mask.indexOf(u'.') + 1; // 0 when the mask has no point
    qint32 decimals = qint32(mask.size() - point);
    const QString expression = broker.getNumberFormatbyEntity(entity, QStringLiteral("999,999"), decimals);
    return QString(expression).replace(QStringLiteral("999.999"), column);
}

} // namespace felcora
