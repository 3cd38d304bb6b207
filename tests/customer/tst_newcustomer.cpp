// The new-customer window as a user works it: save, CUIT box and hint, states, pending agents, register fill.

#include <QAbstractButton>
#include <QDir>
#include <QLabel>
#include <QTest>
#include <QTreeWidget>

#include "core/customerstore.h"
#include "core/registerstore.h"
#include "customer/newcustomer.h"
#include "customer/newcustomerwindow.h"
#include "customer/pendingcustomerswindow.h"
#include "entry/newcustomerentry.h"
#include "molde/molde.h"
#include "support/dialogwork.h"
#include "support/serverdatabase.h"
#include "support/tempdatabase.h"
#include "support/typing.h"
#include "taxregister/registerindex.h"
#include "ui/cuithint.h"

using namespace felcora;
using namespace felcora::customer;
using namespace felcora::test;
using namespace Qt::StringLiterals;

namespace {

const QString kCustomersSql = u"insert into clientes (cuit, nombre, domicilio) values "
                              "('20111111112', 'Benítez, Juan', 'Rivadavia 300')"_s;
// Only generator 1 has role 2; 11 is a customer; 14's number and address overflow their boxes, its place is NULL.
const QString kLongAddress = u"Avenida Presidente Figueroa Alcorta 7597, piso 12"_s;
const QString kAgentsSql = u"insert into AGENTES values (1, '30000000001', 'Generador', NULL, NULL, NULL, NULL),"
                           "(2, '30000000002', 'Sin rol', NULL, NULL, NULL, NULL),"
                           "(10, '30500000001', 'Acme SA', 'Mitre 10', 'B1638', 'Vicente López', 1),"
                           "(11, '20111111112', 'Benítez, Juan', 'Rivadavia 300', '1708', 'Morón', 1),"
                           "(12, '30600000002', 'Otra SA', 'Belgrano 5', '2000', 'Rosario', 2),"
                           "(14, '20-55555555-5', 'Guiones SA', '%1', NULL, NULL, 1);"
                           "insert into ROLES_AUTORIZADOS values (1, 2), (2, 3)"_s.arg(kLongAddress);

// Opens the window as the entry classes do; how the opening ended, when it showed.
std::optional<NewCustomerOutcome> addNew(const CustomerStore &store, const std::function<void(FrmNewCliente *)> &user)
{
    std::optional<NewCustomerOutcome> outcome;
    if (!userWorks<FrmNewCliente>([&] { outcome = showNewCustomer(store, {}); }, user))
        outcome.reset();
    return outcome;
}

// The register (Latin-1): a Monotributo by its category whatever its VAT code, and an Exento.
const QList<taxregister::RegisterLine> kRegister
    = {{.cuit = 20123456786, .name = "MU\xD1OZ JUAN", .nameLength = 10, .vat = {'N', 'I'}, .simplified = {'B', ' '}},
       {.cuit = 27123456780, .name = "GOMEZ ANA", .nameLength = 9, .vat = {'E', 'X'}, .simplified = {'N', 'I'}}};
// Where the look-up reads: the snapshot; the index of the whole register, newer, first; an index that cannot be read.
enum Source { Snapshot, Index, DamagedIndex };

} // namespace

class TestNewCustomer : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        m_db = std::make_unique<TempDatabase>();
        m_broker = m_db->makeBroker();
        m_pending = {};
        TempDatabase::exec(personal(), kCustomersSql);
    }
    void cleanup()
    {
        closeAllModals();
        qunsetenv("FELCORA_PADRON_INDICE");
        m_broker.reset();
        m_db.reset();
    }

    // The checks in the save's order: a refusal stores nothing; what passes is read back
    // as stored, and the typed customer is handed back once the checks pass.
    void save_data()
    {
        QTest::addColumn<bool>("keepsFee");
        QTest::addColumn<QStringList>("steps");
        QTest::addColumn<QString>("message");
        QTest::addColumn<Buttons>("answers");
        QTest::addColumn<QString>("stored"); // the row's values, "|" between them
        QTest::addColumn<QString>("handed"); // the CUIT handed back
        const auto row = [](const char *name, const QString &steps, const QString &message, const QString &stored = {},
                            const Buttons &answers = {}, bool keepsFee = true, const QString &handed = {}) {
            QTest::newRow(name) << keepsFee << steps.split(u';') << message << answers << stored
                                << (stored.isEmpty() ? handed : stored.section(u'|', 0, 0));
        };
        const QString doubt = u"El CUIT %1 no es válido: %2. ¿Guardar de todos modos?"_s;
        row("royalties emptied, before an empty CUIT", u"txtRegalias="_s,
            u"El campo REGALIAS debe tener un valor numerico"_s);
        row("blank CUIT", u"TxtCuit=   ;TxtNombre=Ana"_s, u"Debe ingresar el número de cuit"_s);
        row("a blank and ten digits", u"TxtCuit= 2044444444;TxtNombre=Ana"_s,
            u"El número de CUIT debe tener 11 digitos"_s);
        row("a wrong check digit, not confirmed by default", u"TxtCuit=30712345670;TxtNombre=Ana"_s,
            doubt.arg(u"30712345670"_s, u"el dígito verificador debería ser 1"_s));
        row("no name: nothing said", u"TxtCuit=20444444445"_s, {});
        row("exemption zero, before the reduction and the date",
            u"TxtCuit=20444444445;TxtNombre=Ana;EXIMGANS;TxtEximGan=0;OpIVAREDS;TxtIvaReduccion=x;TxtIniactiv=abc"_s,
            u"Debe ingresar un valor mayor a CERO"_s);
        row("a CUIT taken", u"TxtCuit=20111111112;TxtNombre=Otro"_s, u"El número de Cuit 20111111112 ya existe."_s, {},
            {}, true, u"20111111112"_s);
        row("every box, both frames SI, exempt with VAT, the fee",
            u"TxtCuit=20444444445;TxtNombre=O'Brien, Ana;TxtDomicilio=Rivadavia 300;txtLocalidad=Morón;txtCP=1708;"
            "TxtEmail=ana@ejemplo.com;TxtTelefonos=4555-1234;TxtIniactiv=5/3/2001;TxtContact=Pedro;"
            "txtLugarDepMerc=O'Higgins 12;txtRegalias=3,25;txtAjxVinc_4102=4,5;chExecLAPI;cboIVAMARIA#2;EXIMGANS;"
            "TxtEximGan=1,5;OpIVAREDS;TxtIvaReduccion=-2;cboIVAFACTU#5;txtIvaExcento=12,5;txtHonorario=7"_s,
            {},
            u"20444444445|O'Brien, Ana|Rivadavia 300|Morón|1708|ana@ejemplo.com|4555-1234|05/03/2001|Pedro|"
            "O´Higgins 12|3.25|4.5|S|M|S|1.5|0|S|-2|0|X|12.5|7|0"_s);
        row("the product: ten digits and a letter confirmed, a frame set back to NO, no date",
            u"TxtCuit=2044444444A;TxtNombre=Ana;EXIMGANS;TxtEximGan=9;EXIMGANN"_s,
            doubt.arg(u"2044444444A"_s, u"debe tener solo dígitos"_s),
            u"2044444444A|Ana||||||01/01/1900|||0|0|N|S|N|0|0|N|0|0|S|0||0"_s, {QMessageBox::Yes}, false);
    }
    void save()
    {
        QFETCH(bool, keepsFee);
        QFETCH(QStringList, steps);
        QFETCH(QString, message);
        QFETCH(Buttons, answers);
        QFETCH(QString, stored);
        QFETCH(QString, handed);
        const auto before = DatabaseSnapshot::take(personal());
        const auto outcome = addNew(store(keepsFee), [&](FrmNewCliente *w) {
            MessageBoxes boxes(answers);
            edit(w, steps);
            pressKey(Qt::Key_F11);
            QCOMPARE(boxes.texts, message.isEmpty() ? QStringList() : QStringList{message});
            const auto icon = message.startsWith(u"El CUIT "_s) ? QMessageBox::Question : QMessageBox::Warning;
            QCOMPARE(boxes.icons, QList<QMessageBox::Icon>(boxes.texts.size(), icon));
            QCOMPARE(w->isVisible(), stored.isEmpty());
            if (w->isVisible()) {
                reactivate(w);
                pressKey(Qt::Key_Escape);
            }
        });
        QVERIFY(outcome);
        QCOMPARE(outcome->added, !stored.isEmpty());
        QCOMPARE(outcome->escaped, stored.isEmpty());
        QCOMPARE(outcome->handedBack ? outcome->handedBack->cuit : QString(), handed);
        QCOMPARE(before.differences(DatabaseSnapshot::take(personal())),
                 stored.isEmpty() ? QStringList() : QStringList{u"clientes[%1] inserted"_s.arg(handed)});
        if (stored.isEmpty())
            return;
        const auto row = store(keepsFee).load(handed);
        QVERIFY(row);
        QStringList values;
        for (const CustomerField field : kCustomerFields)
            values << valueOf(*row, field);
        QCOMPARE(values.join(u'|'), stored);
    }

    // The boxes as the window opens and as the invoicing condition changes them. Each dash
    // typed in the CUIT is refused and typing goes on; a pasted CUIT loses its dashes.
    void windowStatesAndCuitDashes()
    {
        const QStringList opening
            = (u"TxtCuit=;TxtNombre=;TxtDomicilio=;txtLocalidad=;txtCP=;TxtEmail=;TxtTelefonos=;TxtIniactiv=;"
               "TxtContact=;txtLugarDepMerc=;txtINGBRU=0 hidden;txtRegalias=0;txtAjxVinc_4102=0;chkCVDI off;"
               "chExecLAPI off;cboIVAMARIA#0;EXIMGANS off;EXIMGANN on;TxtEximGan=0 disabled;TxtTemp=0 disabled;"
               "OpIVAREDS off;OpIVAREDN on;TxtIvaReduccion=0 disabled;TxtIvaTemp=0 disabled;cboIVAFACTU#0;"
               "txtIvaExcento=0 hidden;lbIvaExento hidden;txtHonorario=;lbHonorario;cmdClientesPendientes"_s)
                  .split(u';');
        // Exempt with VAT, then another entry: the value hidden, its text kept.
        const QStringList switched = {u"txtIvaExcento=12,5 hidden"_s, u"lbIvaExento hidden"_s};
        QVERIFY(addNew(store(), [&](FrmNewCliente *w) {
            MessageBoxes boxes;
            QCOMPARE(looks(w, opening), opening);
            edit(w, {u"cboIVAFACTU#5"_s, u"txtIvaExcento=12,5"_s, u"cboIVAFACTU#4"_s});
            QCOMPARE(looks(w, switched), switched);
            QCOMPARE(boxes.texts, QStringList());
            QLineEdit *cuit = child(w, u"TxtCuit"_s);
            typeText(u"20-"_s, cuit);
            reactivate(w); // back from the message
            typeText(u"12345678-99"_s, cuit);
            const QString refusal = u"No debe ingresar guiones ( - ) en el CUIT"_s;
            QCOMPARE(boxes.texts, (QStringList{refusal, refusal}));
            QCOMPARE(boxes.icons, (QList<QMessageBox::Icon>{QMessageBox::Critical, QMessageBox::Critical}));
            QCOMPARE(cuit->text(), u"20123456789"_s);
            edit(w, {u"TxtCuit<30-71234567-1"_s});
            QCOMPARE(cuit->text(), u"30712345671"_s);
            reactivate(w);
            pressKey(Qt::Key_Escape);
        }));
    }

    // Listed: a role-2 generator's agents not yet customers. A pick (mouse or keys) replaces
    // the identification, NULLs as empty; Esc changes nothing.
    void pendingImport()
    {
        TempDatabase::exec(m_db->accountingPath(), kAgentsSql);
        const QStringList listed = {u"30500000001|Acme SA|Mitre 10|B1638|Vicente López"_s,
                                    u"20-55555555-5|Guiones SA|"_s + kLongAddress + u"||"_s};
        const QString acme = u"TxtCuit=30500000001;TxtDomicilio=Mitre 10;txtCP=B1638;txtLocalidad=Vicente López;"
                             "TxtContact=Pedro;txtRegalias=4,5"_s;
        const QList<std::tuple<QString, std::function<void(QTreeWidget *)>, QString>> picks
            = {{u"TxtCuit=1;TxtNombre=Otro;TxtContact=Pedro;txtRegalias=4,5"_s,
                [](QTreeWidget *list) {
                    const QPoint at = list->visualItemRect(list->topLevelItem(0)).center();
                    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, at);
                    QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, at);
                },
                acme + u";TxtNombre=Acme SA"_s},
               {u"TxtNombre=Acme Sociedad Anónima"_s, [](QTreeWidget *) { pressKey(Qt::Key_Escape); },
                acme + u";TxtNombre=Acme Sociedad Anónima"_s},
               {{},
                [](QTreeWidget *) { // the list has the focus as it opens
                    pressKey(Qt::Key_Down);
                    pressKey(Qt::Key_Return);
                },
                u"TxtCuit=20-55555555-5;TxtNombre=Guiones SA;txtCP=;txtLocalidad=;TxtContact=Pedro;TxtDomicilio="_s
                    + kLongAddress}};
        QVERIFY(addNew(store(), [&](FrmNewCliente *w) {
            for (const auto &[steps, pick, shown] : picks) {
                edit(w, steps.split(u';', Qt::SkipEmptyParts));
                QVERIFY(userWorks<frmListadeClientesPendientes>(
                    [&] { QTest::mouseClick(child<QAbstractButton>(w, u"cmdClientesPendientes"_s), Qt::LeftButton); },
                    [&](frmListadeClientesPendientes *p) {
                        auto *list = child<QTreeWidget>(p, u"lstLista"_s);
                        QCOMPARE(entries(list), listed);
                        pick(list);
                    }));
                reactivate(w);
                QCOMPARE(looks(w, shown.split(u';')), shown.split(u';'));
            }
            pressKey(Qt::Key_Escape);
        }));
    }

    // Without the accounting database the user is told twice, the list is empty, saving works.
    void missingAccountingDatabase()
    {
        hostkit::RecordBroker broker;
        if (onServer()) {
            TempDatabase::exec(personal(), u"drop schema quenmarcontable cascade"_s);
        } else {
            hostkit::BrokerConfig config = m_db->config();
            hostkit::EntitySettings &personalEntity = config.entities[u"PERSONAL"_s];
            personalEntity.accounting = QDir(m_db->folder()).filePath(u"ausente.db"_s);
            personalEntity.schema.clear(); // nothing created: the customer database exists
            broker.useConfig(config);
            broker.LoadParameters();
        }
        const QString description
            = u"Este módulo es compatible con el sistema Contable y Seguimiento de Operaciones de Quenmar. \r\n\r\n"
              "¿Tiene instalado el sistema Contable o Seguimiento de Carpetas?\r\n\r\n\r\n"_s;
        const auto before = DatabaseSnapshot::take(personal());
        hostkit::RecordBroker *used = onServer() ? m_broker.get() : &broker;
        const CustomerStore onIt({used, &m_format, used}, nullptr, true, &m_pending);
        QVERIFY(addNew(onIt, [&](FrmNewCliente *w) {
            MessageBoxes boxes;
            QVERIFY(userWorks<frmListadeClientesPendientes>(
                [&] { QTest::mouseClick(child<QAbstractButton>(w, u"cmdClientesPendientes"_s), Qt::LeftButton); },
                [&](frmListadeClientesPendientes *p) {
                    // From loading the list, then from showing it.
                    QCOMPARE(boxes.icons, (QList<QMessageBox::Icon>{QMessageBox::Warning, QMessageBox::NoIcon}));
                    QVERIFY(boxes.texts[0].startsWith(description) && boxes.texts[0].contains(u"Form_Load"_s));
                    QVERIFY(boxes.texts[1].startsWith(description) && boxes.texts[1].contains(u"Form_Activate"_s));
                    QCOMPARE(child<QTreeWidget>(p, u"lstLista"_s)->topLevelItemCount(), 0);
                    pressKey(Qt::Key_Escape);
                }));
            edit(w, {u"TxtCuit=20444444445"_s, u"TxtNombre=Ana"_s});
            pressKey(Qt::Key_F11);
            QVERIFY(!w->isVisible());
        }));
        QCOMPARE(before.differences(DatabaseSnapshot::take(personal())),
                 QStringList{u"clientes[20444444445] inserted"_s});
    }

    // The hint beside the CUIT box as typed: the holder, what is missing or how the check digit fares (by hand: 11 -
    // the ten digits weighted 5,4,3,2,7,6,5,4,3,2 mod 11; 11 is 0, 10 none), red once it cannot be valid.
    void cuitHint()
    {
        QList<std::tuple<QString, QString, bool>> typings // typed, hint, red
            = {{u"20200000090"_s, u"Persona física · no existe CUIT con esos diez dígitos"_s, true},
               {u"2"_s, u"Faltan 10 dígitos"_s, false},
               {u"125"_s, u"Prefijo 12 desconocido: faltan 8 dígitos"_s, false},
               {u" 2012345678"_s, u"Persona física: falta 1 dígito"_s, false}, // blanks are not the CUIT's
               {u"2012345678X"_s, u"Un CUIT lleva solo dígitos"_s, true}};
        // Valid CUITs of every prefix by holder, each also typed with a wrong check digit.
        const QList<std::pair<QString, QStringList>> valid
            = {{u"Persona física"_s, {u"20123456786"_s, u"23123456785"_s, u"24123456781"_s, u"27123456780"_s}},
               {u"Persona jurídica"_s, {u"30123456781"_s, u"33123456780"_s, u"34123456787"_s}},
               {u"CUIT genérico de extranjero"_s, {u"50123456782"_s, u"51123456789"_s, u"55123456784"_s}},
               {u"Prefijo 12 desconocido"_s, {u"12123456783"_s}}};
        for (const auto &[who, cuits] : valid) {
            for (const QString &cuit : cuits) {
                typings << std::tuple(cuit, who + u" · dígito verificador correcto"_s, false)
                        << std::tuple(cuit.chopped(1) + QString::number((cuit.back().digitValue() + 1) % 10),
                                      who + u" · dígito verificador incorrecto (debería ser %1)"_s.arg(cuit.back()),
                                      true);
            }
        }
        QVERIFY(addNew(store(), [&](FrmNewCliente *w) {
            const auto *label = child<QLabel>(w, u"lbCuitAyuda"_s);
            for (const auto &[typed, hint, red] : typings) {
                edit(w, {u"TxtCuit="_s + typed});
                QCOMPARE(typed + u": "_s + label->text(), typed + u": "_s + hint);
                QCOMPARE(label->palette().color(QPalette::WindowText), red ? ui::kCuitHintFault : ui::kCuitHintMuted);
            }
            pressKey(Qt::Key_Escape); // never a message: the watchdog fails one
        }));
    }

    // What the register fills in as a CUIT is typed, and what the save stores of it.
    void registerFill_data()
    {
        QTest::addColumn<int>("source");
        QTest::addColumn<QStringList>("steps");
        QTest::addColumn<QStringList>("shown");
        QTest::addColumn<QString>("status"); // "%1": where the index is
        const QString muñoz = u"TxtCuit=20123456786"_s;
        for (const Source source : {Snapshot, Index}) {
            const auto told = u"Datos del padrón del %1: "_s.arg(source == Index ? u"01/12/2026"_s : u"01/11/2026"_s);
            const auto row = [&](const char *name, const QString &steps, const QString &shown, const QString &said) {
                QTest::addRow("%s, %s", source == Index ? "index" : "snapshot", name)
                    << int(source) << steps.split(u';') << shown.split(u';') << told + said;
            };
            row("an empty name filled, the condition proposed; a wrong check digit not looked up",
                u"TxtCuit=20123456780;"_s + muñoz, u"TxtNombre=MUÑOZ JUAN;cboIVAMARIA#2"_s,
                u"nombre y condición IVA (Monotributo)"_s);
            row("a typed name kept", u"TxtNombre=Juan Muñoz;"_s + muñoz, u"TxtNombre=Juan Muñoz;cboIVAMARIA#2"_s,
                u"condición IVA (Monotributo); el nombre en el padrón es \"MUÑOZ JUAN\""_s);
            row("a chosen condition kept", u"cboIVAMARIA#1;"_s + muñoz, u"TxtNombre=MUÑOZ JUAN;cboIVAMARIA#1"_s,
                u"nombre; condición IVA en el padrón: Monotributo"_s);
            row("Exento has no letter", u"TxtCuit=27123456780"_s, u"TxtNombre=GOMEZ ANA;cboIVAMARIA#0"_s,
                u"nombre; la condición IVA del padrón (Exento) no tiene equivalente en MARIA"_s);
        }
        QTest::newRow("an unreadable index: told in the status line alone")
            << int(DamagedIndex) << QStringList{u"TxtNombre=Ana"_s, muñoz}
            << QStringList{u"TxtNombre=Ana"_s, u"cboIVAMARIA#0"_s}
            << u"Padrón no disponible: \"%1\" no es un índice del padrón de esta versión: vuelva a importar el padrón"_s;
    }
    void registerFill()
    {
        QFETCH(int, source);
        QFETCH(QStringList, steps);
        QFETCH(QStringList, shown);
        QFETCH(QString, status);
        putRegister(Source(source));
        status.replace(u"%1"_s, QDir::toNativeSeparators(indexPath()));
        QStringList asked;
        const RegisterLookup lookUp = [&asked, real = registerLookup(store())](const QString &cuit) {
            asked << cuit;
            return real(cuit);
        };
        const auto user = [&](FrmNewCliente *w) {
            edit(w, steps);
            QCOMPARE(looks(w, shown), shown);
            QCOMPARE(child<QLabel>(w, u"lbPadron"_s)->text(), status);
            QCOMPARE(asked, QStringList{child(w, u"TxtCuit"_s)->text()}); // only the CUIT typed whole and right
            pressKey(Qt::Key_F11);
        };
        std::optional<NewCustomerOutcome> outcome;
        QVERIFY(userWorks<FrmNewCliente>([&] { outcome = showNewCustomer(store(), lookUp); }, user));
        QVERIFY(outcome && outcome->added);
        // Stored as shown: the name, and the letter of the condition chosen in the list.
        const auto row = store().load(outcome->handedBack->cuit);
        QVERIFY(row);
        QCOMPARE(u"TxtNombre="_s + row->nombre, shown[0]);
        QCOMPARE(conditions::positionOf(conditions::kMaria, row->condiva), shown[1].section(u'#', 1).toInt());
    }

private:
    // The store of one opening on the test database.
    CustomerStore store(bool keepsFee = true)
    {
        return CustomerStore({m_broker.get(), &m_format, m_broker.get()}, nullptr, keepsFee, &m_pending);
    }

    QString personal() const { return m_db->personalPath(); }
    QString indexPath() const { return QDir(m_db->folder()).filePath(u"padron.indice"_s); }

    // The register's snapshot in the test database, and the index the look-up reads before it.
    void putRegister(Source source)
    {
        const RegisterStore registerStore(store().context());
        RegisterStore::Replacement snapshot(registerStore, {QDate(2026, 11, 1), {}, {}});
        snapshot.begin();
        snapshot.add(kRegister);
        snapshot.commit();
        qputenv("FELCORA_PADRON_INDICE", indexPath().toLocal8Bit());
        if (source == Index) {
            taxregister::RegisterIndexWriter index(indexPath(), QDate(2026, 12, 1));
            for (const taxregister::RegisterLine &line : kRegister)
                index.add(line);
            QVERIFY(index.finish() > 0);
        }
        QFile damaged(indexPath());
        QVERIFY(source != DamagedIndex || (damaged.open(QIODevice::WriteOnly) && damaged.write("no es un índice") > 0));
    }

    std::unique_ptr<TempDatabase> m_db;
    std::unique_ptr<hostkit::RecordBroker> m_broker;
    hostkit::Molde m_format;
    PendingImport m_pending;
    StrayMessageWatchdog m_watchdog;
};

QTEST_MAIN(TestNewCustomer)
#include "tst_newcustomer.moc"
