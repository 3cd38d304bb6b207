#pragma once

#include <QString>
#include <QVariant>

#include "felcora/felcora_export.h"

class QWidget;

namespace felcora {

// Closes a window for good: it leaves the thread's shared instances (the next
// use loads it afresh), its modal loop ends, it is deleted once control is
// back in the event loop, and the reference passed in becomes null.
FELCORA_EXPORT void DescargarFormulario(QWidget *&window);

// A typed number as a numeric literal for a statement on the entity's
// database: "0" when the value is not numeric (see NumericText); otherwise the
// text unchanged but for its marks, each written as the entity's decimal
// separator ("." when the entity reports none). A text holding both "," and
// "." keeps only its last mark, as the decimal one, and drops the group
// separators before it. Failures come back as error 80151387.
FELCORA_EXPORT QString EsNumeroANSI(const QVariant &Valor, const QString &Entidad);

// An expression of the entity's dialect that formats the column Campo with as
// many decimals as Mascara shows after its first point.
FELCORA_EXPORT QString FormatoNumericoSQL(const QString &Entidad, const QString &Campo, const QString &Mascara);

} // namespace felcora
