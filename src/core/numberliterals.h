#pragma once

#include <QString>
#include <QVariant>

#include "felcora/felcora_core_export.h"

namespace felcora {

class IDataAccess;

// The numbers of the component's statements, written in the conventions of
// the database behind an entity, as the data access reports them.

// A typed number as a numeric literal for a statement on the database behind
// the entity of the data access: "0" when the value is not numeric (see NumericText); otherwise the
// number as typed, its digits and exponent kept, without the blanks around it,
// a plus sign or the group separators the numeric test read as such, and with
// its decimal mark written as the entity's decimal separator ("." when the
// entity reports none). Failures come back as error 80151387.
FELCORA_CORE_EXPORT QString EsNumeroANSI(IDataAccess &broker, const QVariant &Valor, const QString &Entidad);

// The same for a separator already asked of the data access: what the
// statement builders use, so that they stay pure functions of plain values.
FELCORA_CORE_EXPORT QString numberLiteral(const QString &text, const QString &decimalSeparator);

// An expression of the entity's dialect, as the data access writes it, that
// formats the column Campo with as many decimals as Mascara shows after its
// first point.
FELCORA_CORE_EXPORT QString FormatoNumericoSQL(IDataAccess &broker, const QString &Entidad, const QString &Campo,
                                               const QString &Mascara);

// The same under the name the stores use.
inline QString numberFormatExpression(IDataAccess &broker, const QString &entity, const QString &column,
                                      const QString &mask)
{
    return FormatoNumericoSQL(broker, entity, column, mask);
}

} // namespace felcora
