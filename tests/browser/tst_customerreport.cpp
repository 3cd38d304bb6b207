// The printed customer list as a user reaches it: F12 in the list opens the
// preview of every customer by name, which pages, saves a PDF and closes back
// to the list; a failing query is reported and the list stays. The PDF's text,
// read back by pdftotext, holds every customer and no field runs into the next.

#include <QApplication>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPrinter>
#include <QProcess>
#include <QRegularExpression>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>

#include "browser/customerlistmodel.h"
#include "browser/customerlistview.h"
#include "browser/printedlist.h"
#include "browser/customerlistwindow.h"
#include "core/componentstate.h"
#include "felcora/customerlistpdf.h"
#include "felcora/hostkit/hostkit.h"
#include "listwindow.h"
#include "report/pageview.h"
#include "support/modal.h"
#include "support/recordingbroker.h"
#include "support/typing.h"

using namespace felcora;
using namespace felcora::browser;
using namespace felcora::test;
using namespace Qt::StringLiterals;

namespace {

const QString kReportSql = u"select Nombre, Cuit, Domicilio , Email, Telefonos From clientes order by Nombre"_s;

// 150 customers, inserted in reverse order of their names (three pages), plus
// two whose texts run past their fields.
void insertCustomers(const QString &database)
{
    QStringList rows;
    for (int k = 150; k >= 1; --k)
        rows << u"('3070000%1', 'Cliente %2', 'Calle %1', 'c%1@ejemplo.com', '4%1')"_s.arg(k, 4, 10, QChar(u'0'))
                    .arg(k, 3, 10, QChar(u'0'));
    rows << u"('30711111113', 'Exportadora Agrícola del Río de la Plata Sociedad Anónima', "
            "'Avenida del Libertador General San Martín 12345 Piso 14 Departamento B', "
            "'administracion.comercio.exterior@exportadoraagricola.com.ar', '(011) 4555-1234 / 15-5555-1234 interno 99')"_s
         << u"('20222222223', 'Ñandú, Íñigo', NULL, NULL, NULL)"_s;
    TempDatabase::exec(database, u"insert into clientes (cuit, nombre, domicilio, email, telefonos) values "_s
                                     + rows.join(u','));
}

// The names of a page's detail lines, top to bottom.
QStringList pageNames(const report::PageModel &page, const report::ReportDefinition &d)
{
    QStringList names;
    for (const report::PlacedText &t : page.texts) {
        if (t.box.left() == d.margins.left() && t.font == d.detail.items.first().font)
            names << t.text;
    }
    return names;
}

QString run(const QString &program, const QStringList &arguments)
{
    QProcess p;
    p.start(program, arguments);
    if (!p.waitForFinished(60000))
        return {};
    return QString::fromUtf8(p.readAllStandardOutput());
}

// Opens the preview with F12 on the list and lets `user` work it.
[[nodiscard]] bool openPreview(FrmABMClientes *w, const std::function<void(Dr_ListadoClientes *)> &user)
{
    w->list()->reportView()->setFocus();
    bool shown = false;
    const QPointer<ModalAction> action = onNextModal<Dr_ListadoClientes>([&](Dr_ListadoClientes *preview) {
        shown = true;
        // Keys go where the focus is: wait until the preview has it.
        QTRY_VERIFY(preview->isAncestorOf(QApplication::focusWidget()));
        user(preview);
    });
    pressKey(Qt::Key_F12);
    if (!shown)
        delete action.data();
    return shown && !QTest::currentTestFailed();
}

bool previewLoaded()
{
    return state().windows.contains(u"Dr_ListadoClientes"_s) && state().windows.value(u"Dr_ListadoClientes"_s);
}

} // namespace

class TestCustomerReport : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        hostkit::registerHostComponents();
        m_host = std::make_unique<Host>();
        insertCustomers(m_host->db.personalPath());
        QVERIFY(setDataConnection(m_host->listado, m_host->broker.get()));
    }
    void cleanup()
    {
        closeAllModals();
        m_host.reset();
        state() = ComponentState{};
    }

    // Ordered by name as the database orders it, whatever the list shows;
    // paged with the keys; Esc goes back to the list, which stays open.
    void f12PreviewsEveryCustomerByName()
    {
        QVERIFY(openList(m_host->listado, [](FrmABMClientes *w) {
            w->model()->sort(kDireccion);
            QVERIFY(shownColumn(w, kNombre).first() != u"Cliente 001"_s);

            // Only the list takes F12.
            const QPointer<ModalAction> none = onNextModal<Dr_ListadoClientes>([](Dr_ListadoClientes *p) { p->reject(); });
            searchBox(w)->setFocus();
            pressKey(Qt::Key_F12);
            QVERIFY(!none->done());
            delete none.data();

            QVERIFY(openPreview(w, [](Dr_ListadoClientes *preview) {
                const report::ReportDefinition &d = preview->definition();
                QCOMPARE(preview->windowTitle(), u"Listado de Clientes"_s);
                QTRY_VERIFY(preview->document()->complete());
                QCOMPARE(preview->document()->recordCount(), 152);
                const int pages = preview->document()->pageCount();
                QCOMPARE(preview->findChild<QLabel *>(u"lbPaginas"_s)->text(), u"de %1"_s.arg(pages));
                const QStringList first = pageNames(preview->pageView()->page(), d);
                QCOMPARE(first.first(), u"Cliente 001"_s);
                QCOMPARE(first.at(1), u"Cliente 002"_s);
                QVERIFY(!preview->pageView()->image().isNull());

                pressKey(Qt::Key_PageDown);
                QCOMPARE(preview->currentPage(), 1);
                QCOMPARE(pageNames(preview->pageView()->page(), d).first(),
                         u"Cliente %1"_s.arg(first.size() + 1, 3, 10, QChar(u'0')));
                pressKey(Qt::Key_End, Qt::ControlModifier);
                QCOMPARE(preview->currentPage(), pages - 1);
                // The accented initial sorts after the plain letters, as the database's NOCASE does.
                QCOMPARE(pageNames(preview->pageView()->page(), d).last(), u"Ñandú, Íñigo"_s);
                pressKey(Qt::Key_PageDown); // stays on the last page
                QCOMPARE(preview->currentPage(), pages - 1);
                pressKey(Qt::Key_Home, Qt::ControlModifier);
                QCOMPARE(preview->currentPage(), 0);
                pressKey(Qt::Key_Escape);
            }));
            QVERIFY(w->isVisible());
            QVERIFY(!previewLoaded());
            pressKey(Qt::Key_Escape, Qt::NoModifier, w);
        }));
    }

    // Ctrl+S asks for a file and writes every page to it; printing gives
    // the pages of the range the print dialog sets.
    void previewSavesThePdfAndPrintsTheRangeAsked()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(u"clientes"_s); // the suffix is added
        int pages = 0;
        QVERIFY(openList(m_host->listado, [&](FrmABMClientes *w) {
            QVERIFY(openPreview(w, [&](Dr_ListadoClientes *preview) {
                pages = preview->document()->pageCount();
                const QPointer<ModalAction> save = onNextModal<QFileDialog>([&](QFileDialog *dialog) {
                    dialog->selectFile(path);
                    static_cast<QDialog *>(dialog)->accept(); // as the Save button does
                });
                pressKey(Qt::Key_S, Qt::ControlModifier);
                QVERIFY(save->done());

                QPrinter printer(QPrinter::HighResolution);
                printer.setOutputFormat(QPrinter::PdfFormat);
                printer.setOutputFileName(dir.filePath(u"printed.pdf"_s));
                printer.setPrintRange(QPrinter::PageRange);
                printer.setFromTo(2, 3);
                QVERIFY(preview->printTo(printer));
                QVERIFY(run(u"pdfinfo"_s, {printer.outputFileName()}).contains(QRegularExpression(u"Pages:\\s+2\\n"_s)));
                preview->showPage(1);
                printer.setPrintRange(QPrinter::CurrentPage);
                QVERIFY(preview->printTo(printer));
                const QString current = run(u"pdftotext"_s, {printer.outputFileName(), u"-"_s});
                QVERIFY(current.contains(u"Cliente 060"_s) && !current.contains(u"Cliente 001"_s));
                preview->reject();
            }));
            pressKey(Qt::Key_Escape, Qt::NoModifier, w);
        }));
        QVERIFY(QFile::exists(path + u".pdf"_s));
        QVERIFY(run(u"pdfinfo"_s, {path + u".pdf"_s}).contains(QRegularExpression(u"Pages:\\s+%1\\n"_s.arg(pages))));
    }

    void failingQueryIsReportedAndTheListStays()
    {
        RecordingBroker broker;
        QVERIFY(setDataConnection(m_host->listado, &broker));
        broker.script(ScriptedAnswer::rowset({u"nombre"_s, u"CUIT"_s, u"domicilio"_s, u"email"_s, u"regalias"_s,
                                              u"AjxVinc_4102"_s},
                                             {{u"Ana"_s, u"1"_s, {}, {}, 0, 0}}));
        broker.script(ScriptedAnswer::failure(Error(3146, u"RecordBroker.CrearRs[PERSONAL]"_s, u"no such column: Telefonos"_s)));
        QVERIFY(openList(m_host->listado, [&](FrmABMClientes *w) {
            QString text;
            QMessageBox::Icon icon = QMessageBox::NoIcon;
            const QPointer<ModalAction> box = answerNextMessageBox(QMessageBox::Ok, &text, &icon);
            w->list()->reportView()->setFocus();
            pressKey(Qt::Key_F12);
            QCOMPARE(text, u"3146 - no such column: Telefonos\r\nSeccion [basDrListadoClientes.ImprimirListadoClientes]"_s);
            QCOMPARE(icon, QMessageBox::Critical);
            QVERIFY(w->isVisible());
            QVERIFY(!previewLoaded());
            const RecordingBroker::Statement last = broker.statements().constLast();
            QCOMPARE(last.sql, kReportSql);
            QCOMPARE(last.entity, u"PERSONAL"_s);
            QVERIFY(last.query);
            pressKey(Qt::Key_Escape, Qt::NoModifier, w);
        }));
    }

    // Every name and CUIT is in the PDF's text; no word of a detail line
    // crosses the right edge of the field it starts in.
    void pdfTextHoldsEveryCustomerWithinItsField()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(u"list.pdf"_s);
        const int pages = writeCustomerListPdf(*m_host->broker, path);
        QVERIFY(pages >= 3);

        const QString text = run(u"pdftotext"_s, {u"-layout"_s, path, u"-"_s});
        QCOMPARE(text.count(u"Listado de Clientes"_s), 1);
        QCOMPARE(text.count(u"C.U.I.T"_s), pages);
        for (int k = 1; k <= 150; ++k) {
            QVERIFY(text.contains(u"Cliente %1"_s.arg(k, 3, 10, QChar(u'0'))));
            QVERIFY(text.contains(u"3070000%1"_s.arg(k, 4, 10, QChar(u'0'))));
        }
        QVERIFY(text.contains(u"Ñandú, Íñigo"_s));
        QVERIFY(text.contains(u"30711111113"_s));

        const report::ReportDefinition d = customerListReport();
        QList<std::pair<double, double>> fields; // points from the paper's left edge
        for (const report::ReportItem &item : d.detail.items)
            fields.append({(d.margins.left() + item.box.left()) / 20.0, (d.margins.left() + item.box.right() + 1) / 20.0});
        // Below the title of the first page and the headings of the others.
        const double detailsFrom = (d.margins.top() + d.pageHeader.height) / 20.0;
        const QRegularExpression word(u"<word xMin=\"([\\d.]+)\" yMin=\"([\\d.]+)\" xMax=\"([\\d.]+)\""_s);
        int checked = 0;
        for (auto m = word.globalMatch(run(u"pdftotext"_s, {u"-bbox"_s, path, u"-"_s})); m.hasNext();) {
            const auto match = m.next();
            const double xMin = match.captured(1).toDouble();
            const double yMin = match.captured(2).toDouble();
            const double xMax = match.captured(3).toDouble();
            if (yMin < detailsFrom)
                continue;
            for (const auto &[left, right] : fields) {
                if (xMin >= left - 0.5 && xMin < right) {
                    QVERIFY2(xMax <= right + 0.05, qPrintable(u"%1 > %2"_s.arg(xMax).arg(right)));
                    ++checked;
                }
            }
        }
        QVERIFY(checked > 500);
    }

private:
    UserSettingsSandbox m_settings;
    std::unique_ptr<Host> m_host;
};

QTEST_MAIN(TestCustomerReport)
#include "tst_customerreport.moc"
