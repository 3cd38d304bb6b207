// The banded report engine on the customer list's design: pages, cut texts, whole PDFs, the preview's keys and count.

#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QProcess>
#include <QScopeGuard>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QTest>
#include <csignal>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "browser/printedlist.h"
#include "report/pageview.h"
#include "report/reportpreview.h"
#include "report/textfit.h"
#include "support/errors.h"
#include "support/recordingbroker.h"

using namespace felcora;
using namespace felcora::report;
using namespace Qt::StringLiterals;

namespace {

const QStringList kColumns = {u"Nombre"_s, u"Cuit"_s, u"Domicilio"_s, u"Email"_s, u"Telefonos"_s};

// `count` customers named "Cliente 0001"..., in that order.
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

// Each text of a page: its box ("left,top widthxheight"), font, background and text.
QStringList placed(const PageModel &page)
{
    QStringList out;
    for (const PlacedText &t : page.texts)
        out << QString::asprintf("%d,%d %dx%d f%d ", t.box.left(), t.box.top(), t.box.width(), t.box.height(), t.font)
                + (t.background.isValid() ? t.background.name() + u' ' : QString()) + t.text;
    return out;
}

// The print times a printing that began at `before` may show: the minute may turn meanwhile.
QStringList printTimesSince(const QDateTime &before)
{
    return {before.toString(u"dd/MM/yyyy HH:mm"_s), QDateTime::currentDateTime().toString(u"dd/MM/yyyy HH:mm"_s)};
}

// A page's footer as shown: "<print time> | Página N de M".
QString footer(const PageModel &page)
{
    return page.texts.value(page.texts.size() - 2).text + u" | "_s + page.texts.last().text;
}

// A PDF's text, pages ended by form feeds.
QString pdfText(const QString &file)
{
    QProcess p;
    p.start(u"pdftotext"_s, {file, u"-"_s});
    return p.waitForFinished(60000) && p.exitCode() == 0 ? QString::fromUtf8(p.readAllStandardOutput()) : QString();
}

enum Ending { Completes, Stopped, DiskFull, Killed };

} // namespace

class TestReportEngine : public QObject
{
    Q_OBJECT

private slots:
    // Title, headings and every detail where designed (56, then 58 a page), the same when laid out in slices (but for
    // the page count, the pages known so far and "..." until complete); control characters as blanks, nulls empty; an
    // empty report is title, headings and footer; a missing column fails.
    void pagesHoldEveryRecordWhereDesigned()
    {
        QList<QVariantList> rows = customers(200);
        rows.first() = {u"Ana\tPaz\r\n\x01\x7f\u0085\u00a0x"_s, u"27111111114"_s, u"Perú 1"_s, QVariant(), QVariant()};
        const auto doc = layOut(rows);
        const QString first = u"345,642 11205x390 f1 Listado de Clientes|345,1212 1665x255 f2 #e0e0e0 Nombre|"
                              u"2040,1212 1125x255 f2 #e0e0e0 C.U.I.T|3195,1212 3660x255 f2 #e0e0e0 Dirección|"
                              u"6885,1212 2400x255 f2 #e0e0e0 Email|9320,1212 2250x255 f2 #e0e0e0 Teléfono|"
                              u"345,1572 1650x255 f0 Ana Paz     \u00a0x|2040,1572 1110x255 f0 27111111114|"
                              u"3180,1572 3660x255 f0 Perú 1|6870,1572 2400x255 f0 |9320,1572 2250x255 f0 "_s;
        QCOMPARE(placed(doc->page(0)).mid(0, 11).join(u'|'), first);
        test::MemoryRecordset rs(kColumns, rows);
        ReportDocument stepped(browser::customerListReport(), rs);
        QVERIFY(!stepped.layOutMore(100));
        QCOMPARE(stepped.readyPages(), 1);
        const QDateTime at(QDate(2026, 3, 9), QTime(8, 5));
        do {
            const int last = stepped.readyPages() - 1;
            const PageModel page = stepped.page(last, at);
            QCOMPARE(placed(page).mid(0, page.texts.size() - 1),
                     placed(doc->page(last, at)).mid(0, page.texts.size() - 1));
            QCOMPARE(footer(page), u"09/03/2026 08:05 | Página %1 de %1..."_s.arg(last + 1));
        } while (!stepped.layOutMore(70));
        QCOMPARE(stepped.pageCount(), doc->pageCount());
        QStringList perPage, names, expected;
        for (int p = 0; p < doc->pageCount(); ++p) {
            const QStringList texts = placed(doc->page(p, at));
            QCOMPARE(placed(stepped.page(p, at)), texts);
            const QStringList details = texts.filter(u" 1650x255 f0 "_s);
            perPage << u"%1 %2"_s.arg(texts.filter(u" #e0e0e0 "_s).size()).arg(details.size());
            for (const QString &t : details)
                names << t.section(u' ', 3);
        }
        QCOMPARE(perPage.join(u", "), u"5 56, 5 58, 5 58, 5 28"_s);
        for (const QVariantList &row : rows.mid(1)) // the first is in `first`
            expected << row.first().toString();
        QCOMPARE(names.mid(1), expected);
        const QStringList empty = placed(layOut({})->page(0));
        QCOMPARE(empty.mid(0, 6).join(u'|'), first.section(u'|', 0, 5));
        QCOMPARE(empty.size(), 8); // and the footer's two
        test::MemoryRecordset missing({u"Nombre"_s, u"Cuit"_s}, {{u"Ana"_s, u"1"_s}});
        QVERIFY_THROWS_EXCEPTION(Error, ReportDocument::layOut(browser::customerListReport(), missing));
    }

    // A text longer than its field is cut to what fits beside an ellipsis, as the painter shapes it, tabs as blanks.
    void longTextIsCut()
    {
        const QString name = u"Importadora y Exportadora del Río de la Plata Sociedad Anónima"_s;
        for (const QString &text : {name, QString(name).replace(u' ', u'\t')}) {
            const PlacedText cut = layOut({{text, u"30-7"_s, u"Perú 1"_s, u"a@b.ar"_s, u"4000"_s}})->page(0).texts[6];
            const QFontMetricsF metrics(twipsFont(browser::customerListReport().fonts[cut.font]));
            const QString kept = cut.text.chopped(1);
            QCOMPARE(cut.text.back(), u'…');
            QVERIFY2(kept.size() > 10 && name.startsWith(kept), qPrintable(cut.text));
            QVERIFY(metrics.horizontalAdvance(cut.text) <= cut.box.width());
            QVERIFY(metrics.horizontalAdvance(name.left(kept.size() + 1) + u'…') > cut.box.width());
        }
    }

    // A PDF replaces its file only when complete (stopped, out of room or killed, the old one stays); its mode is the
    // umask's or the old one's.
    void pdfIsWrittenWholeOrNotAtAll_data()
    {
        QTest::addColumn<bool>("oldFile"); // read and written by its owner only
        QTest::addColumn<int>("ending");
        QTest::newRow("replaces the old file") << true << int(Completes);
        QTest::newRow("new") << false << int(Completes);
        QTest::newRow("stopped") << true << int(Stopped);
        QTest::newRow("disk full") << true << int(DiskFull);
        QTest::newRow("killed") << true << int(Killed);
    }
    void pdfIsWrittenWholeOrNotAtAll()
    {
        QFETCH(bool, oldFile);
        QFETCH(int, ending);
        QTemporaryDir dir;
        const QString path = dir.filePath(u"list.pdf"_s);
        const QByteArray old = "the list of last month";
        const QFile::Permissions rw = QFile::ReadOwner | QFile::WriteOwner | QFile::ReadUser | QFile::WriteUser;
        QFile file(path);
        if (oldFile) {
            QVERIFY(file.open(QIODevice::WriteOnly) && file.write(old) == old.size() && file.setPermissions(rw));
            file.close();
        }
        const auto doc = layOut(customers(300));
        doc->page(doc->pageCount() - 1); // the records reach their own file before any limit is set
        const mode_t umaskBefore = umask(027);
        const auto restoreUmask = qScopeGuard([umaskBefore] { umask(umaskBefore); });
        if (ending == DiskFull) { // a limit on the size of the files written (4 KB) stands for a full disk
            rlimit limit{};
            QCOMPARE(getrlimit(RLIMIT_FSIZE, &limit), 0);
            const rlimit small{4096, limit.rlim_max};
            const auto handler = signal(SIGXFSZ, SIG_IGN);
            QCOMPARE(setrlimit(RLIMIT_FSIZE, &small), 0);
            const QString failure = test::errorDescription([&] { writePdf(*doc, path); });
            setrlimit(RLIMIT_FSIZE, &limit);
            signal(SIGXFSZ, handler);
            QVERIFY2(failure.startsWith(u"No se pudo escribir el archivo "_s + path), qPrintable(failure));
        } else if (ending == Killed) { // the program dies after the second page
            const pid_t child = fork();
            if (child == 0) {
                writePdf(*doc, path, [](int done, int) { return done < 2 || raise(SIGKILL) != 0; });
                _exit(0);
            }
            int status = 0;
            QCOMPARE(waitpid(child, &status, 0), child);
            QVERIFY(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL);
        } else {
            QCOMPARE(writePdf(*doc, path, [ending](int done, int) { return ending == Completes || done < 2; }),
                     ending == Completes);
        }
        QCOMPARE(QDir(dir.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot),
                 QStringList{u"list.pdf"_s});
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray now = file.readAll();
        if (ending == Completes) { // a whole PDF, written under umask 027
            QVERIFY(now.startsWith("%PDF-") && now.trimmed().endsWith("%%EOF"));
            QCOMPARE(QFile::permissions(path), oldFile ? rw : rw | QFile::ReadGroup);
        } else {
            QCOMPARE(now, old);
        }
    }

    // Every page of a written PDF, of an empty list too, shows in its footer the time of the run and "Página N de M"
    // with the true M, that text ending at the right edge of its box.
    void pdfPagesTellWhereTheyStand()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(u"list.pdf"_s);
        for (const auto &[records, pages] : {std::pair{0, 1}, {56, 1}, {57, 2}, {200, 4}}) {
            const auto doc = layOut(customers(records));
            const QDateTime before = QDateTime::currentDateTime();
            QVERIFY(writePdf(*doc, path));
            const QStringList times = printTimesSince(before);
            const QStringList text = pdfText(path).split(u'\f');
            QCOMPARE(text.size(), pages + 1); // after the last form feed: nothing
            QString printedAt;                // one moment on every page of one printing
            for (qsizetype p = 0; p < pages; ++p) {
                const QRegularExpression footer(u"^Página %1 de %2$"_s.arg(p + 1).arg(pages),
                                                QRegularExpression::MultilineOption);
                const auto at
                    = std::find_if(times.begin(), times.end(), [&](const QString &t) { return text[p].contains(t); });
                QVERIFY2(footer.match(text[p]).hasMatch() && at != times.end(), qPrintable(text[p]));
                QVERIFY(printedAt.isEmpty() || printedAt == *at);
                printedAt = *at;
            }
            const PlacedText page = doc->page(0).texts.last();
            const QFontMetricsF metrics(twipsFont(doc->definition().fonts[page.font]));
            QVERIFY(page.indent > 0
                    && qAbs(page.indent + metrics.horizontalAdvance(page.text) - page.box.width()) <= 2);
        }
    }

    // Ctrl++ as keyboards send it (Ctrl+=, Ctrl+Shift++, the keypad's) zooms in, Ctrl+- out; a plain "=" does not.
    void previewZoomKeys()
    {
        ReportPreview preview(browser::customerListReport());
        preview.bind(std::make_unique<test::MemoryRecordset>(kColumns, customers(10)));
        auto *zoomList = preview.findChild<QComboBox *>(u"cboZoom"_s);
        QList<int> zooms;
        for (const char *keys : {"Ctrl++", "Ctrl+=", "Ctrl+Shift++", "Ctrl+Num++", "Ctrl+-", "="}) {
            zoomList->setCurrentIndex(ReportPreview::Percent100);
            QTest::keySequence(preview.findChild<QSpinBox *>(u"txtPagina"_s), QKeySequence(QString::fromLatin1(keys)));
            zooms << zoomList->currentIndex();
        }
        const int in = ReportPreview::Percent150;
        QCOMPARE(zooms, (QList<int>{in, in, in, in, ReportPreview::Percent75, ReportPreview::Percent100}));
    }

    // The page count in the locale's digits, with "..." while pages are counted, as the footer of the page shown counts
    // them then (paper and PDF wait for the final count); once all are laid out that footer shows the final count, with
    // the time the preview opened.
    void previewPageCount()
    {
        const auto restoreLocale = qScopeGuard([before = QLocale()] { QLocale::setDefault(before); });
        QLocale::setDefault(QLocale(u"es_AR"_s));
        ReportDefinition d = browser::customerListReport();
        d.detail.height = d.pageTwips().height(); // a page for each record
        const QDateTime before = QDateTime::currentDateTime();
        for (const auto &[records, count, footerCount] :
             {std::tuple{1234, u"de 1.234"_s, u"de 1234"_s}, {3000, u"de 1.999..."_s, u"de 1999..."_s}}) {
            ReportPreview preview(d);
            preview.bind(std::make_unique<test::MemoryRecordset>(kColumns, customers(records)));
            QCOMPARE(preview.findChild<QLabel *>(u"lbPaginas"_s)->text(), count);
            const QString shown = footer(preview.pageView()->page());
            const QString time = shown.section(u" | "_s, 0, 0);
            QCOMPARE(shown, time + u" | Página 1 "_s + footerCount);
            QTemporaryDir dir;
            if (!preview.document()->complete())
                QCOMPARE(test::errorDescription([&] { writePdf(*preview.document(), dir.filePath(u"early.pdf"_s)); }),
                         u"El listado todavía se está preparando: no se puede imprimir"_s);
            QTRY_VERIFY(preview.document()->complete());
            QCOMPARE(footer(preview.pageView()->page()), u"%1 | Página 1 de %2"_s.arg(time).arg(records));
            QVERIFY2(printTimesSince(before).contains(time), qPrintable(shown));
        }
    }
};

QTEST_MAIN(TestReportEngine)
#include "tst_reportengine.moc"
