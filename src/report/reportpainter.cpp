#include "reportpainter.h"

#include <QFile>
#include <QFontMetricsF>
#include <QPageLayout>
#include <QPainter>
#include <QPdfWriter>
#include <vector>

#include "felcora/error.h"
#include "reportdocument.h"
#include "textfit.h"

namespace felcora::report {

namespace {

// The report's fonts on one device, with where their baseline lies below the top of a box.
struct DeviceFonts
{
    std::vector<QFont> fonts;
    std::vector<double> ascents;

    DeviceFonts(const ReportDefinition &d, QPaintDevice *device)
    {
        for (const ReportFont &f : d.fonts) {
            fonts.emplace_back(paintFont(f), device);
            ascents.push_back(QFontMetricsF(fonts.back(), device).ascent());
        }
    }
};

void paintTexts(const PageModel &page, const DeviceFonts &fonts, QPainter &painter)
{
    QPaintDevice *device = painter.device();
    const double kx = device->logicalDpiX() / 1440.0;
    const double ky = device->logicalDpiY() / 1440.0;
    painter.setPen(Qt::black);
    int current = -1;
    for (const PlacedText &t : page.texts) {
        const QRectF box(t.box.x() * kx, t.box.y() * ky, t.box.width() * kx, t.box.height() * ky);
        if (t.background.isValid())
            painter.fillRect(box, t.background);
        if (t.text.isEmpty())
            continue;
        if (t.font != current) {
            painter.setFont(fonts.fonts[size_t(t.font)]);
            current = t.font;
        }
        painter.drawText(QPointF(box.left(), box.top() + fonts.ascents[size_t(t.font)]), t.text);
    }
}

} // namespace

void paintPage(const ReportDefinition &definition, const PageModel &page, QPainter &painter)
{
    paintTexts(page, DeviceFonts(definition, painter.device()), painter);
}

bool paintPages(const ReportDocument &document, QPagedPaintDevice &device, int first, int last,
                const PageProgress &progress)
{
    QPainter painter;
    if (!painter.begin(&device))
        throw Error(errnum::kFileError, QStringLiteral("Report"), QStringLiteral("No se pudo comenzar la impresión"));
    const DeviceFonts fonts(document.definition(), &device);
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
    bool done = false;
    {
        QPdfWriter pdf(&file);
        pdf.setTitle(document.definition().title);
        pdf.setCreator(QStringLiteral("FELCORA"));
        pdf.setPageLayout(QPageLayout(document.definition().pageSize, QPageLayout::Portrait, QMarginsF()));
        done = paintPages(document, pdf, 0, document.pageCount() - 1, progress);
    }
    file.close();
    if (!done)
        file.remove();
    return done;
}

} // namespace felcora::report
