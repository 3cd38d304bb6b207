// The modify-customer window as a host and a user work it: the statement its
// save builds, the checks before it, what the host reads afterwards, the rows
// it loads and writes in a real database (a changed CUIT included), its
// linked boxes, the benefit ties and their add window, and F6 or a double
// click in the customer list.

#include <QAbstractButton>
#include <QHeaderView>
#include <QTableView>
#include <QTest>
#include <QTreeWidget>

#include "browser/customerlistmodel.h"
#include "browser/customerlistview.h"
#include "browser/customerlistwindow.h"
#include "core/componentstate.h"
#include "customer/benefittiewindow.h"
#include "customer/modifycustomerwindow.h"
#include "felcora/clListado.h"
#include "felcora/clModificar.h"
#include "felcora/hostkit/hostkit.h"
#include "felcora/registry.h"
#include "grossincome/grossincomewindow.h"
#include "support/dialogwork.h"
#include "support/errors.h"
#include "support/hostsession.h"
#include "support/modal.h"
#include "support/recordingbroker.h"
#include "support/tempdatabase.h"
#include "support/typing.h"

Q_DECLARE_METATYPE(felcora::test::ScriptedAnswer)

using namespace felcora;
using namespace felcora::customer;
using namespace felcora::test;
using namespace Qt::StringLiterals;

namespace {

// A listing component whose pick windows answer what the test scripted, then "".
class ScriptedListing : public QObject, public IListing
{
    Q_OBJECT
    Q_INTERFACES(felcora::IListing)
public:
    QStringList answers;
    void SetDataAccess(QObject *&) override {}
    QString getSubRegimenListado() override { return next(); }
    QString getVentajasListado() override { return next(); }

private:
    // "!" stands for a picker that fails.
    QString next()
    {
        const QString answer = answers.isEmpty() ? QString() : answers.takeFirst();
        if (answer == u"!")
            throw Error(errnum::kNoComponent, u"oPrintDesk.cMain"_s, u"sin catálogo"_s);
        return answer;
    }
};

const QString kBenitez = u"20111111112"_s;  // EXIMGAN "NO", reduction "SI", exempt with VAT
const QString kGallardo = u"27222222223"_s; // EXIMGAN "SI", reduction "NO", an unknown MARIA letter, ties
const QString kGamboa = u"20333333334"_s;

const QString kCustomersSql
    = u"insert into clientes (cuit, nombre, domicilio, localidad, codpost, email, telefonos, finitactiv, contacto, "
      "cvdi, condiva, condivafact, ivaexento, eximgan, eximganvalor, eximganvalortemp, ivaareduccion, "
      "ivaareduccionvalor, ivaareduccionvalortemp, ExcepLAPIAEC, AjxVinc_4102, ingbru, LUGARDEPMERC, regalias, "
      "honorario) values "
      "('20111111112', 'Benítez, Juan', 'Rivadavia 300', 'Morón', '1708', 'juan@ejemplo.com', '4555-1234', "
      "'2001-03-05', 'Pedro', 'N', 'S', 'X', 21, 'N', 5, 6, 'S', 10.5, 2, 'S', 1.5, 3, 'Depósito 1', 12.5, 7),"
      "('27222222223', 'Gallardo, Marta', 'Alsina 20', 'Tandil', '7000', 'marta@ejemplo.com', '4222', '1999-12-31', "
      "'Rosa', 'N', 'Q', 'S', 0, 'S', 5, 6, 'N', 10, 2, 'N', 0, 0, '', 0, 9),"
      "('20333333334', 'gamboa, Luis', 'Rivadavia 100', '', '', '', '', '2010-01-02', '', 'N', 'M', 'F', 0, 'N', 0, 0, "
      "'N', 0, 0, 'N', 0, 0, '', 0, 0);"
      "insert into DIB (CLICUI, JRDNRO, DIBVALOR) values ('27222222223', '901', 60), ('20333333334', '902', 100);"
      "insert into VentajasRel (IdVentaja, IdSubRegimen, NCM, cuit) values ('V1', 'S1', '8471.30  ', '27222222223'), "
      "('V2', NULL, NULL, '27222222223'), ('V3', 'S3', '', '20333333334')"_s;

// A customer whose stored values no box takes as typed: a CUIT with dashes,
// an address and a place of deposit longer than their boxes, a contact longer
// than any box, a date in ISO form with one-digit month and day, an
// adjustment with three decimals; with a line and a tie.
const QString kDashed = u"20-44444444-4"_s;
const QString kLongAddress = u"Avenida Presidente Figueroa Alcorta 7597, piso 12"_s;
const QString kLongPlace = u"  Depósito fiscal de la Aduana de Ezeiza  "_s;
const QString kLongValuesSql
    = u"insert into clientes (cuit, nombre, domicilio, localidad, codpost, email, telefonos, finitactiv, contacto, "
      "cvdi, condiva, condivafact, ivaexento, eximgan, eximganvalor, eximganvalortemp, ivaareduccion, "
      "ivaareduccionvalor, ivaareduccionvalortemp, ExcepLAPIAEC, AjxVinc_4102, ingbru, LUGARDEPMERC, regalias, "
      "honorario) values ('%1', 'Largo SA', '%2', '', '', '', '', '2001-3-5', '%3', 'N', 'S', 'S', 0, 'N', 0, 0, "
      "'N', 0, 0, 'N', 1.555, 0, '%4', 0, 0);"
      "insert into DIB (CLICUI, JRDNRO, DIBVALOR) values ('%1', '901', 1);"
      "insert into VentajasRel (IdVentaja, IdSubRegimen, NCM, cuit) values ('V4', 'S4', '', '%1')"_s.arg(
          kDashed, kLongAddress, QString(40000, u'c'), kLongPlace);

// A customer with every conditional piece of the statement, for the recording data access.
const QStringList kRowColumns = {u"cuit"_s,
                                 u"nombre"_s,
                                 u"domicilio"_s,
                                 u"localidad"_s,
                                 u"codpost"_s,
                                 u"email"_s,
                                 u"telefonos"_s,
                                 u"finitactiv"_s,
                                 u"contacto"_s,
                                 u"condiva"_s,
                                 u"condivafact"_s,
                                 u"ivaexento"_s,
                                 u"eximgan"_s,
                                 u"eximganvalor"_s,
                                 u"eximganvalortemp"_s,
                                 u"ivaareduccion"_s,
                                 u"ivaareduccionvalor"_s,
                                 u"ivaareduccionvalortemp"_s,
                                 u"ExcepLAPIAEC"_s,
                                 u"AjxVinc_4102"_s,
                                 u"ingbru"_s,
                                 u"LUGARDEPMERC"_s,
                                 u"regalias"_s,
                                 u"honorario"_s,
                                 u"CIB"_s,
                                 u"CML"_s,
                                 u"NIN"_s};
const QVariantList kRow = {kBenitez,
                           u"Benítez, Juan"_s,
                           u"O'Higgins 300"_s,
                           u"Morón"_s,
                           u"1708"_s,
                           u"juan@ejemplo.com"_s,
                           u"4555-1234"_s,
                           QDate(2001, 3, 5),
                           u"Pedro"_s,
                           u"S"_s,
                           u"X"_s,
                           21,
                           u"S"_s,
                           5,
                           6,
                           u"S"_s,
                           10.5,
                           2,
                           u"S"_s,
                           1.5,
                           3,
                           u"Dep'1"_s,
                           12.5,
                           7,
                           u"0"_s,
                           u"1"_s,
                           u"901-1"_s};

// One edit of a customer loaded from the database: the steps, how the named
// controls look after them, F11, the messages on the way and their answers,
// where the focus is when the window stays open ("" when the save closed it),
// and what changed in the database.
struct EditCase
{
    QString cuit = kBenitez;
    bool origenTarvis = false;
    QStringList steps = {};
    QStringList shown = {};
    QString meanwhile = {}; // what another workstation runs before F11
    bool leaveLastBox = true;
    Buttons answers = {};
    QStringList messages = {};
    QList<QMessageBox::Icon> icons = {}; // none: every message a warning
    QString focus = {};
    QStringList changes = {};
};

// Opens the modify window as a host does.
bool modify(const QString &cuit, const std::function<void(FrmModCliente *)> &user)
{
    return userWorks<FrmModCliente>(
        [&] {
            clModificar m;
            m.setCLICUIT(cuit);
            m.Mostrar();
        },
        user);
}

} // namespace

Q_DECLARE_METATYPE(EditCase)

class TestModifyCustomer : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { m_startLocale = QLocale(); }
    void init()
    {
        hostkit::registerHostComponents();
        registry::registerClass(QString::fromLatin1(components::kListing), [] { return new ScriptedListing; });
        m_session = std::make_unique<HostSession>(kCustomersSql + u";"_s + kLongValuesSql);
    }
    void cleanup()
    {
        closeAllModals();
        m_session.reset();
        state() = ComponentState{};
        QLocale::setDefault(m_startLocale);
    }

    void saveStatement_data()
    {
        QTest::addColumn<bool>("origenTarvis");
        QTest::addColumn<QString>("tail");
        QTest::newRow("the product: no fee") << true << u"  where cuit = '20111111112'"_s;
        QTest::newRow("another host: the fee") << false << u" ,honorario = '7'  where cuit = '20111111112'"_s;
        // The row is locked and read again before it is written; the date the user left keeps what is stored.
    }
    void saveStatement()
    {
        QFETCH(bool, origenTarvis);
        QFETCH(QString, tail);
        RecordingBroker broker;
        recordedCustomer(broker, ScriptedAnswer::affected(1));
        state().OrigenTarvis = origenTarvis;
        QVERIFY(modify(kBenitez, [](FrmModCliente *w) {
            pressKey(Qt::Key_F11);
            QVERIFY(!w->isVisible());
        }));
        QCOMPARE(broker.sqlTexts().mid(2),
                 (QStringList{u"update clientes set cuit = cuit where cuit = '20111111112'"_s,
                              u"select * from clientes where cuit = '20111111112'"_s,
                              u"update clientes set cuit = '20111111112',nombre = 'Benítez, Juan',"
                              "domicilio = 'O''Higgins 300',localidad = 'Morón',codpost = '1708',"
                              "email = 'juan@ejemplo.com',telefonos = '4555-1234',finitactiv = finitactiv,"
                              "cvdi = 'N',condiva = 'S',condivafact = 'X',ivaexento = 21,eximgan = 'S',"
                              "eximganvalor = 5,eximganvalortemp = 6,ivaareduccion = 'S',ivaareduccionvalor = 10.5,"
                              "ivaareduccionvalortemp = 2,ExcepLAPIAEC = 'S',AjxVinc_4102 = 1.5,contacto = 'Pedro',"
                              "ingbru = 3,LUGARDEPMERC = 'Dep´1',regalias = 12.5"_s
                                  + tail}));
        QVERIFY(state().gClienteModificado);
    }

    void editAndSave_data()
    {
        QTest::addColumn<EditCase>("c");
        const QString noAddress = u"Debe ingresar DOMICILIO, desea continuar"_s;
        const QString noDate = u"Debe Ingresar FECHA INICIO DE ACTIVIDADES\r\n\r\ndesea continuar?.."_s;
        const QString notZero = u"Debe ingresar un valor mayor a CERO"_s;
        const QString b = u"clientes[20111111112]."_s, g = u"clientes[27222222223]."_s, l = u"clientes[20333333334]."_s;
        const QString eximGan = u"TxtEximGan"_s, reduction = u"TxtIvaReduccion"_s, name = u"TxtNombre"_s;
        // What any save of Benítez changes: the exemption values a "NO" frame does not keep.
        const QStringList dropped = {b + u"eximganvalor: 5 -> 0"_s, b + u"eximganvalortemp: 6 -> 0"_s};
        auto add = [](const char *title, const EditCase &c) { QTest::newRow(title) << c; };

        // Each check in the order the save meets them; a question answered No stops it too.
        add("blank CUIT", {.steps = {u"TxtCuit=   "_s}, .focus = name});
        add("blank name", {.steps = {u"TxtNombre= "_s}, .focus = name});
        add("no address, No",
            {.steps = {u"TxtDomicilio= "_s}, .answers = {QMessageBox::No}, .messages = {noAddress}, .focus = name});
        add("no address Yes, no date No",
            {.steps = {u"TxtDomicilio="_s, u"TxtIniactiv="_s},
             .answers = {QMessageBox::Yes, QMessageBox::No},
             .messages = {noAddress, noDate},
             .focus = name});
        add("exemption not numeric",
            {.steps = {u"EXIMGANS"_s, u"TxtEximGan=abc"_s},
             .messages = {u"Debe Ingresar un valor numerico en EXIMICIÓN DE GANACIAS"_s},
             .focus = eximGan});
        add("NO, then SI: the exemption went back to zero",
            {.steps = {u"EXIMGANS"_s, u"TxtEximGan=abc"_s, u"EXIMGANN"_s, u"EXIMGANS"_s},
             .messages = {notZero},
             .focus = eximGan});
        add("exemption zero, before the other values",
            {.steps = {u"EXIMGANS"_s, u"TxtEximGan=0"_s, u"TxtIvaReduccion=0"_s, u"txtIvaExcento=0"_s},
             .messages = {notZero},
             .focus = eximGan});
        add("reduction not numeric",
            {.steps = {u"TxtIvaReduccion=1a"_s},
             .messages = {u"Debe Ingresar un valor numerico en IVA A REDUCCIÓN"_s},
             .focus = reduction});
        add("reduction zero, before the exempt value",
            {.steps = {u"TxtIvaReduccion=0"_s, u"txtIvaExcento=x"_s},
             .messages = {u"Debe ingresar un valor mayor a CERO en IVA A REDUCCIÓN"_s},
             .focus = reduction});
        add("exempt value not numeric",
            {.steps = {u"txtIvaExcento=x"_s},
             .messages = {u"Debe ingresar una valor numerico en el campo EXENTO IVA"_s},
             .focus = name});
        add("exempt value zero",
            {.steps = {u"txtIvaExcento=0"_s},
             .messages = {u"Debe ingresar um valor mayor a cero en el campo EXENTO con IVA"_s},
             .focus = name});
        add("both questions Yes, a negative exemption",
            {.steps = {u"EXIMGANS"_s, u"TxtEximGan=-5"_s, u"TxtDomicilio="_s, u"TxtIniactiv="_s},
             .answers = {QMessageBox::Yes, QMessageBox::Yes},
             .messages = {noAddress, noDate},
             .changes
             = {b + u"domicilio: 'Rivadavia 300' -> ''"_s, b + u"eximgan: 'N' -> 'S'"_s, b + u"eximganvalor: 5 -> -5"_s,
                b + u"eximganvalortemp: 6 -> 0"_s, b + u"finitactiv: '2001-03-05' -> '1900-01-01'"_s}});

        // What a row shows once loaded; saved unchanged, only what the window does not keep changes.
        add("EXIMGAN NO, reduction SI, exempt with VAT, another host",
            {.shown = {u"EXIMGANS off"_s, u"TxtEximGan=0 disabled"_s, u"TxtTemp=0 disabled"_s, u"OpIVAREDS on"_s,
                       u"TxtIvaReduccion=10.5"_s, u"TxtIvaTemp=2"_s, u"cboIVAMARIA#0"_s, u"cboIVAFACTU#5"_s,
                       u"txtIvaExcento=21"_s, u"txtHonorario=7"_s, u"lbHonorario"_s, u"cmdINGBRU disabled"_s},
             .changes = dropped});
        add("EXIMGAN SI, reduction NO, unknown MARIA letter, the product",
            {.cuit = kGallardo,
             .origenTarvis = true,
             .shown
             = {u"EXIMGANS on"_s, u"TxtEximGan=5"_s, u"TxtTemp=6"_s, u"OpIVAREDS off"_s,
                u"TxtIvaReduccion=0 disabled"_s, u"TxtIvaTemp=0 disabled"_s, u"cboIVAMARIA#-1"_s, u"cboIVAFACTU#0"_s,
                u"txtIvaExcento=0 hidden"_s, u"txtHonorario= hidden"_s, u"lbHonorario hidden"_s, u"cmdINGBRU"_s},
             .changes = {g + u"ivaareduccionvalor: 10 -> 0"_s, g + u"ivaareduccionvalortemp: 2 -> 0"_s}});
        add("another invoicing condition hides the exempt value",
            {.steps = {u"cboIVAFACTU#0"_s},
             .shown = {u"txtIvaExcento=21 hidden"_s, u"lbIvaExento hidden"_s},
             .changes = dropped + QStringList{b + u"condivafact: 'X' -> 'S'"_s, b + u"ivaexento: 21 -> 0"_s}});

        // The start date as the box rewrites it when left; one that is no date is refused, left or not.
        const QString badDate = u"Fecha invalida!"_s;
        add("a date, rewritten",
            {.steps = {u"TxtIniactiv=5/3/2001"_s}, .shown = {u"TxtIniactiv=05/03/2001"_s}, .changes = dropped});
        add("letters for a date",
            {.steps = {u"TxtIniactiv=abc"_s},
             .shown = {u"TxtIniactiv=abc"_s},
             .messages = {badDate, badDate},
             .focus = u"TxtIniactiv"_s});
        add("letters for a date, F11 in the box",
            {.steps = {u"TxtIniactiv=abc"_s}, .leaveLastBox = false, .messages = {badDate}, .focus = u"TxtIniactiv"_s});

        // Untouched, nothing changes: values longer than their boxes, a dashed
        // CUIT that is not taken for a new one, a date stored in another form.
        add("untouched: every byte kept",
            {.cuit = kDashed,
             .shown = {u"TxtCuit="_s + kDashed, u"TxtDomicilio="_s + kLongAddress, u"TxtIniactiv=05/03/2001"_s,
                       u"txtLugarDepMerc="_s + kLongPlace, u"txtAjxVinc_4102=1.555"_s}});
        // Numbers that are none are refused in their box; blanks around one are not stored.
        const auto notNumber = [](const char *field) {
            return u"El campo %1 debe tener un valor numerico"_s.arg(QString::fromUtf8(field));
        };
        add("royalties",
            {.steps = {u"txtRegalias=1e400"_s}, .messages = {notNumber("REGALIAS")}, .focus = u"txtRegalias"_s});
        add("adjustment",
            {.steps = {u"txtAjxVinc_4102=1.234,5"_s},
             .messages = {notNumber("AJUSTE POR VINCULACIÓN RESOL 41/02")},
             .focus = u"txtAjxVinc_4102"_s});
        add("fee",
            {.steps = {u"txtHonorario=inf"_s}, .messages = {notNumber("HONORARIO %")}, .focus = u"txtHonorario"_s});
        add("temporary exemption",
            {.steps = {u"EXIMGANS"_s, u"TxtEximGan=1"_s, u"TxtTemp=0x10"_s},
             .messages = {notNumber("EXIMGAN TEMPORAL")},
             .focus = u"TxtTemp"_s});
        add("no-break spaces around royalties; a typed adjustment rounded",
            {.steps = {u"txtRegalias=\u00a04,5\u00a0"_s, u"txtAjxVinc_4102=2.3451"_s},
             .changes = dropped + QStringList{b + u"AjxVinc_4102: 1.5 -> 2.35"_s, b + u"regalias: 12.5 -> 4.5"_s}});
        // Characters no database stores as typed, pasted into a box, are refused.
        add("a NUL in the telephones",
            {.steps = {u"TxtTelefonos<4\u0000"_s},
             .messages = {u"El campo TELÉFONOS contiene un carácter que no se puede guardar"_s},
             .focus = u"TxtTelefonos"_s});
        add("half a surrogate pair in the name",
            {.steps = {u"TxtNombre<Ana "_s + QChar(0xD83D)},
             .messages = {u"El campo NOMBRE contiene un carácter que no se puede guardar"_s},
             .focus = name});

        // Another workstation's change is not overwritten unasked; a customer gone is not written.
        const QString phones = u"update clientes set telefonos = '9999' where cuit = '20111111112'"_s;
        const QString asked = u"Otro puesto modificó este cliente después de que lo abrió (campos: Teléfonos). "
                              "¿Guardar sus cambios de todos modos?"_s;
        const QList<QMessageBox::Icon> question = {QMessageBox::Question};
        add("another desk's telephone, kept",
            {.steps = {u"TxtContact=Ana"_s},
             .meanwhile = phones,
             .answers = {QMessageBox::No},
             .messages = {asked},
             .icons = question,
             .focus = name,
             .changes = {b + u"telefonos: '4555-1234' -> '9999'"_s}});
        add("another desk's telephone, overwritten when asked",
            {.steps = {u"TxtContact=Ana"_s},
             .meanwhile = phones,
             .answers = {QMessageBox::Yes},
             .messages = {asked},
             .icons = question,
             .changes = dropped + QStringList{b + u"contacto: 'Pedro' -> 'Ana'"_s}});
        add("deleted meanwhile",
            {.meanwhile = u"delete from clientes where cuit = '20111111112'"_s,
             .messages = {u"No se actualizaron registros"_s},
             .icons = {QMessageBox::Critical},
             .focus = name,
             .changes = {u"clientes[20111111112] deleted"_s}});

        // A changed CUIT takes the customer's distribution lines and ties along,
        // once a CUIT that is no valid one is confirmed; another's is refused.
        add("a wrong check digit, not confirmed",
            {.cuit = kGallardo,
             .steps = {u"TxtCuit=30712345670"_s},
             .answers = {QMessageBox::No},
             .messages = {u"El CUIT 30712345670 no es válido: el dígito verificador debería ser 1. ¿Guardar de todos "
                          "modos?"_s},
             .icons = question,
             .focus = name});
        add("a free CUIT",
            {.cuit = kGallardo,
             .steps = {u"TxtCuit=30'9999999"_s},
             .answers = {QMessageBox::Yes},
             .messages = {u"El CUIT 30'9999999 no es válido: debe tener 11 dígitos. ¿Guardar de todos "
                          "modos?"_s},
             .icons = question,
             .changes = {u"DIB[27222222223|901] deleted"_s, u"DIB[30'9999999|901] inserted"_s,
                         u"VentajasRel[1].cuit: '27222222223' -> '30'9999999'"_s,
                         u"VentajasRel[2].cuit: '27222222223' -> '30'9999999'"_s, u"clientes[27222222223] deleted"_s,
                         u"clientes[30'9999999] inserted"_s}});
        add("another customer's CUIT",
            {.cuit = kGallardo,
             .steps = {u"TxtCuit=20333333334"_s},
             .messages = {u"El número de Cuit 20333333334 ya existe."_s},
             .focus = name});
        add("a pasted CUIT loses its dashes",
            {.cuit = kGamboa,
             .steps = {u"TxtCuit<30-71234567-1"_s},
             .shown = {u"TxtCuit=30712345671"_s},
             .changes = {u"DIB[20333333334|902] deleted"_s, u"DIB[30712345671|902] inserted"_s,
                         u"VentajasRel[3].cuit: '20333333334' -> '30712345671'"_s, u"clientes[20333333334] deleted"_s,
                         u"clientes[30712345671] inserted"_s}});
        add("apostrophes everywhere",
            {.cuit = kGamboa,
             .steps = {u"TxtNombre=O'Higgins, Ana"_s, u"TxtDomicilio=O'Higgins 1"_s, u"txtLocalidad=Villa O'Higgins"_s,
                       u"txtCP=B'1"_s, u"TxtEmail=o'h@ejemplo.com"_s, u"TxtTelefonos=4'5"_s, u"TxtContact=D'Artagnan"_s,
                       u"txtLugarDepMerc=Dep'1"_s},
             .changes = {l + u"LUGARDEPMERC: '' -> 'Dep´1'"_s, l + u"codpost: '' -> 'B'1'"_s,
                         l + u"contacto: '' -> 'D'Artagnan'"_s, l + u"domicilio: 'Rivadavia 100' -> 'O'Higgins 1'"_s,
                         l + u"email: '' -> 'o'h@ejemplo.com'"_s, l + u"localidad: '' -> 'Villa O'Higgins'"_s,
                         l + u"nombre: 'gamboa, Luis' -> 'O'Higgins, Ana'"_s, l + u"telefonos: '' -> '4'5'"_s}});
    }
    void editAndSave()
    {
        QFETCH(EditCase, c);
        state().OrigenTarvis = c.origenTarvis;
        const auto before = DatabaseSnapshot::take(personal());
        QVERIFY(modify(c.cuit, [&](FrmModCliente *w) {
            MessageBoxes boxes(c.answers);
            edit(w, c.steps + (c.leaveLastBox ? QStringList{u"TxtNombre"_s} : QStringList())); // left by a click
            QCOMPARE(looks(w, c.shown), c.shown);
            if (!c.meanwhile.isEmpty())
                TempDatabase::exec(personal(), c.meanwhile);
            pressKey(Qt::Key_F11);
            QCOMPARE(boxes.texts, c.messages);
            QCOMPARE(boxes.icons,
                     c.icons.isEmpty() ? QList<QMessageBox::Icon>(c.messages.size(), QMessageBox::Warning) : c.icons);
            QCOMPARE(w->isVisible(), !c.focus.isEmpty());
            if (w->isVisible()) {
                reactivate(w);
                QCOMPARE(focusName(), c.focus);
                pressKey(Qt::Key_Escape);
            }
        }));
        c.changes.sort();
        QCOMPARE(before.differences(DatabaseSnapshot::take(personal())), c.changes);
        QCOMPARE(state().gClienteModificado, c.focus.isEmpty());
        QCOMPARE(QApplication::overrideCursor(), nullptr); // every box has its own pointer again
    }

    // The host reads the edited customer once the checks passed, whatever the
    // statement did; leaving with Esc then clears only its name, CUIT and address.
    void failedSaveKeepsWindowAndPublishes_data()
    {
        QTest::addColumn<ScriptedAnswer>("answer");
        QTest::addColumn<QString>("message");
        QTest::newRow("the statement fails")
            << ScriptedAnswer::failure(Error(3146, u"RecordBroker.Ejecutar[PERSONAL]"_s, u"falló la red"_s))
            << u"3146 - falló la red\r\n\r\nSeccion FELCORAXDLL.FRMMODCLIENTE.lpGuardar"_s;
        QTest::newRow("no row changed") << ScriptedAnswer::affected(0) << u"No se actualizaron registros"_s;
    }
    void failedSaveKeepsWindowAndPublishes()
    {
        QFETCH(ScriptedAnswer, answer);
        QFETCH(QString, message);
        RecordingBroker broker;
        recordedCustomer(broker, answer);
        QVERIFY(modify(kBenitez, [&](FrmModCliente *w) {
            edit(w, {u"TxtEmail=nueva@ejemplo.com"_s, u"txtRegalias=4.5"_s});
            MessageBoxes boxes;
            pressKey(Qt::Key_F11);
            QCOMPARE(boxes.texts, QStringList{message});
            QCOMPARE(boxes.icons, QList<QMessageBox::Icon>{QMessageBox::Critical});
            QVERIFY(w->isVisible());
            pressKey(Qt::Key_Escape);
        }));
        const ComponentState &s = state();
        QCOMPARE((QStringList{s.Cliente_Nombre, s.Cliente_Cuit, s.Cliente_Domicilio, s.Cliente_EMail}),
                 (QStringList{{}, {}, {}, u"nueva@ejemplo.com"_s}));
        QCOMPARE(s.Cliente_Regalias, 4.5);
        QCOMPARE(s.Cliente_AjustexVinculacion, 1.5);
        QVERIFY(!s.gClienteModificado);
    }

    void leavingWritesNothing_data()
    {
        QTest::addColumn<QString>("cuit");
        QTest::addColumn<QStringList>("steps");
        QTest::newRow("Esc after edits") << kBenitez
                                         << QStringList{u"TxtNombre=Otro"_s, u"EXIMGANS"_s, u"TxtEximGan=9"_s};
        QTest::newRow("Esc in a date box holding letters") << kBenitez << QStringList{u"TxtIniactiv=abc"_s};
        QTest::newRow("no such customer: no window") << u"99999999999"_s << QStringList();
    }
    void leavingWritesNothing()
    {
        QFETCH(QString, cuit);
        QFETCH(QStringList, steps);
        state().gClienteModificado = true;
        const auto before = DatabaseSnapshot::take(personal());
        const bool shown = modify(cuit, [&](FrmModCliente *w) {
            MessageBoxes boxes;
            edit(w, steps);
            pressKey(Qt::Key_Escape);
            QCOMPARE(boxes.texts, QStringList());
        });
        QCOMPARE(shown, cuit == kBenitez);
        QCOMPARE(before.differences(DatabaseSnapshot::take(personal())), QStringList());
        QVERIFY(!state().gClienteModificado);
    }

    void linkedBoxesWithDecimalComma()
    {
        QLocale::setDefault(QLocale(QLocale::Spanish, QLocale::Argentina));
        QVERIFY(modify(kBenitez, [&](FrmModCliente *w) {
            QCOMPARE(focusName(), u"TxtCuit"_s);
            for (const auto &[key, next] :
                 {std::pair{Qt::Key_Return, u"TxtNombre"_s}, std::pair{Qt::Key_Down, u"TxtDomicilio"_s}}) {
                QLineEdit *from = child(w, focusName());
                pressKey(key);
                QLineEdit *to = child(w, next);
                QCOMPARE(QApplication::focusWidget(), to);
                QCOMPARE(to->palette().color(QPalette::Base), QColor(192, 255, 192));
                QCOMPARE(to->selectedText(), to->text());
                QCOMPARE(from->palette().color(QPalette::Base), QColor(Qt::white));
            }
            edit(w, {u"txtRegalias=4"_s});
            pressKey(Qt::Key_Period, Qt::KeypadModifier);
            typeText(u"5"_s);
            QCOMPARE(child(w, u"txtRegalias"_s)->text(), u"4,5"_s);
            pressKey(Qt::Key_F11);
        }));
        const QString regalias = u"select regalias from clientes where cuit = '20111111112'"_s;
        QCOMPARE(TempDatabase::scalar(personal(), regalias), QVariant(4.5));
    }

    void benefitTies()
    {
        auto *listing = qobject_cast<ScriptedListing *>(state().gPrintDesk.object());
        QVERIFY(listing);
        listing->answers = {u"RIM"_s, QString()};
        const QString ties = u"select group_concat(IdVentaja || ':' || coalesce(IdSubRegimen, 'NULL') || ':' || "
                             "coalesce(NCM, 'NULL'), ' ') from VentajasRel where cuit = '27222222223'"_s;
        QVERIFY(modify(kGallardo, [&](FrmModCliente *w) {
            auto *list = child<QTreeWidget>(w, u"lstVentajas"_s);
            QCOMPARE(entries(list), (QStringList{u"V1|S1|8471.30"_s, u"V2||"_s}));
            QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                              list->visualItemRect(list->topLevelItem(1)).center());
            for (const auto answer : {QMessageBox::No, QMessageBox::Yes}) {
                MessageBoxes boxes({answer});
                pressKey(Qt::Key_Delete);
                QCOMPARE(boxes.texts, QStringList{u"Confirma eliminar la relación Ventaja V2 - SubRegimen  - NCM "_s});
                QCOMPARE(boxes.icons, QList<QMessageBox::Icon>{QMessageBox::Question});
                QCOMPARE(list->topLevelItemCount(), answer == QMessageBox::No ? 2 : 1);
                reactivate(w);
            }
            QCOMPARE(TempDatabase::scalar(personal(), ties).toString(), u"V1:S1:8471.30  "_s);
            // A position stored with blanks is shown trimmed and deleted as stored.
            list->setCurrentItem(list->topLevelItem(0));
            {
                MessageBoxes yes({QMessageBox::Yes});
                pressKey(Qt::Key_Delete);
                QCOMPARE(yes.texts,
                         QStringList{u"Confirma eliminar la relación Ventaja V1 - SubRegimen S1 - NCM 8471.30"_s});
            }
            QCOMPARE(list->topLevelItemCount(), 0);
            QVERIFY(TempDatabase::scalar(personal(), ties).isNull());
            reactivate(w);

            auto *add = child<QAbstractButton>(w, u"cmdVentajasAdd"_s);
            QVERIFY(userWorks<frmVentajas>([&] { QTest::mouseClick(add, Qt::LeftButton); },
                                           [](frmVentajas *v) {
                                               MessageBoxes boxes;
                                               pressKey(Qt::Key_F11);
                                               QCOMPARE(boxes.texts, QStringList{u"Falta seleccionar una ventaja."_s});
                                               QCOMPARE(boxes.icons, QList<QMessageBox::Icon>{QMessageBox::Warning});
                                               for (int pick = 0; pick < 2; ++pick) { // "RIM", then nothing
                                                   QTest::mouseClick(child<QAbstractButton>(v, u"cmdVentaja"_s),
                                                                     Qt::LeftButton);
                                                   QCOMPARE(child(v, u"txtIdVentaja"_s)->text(), u"RIM"_s);
                                               }
                                               pressKey(Qt::Key_F11);
                                               QVERIFY(!v->isVisible());
                                           }));
            QCOMPARE(entries(list), (QStringList{u"RIM||"_s}));

            // Esc in the add window reloads the list too.
            QVERIFY(userWorks<frmVentajas>(
                [&] { QTest::mouseClick(add, Qt::LeftButton); },
                [&](frmVentajas *) {
                    TempDatabase::exec(personal(),
                                       u"insert into VentajasRel values ('V9', 'S9', '1', '27222222223')"_s);
                    pressKey(Qt::Key_Escape);
                }));
            QCOMPARE(entries(list), (QStringList{u"RIM||"_s, u"V9|S9|1"_s}));
            pressKey(Qt::Key_Escape);
        }));
        QCOMPARE(TempDatabase::scalar(personal(), ties).toString(), u"RIM:: V9:S9:1"_s);
    }

    // The CUIT the window was loaded with is the key of what hangs off the
    // customer, whatever the CUIT box holds: its ties, and the gross-income
    // window, whose rate the save then keeps. A tie is added once, and only
    // to a customer that still exists.
    void theLoadedCuitIsTheKey()
    {
        state().OrigenTarvis = true;
        const auto addTie = [](FrmModCliente *w, const QString &ventaja, const QString &refusal) {
            QVERIFY(userWorks<frmVentajas>(
                [&] { QTest::mouseClick(child<QAbstractButton>(w, u"cmdVentajasAdd"_s), Qt::LeftButton); },
                [&](frmVentajas *v) {
                    MessageBoxes boxes;
                    typeText(ventaja);
                    pressKey(Qt::Key_F11);
                    QCOMPARE(boxes.texts, refusal.isEmpty() ? QStringList() : QStringList{refusal});
                    if (v->isVisible()) {
                        reactivate(v);
                        pressKey(Qt::Key_Escape);
                    }
                }));
            reactivate(w);
        };
        const QString gallardo = u"select count(*) || ':' || min(coalesce(c.CIB, '-')) from VentajasRel v join "
                                 "clientes c on c.cuit = v.cuit where v.cuit = '%1'"_s;
        QVERIFY(modify(kGallardo, [&](FrmModCliente *w) {
            edit(w, {u"TxtCuit=20333333334"_s});
            addTie(w, u"RIM"_s, {});
            QCOMPARE(entries(child<QTreeWidget>(w, u"lstVentajas"_s)),
                     (QStringList{u"V1|S1|8471.30"_s, u"V2||"_s, u"RIM||"_s}));
            addTie(w, u"V2"_s, u"La ventaja ya está asociada a este cliente."_s);
            {
                MessageBoxes sumQuestion({QMessageBox::Yes});
                QVERIFY(userWorks<grossincome::FrmIngresosBrutos>(
                    [&] { QTest::mouseClick(child<QAbstractButton>(w, u"cmdINGBRU"_s), Qt::LeftButton); },
                    [](grossincome::FrmIngresosBrutos *) { pressKey(Qt::Key_Escape); }));
                QCOMPARE(sumQuestion.texts.size(), 1);
            }
            QCOMPARE(child(w, u"txtINGBRU"_s)->text(), u"2.5"_s);
            QCOMPARE(TempDatabase::scalar(personal(), gallardo.arg(kGallardo)).toString(), u"3:0"_s);
            QCOMPARE(TempDatabase::scalar(personal(), gallardo.arg(kGamboa)).toString(), u"1:-"_s);
            TempDatabase::exec(personal(), u"delete from clientes where cuit = '27222222223'"_s);
            addTie(w, u"V9"_s, u"El cliente 27222222223 ya no existe: otro puesto lo eliminó o cambió su CUIT."_s);
            pressKey(Qt::Key_Escape);
        }));
        QCOMPARE(TempDatabase::scalar(personal(), u"select count(*) from VentajasRel where cuit = '27222222223'"_s),
                 QVariant(3));
    }

    // A customer table without the fee and the gross-income columns, as the
    // product's own databases may be, still opens and saves.
    void optionalColumns()
    {
        for (const char *column : {"honorario", "CIB", "CML", "NIN"})
            TempDatabase::exec(personal(), u"alter table clientes drop column "_s + QLatin1String(column));
        state().OrigenTarvis = true;
        QVERIFY(modify(kBenitez, [](FrmModCliente *w) {
            edit(w, {u"TxtNombre=Otro"_s});
            pressKey(Qt::Key_F11);
            QVERIFY(!w->isVisible());
        }));
        QCOMPARE(TempDatabase::scalar(personal(), u"select nombre from clientes where cuit = '20111111112'"_s),
                 QVariant(u"Otro"_s));
    }

    // Each routine's failure report, from the recording data access or the
    // listing failing at that step; the window stays as it was.
    void failureReports_data()
    {
        QTest::addColumn<QString>("step");
        QTest::addColumn<QString>("message");
        QTest::addColumn<int>("icon");
        const Error failure(3146, u"RecordBroker.CrearRs[PERSONAL]"_s, u"falló la red"_s);
        const auto row = [](const char *name, const QString &message, QMessageBox::Icon icon) {
            QTest::newRow(name) << QString::fromLatin1(name) << message << int(icon);
        };
        row("load", u"3146 - falló la red\r\n\r\nSección FELCORA.clModificar.Mostrar"_s, QMessageBox::Critical);
        row("list",
            u"falló la red\r\n\r\n3146 seccion CargarListaVentajasRel en Formulario FrmModCliente :: "
            "RecordBroker.CrearRs[PERSONAL]"_s,
            QMessageBox::NoIcon);
        row("delete",
            u"falló la red\r\n\r\n3146 seccion EliminarItemVentajasRel en Formulario FrmModCliente :: "
            "RecordBroker.CrearRs[PERSONAL]"_s,
            QMessageBox::NoIcon);
        row("cmdVentaja",
            u"sin catálogo\r\n\r\n91 seccion cmdVentaja_Click en Formulario frmVentajas :: "
            "oPrintDesk.cMain"_s,
            QMessageBox::NoIcon);
        row("cmdSubReg",
            u"sin catálogo\r\n\r\n91 seccion cmdSubReg_Click en Formulario frmVentajas :: "
            "oPrintDesk.cMain"_s,
            QMessageBox::NoIcon);
        row("add",
            u"falló la red\r\n\r\n11111 seccion Form_KeyDown en Formulario frmVentajas :: "
            "FELCORA.frmVentajas.GrabarRelVentaja::RecordBroker.CrearRs[PERSONAL]"_s,
            QMessageBox::NoIcon);
    }
    void failureReports()
    {
        QFETCH(QString, step);
        QFETCH(QString, message);
        QFETCH(int, icon);
        const auto failure
            = ScriptedAnswer::failure(Error(3146, u"RecordBroker.CrearRs[PERSONAL]"_s, u"falló la red"_s));
        RecordingBroker broker;
        broker.script(step == u"load" ? failure : ScriptedAnswer::rowset(kRowColumns, {kRow}));
        broker.script(step == u"list" ? failure
                                      : ScriptedAnswer::rowset({u"IdVentaja"_s, u"idsubregimen"_s, u"NCM"_s},
                                                               {{u"V1"_s, u"S1"_s, u"1"_s}}));
        // The delete or the insert; after a picker, the list read again.
        broker.script(step.startsWith(u"cmd") ? ScriptedAnswer::rowset({}, {}) : failure);
        useDataAccess(&broker);
        qobject_cast<ScriptedListing *>(state().gPrintDesk.object())->answers = {u"!"_s};

        MessageBoxes boxes({QMessageBox::Yes});
        const bool shown = modify(kBenitez, [&](FrmModCliente *w) {
            auto *list = child<QTreeWidget>(w, u"lstVentajas"_s);
            QCOMPARE(list->topLevelItemCount(), step == u"list" ? 0 : 1);
            if (step == u"delete") {
                list->setFocus();
                pressKey(Qt::Key_Delete);
                QCOMPARE(list->topLevelItemCount(), 1);
            }
            if (step.startsWith(u"cmd") || step == u"add") {
                QVERIFY(userWorks<frmVentajas>(
                    [&] { QTest::mouseClick(child<QAbstractButton>(w, u"cmdVentajasAdd"_s), Qt::LeftButton); },
                    [&](frmVentajas *v) {
                        if (step == u"add") {
                            typeText(u"V2"_s);
                            pressKey(Qt::Key_F11);
                        } else {
                            QTest::mouseClick(child<QAbstractButton>(v, step), Qt::LeftButton);
                        }
                        QVERIFY(v->isVisible());
                        reactivate(v);
                        pressKey(Qt::Key_Escape);
                    }));
            }
            reactivate(w);
            pressKey(Qt::Key_Escape);
        });
        QCOMPARE(shown, step != u"load");
        QCOMPARE(boxes.texts.filter(u"ecci"_s), QStringList{message});
        QCOMPARE(int(boxes.icons.constLast()), icon);
    }

    // F6 or a double click in the customer list opens the window on the
    // selected customer; a save rewrites that row, which stays selected.
    void modifyFromTheList_data()
    {
        QTest::addColumn<int>("how");
        QTest::newRow("F6 in the list") << 0;
        QTest::newRow("F6 in the list sorted by address") << 1;
        QTest::newRow("double click") << 2;
        QTest::newRow("F6 in the search box") << 3;
    }
    void modifyFromTheList()
    {
        QFETCH(int, how);
        using namespace browser;
        QVERIFY(userWorks<FrmABMClientes>(
            [&] { QVERIFY(!errorOf([&] { QMetaObject::invokeMethod(&m_session->listado, "MostrarListado"); })); },
            [&](FrmABMClientes *list) {
                QTableView *view = list->list()->reportView();
                typeText(u"gam"_s);
                if (how == 0 || how == 2)
                    pressKey(Qt::Key_Tab);
                if (how == 1) {
                    QHeaderView *header = view->horizontalHeader();
                    const int x = header->sectionViewportPosition(kDireccion) + header->sectionSize(kDireccion) / 2;
                    QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, {x, header->height() / 2});
                }
                const int row = list->list()->selectedRow();
                QCOMPARE(list->model()->text(row, kCuit), kGamboa);
                const QPoint at = view->visualRect(view->model()->index(row, 0)).center();
                QVERIFY(userWorks<FrmModCliente>(
                    [&] {
                        if (how != 2)
                            return pressKey(Qt::Key_F6);
                        QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, at);
                        QTest::mouseDClick(view->viewport(), Qt::LeftButton, {}, at);
                        QTest::mouseRelease(view->viewport(), Qt::LeftButton, {}, at);
                    },
                    [](FrmModCliente *w) {
                        edit(w, {u"TxtNombre=Zapata, Luis"_s});
                        pressKey(Qt::Key_F11);
                    }));
                QCOMPARE(list->list()->selectedRow(), row);
                QCOMPARE(list->model()->text(row, kNombre), u"Zapata, Luis"_s);
                pressKey(Qt::Key_Escape);
            }));
    }

private:
    void useDataAccess(QObject *broker) { m_session->useDataAccess(broker); }
    // The recording data access answers the row, no ties, the row locked and
    // read again as it was, then `save`.
    void recordedCustomer(RecordingBroker &broker, const ScriptedAnswer &save)
    {
        broker.script(ScriptedAnswer::rowset(kRowColumns, {kRow}));
        broker.script(ScriptedAnswer::rowset({}, {}));
        broker.script(ScriptedAnswer::affected(1));
        broker.script(ScriptedAnswer::rowset(kRowColumns, {kRow}));
        broker.script(save);
        useDataAccess(&broker);
    }

    QString personal() const { return m_session->personal(); }

    std::unique_ptr<HostSession> m_session;
    UserSettingsSandbox m_settings;
    QLocale m_startLocale;
    StrayMessageWatchdog m_watchdog;
};

QTEST_MAIN(TestModifyCustomer)
#include "tst_modifycustomer.moc"
