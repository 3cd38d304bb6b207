// The check of the master file against the register, as a user works its window from the customer list's menu: each
// customer's findings and the filter, the register's age, the rows exported and printed, customers modified and
// checked again, and registers imported, cancelled or refused.

#include <QLabel>
#include <QMenu>
#include <QProgressDialog>
#include <QStatusBar>
#include <QTableView>

#include "browser/customerlistmodel.h"
#include "browser/customerlistview.h"
#include "browser/customerlistwindow.h"
#include "customer/modifycustomer.h"
#include "customer/modifycustomerwindow.h"
#include "molde/molde.h"
#include "report/reportpreview.h"
#include "support/dialogwork.h"
#include "support/registerfiles.h"
#include "support/tempdatabase.h"
#include "taxregister/registercheckwindow.h"

using namespace felcora;
using namespace felcora::taxregister;
using namespace felcora::test;
using namespace Qt::StringLiterals;

namespace {

// Benítez and Sosa agree with the register (accents, punctuation and the company type aside); Gallardo is
// Monotributo there, Gamboa has a longer name, Garay is not there, Ortiz's CUIT fails its check digit, Úbeda (no
// condition in the master) is exempt there, under a longer name.
const QString kCustomersSql
    = u"insert into clientes (cuit, nombre, condiva, domicilio, finitactiv) values ('20111111112', 'Benítez, "
      "Juan', 'S', 'Alsina 1', '2010-01-02'), ('27222222228', 'Gallardo, Marta', 'S', 'Alsina 2', '2010-01-02'), "
      "('20333333334', 'Gamboa, Luis', 'M', 'Alsina 3', '2010-01-02'), ('20555555556', 'Garay, Rosa', 'N', "
      "'Alsina 4', '2010-01-02'), ('20111111113', 'Ortiz, Ana', 'S', 'Alsina 5', '2010-01-02'), ('30777777773', "
      "'Sosa S.A.', 'S', 'Alsina 6', '2010-01-02'), ('27666666661', 'Úbeda, Inés', '', 'Alsina 7', '2010-01-02')"_s;

// The register: five of them (CUIT, name, income tax, VAT, simplified regime) and a taxpayer who is no customer.
const QByteArray kRegisterLines[] = {registerLine({"20111111112", "BENITEZ JUAN", "AC", "AC", "NI"}),
                                     registerLine({"27222222228", "GALLARDO MARTA", "AC", "NI", "B"}),
                                     registerLine({"20333333334", "GAMBOA LUIS ALBERTO", "AC", "NI", "A"}),
                                     registerLine({"30777777773", "SOSA SOCIEDAD ANONIMA", "AC", "AC", "NI"}),
                                     registerLine({"27666666661", "UBEDA INES MARIA", "AC", "EX", "NI"}),
                                     registerLine({"20444444445", "GARAY ROSA", "NI", "NI", "NI"})};

// The rows as the check shows them, cells joined by "|".
const QString kOrtiz = u"Ortiz, Ana|20111111113|No figura en el padrón; CUIT inválido|Responsable Inscripto||"_s;
const QString kGamboa = u"Gamboa, Luis|20333333334|Nombre distinto|Monotributo|Monotributo|GAMBOA LUIS ALBERTO"_s;
const QString kGaray = u"Garay, Rosa|20555555556|No figura en el padrón|Responsable No Inscripto||"_s;
const QString kGallardo
    = u"Gallardo, Marta|27222222228|IVA distinto|Responsable Inscripto|Monotributo|GALLARDO MARTA"_s;
const QString kUbeda
    = u"Úbeda, Inés|27666666661|IVA distinto; Nombre distinto|(sin condición)|Exento|UBEDA INES MARIA"_s;
const QList<QStringList> kByFilter{
    {kOrtiz, kGamboa, kGaray, kGallardo, kUbeda}, {kOrtiz, kGaray}, {kGallardo, kUbeda}, {kGamboa, kUbeda}, {kOrtiz}};

constexpr int kNotOldYet = 45; // days
constexpr int kVatFilter = 2, kNameFilter = 3;
// Lines enough for the import's progress window to show before the register is read.
constexpr qint64 kLongRegister = 3'000'000;

// The modify window of the real editors, as the customer list opens it.
struct ModifyEditors final : browser::CustomerEditors
{
    explicit ModifyEditors(CustomerStore s)
        : store(std::move(s))
    {
    }
    std::optional<CustomerPick> modify(const QString &cuit) override
    {
        const customer::ModifyOutcome outcome = customer::showModifyCustomer(store, store.load(cuit).value());
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
    // Without a snapshot the check asks for a register at once (none chosen: no check). Then each kind's filter (by
    // keyboard), the first row selected; a register of 46 days is old, of 45 not yet. Ctrl+E writes the rows shown,
    // the CUIT as text; F12 prints them. F6 modifies a customer, checked again as saved (a CUIT that only the whole
    // register has, in its index): its row shows what is left, or leaves the rows shown (the filter's too), the next
    // one selected. Ctrl+O imports another register; Cancelar in its progress window leaves the snapshot and the
    // index as they were, a file that is no register is refused. The list shows the customers as saved.
    void worksTheCheckFromTheCustomerList()
    {
        const UserSettingsSandbox settings;
        const TempDatabase db;
        TempDatabase::exec(db.personalPath(), kCustomersSql);
        const auto broker = db.makeBroker();
        hostkit::Molde format;
        const CustomerStore customers({broker.get(), &format, broker.get()}, nullptr, true);
        // An import writes the index of the whole register here, never in the user's folder.
        const QString index = db.folder() + u"/padron.indice"_s, zip = db.folder() + u"/padron-prueba.zip"_s;
        qputenv("FELCORA_PADRON_INDICE", index.toUtf8());
        onNextModal<QFileDialog>([](QFileDialog *d) { d->reject(); });
        QVERIFY(!whileShown<FrmControlPadron>([&] { showRegisterCheck(customers, nullptr, nullptr); },
                                              [](FrmControlPadron *) {}));
        const QDate date = QDate::currentDate().addDays(-kNotOldYet - 1), newer = date.addDays(1);
        const QString csv = db.folder() + u"/control.csv"_s, longZip = db.folder() + u"/largo.zip"_s;
        const auto writeRegister = [&](const QDate &published) {
            const auto line = [](qint64 k, QByteArray &out) { out += kRegisterLines[k] + "\r\n"; };
            return writeRegisterZip(zip, u"padron.txt"_s, QDateTime(published, QTime(8, 0)), std::size(kRegisterLines),
                                    line);
        };
        QVERIFY(writeRegister(date)
                && writeRegisterZip(longZip, u"p.txt"_s, QDateTime::currentDateTime(), kLongRegister,
                                    SyntheticRegister(), 1));
        const QString ubeda = u"Úbeda Inés María|27666666661|IVA distinto|(sin condición)|Exento|UBEDA INES MARIA"_s;
        const QString gamboa
            = u"Gamboa Luis A.|20333333334|Nombre distinto|Monotributo|Monotributo|GAMBOA LUIS ALBERTO"_s;
        QStringList printed;
        const auto work = [&](FrmControlPadron *w) {
            QCOMPARE(child<QLabel>(w, u"lblPadron"_s)->text(), snapshotLine(date));
            QVERIFY(child<QLabel>(w, u"lblDesactualizado"_s)->isVisible());  // its text is printed below
            for (int filter = kByFilter.size() - 1; filter >= 0; --filter) { // each one a change
                edit(w, {u"cboFiltro#%1"_s.arg(filter)});
                QCOMPARE(seen(w), listed(kByFilter[filter]));
            }
            edit(w, {u"cboFiltro#%1"_s.arg(kVatFilter)});
            table(w)->setFocus();
            chooseAfter(Qt::Key_E, csv);
            QCOMPARE(status(w), u"2 clientes exportados a "_s + csv);
            const auto keepPage = [&](report::ReportPreview *preview) {
                for (const report::PlacedText &text : preview->document()->page(0).texts)
                    printed << text.text;
                pressKey(Qt::Key_Escape, Qt::NoModifier, preview);
            };
            QVERIFY(whileShown<report::ReportPreview>([] { pressKey(Qt::Key_F12); }, keepPage));
            modifyRow(w, kNameFilter, 1, u"TxtNombre=Úbeda Inés María"_s);
            QCOMPARE(seen(w), listed({kGamboa}, 0, u"Úbeda Inés María sigue con observaciones: IVA distinto"_s));
            modifyRow(w, 0, 2, u"TxtCuit=20444444445"_s);
            QCOMPARE(seen(w),
                     listed({kOrtiz, kGamboa, kGallardo, ubeda}, 2, u"Garay, Rosa ya no tiene observaciones."_s));
            modifyRow(w, 0, 1, u"TxtNombre=Gamboa Luis A."_s);
            const QStringList rows{kOrtiz, gamboa, kGallardo, ubeda};
            QCOMPARE(seen(w), listed(rows, 1, u"Gamboa Luis A. sigue con observaciones: Nombre distinto"_s));
            const qint64 indexSize = QFileInfo(index).size();
            onNextModal<QProgressDialog>(
                [](QProgressDialog *progress) { progress->findChild<QPushButton *>()->click(); });
            chooseAfter(Qt::Key_O, longZip);
            QCOMPARE(status(w), u"No se importó el padrón: sigue el anterior."_s);
            QVERIFY(indexSize > 0 && QFileInfo(index).size() == indexSize);
            QVERIFY(RegisterStore(customers.context()).find(u"27222222228"_s));
            MessageBoxes boxes;
            QVERIFY(QFile::copy(csv, csv + u".zip"_s));
            chooseAfter(Qt::Key_O, csv + u".zip"_s); // no zip but by its name
            QCOMPARE(boxes.icons, QList<QMessageBox::Icon>{QMessageBox::Critical});
            QVERIFY(!boxes.texts.value(0).isEmpty());
            QVERIFY(writeRegister(newer));
            chooseAfter(Qt::Key_O, zip);
            QCOMPARE(child<QLabel>(w, u"lblPadron"_s)->text(), snapshotLine(newer));
            QVERIFY(!child<QLabel>(w, u"lblDesactualizado"_s)->isVisible());
            QCOMPARE(seen(w), listed(rows, 0, u"Padrón importado: 6 de 7 clientes figuran en él."_s));
            pressKey(Qt::Key_Escape);
        };
        const StrayMessageWatchdog watchdog;
        const auto editors = [customers] { return std::make_unique<ModifyEditors>(customers); };
        QVERIFY(userWorks<browser::FrmABMClientes>(
            [&] { browser::showCustomerList(customers, false, editors); },
            [&](browser::FrmABMClientes *list) {
                QWidget *viewport = list->list()->currentView()->viewport();
                QTest::mouseClick(viewport, Qt::RightButton, {}, viewport->rect().center());
                auto *menu = list->findChild<QMenu *>(u"mnMenu"_s);
                QVERIFY(QTest::qWaitFor([&] { return menu->isVisible(); }));
                pressKey(Qt::Key_Up, Qt::NoModifier, menu); // the last entry
                QCOMPARE(menu->activeAction()->objectName(), u"mnPadron"_s);
                onNextModal<QFileDialog>([&](QFileDialog *d) { chooseFile(d, zip); });
                QVERIFY(userWorks<FrmControlPadron>([&] { pressKey(Qt::Key_Return, Qt::NoModifier, menu); }, work));
                reactivate(list);
                const int row = list->model()->rowOfCuit(u"20333333334"_s);
                QCOMPARE(list->model()->text(row, browser::kNombre), u"Gamboa Luis A."_s);
                pressKey(Qt::Key_Escape);
            }));
        QFile file(csv);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(
            file.readAll(),
            u"\uFEFFCliente;CUIT;Observación;IVA en el maestro;IVA en el padrón;Nombre en el padrón\r\nGallardo, "
            "Marta;\"=\"\"27222222228\"\"\";IVA distinto;Responsable Inscripto;Monotributo;GALLARDO MARTA\r\nÚbeda, "
            "Inés;\"=\"\"27666666661\"\"\";\"IVA distinto; Nombre distinto\";(sin condición);Exento;UBEDA INES "
            "MARIA\r\n"_s.toUtf8());
        QVERIFY(printed.size() > 1);
        printed.removeAt(printed.size() - 2); // the moment printed
        QCOMPARE(printed.join(u'|'),
                 u"Control contra el padrón|%1 - desactualizado: tiene 46 días|IVA distinto: 2 de 7 "
                 "clientes con observaciones|Cliente|CUIT|Observación|IVA en el maestro|IVA en el "
                 "padrón|Nombre en el padrón|%2|%3|Página 1 de 1"_s.arg(snapshotLine(date), kGallardo, kUbeda));
    }

private:
    static QTableView *table(const QWidget *w) { return w->findChild<QTableView *>(u"Lst"_s); }
    static QString status(const QWidget *w) { return w->findChild<QStatusBar *>(u"SB"_s)->currentMessage(); }
    static QString snapshotLine(const QDate &date)
    {
        return u"Padrón del %1 (archivo padron-prueba.zip, 6 líneas, 0 dañadas)"_s.arg(date.toString(u"dd/MM/yyyy"_s));
    }

    // The rows shown, cells joined by "|", then the count under them, the CUIT selected and the status bar's message.
    static QStringList seen(const QWidget *w)
    {
        const QAbstractItemModel *m = table(w)->model();
        QStringList rows(m->rowCount());
        for (int row = 0; row < m->rowCount(); ++row)
            for (int column = 0; column < m->columnCount(); ++column)
                rows[row] += (column ? u"|"_s : QString()) + m->index(row, column).data().toString();
        const QModelIndex selected = table(w)->selectionModel()->selectedRows(kCheckCuit).value(0);
        return rows << u"%1 / %2 / %3"_s.arg(child<QLabel>(w, u"SBCuenta"_s)->text(), selected.data().toString(),
                                             status(w));
    }
    static QStringList listed(QStringList rows, int selected = 0, const QString &told = {})
    {
        const QString cuit = rows[selected].section(u'|', 1, 1);
        return rows << u"%1 de 7 clientes con observaciones / %2 / %3"_s.arg(rows.size()).arg(cuit, told);
    }

    // Chooses the filter and the row, and saves (F11) the customer there with the step made in the modify window
    // that F6 opens.
    static void modifyRow(QWidget *w, int filter, int row, const QString &step)
    {
        edit(w, {u"cboFiltro#%1"_s.arg(filter)});
        table(w)->selectRow(row);
        table(w)->setFocus();
        const auto save = [&](customer::FrmModCliente *m) {
            edit(m, {step});
            pressKey(Qt::Key_F11);
        };
        QVERIFY(userWorks<customer::FrmModCliente>([] { pressKey(Qt::Key_F6); }, save));
        reactivate(w);
    }
    // Chooses the file in the dialog that Ctrl and the key open.
    static void chooseAfter(Qt::Key key, const QString &file)
    {
        QWidget *window = QApplication::activeWindow();
        QVERIFY(whileShown<QFileDialog>([&] { pressKey(key, Qt::ControlModifier); },
                                        [&](QFileDialog *dialog) { chooseFile(dialog, file); }));
        reactivate(window);
    }
};

QTEST_MAIN(RegisterCheckTest)
#include "tst_registercheck.moc"
