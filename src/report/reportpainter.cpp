#include "report/reportpainter.h"

#include <QFile>
#include <QFontMetricsF>
#include <QPageLayout>
#include <QPainter>
#include <QPdfWriter>
#include <vector>

#include "felcora/error.h"
#include "report/reportdocument.h"
#include "report/textfit.h"
#include "ui/twips.h"

namespace felcora::report {

namespace {

// The report's fonts in twips, with where their baseline lies below the top of a box.
struct TwipsFonts
{
    std::vector<QFont> fonts;
    std::vector<double> ascents;

    explicit TwipsFonts(const ReportDefinition &d)
    {
        for (const ReportFont &f : d.fonts) {
            fonts.push_back(twipsFont(f));
            ascents.push_back(QFontMetricsF(fonts.back()).ascent());
        }
    }
};

// The page is drawn in twips, under a scale to the device's resolution.
void paintTexts(const PageModel &page, const TwipsFonts &fonts, QPainter &painter)
{
    QPaintDevice *device = painter.device();
    painter.save();
    painter.scale(device->logicalDpiX() / double(kTwipsPerInch), device->logicalDpiY() / double(kTwipsPerInch));
    painter.setPen(Qt::black);
    int current = -1;
    for (const PlacedText &t : page.texts) {
        if (t.background.isValid())
            painter.fillRect(t.box, t.background);
        if (t.text.isEmpty())
            continue;
        if (t.font != current) {
            painter.setFont(fonts.fonts[size_t(t.font)]);
            current = t.font;
        }
        painter.drawText(QPointF(t.box.left(), t.box.top() + fonts.ascents[size_t(t.font)]), t.text);
    }
    painter.restore();
}

} // namespace

void paintPage(const ReportDefinition &definition, const PageModel &page, QPainter &painter)
{
    paintTexts(page, TwipsFonts(definition), painter);
}

bool paintPages(const ReportDocument &document, QPagedPaintDevice &device, int first, int last,
                const PageProgress &progress)
{
    QPainter painter;
    if (!painter.begin(&device))
        throw Error(errnum::kFileError, QStringLiteral("Report"), QStringLiteral("No se pudo comenzar la impresión"));
    const TwipsFonts fonts(document.definition());
    const int total = last - first + 1;
    for (int index = first; index <= last; ++index) {
        if (index > first)
            device.newPage();
        paintTexts(document.page(index), fonts, painter);
        if (progress && !progress(index - first + 1, total)) {
            painter.end();
            return false;
        }
    }
    return painter.end();
}

bool writePdf(const ReportDocument &document, const QString &path, const PageProgress &progress)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        throw Error(errnum::kFileError, QStringLiteral("Report"),
                    QStringLiteral("No se pudo escribir el archivo ") + path + QStringLiteral(": ") + file.errorString());
    // A PDF that was stopped or failed halfway is not left behind.
    bool done = false;
    try {
        QPdfWriter pdf(&file);
        pdf.setTitle(document.definition().title);
        pdf.setCreator(QStringLiteral("FELCORA"));
        pdf.setPageLayout(QPageLayout(document.definition().pageSize, QPageLayout::Portrait, QMarginsF()));
        done = paintPages(document, pdf, 0, document.pageCount() - 1, progress);
    } catch (...) {
        file.remove();
        throw;
    }
    file.close();
    if (!done)
        file.remove();
    return done;
}

} // namespace felcora::report
