#pragma once

#include <QString>
#include <functional>

namespace felcora::hostkit {

// Lexical work on statement text that must never touch the inside of string
// literals ('...' with '' standing for one apostrophe).
namespace statementtext {

// Applies transform to every stretch of text outside string literals and
// returns the statement with the literals kept as they were.
QString mapOutsideLiterals(const QString &sql, const std::function<QString(const QString &)> &transform);

// The same, with the literals (apostrophes included) given to literal.
QString mapStretches(const QString &sql, const std::function<QString(const QString &)> &outside,
                     const std::function<QString(const QString &)> &literal);

// The reason a statement is refused, or an empty text when it may be sent:
// an unterminated literal, a NUL character, or, outside literals, a statement
// separator ";" or a comment ("--", "/*") — what only an injected text would add.
QString refusalReason(const QString &sql);

} // namespace statementtext
} // namespace felcora::hostkit
