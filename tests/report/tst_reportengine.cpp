// The banded report engine on the customer list's design: records laid out
// into pages, what each page holds and where, field texts blanked and cut to
// their field, pages painted onto a PDF writer and a printer, a PDF written
// whole or not at all, the report's fonts, and the preview's keys and page count.

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFontInfo>
#include <QLabel>
#include <QPrinter>
#include <QProcess>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTest>
#include <csignal>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "browser/printedlist.h"
#include "report/reportdocument.h"
#include "report/reportpainter.h"
#include "report/reportpreview.h"
#include "report/textfit.h"
#include "support/errors.h"
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

// The permission bits of a file, -1 when it cannot be read.
int fileMode(const QString &path)
{
    struct stat info;
    return stat(QFile::encodeName(path).constData(), &info) == 0 ? int(info.st_mode & 0777) : -1;
}

// How writing a PDF ends.
enum Ending { Completes, Stopped, DiskFull, Killed };
// The file size past which writes fail when a full disk is played.
constexpr rlim_t kFullDiskBytes = 4096;

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
        const QList<QRect> headings = {{0, 90, 1665, 255},
                                       {1695, 90, 1125, 255},
                                       {2850, 90, 3660, 255},
                                       {6540, 90, 2400, 255},
                                       {8975, 90, 2250, 255}};
        for (int c = 0; c < 5; ++c) {
            const PlacedText &h = page.texts[c + 1];
            QCOMPARE(h.box, headings[c].translated(left, top + 555));
            QCOMPARE(h.background, QColor(224, 224, 224));
            QVERIFY(d.fonts[h.font].bold && d.fonts[h.font].pointSize == 9.75);
        }

        // Nulls print as empty fields.
        const auto one = layOut({{u"Ana"_s, u"27111111114"_s, u"Perú 1"_s, QVariant(), QVariant()}});
        const PageModel filled = one->page(0);
        const QList<QRect> fields = {
            {0, 0, 1650, 255}, {1695, 0, 1110, 255}, {2835, 0, 3660, 255}, {6525, 0, 2400, 255}, {8975, 0, 2250, 255}};
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

    // A field's text as its page holds it: control characters (tab, line
    // breaks, C1 controls, DEL) as blanks, so that what is measured is what is
    // printed; a text longer than its field cut to the characters that fit
    // beside an ellipsis, as wide as the painter shapes it.
    void fieldTextAsPlaced_data()
    {
        QTest::addColumn<int>("field");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("printed"); // before it is cut
        QTest::addColumn<bool>("cut");
        QTest::newRow("short") << 1 << u"30-7"_s << u"30-7"_s << false;
        QTest::newRow("controls") << 2 << u"Ana\tPaz\r\n\x01\x7f\u0085\u00a0x"_s << u"Ana Paz     \u00a0x"_s << false;
        const QString name = u"Importadora y Exportadora del Río de la Plata Sociedad Anónima"_s;
        QTest::newRow("long name") << 0 << name << name << true;
        QTest::newRow("tabs in a long name") << 0 << QString(name).replace(u' ', u'\t') << name << true;
        const QString email = u"administracion.comercio.exterior@exportadoraagricola.com.ar"_s;
        QTest::newRow("long e-mail") << 3 << email << email << true;
        const QString phone = u"(011) 4555-1234 / 15-5555-1234 interno 99"_s;
        QTest::newRow("long telephone") << 4 << phone << phone << true;
    }
    void fieldTextAsPlaced()
    {
        QFETCH(int, field);
        QFETCH(QString, text);
        QFETCH(QString, printed);
        QFETCH(bool, cut);
        QVariantList row = {u"Ana"_s, u"30-7"_s, u"Perú 1"_s, u"a@b.ar"_s, u"4000"_s};
        row[field] = text;
        const PlacedText placed = layOut({row})->page(0).texts[6 + field];
        const QFontMetricsF metrics(twipsFont(browser::customerListReport().fonts[placed.font]));
        const int width = placed.box.width();
        QCOMPARE(metrics.horizontalAdvance(printed) > width, cut);
        if (!cut) {
            QCOMPARE(placed.text, printed);
            return;
        }
        const QString kept = placed.text.chopped(1);
        QCOMPARE(placed.text.back(), u'…');
        QVERIFY2(kept.size() > 10 && printed.startsWith(kept), qPrintable(placed.text));
        QVERIFY(metrics.horizontalAdvance(placed.text) <= width);
        QVERIFY(metrics.horizontalAdvance(printed.left(kept.size() + 1) + u'…') > width);
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

        QPrinter printer(QPrinter::HighResolution);
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(dir.filePath(u"printed.pdf"_s));
        printer.setFullPage(true);
        QVERIFY(paintPages(*doc, printer, 1, 2));
        QCOMPARE(pdfPages(printer.outputFileName()), 2);

        QVERIFY_THROWS_EXCEPTION(Error, writePdf(*doc, dir.filePath(u"no/such/folder/x.pdf"_s)));
    }

    // A PDF takes the place of the file of its name only when it is complete:
    // stopped, failing for want of room or killed halfway, it leaves the old
    // file as it was and nothing beside it. A new file's mode follows the
    // umask, a replaced one keeps its own.
    void pdfIsWrittenWholeOrNotAtAll_data()
    {
        QTest::addColumn<bool>("oldFile");
        QTest::addColumn<int>("mask");
        QTest::addColumn<int>("ending");
        QTest::addColumn<int>("mode"); // of the file when complete
        QTest::newRow("replaces the old file") << true << 022 << int(Completes) << 0640;
        QTest::newRow("new under umask 022") << false << 022 << int(Completes) << 0644;
        QTest::newRow("new under umask 000") << false << 0 << int(Completes) << 0666;
        QTest::newRow("stopped") << true << 022 << int(Stopped) << 0;
        QTest::newRow("disk full") << true << 022 << int(DiskFull) << 0;
        QTest::newRow("killed") << true << 022 << int(Killed) << 0;
    }
    void pdfIsWrittenWholeOrNotAtAll()
    {
        QFETCH(bool, oldFile);
        QFETCH(int, mask);
        QFETCH(int, ending);
        QFETCH(int, mode);
        QTemporaryDir dir;
        const QString path = dir.filePath(u"list.pdf"_s);
        const QByteArray old = "the list of last month";
        if (oldFile) {
            QFile file(path);
            QVERIFY(file.open(QIODevice::WriteOnly) && file.write(old) == old.size());
            file.close();
            QVERIFY(file.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup));
        }
        const auto doc = layOut(customers(300));
        doc->page(doc->pageCount() - 1); // the records reach their own file before any limit is set

        const mode_t umaskBefore = umask(mode_t(mask));
        const auto restoreUmask = qScopeGuard([umaskBefore] { umask(umaskBefore); });
        switch (ending) {
        case Completes: QVERIFY(writePdf(*doc, path)); break;
        case Stopped: QVERIFY(!writePdf(*doc, path, [](int done, int) { return done < 2; })); break;
        case DiskFull: {
            // A limit on the size of the files written stands for a full disk.
            rlimit limit{};
            QCOMPARE(getrlimit(RLIMIT_FSIZE, &limit), 0);
            const rlimit small{kFullDiskBytes, limit.rlim_max};
            const auto handler = signal(SIGXFSZ, SIG_IGN);
            QCOMPARE(setrlimit(RLIMIT_FSIZE, &small), 0);
            const auto failure = test::errorOf([&] { writePdf(*doc, path); });
            setrlimit(RLIMIT_FSIZE, &limit);
            signal(SIGXFSZ, handler);
            QVERIFY(failure);
            QVERIFY2(failure->description().contains(u"No se pudo escribir el archivo "_s + path),
                     qPrintable(failure->description()));
            break;
        }
        case Killed: {
            const pid_t child = fork();
            if (child == 0) {
                writePdf(*doc, path, [](int done, int) {
                    if (done == 2)
                        raise(SIGKILL);
                    return true;
                });
                _exit(0);
            }
            int status = 0;
            QCOMPARE(waitpid(child, &status, 0), child);
            QVERIFY(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL);
            break;
        }
        }

        const bool complete = ending == Completes;
        QCOMPARE(QDir(dir.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot),
                 complete || oldFile ? QStringList{u"list.pdf"_s} : QStringList());
        if (complete) {
            QCOMPARE(pdfPages(path), doc->pageCount());
            QCOMPARE(fileMode(path), mode);
        } else if (oldFile) {
            QFile file(path);
            QVERIFY(file.open(QIODevice::ReadOnly));
            QCOMPARE(file.readAll(), old);
        }
    }

    // The title and headings are set in Tahoma, from the metric-compatible
    // files of Wine's fonts when the system has no Tahoma of its own.
    void titleAndHeadingsAreSetInTahoma()
    {
        if (!QFile::exists(QString::fromLatin1(kTahomaFolder) + u"/tahoma.ttf"_s))
            QSKIP("Wine's fonts (fonts-wine) are not installed");
        for (const ReportFont &font : browser::customerListReport().fonts) {
            if (font.family != u"Tahoma"_s)
                continue;
            const QFontInfo resolved(twipsFont(font));
            QCOMPARE(resolved.family(), u"Tahoma"_s);
            QCOMPARE(resolved.bold(), font.bold);
        }
    }

    // Zoom keys as keyboards send them: Ctrl+= for Ctrl++ where the plus sign
    // is the shifted "=", Ctrl+Shift++ when Shift is held for it, the keypad's.
    void previewZoomKeys_data()
    {
        QTest::addColumn<int>("key");
        QTest::addColumn<Qt::KeyboardModifiers>("modifiers");
        QTest::addColumn<int>("zoom");
        const Qt::KeyboardModifiers ctrl = Qt::ControlModifier;
        const int in = ReportPreview::Percent150;
        QTest::newRow("Ctrl++") << int(Qt::Key_Plus) << ctrl << in;
        QTest::newRow("Ctrl+=") << int(Qt::Key_Equal) << ctrl << in;
        QTest::newRow("Ctrl+Shift++") << int(Qt::Key_Plus) << (ctrl | Qt::ShiftModifier) << in;
        QTest::newRow("keypad Ctrl++") << int(Qt::Key_Plus) << (ctrl | Qt::KeypadModifier) << in;
        QTest::newRow("Ctrl+-") << int(Qt::Key_Minus) << ctrl << int(ReportPreview::Percent75);
        QTest::newRow("plain =") << int(Qt::Key_Equal) << Qt::KeyboardModifiers() << int(ReportPreview::Percent100);
    }
    void previewZoomKeys()
    {
        QFETCH(int, key);
        QFETCH(Qt::KeyboardModifiers, modifiers);
        QFETCH(int, zoom);
        ReportPreview preview(browser::customerListReport());
        preview.bind(std::make_unique<test::MemoryRecordset>(kColumns, customers(10)));
        preview.show();
        QVERIFY(QTest::qWaitForWindowActive(&preview));
        auto *zoomList = preview.findChild<QComboBox *>(u"cboZoom"_s);
        zoomList->setCurrentIndex(ReportPreview::Percent100);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key(key), modifiers);
        QCOMPARE(zoomList->currentIndex(), zoom);
    }

    // The page count in the locale's digits, with "..." while pages are counted.
    void previewPageCount_data()
    {
        QTest::addColumn<QString>("locale");
        QTest::addColumn<int>("records"); // a page each
        QTest::addColumn<QString>("count");
        QTest::newRow("es_AR") << u"es_AR"_s << 1234 << u"de 1.234"_s;
        QTest::newRow("en_US") << u"en_US"_s << 1234 << u"de 1,234"_s;
        QTest::newRow("still counting") << u"es_AR"_s << 3000 << u"de 1.999..."_s;
    }
    void previewPageCount()
    {
        QFETCH(QString, locale);
        QFETCH(int, records);
        QFETCH(QString, count);
        const QLocale before;
        QLocale::setDefault(QLocale(locale));
        const auto restoreLocale = qScopeGuard([before] { QLocale::setDefault(before); });
        ReportDefinition d = browser::customerListReport();
        d.detail.height = d.pageTwips().height();
        ReportPreview preview(d);
        preview.bind(std::make_unique<test::MemoryRecordset>(kColumns, customers(records)));
        QCOMPARE(preview.findChild<QLabel *>(u"lbPaginas"_s)->text(), count);
    }
};

QTEST_MAIN(TestReportEngine)
#include "tst_reportengine.moc"
