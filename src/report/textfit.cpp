#include "report/textfit.h"

#include <QFile>
#include <QFontDatabase>

namespace felcora::report {

namespace {

constexpr char32_t kEllipsis = U'\u2026';
// Where Debian's fonts-wine keeps its fonts, metric-compatible with those of
// the same names; fontconfig does not look there.
constexpr char kTahomaFolder[] = "/usr/share/wine/fonts";
constexpr const char *kTahomaFiles[] = {"tahoma.ttf", "tahomabd.ttf"};

// The report's headings are designed in Tahoma: where the system has none,
// the metric-compatible Tahoma of Wine's fonts keeps them in their boxes.
// Without them the system's fallback font stands in.
void addMissingReportFonts()
{
    if (QFontDatabase::hasFamily(QStringLiteral("Tahoma")))
        return;
    for (const char *file : kTahomaFiles) {
        const QString path = QString::fromLatin1(kTahomaFolder) + u'/' + QLatin1String(file);
        if (QFile::exists(path))
            QFontDatabase::addApplicationFont(path);
    }
}

} // namespace

QFont twipsFont(const ReportFont &f)
{
    [[maybe_unused]] static const bool fontsAdded = (addMissingReportFonts(), true);
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
        Measured m{QFontMetricsF(twipsFont(f)), {}, {}, 0};
        m.latin.fill(-1);
        m.ellipsis = advance(m, kEllipsis);
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

QString TextFit::fitting(int font, const QString &text, int width, double *fittedWidth)
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
        const float a = advance(m, c);
        if (sum + a > width)
            return withEllipsis(m, text, k, sum, width, fittedWidth);
        sum += a;
        k += units;
    }
    if (fittedWidth)
        *fittedWidth = sum;
    return text;
}

// Most texts fit: the ellipsis is made room for only once a text is known
// to be cut, by dropping characters from the end of what fitted.
QString TextFit::withEllipsis(Measured &m, const QString &text, qsizetype end, double used, int width,
                              double *fittedWidth)
{
    if (fittedWidth)
        *fittedWidth = 0;
    if (m.ellipsis > float(width))
        return QString();
    while (end > 0 && used + m.ellipsis > width) {
        char32_t c = text[end - 1].unicode();
        qsizetype units = 1;
        if (text[end - 1].isLowSurrogate() && end >= 2 && text[end - 2].isHighSurrogate()) {
            c = QChar::surrogateToUcs4(text[end - 2], text[end - 1]);
            units = 2;
        }
        used -= advance(m, c);
        end -= units;
    }
    if (fittedWidth)
        *fittedWidth = used + m.ellipsis;
    QString cut;
    cut.reserve(end + 1);
    cut.append(QStringView(text).left(end)).append(QChar(kEllipsis));
    return cut;
}

} // namespace felcora::report
