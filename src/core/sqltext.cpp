#include "core/sqltext.h"

namespace felcora {

QString sqlText(const QString &text)
{
    QString literal;
    literal.reserve(text.size() + 2);
    literal += u'\'';
    for (const QChar c : text) {
        if (c == u'\'')
            literal += u'\'';
        literal += c;
    }
    literal += u'\'';
    return literal;
}

} // namespace felcora
