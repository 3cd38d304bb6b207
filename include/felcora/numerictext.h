#pragma once

#include <QLocale>
#include <QString>
#include <optional>

#include "felcora/felcora_core_export.h"

namespace felcora {

// The numeric test of typed text. After trimming blanks a text is numeric when
// it is an optional sign, digits with at most one decimal mark ("," or "."),
// optionally group separators of the locale between the digits before the
// decimal mark, and an optional exponent. A single mark is always the decimal
// mark, so "12.5" and "12,5" are 12.5 in every locale. When both "," and "."
// appear, the last one is the decimal mark and the others must be the
// locale's group separator. Several marks of one kind are group separators.
// A number a double cannot hold is not numeric: one too large, and one whose
// digits are not all zero yet whose value is too small to tell from zero.
struct FELCORA_CORE_EXPORT NumericText
{
    // Where each mark of the trimmed text stands and what it is.
    struct Parsed
    {
        double value = 0.0;
        QString cForm;         // the number with a point and no group separators, every digit kept
        int decimalMark = -1;  // index in the original text, -1 when none
        QList<int> groupMarks; // indexes in the original text
    };

    static std::optional<Parsed> parse(const QString &text, const QLocale &locale = QLocale());
    static bool isNumeric(const QString &text, const QLocale &locale = QLocale());
    static std::optional<double> value(const QString &text, const QLocale &locale = QLocale());
};

} // namespace felcora
