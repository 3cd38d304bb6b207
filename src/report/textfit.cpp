#include "report/textfit.h"

namespace felcora::report {

QFont twipsFont(const ReportFont &f)
{
    QFont font(f.family);
    font.setPixelSize(qRound(f.pointSize * 20));
    font.setBold(f.bold);
    font.setKerning(false);
    font.setHintingPreference(QFont::PreferNoHinting);
    return font;
}

TextFit::TextFit(const QList<ReportFont> &fonts)
{
    m_fonts.reserve(size_t(fonts.size()));
    for (const ReportFont &f : fonts) {
        Measured m{QFontMetricsF(twipsFont(f)), {}, {}};
        m.latin.fill(-1);
        m_fonts.push_back(std::move(m));
    }
}

float TextFit::advance(Measured &m, char32_t c)
{
    if (c < 256) {
        float &known = m.latin[c];
        if (known < 0)
            known = float(m.metrics.horizontalAdvance(QChar(c)));
        return known;
    }
    const auto it = m.other.constFind(c);
    if (it != m.other.constEnd())
        return *it;
    const float a = float(m.metrics.horizontalAdvance(QString::fromUcs4(&c, 1)));
    m.other.insert(c, a);
    return a;
}

QString TextFit::fitting(int font, const QString &text, int width)
{
    Measured &m = m_fonts[size_t(font)];
    double sum = 0;
    for (qsizetype k = 0; k < text.size();) {
        char32_t c = text[k].unicode();
        qsizetype units = 1;
        if (text[k].isHighSurrogate() && k + 1 < text.size() && text[k + 1].isLowSurrogate()) {
            c = QChar::surrogateToUcs4(text[k], text[k + 1]);
            units = 2;
        }
        sum += advance(m, c);
        if (sum > width)
            return text.left(k);
        k += units;
    }
    return text;
}

} // namespace felcora::report
