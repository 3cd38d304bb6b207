// The banded report engine on the customer list's design: records laid out
// into pages, what each page holds and where, long texts cut to their field,
// and pages painted onto a PDF writer and a printer.

#include <QFile>
#include <QPrinter>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include "browser/printedlist.h"
#include "report/reportdocument.h"
#include "report/reportpainter.h"
#include "report/textfit.h"
#include "support/recordingbroker.h"

using namespace felcora;
using namespace felcora::report;
using namespace Qt::StringLiterals;

namespace {

const QStringList kColumns = {u"Nombre"_s, u"Cuit"_s, u"Domicilio"_s, u"Email"_s, u"Telefonos"_s};

// count customers named "Cliente 0001"..., in that order.
QList<QVariantList> customers(int count)
{
    QList<QVariantList> rows;
    for (int k = 1; k <= count; ++k)
        rows.append({u"Cliente %1"_s.arg(k, 4, 10, QChar(u'0')), u"3070000%1"_s.arg(k, 4, 10, QChar(u'0')),
                     u"Calle %1"_s.arg(k), u"c%1@ejemplo.com"_s.arg(k), u"4000-%1"_s.arg(k)});
    return rows;
}

std::unique_ptr<ReportDocument> layOut(QList<QVariantList> rows)
{
    test::MemoryRecordset rs(kColumns, std::move(rows));
    return ReportDocument::layOut(browser::customerListReport(), rs);
}

bool isDetail(const PlacedText &t, const ReportDefinition &d)
{
    return t.font == d.detail.items.first().font && !t.background.isValid();
}

// The pages of a PDF file, as pdfinfo counts them.
int pdfPages(const QString &path)
{
    QProcess info;
    info.start(u"pdfinfo"_s, {path});
    if (!info.waitForFinished(30000))
        return -1;
    const QString out = QString::fromUtf8(info.readAllStandardOutput());
    const qsizetype at = out.indexOf(u"Pages:"_s);
    return at < 0 ? -1 : out.mid(at + 6).section(u'\n', 0, 0).trimmed().toInt();
}

} // namespace

class TestReportEngine : public QObject
{
    Q_OBJECT

private slots:
    // Title once, headings on every page, details in reading order down to
    // the bottom margin, and no page ending while another detail would fit.
    void pagesHoldEveryRecordInOrder()
    {
        const ReportDefinition d = browser::customerListReport();
        const auto doc = layOut(customers(200));
        QCOMPARE(doc->recordCount(), 200);
        QVERIFY(doc->pageCount() >= 3);
        const int limit = d.pageTwips().height() - d.margins.bottom();
        QStringList names;
        for (int p = 0; p < doc->pageCount(); ++p) {
            const PageModel page = doc->page(p);
            QCOMPARE(page.number, p + 1);
            QStringList headings;
            int titles = 0;
            int lastBottom = 0;
            for (const PlacedText &t : page.texts) {
                if (t.background.isValid())
                    headings << t.text;
                else if (t.text == u"Listado de Clientes"_s)
                    ++titles;
                else if (isDetail(t, d) && t.box.left() == d.margins.left()) {
                    names << t.text;
                    lastBottom = t.box.bottom() + 1;
                }
            }
            QCOMPARE(headings, (QStringList{u"Nombre"_s, u"C.U.I.T"_s, u"Dirección"_s, u"Email"_s, u"Teléfono"_s}));
            QCOMPARE(titles, p == 0 ? 1 : 0);
            QVERIFY(lastBottom <= limit);
            if (p + 1 < doc->pageCount())
                QVERIFY2(lastBottom + d.detail.height > limit, qPrintable(u"page %1 ends early"_s.arg(p + 1)));
        }
        QStringList expected;
        for (const QVariantList &row : customers(200))
            expected << row.first().toString();
        QCOMPARE(names, expected);
    }

    // Laid out a slice at a time, with pages read between the slices (as the
    // preview does), the pages are those of a layout in one go.
    void steppedLayoutGivesTheSamePages()
    {
        const auto whole = layOut(customers(300));
        test::MemoryRecordset rs(kColumns, customers(300));
        ReportDocument stepped(browser::customerListReport(), rs);
        auto texts = [](const PageModel &page) {
            QStringList out;
            for (const PlacedText &t : page.texts)
                out << u"%1,%2 %3"_s.arg(t.box.left()).arg(t.box.top()).arg(t.text);
            return out;
        };
        QVERIFY(!stepped.layOutMore(100));
        QCOMPARE(stepped.readyPages(), 1);
        QCOMPARE(texts(stepped.page(0)), texts(whole->page(0)));
        while (!stepped.layOutMore(70))
            QCOMPARE(texts(stepped.page(stepped.readyPages() - 1)), texts(whole->page(stepped.readyPages() - 1)));
        QVERIFY(stepped.complete());
        QCOMPARE(stepped.pageCount(), whole->pageCount());
        QCOMPARE(stepped.readyPages(), whole->pageCount());
        for (int p = 0; p < whole->pageCount(); ++p)
            QCOMPARE(texts(stepped.page(p)), texts(whole->page(p)));
    }

    // The positions as designed, from the paper's corner: the margins, then
    // the report header (555), the page header (450), the details (255 each).
    void emptyReportAndFieldPositions()
    {
        const ReportDefinition d = browser::customerListReport();
        const int left = d.margins.left();
        const int top = d.margins.top();
        const auto empty = layOut({});
        QCOMPARE(empty->pageCount(), 1);
        const PageModel page = empty->page(0);
        QCOMPARE(page.texts.size(), 6); // title and headings, no detail
        QCOMPARE(page.texts[0].box, QRect(left, top + 75, 11205, 390));
        QCOMPARE(page.texts[0].text, u"Listado de Clientes"_s);
        QCOMPARE(d.fonts[page.texts[0].font].family, u"Tahoma"_s);
        QCOMPARE(d.fonts[page.texts[0].font].pointSize, 14.25);
        const QList<QRect> headings = {{0, 90, 1665, 255}, {1695, 90, 1125, 255}, {2850, 90, 3660, 255},
                                       {6540, 90, 2400, 255}, {8975, 90, 2250, 255}};
        for (int c = 0; c < 5; ++c) {
            const PlacedText &h = page.texts[c + 1];
            QCOMPARE(h.box, headings[c].translated(left, top + 555));
            QCOMPARE(h.background, QColor(224, 224, 224));
            QVERIFY(d.fonts[h.font].bold && d.fonts[h.font].pointSize == 9.75);
        }

        // Nulls print as empty fields.
        const auto one = layOut({{u"Ana"_s, u"27111111114"_s, u"Perú 1"_s, QVariant(), QVariant()}});
        const PageModel filled = one->page(0);
        const QList<QRect> fields = {{0, 0, 1650, 255}, {1695, 0, 1110, 255}, {2835, 0, 3660, 255},
                                     {6525, 0, 2400, 255}, {8975, 0, 2250, 255}};
        const QStringList texts = {u"Ana"_s, u"27111111114"_s, u"Perú 1"_s, QString(), QString()};
        QCOMPARE(filled.texts.size(), 11);
        for (int c = 0; c < 5; ++c) {
            const PlacedText &f = filled.texts[c + 6];
            QCOMPARE(f.box, fields[c].translated(left, top + 555 + 450));
            QCOMPARE(f.text, texts[c]);
            QCOMPARE(d.fonts[f.font].family, u"Arial"_s);
            QCOMPARE(d.fonts[f.font].pointSize, 8.25);
        }
    }

    // A text longer than its field keeps the characters that fit, measured
    // by shaping the whole text as the painter will.
    void longTextIsCutToItsField()
    {
        const ReportDefinition d = browser::customerListReport();
        const QString name = u"Importadora y Exportadora del Río de la Plata Sociedad Anónima"_s;
        const auto doc = layOut({{name, u"30-7"_s, u"Dirección"_s, u"x"_s, u"y"_s}});
        const PageModel page = doc->page(0);
        const PlacedText &field = page.texts[6];
        QVERIFY(name.startsWith(field.text));
        QVERIFY(field.text.size() > 10 && field.text.size() < name.size());
        const QFontMetricsF metrics(twipsFont(d.fonts[field.font]));
        QVERIFY(metrics.horizontalAdvance(field.text) <= field.box.width());
        QVERIFY(metrics.horizontalAdvance(name.left(field.text.size() + 1)) > field.box.width());
        QCOMPARE(page.texts[7].text, u"30-7"_s); // short texts stay whole
    }

    void missingColumnFails()
    {
        test::MemoryRecordset rs({u"Nombre"_s, u"Cuit"_s}, {{u"Ana"_s, u"1"_s}});
        QVERIFY_THROWS_EXCEPTION(Error, ReportDocument::layOut(browser::customerListReport(), rs));
    }

    void pdfAndPrinterGetThePagesAsked()
    {
        QTemporaryDir dir;
        const auto doc = layOut(customers(300));
        const QString pdf = dir.filePath(u"list.pdf"_s);
        QVERIFY(writePdf(*doc, pdf));
        QCOMPARE(pdfPages(pdf), doc->pageCount());

        // Stopped after two pages: no file is left behind.
        const QString stopped = dir.filePath(u"stopped.pdf"_s);
        QList<int> seen;
        QVERIFY(!writePdf(*doc, stopped, [&](int done, int total) {
            seen << done;
            return done < 2 && total == doc->pageCount();
        }));
        QCOMPARE(seen, (QList<int>{1, 2}));
        QVERIFY(!QFile::exists(stopped));

        QPrinter printer(QPrinter::HighResolution);
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(dir.filePath(u"printed.pdf"_s));
        printer.setFullPage(true);
        QVERIFY(paintPages(*doc, printer, 1, 2));
        QCOMPARE(pdfPages(printer.outputFileName()), 2);

        QVERIFY_THROWS_EXCEPTION(Error, writePdf(*doc, dir.filePath(u"no/such/folder/x.pdf"_s)));
    }
};

QTEST_MAIN(TestReportEngine)
#include "tst_reportengine.moc"
