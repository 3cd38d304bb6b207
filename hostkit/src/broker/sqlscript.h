#pragma once

#include <QList>
#include <QString>

#include "felcora/hostkit/hostkit_data_export.h"

namespace felcora::hostkit {

// A script of SQL statements cut into its statements, so that each can be
// sent, checked and reported on its own.
namespace sqlscript {

struct Statement
{
    QString text; // without the ";" that ends it, nor the comments before it
    int line = 0; // 1-based line of the script where the statement starts
};

// The statements of a script, in order. A ";" ends a statement only outside
// string literals ('...'), quoted identifiers ("..."), comments ("--" to the
// end of the line, "/* */" nested as the server nests them) and dollar-quoted
// text ($$...$$, $tag$...$tag$). Backslash escapes (E'...') are not read.
// Statements of nothing but blanks and comments are left out; an unclosed
// literal or comment runs to the end of the script, for the server to refuse.
FELCORA_HOSTKIT_DATA_EXPORT QList<Statement> split(const QString &script);

} // namespace sqlscript
} // namespace felcora::hostkit
