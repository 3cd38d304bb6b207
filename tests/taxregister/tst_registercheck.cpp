// The check of the master file against the register's snapshot, as a user works its window: the findings of each
// customer and the filter, an old snapshot marked, a customer modified and checked again, the rows exported and
// printed, a register imported (or refused), and the window opened from the customer list's menu.

#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QMenu>
#include <QProcess>
#include <QProgressDialog>
#include <QPushButton>
#include <QStatusBar>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>

#include "browser/customerlist.h"
#include "browser/customerlistmodel.h"
#include "browser/customerlistview.h"
#include "browser/customerlistwindow.h"
#include "core/customerstore.h"
#include "core/registerstore.h"
#include "customer/modifycustomer.h"
#include "customer/modifycustomerwindow.h"
#include "molde/molde.h"
#include "report/reportpreview.h"
#include "support/dialogwork.h"
#include "support/registerfiles.h"
#include "support/tempdatabase.h"
#include "support/typing.h"
#include "taxregister/registercheckwindow.h"
#include "taxregister/registerline.h"

using namespace felcora;
using namespace felcora::taxregister;
using namespace felcora::test;
using namespace Qt::StringLiterals;

namespace {

// Benítez and Sosa agree with the register (accents, punctuation and the company type aside); Gallardo is
// Monotributo there, Gamboa has a longer name, Garay is not there, Ortiz's CUIT fails its check digit, Úbeda (no
// condition in the master) is exempt there, under a longer name.
const QString kCustomersSql = u"insert into clientes (cuit, nombre, condiva, domicilio, finitactiv) values "
                              "('20111111112', 'Benítez, Juan', 'S', 'Rivadavia 300', '2001-03-05'), "
                              "('27222222228', 'Gallardo, Marta', 'S', 'Alsina 20', '1999-12-31'), "
                              "('20333333334', 'Gamboa, Luis', 'M', 'Rivadavia 100', '2010-01-02'), "
                              "('20555555556', 'Garay, Rosa', 'N', 'Belgrano 55', '2010-01-02'), "
                              "('20111111113', 'Ortiz, Ana', 'S', 'Mitre 10', '2010-01-02'), "
                              "('30777777773', 'Sosa S.A.', 'S', 'Zapiola 1', '2010-01-02'), "
                              "('27666666661', 'Úbeda, Inés', '', 'Échague 7', '2010-01-02')"_s;

// The register's lines of five of them: CUIT, name, income tax, VAT, simplified regime.
const RegisterFields kRegister[] = {
    {"20111111112", "BENITEZ JUAN", "AC", "AC", "NI"},       {"27222222228", "GALLARDO MARTA", "AC", "NI", "B"},
    {"20333333334", "GAMBOA LUIS ALBERTO", "AC", "NI", "A"}, {"30777777773", "SOSA SOCIEDAD ANONIMA", "AC", "AC", "NI"},
    {"27666666661", "UBEDA INES MARIA", "AC", "EX", "NI"},
};

// The rows as the check shows them, cells joined by "|", by CUIT.
const QString kOrtiz = u"Ortiz, Ana|20111111113|No figura en el padrón; CUIT inválido|Responsable Inscripto||"_s;
const QString kGamboa = u"Gamboa, Luis|20333333334|Nombre distinto|Monotributo|Monotributo|GAMBOA LUIS ALBERTO"_s;
const QString kGaray = u"Garay, Rosa|20555555556|No figura en el padrón|Responsable No Inscripto||"_s;
const QString kGallardo
    = u"Gallardo, Marta|27222222228|IVA distinto|Responsable Inscripto|Monotributo|GALLARDO MARTA"_s;
const QString kUbeda
    = u"Úbeda, Inés|27666666661|IVA distinto; Nombre distinto|(sin condición)|Exento|UBEDA INES MARIA"_s;

constexpr int kLines = 900;
constexpr int kDamaged = 3;
const QString kZipName = u"padron-prueba.zip"_s;
// Lines enough for the import's progress window to show before the register is read.
constexpr qint64 kLongRegister = 3'000'000;

QTableView *table(const FrmControlPadron *w)
{
    return w->findChild<QTableView *>(u"Lst"_s);
}

// The rows shown, cells joined by "|".
QStringList shownRows(const FrmControlPadron *w)
{
    const QAbstractItemModel *m = table(w)->model();
    QStringList rows;
    for (int row = 0; row < m->rowCount(); ++row) {
        QStringList cells;
        for (int column = 0; column < m->columnCount(); ++column)
            cells << m->index(row, column).data().toString();
        rows << cells.join(u'|');
    }
    return rows;
}

QString selectedCuit(const FrmControlPadron *w)
{
    const QModelIndexList selected = table(w)->selectionModel()->selectedRows(kCheckCuit);
    return selected.isEmpty() ? u"<none>"_s : selected.first().data().toString();
}

// A PDF's text, pages ended by form feeds.
QString pdfText(const QString &file)
{
    QProcess p;
    p.start(u"pdftotext"_s, {u"-layout"_s, file, u"-"_s});
    return p.waitForFinished(60000) ? QString::fromUtf8(p.readAllStandardOutput()) : QString();
}

// The modify window of the real editors, as the customer list opens it.
struct ModifyEditors final : browser::CustomerEditors
{
    explicit ModifyEditors(CustomerStore s)
        : store(std::move(s))
    {
    }
    std::optional<CustomerPick> modify(const QString &cuit) override
    {
        const auto row = store.load(cuit);
        const customer::ModifyOutcome outcome
            = row ? customer::showModifyCustomer(store, *row) : customer::ModifyOutcome{};
        return outcome.saved ? outcome.published : std::nullopt;
    }
    std::optional<CustomerPick> addNew() override { return std::nullopt; }
    CustomerStore store;
};

} // namespace

class RegisterCheckTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        // An import writes the index of the whole register here, never in the user's folder.
        qputenv("FELCORA_PADRON_INDICE", m_indexDir.filePath(u"padron.indice"_s).toUtf8());
    }
    void init()
    {
        QFile::remove(m_indexDir.filePath(u"padron.indice"_s));
        m_db = std::make_unique<TempDatabase>();
        m_broker = m_db->makeBroker();
        TempDatabase::exec(m_db->personalPath(), kCustomersSql);
    }
    void cleanup()
    {
        closeAllModals();
        m_broker.reset();
        m_db.reset();
        restorePointers();
    }

    // Each customer's findings, the filter choosing one kind (by keyboard), the count of the rows shown; the
    // snapshot's line, marked in red past 45 days.
    void showsTheFindingsOfOneKindOrAll_data()
    {
        QTest::addColumn<int>("filter");
        QTest::addColumn<QStringList>("rows");
        QTest::addColumn<int>("age");
        QTest::addColumn<QString>("old"); // "" hidden
        const QStringList all{kOrtiz, kGamboa, kGaray, kGallardo, kUbeda};
        QTest::newRow("all") << 0 << all << 0 << QString();
        QTest::newRow("not registered") << 1 << QStringList{kOrtiz, kGaray} << 45 << QString();
        QTest::newRow("vat") << 2 << QStringList{kGallardo, kUbeda} << 46 << u"desactualizado: tiene 46 días"_s;
        QTest::newRow("name") << 3 << QStringList{kGamboa, kUbeda} << 10 << QString();
        QTest::newRow("check digit") << 4 << QStringList{kOrtiz} << 10 << QString();
    }
    void showsTheFindingsOfOneKindOrAll()
    {
        QFETCH(int, filter);
        QFETCH(QStringList, rows);
        QFETCH(int, age);
        QFETCH(QString, old);
        const QDate date = QDate::currentDate().addDays(-age);
        putSnapshot(date);
        open([&](FrmControlPadron *w) {
            QCOMPARE(
                child<QLabel>(w, u"lblPadron"_s)->text(),
                u"Padrón del %1 (archivo %2, 900 líneas, 3 dañadas)"_s.arg(date.toString(u"dd/MM/yyyy"_s), kZipName));
            const auto *mark = w->findChild<QLabel *>(u"lblDesactualizado"_s);
            QCOMPARE(mark->isVisible() ? mark->text() : QString(), old);
            edit(w, {u"cboFiltro#%1"_s.arg(filter)});
            QCOMPARE(shownRows(w), rows);
            QCOMPARE(child<QLabel>(w, u"SBCuenta"_s)->text(), u"%1 de 7 clientes con observaciones"_s.arg(rows.size()));
            QCOMPARE(selectedCuit(w), rows.first().section(u'|', 1, 1));
            pressKey(Qt::Key_Escape);
        });
    }

    // F6 modifies the selected customer in the modify window; a save checks it again as stored: the row shows what is
    // left, or leaves the rows shown (the report, when nothing is), the next one selected; leaving without saving
    // changes nothing.
    void checksAModifiedCustomerAgain_data()
    {
        QTest::addColumn<int>("filter");
        QTest::addColumn<QString>("cuit");
        QTest::addColumn<QString>("name"); // typed; "" leaves with Esc
        QTest::addColumn<QStringList>("shown");
        QTest::addColumn<int>("selected");
        QTest::addColumn<QString>("told");
        QTest::addColumn<QString>("inAll"); // the customer's row with every finding shown; "" none
        const QString gamboa = u"20333333334"_s, ubeda = u"27666666661"_s;
        const QString ubedaVat = u"Úbeda Inés María|27666666661|IVA distinto|(sin condición)|Exento|UBEDA INES MARIA"_s;
        QTest::newRow("fixed: leaves") << 0 << gamboa << u"Gamboa Luis Alberto"_s
                                       << QStringList{kOrtiz, kGaray, kGallardo, kUbeda} << 1
                                       << u"Gamboa Luis Alberto ya no tiene observaciones."_s << QString();
        QTest::newRow("one left: stays") << 0 << ubeda << u"Úbeda Inés María"_s
                                         << QStringList{kOrtiz, kGamboa, kGaray, kGallardo, ubedaVat} << 4
                                         << u"Úbeda Inés María sigue con observaciones: IVA distinto"_s << ubedaVat;
        QTest::newRow("other kind left: leaves the filter")
            << 3 << ubeda << u"Úbeda Inés María"_s << QStringList{kGamboa} << 0
            << u"Úbeda Inés María sigue con observaciones: IVA distinto"_s << ubedaVat;
        QTest::newRow("not saved") << 0 << gamboa << QString()
                                   << QStringList{kOrtiz, kGamboa, kGaray, kGallardo, kUbeda} << 1 << QString()
                                   << kGamboa;
    }
    void checksAModifiedCustomerAgain()
    {
        QFETCH(int, filter);
        QFETCH(QString, cuit);
        QFETCH(QString, name);
        QFETCH(QStringList, shown);
        QFETCH(int, selected);
        QFETCH(QString, told);
        QFETCH(QString, inAll);
        putSnapshot(QDate::currentDate());
        const StrayMessageWatchdog watchdog;
        const QList<CheckedEdit> edits = open([&](FrmControlPadron *w) {
            edit(w, {u"cboFiltro#%1"_s.arg(filter)});
            QTableView *list = table(w);
            list->selectRow(shownRows(w).indexOf(shownRows(w).filter(cuit).value(0)));
            list->setFocus();
            QVERIFY(userWorks<customer::FrmModCliente>([] { pressKey(Qt::Key_F6); },
                                                       [&](customer::FrmModCliente *m) {
                                                           if (!name.isEmpty())
                                                               edit(m, {u"TxtNombre="_s + name});
                                                           pressKey(name.isEmpty() ? Qt::Key_Escape : Qt::Key_F11);
                                                       }));
            reactivate(w);
            QCOMPARE(shownRows(w), shown);
            QCOMPARE(w->findChild<QStatusBar *>(u"SB"_s)->currentMessage(), told);
            QCOMPARE(selectedCuit(w), shown.at(selected).section(u'|', 1, 1));
            QCOMPARE(child<QLabel>(w, u"SBCuenta"_s)->text(),
                     u"%1 de 7 clientes con observaciones"_s.arg(shown.size()));
            edit(w, {u"cboFiltro#0"_s});
            QCOMPARE(shownRows(w).filter(cuit).value(0), inAll);
            pressKey(Qt::Key_Escape);
        });
        QCOMPARE(edits.size(), name.isEmpty() ? 0 : 1);
        for (const CheckedEdit &edit : edits)
            QCOMPARE(edit.cuit + u'|' + edit.saved.nombre, cuit + u'|' + name);
    }

    // Ctrl+E writes the rows shown under their headers, the CUIT as text; F12 previews them on paper, under the
    // snapshot's line and the filter, with the page's footer.
    void exportsAndPrintsTheRowsShown()
    {
        const QDate date = QDate::currentDate().addDays(-60);
        putSnapshot(date);
        QTemporaryDir dir;
        const QString csv = dir.filePath(u"control.csv"_s), pdf = dir.filePath(u"control.pdf"_s);
        open([&](FrmControlPadron *w) {
            edit(w, {u"cboFiltro#2"_s});
            table(w)->setFocus();
            QVERIFY(whileShown<QFileDialog>([] { pressKey(Qt::Key_E, Qt::ControlModifier); },
                                            [&](QFileDialog *dialog) { chooseFile(dialog, csv); }));
            reactivate(w);
            QCOMPARE(w->findChild<QStatusBar *>(u"SB"_s)->currentMessage(), u"2 clientes exportados a "_s + csv);
            QVERIFY(whileShown<report::ReportPreview>([] { pressKey(Qt::Key_F12); },
                                                      [&](report::ReportPreview *preview) {
                                                          QVERIFY(preview->savePdf(pdf));
                                                          pressKey(Qt::Key_Escape, Qt::NoModifier, preview);
                                                      }));
            reactivate(w);
            pressKey(Qt::Key_Escape);
        });
        QFile file(csv);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray bytes = file.readAll();
        QVERIFY(bytes.startsWith("\xEF\xBB\xBF"));
        QCOMPARE(QString::fromUtf8(bytes.mid(3)).split(u"\r\n"_s),
                 QStringList(
                     {u"Cliente;CUIT;Observación;IVA en el maestro;IVA en el padrón;Nombre en el padrón"_s,
                      u"Gallardo, Marta;\"=\"\"27222222228\"\"\";IVA distinto;Responsable Inscripto;Monotributo;"
                      "GALLARDO MARTA"_s,
                      u"Úbeda, Inés;\"=\"\"27666666661\"\"\";\"IVA distinto; Nombre distinto\";(sin condición);Exento;"
                      "UBEDA INES MARIA"_s,
                      QString()}));
        QStringList printed;
        for (const QString &line : pdfText(pdf).split(u'\n'))
            printed << line.simplified();
        const QString snapshot
            = u"Padrón del %1 (archivo %2, 900 líneas, 3 dañadas) - desactualizado: tiene 60 días"_s.arg(
                date.toString(u"dd/MM/yyyy"_s), kZipName);
        for (const QString &expected :
             {u"Control contra el padrón"_s, snapshot, u"IVA distinto: 2 de 7 clientes con observaciones"_s,
              u"Cliente CUIT Observación IVA en el maestro IVA en el padrón Nombre en el padrón"_s,
              u"Gallardo, Marta 27222222228 IVA distinto Responsable Inscripto Monotributo GALLARDO MARTA"_s,
              u"Úbeda, Inés 27666666661 IVA distinto; Nombre distinto (sin condición) Exento UBEDA INES MARIA"_s})
            QVERIFY2(printed.contains(expected), qPrintable(expected + u"\n"_s + printed.join(u'\n')));
        QVERIFY(printed.filter(u"Página 1 de 1"_s).size() == 1);
        QVERIFY(!printed.join(u'\n').contains(u"Gamboa"_s));
    }

    // Without a snapshot the register is asked for at once: no file chosen, no window; a register imported is
    // checked against, and a CUIT changed to one that only the whole register has is found there. Then a file that
    // is no register is refused with the reason, and the check goes on as it was.
    void importsARegisterFirst()
    {
        QTemporaryDir dir;
        const QString zip = dir.filePath(kZipName), notZip = dir.filePath(u"roto.zip"_s);
        QList<QByteArray> lines;
        for (const RegisterFields &fields : kRegister)
            lines << registerLine(fields);
        lines << registerLine({"20444444445", "GARAY ROSA", "NI", "NI", "NI"});
        const QDate published = QDate::currentDate().addDays(-3);
        QVERIFY(writeZip(zip, {{u"padron.txt"_s, registerText(lines), QDateTime(published, QTime(8, 0))}}));
        QFile broken(notZip);
        QVERIFY(broken.open(QIODevice::WriteOnly) && broken.write("no es un zip\n") > 0);
        broken.close();

        onNextModal<QFileDialog>([](QFileDialog *d) { d->reject(); });
        QVERIFY(!whileShown<FrmControlPadron>([&] { showRegisterCheck(store(), nullptr, nullptr); },
                                              [](FrmControlPadron *) {}));
        QVERIFY(!RegisterStore(context()).snapshot());

        onNextModal<QFileDialog>([&](QFileDialog *d) { chooseFile(d, zip); });
        open([&](FrmControlPadron *w) {
            const QString line = u"Padrón del %1 (archivo %2, 6 líneas, 0 dañadas)"_s.arg(
                published.toString(u"dd/MM/yyyy"_s), kZipName);
            QCOMPARE(child<QLabel>(w, u"lblPadron"_s)->text(), line);
            QCOMPARE(shownRows(w), QStringList({kOrtiz, kGamboa, kGaray, kGallardo, kUbeda}));
            table(w)->selectRow(2);
            QVERIFY(userWorks<customer::FrmModCliente>([] { pressKey(Qt::Key_F6); },
                                                       [](customer::FrmModCliente *m) {
                                                           edit(m, {u"TxtCuit=20444444445"_s});
                                                           pressKey(Qt::Key_F11);
                                                       }));
            reactivate(w);
            QCOMPARE(w->findChild<QStatusBar *>(u"SB"_s)->currentMessage(),
                     u"Garay, Rosa ya no tiene observaciones."_s);
            QString told;
            QMessageBox::Icon icon = QMessageBox::NoIcon;
            answerNextMessageBox(QMessageBox::Ok, &told, &icon, 20000);
            QVERIFY(whileShown<QFileDialog>([] { pressKey(Qt::Key_O, Qt::ControlModifier); },
                                            [&](QFileDialog *dialog) { chooseFile(dialog, notZip); }));
            QCOMPARE(icon, QMessageBox::Critical);
            QVERIFY(!told.isEmpty());
            reactivate(w);
            QCOMPARE(w->findChild<QStatusBar *>(u"SB"_s)->currentMessage(),
                     u"No se importó el padrón: sigue el anterior."_s);
            QCOMPARE(child<QLabel>(w, u"lblPadron"_s)->text(), line);
            QCOMPARE(shownRows(w).size(), 4);
            pressKey(Qt::Key_Escape);
        });
        QVERIFY(QFileInfo(m_indexDir.filePath(u"padron.indice"_s)).size() > 0);
    }

    // Cancelar in the import's progress window leaves the snapshot and the check as they were, and writes no index.
    void cancelsAnImport()
    {
        const QDate date = QDate::currentDate();
        putSnapshot(date);
        QTemporaryDir dir;
        const QString zip = dir.filePath(u"grande.zip"_s);
        SyntheticRegister synthetic;
        QVERIFY(writeRegisterZip(zip, u"padron.txt"_s, QDateTime::currentDateTime(), kLongRegister, synthetic, 1));
        open([&](FrmControlPadron *w) {
            QString shown;
            onNextModal<QProgressDialog>([&](QProgressDialog *progress) {
                shown = progress->labelText();
                progress->findChild<QPushButton *>()->click();
            });
            QVERIFY(whileShown<QFileDialog>([] { pressKey(Qt::Key_O, Qt::ControlModifier); },
                                            [&](QFileDialog *dialog) { chooseFile(dialog, zip); }));
            QVERIFY2(shown.startsWith(u"Leyendo el padrón: "_s) && shown.endsWith(u" %"_s), qPrintable(shown));
            QCOMPARE(w->findChild<QStatusBar *>(u"SB"_s)->currentMessage(),
                     u"No se importó el padrón: sigue el anterior."_s);
            QVERIFY(child<QLabel>(w, u"lblPadron"_s)->text().contains(kZipName));
            pressKey(Qt::Key_Escape);
        });
        QCOMPARE(RegisterStore(context()).snapshot()->fileName, kZipName);
        QVERIFY(!QFileInfo::exists(m_indexDir.filePath(u"padron.indice"_s)));
    }

    // "Control contra el padrón..." in the list's menu opens the check; a customer modified there is rewritten in
    // the list when the check closes.
    void opensFromTheCustomerList()
    {
        putSnapshot(QDate::currentDate());
        const StrayMessageWatchdog watchdog;
        const CustomerStore customers = store();
        const auto editors = [customers] { return std::make_unique<ModifyEditors>(customers); };
        QVERIFY(userWorks<browser::FrmABMClientes>(
            [&] { browser::showCustomerList(customers, false, editors); },
            [&](browser::FrmABMClientes *list) {
                QWidget *viewport = list->list()->currentView()->viewport();
                QTest::mousePress(viewport, Qt::RightButton, {}, viewport->rect().center());
                QTest::mouseRelease(viewport, Qt::RightButton, {}, viewport->rect().center());
                auto *menu = list->findChild<QMenu *>(u"mnMenu"_s);
                QVERIFY(QTest::qWaitFor([&] { return menu->isVisible(); }, 2000));
                pressKey(Qt::Key_Up, Qt::NoModifier, menu); // the last entry
                QCOMPARE(menu->activeAction()->objectName(), u"mnPadron"_s);
                QVERIFY(userWorks<FrmControlPadron>(
                    [&] { pressKey(Qt::Key_Return, Qt::NoModifier, menu); },
                    [&](FrmControlPadron *w) {
                        QCOMPARE(shownRows(w).size(), 5);
                        QVERIFY(userWorks<customer::FrmModCliente>(
                            [&] {
                                const QPoint at = table(w)->visualRect(table(w)->model()->index(1, 0)).center();
                                QTest::mouseClick(table(w)->viewport(), Qt::LeftButton, {}, at);
                                QTest::mouseDClick(table(w)->viewport(), Qt::LeftButton, {}, at);
                            },
                            [](customer::FrmModCliente *m) {
                                edit(m, {u"TxtNombre=Gamboa Luis Alberto"_s});
                                pressKey(Qt::Key_F11);
                            }));
                        reactivate(w);
                        pressKey(Qt::Key_Escape);
                    }));
                reactivate(list);
                const int row = list->model()->rowOfCuit(u"20333333334"_s);
                QCOMPARE(list->model()->text(row, browser::kNombre), u"Gamboa Luis Alberto"_s);
                pressKey(Qt::Key_Escape);
            }));
    }

private:
    StoreContext context() { return {m_broker.get(), &m_format, m_broker.get()}; }
    CustomerStore store() { return CustomerStore(context(), nullptr, true); }

    // The register's snapshot of that date, with the lines of kRegister.
    void putSnapshot(const QDate &date)
    {
        std::vector<taxregister::RegisterLine> lines(std::size(kRegister));
        for (size_t k = 0; k < lines.size(); ++k) {
            const QByteArray text = registerLine(kRegister[k]);
            QCOMPARE(parseRegisterLine(text.constData(), text.size(), lines[k]), taxregister::LineStatus::Valid);
        }
        const RegisterStore registers(context());
        RegisterStore::Replacement replacement(registers,
                                               {date, kZipName, QDateTime::currentDateTime(), kLines, kDamaged});
        replacement.begin();
        replacement.add(lines);
        replacement.commit();
    }

    // Opens the check on the test database with the real modify window for `user`; the customers modified.
    QList<CheckedEdit> open(const std::function<void(FrmControlPadron *)> &user)
    {
        ModifyEditors editors(store());
        QList<CheckedEdit> edits;
        if (!userWorks<FrmControlPadron>([&] { edits = showRegisterCheck(store(), &editors, nullptr); }, user))
            QTest::qFail("the check did not show", __FILE__, __LINE__);
        return edits;
    }

    QTemporaryDir m_indexDir;
    UserSettingsSandbox m_settings;
    std::unique_ptr<TempDatabase> m_db;
    std::unique_ptr<hostkit::RecordBroker> m_broker;
    hostkit::Molde m_format;
};

QTEST_MAIN(RegisterCheckTest)
#include "tst_registercheck.moc"
