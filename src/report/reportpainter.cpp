#include "report/reportpainter.h"

#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QFontMetricsF>
#include <QPageLayout>
#include <QPainter>
#include <QPdfWriter>
#include <QSaveFile>
#include <memory>
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
        painter.drawText(QPointF(t.box.left() + t.indent, t.box.top() + fonts.ascents[size_t(t.font)]), t.text);
    }
    painter.restore();
}

Error writeError(const QString &path, const QFileDevice &file)
{
    return Error(errnum::kFileError, QStringLiteral("Report"),
                 QStringLiteral("No se pudo escribir el archivo ") + path + QStringLiteral(": ") + file.errorString());
}

} // namespace

void paintPage(const ReportDefinition &definition, const PageModel &page, QPainter &painter)
{
    paintTexts(page, TwipsFonts(definition), painter);
}

bool paintPages(const ReportDocument &document, QPagedPaintDevice &device, int first, int last,
                const PageProgress &progress)
{
    // Paper carries the true page count, which only a complete layout knows.
    if (!document.complete())
        throw Error(errnum::kInvalidCall, QStringLiteral("Report"),
                    QStringLiteral("El listado todavía se está preparando: no se puede imprimir"));
    // Every page of one printing shows the same moment.
    const QDateTime printedAt = QDateTime::currentDateTime();
    QPainter painter;
    if (!painter.begin(&device))
        throw Error(errnum::kFileError, QStringLiteral("Report"), QStringLiteral("No se pudo comenzar la impresión"));
    const TwipsFonts fonts(document.definition());
    const int total = last - first + 1;
    for (int index = first; index <= last; ++index) {
        if (index > first)
            device.newPage();
        paintTexts(document.page(index, printedAt), fonts, painter);
        if (progress && !progress(index - first + 1, total)) {
            painter.end();
            return false;
        }
    }
    return painter.end();
}

bool writePdf(const ReportDocument &document, const QString &path, const PageProgress &progress)
{
    // A file is written beside itself and takes its name only when complete:
    // stopped, failing or killed halfway, the old file stays as it was. A
    // device (a printer port, /dev/stdout) is written straight: renaming over
    // it would replace the device.
    const QFileInfo target(path);
    std::unique_ptr<QFileDevice> out;
    if (target.exists() && !target.isFile() && !target.isDir())
        out = std::make_unique<QFile>(path);
    else
        out = std::make_unique<QSaveFile>(path);
    if (!out->open(QIODevice::WriteOnly))
        throw writeError(path, *out);
    bool done = false;
    {
        QPdfWriter pdf(out.get());
        pdf.setTitle(document.definition().title);
        pdf.setCreator(QStringLiteral("FELCORA"));
        pdf.setPageLayout(QPageLayout(document.definition().pageSize, QPageLayout::Portrait, QMarginsF()));
        done = paintPages(document, pdf, 0, document.pageCount() - 1, progress);
    }
    auto *file = qobject_cast<QSaveFile *>(out.get());
    if (!done) {
        if (file)
            file->cancelWriting();
        return false;
    }
    // A write that failed (a full disk) is told only when the buffer is written out.
    const bool written = file ? file->commit() : out->flush() && out->error() == QFileDevice::NoError;
    if (!written)
        throw writeError(path, *out);
    return true;
}

} // namespace felcora::report
