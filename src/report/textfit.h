#pragma once

#include <QFont>
#include <QFontMetricsF>
#include <QHash>
#include <QList>
#include <array>
#include <vector>

#include "felcora/felcora_export.h"
#include "report/reportdefinition.h"

namespace felcora::report {

// A report font as it is measured and painted: sized in twips (one pixel per
// twip, painted under a scale to the device), without kerning or hinting, so
// that a text is exactly as wide on every device as it was measured. The
// first call makes Wine's Tahoma known when the system lacks it.
FELCORA_TESTS_EXPORT QFont twipsFont(const ReportFont &font);

// Measures texts in twips and cuts them to the width of their box. Widths
// are sums of character advances, kept per font: a page of a long list is
// measured without shaping each text again.
class FELCORA_TESTS_EXPORT TextFit
{
public:
    explicit TextFit(const QList<ReportFont> &fonts);

    // text when it fits width; else the longest beginning of it (in whole
    // characters) that fits with an ellipsis after it, and the ellipsis, so
    // that a cut text never looks whole. *fittedWidth, when given, is how
    // wide the answer is.
    QString fitting(int font, const QString &text, int width, double *fittedWidth = nullptr);

private:
    struct Measured
    {
        QFontMetricsF metrics;
        std::array<float, 256> latin; // advances of U+0000..U+00FF, negative until measured
        QHash<char32_t, float> other;
        float ellipsis = 0;
    };
    float advance(Measured &m, char32_t c);
    // The first `end` units of text, `used` wide, followed by an ellipsis within width.
    QString withEllipsis(Measured &m, const QString &text, qsizetype end, double used, int width, double *fittedWidth);

    std::vector<Measured> m_fonts;
};

} // namespace felcora::report
