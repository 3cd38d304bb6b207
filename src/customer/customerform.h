#pragma once

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QObject>
#include <QPointer>
#include <QRadioButton>
#include <QStringList>

#include "core/customerrecord.h"
#include "core/customerrules.h"
#include "felcora/felcora_export.h"

class QKeyEvent;
class QWidget;

namespace felcora::customer {

// What the two customer editors have in common, each window keeping its own
// texts and its own choice of boxes.

// Fills a VAT condition list with its entries, none chosen.
FELCORA_TESTS_EXPORT void fillConditionList(QComboBox *list, const QStringList &entries);

// The entries of the MARIA condition list, the same in both editors.
FELCORA_TESTS_EXPORT QStringList mariaConditionTexts();

// An option frame, "SI" and "NO": while "SI" is chosen its value boxes are
// enabled; otherwise they are disabled and the main value goes back to "0".
// A frame without a temporary box (null) leaves that box as it is.
class FELCORA_TESTS_EXPORT OptionFrame : public QObject
{
    Q_OBJECT
public:
    OptionFrame(QRadioButton *yes, QRadioButton *no, QLineEdit *value, QLineEdit *temporary);

    bool isYes() const;
    // Chooses "SI" or "NO" as a click would.
    void choose(bool yes);

private:
    void apply();

    QPointer<QRadioButton> m_yes;
    QPointer<QRadioButton> m_no;
    QPointer<QLineEdit> m_value;
    QPointer<QLineEdit> m_temporary;
};

// The dash of a CUIT as printed: the editors take a CUIT as its digits alone.
inline constexpr QChar kDash = u'-';

// The start-of-activities box: when the user leaves it for another control of
// the window, a date is rewritten as dd/mm/yyyy and any other text that is not
// empty gets "Fecha invalida!", keeping what was typed. Closing the window is
// not leaving the box.
class FELCORA_TESTS_EXPORT StartDateBox : public QObject
{
    Q_OBJECT
public:
    explicit StartDateBox(QLineEdit *box);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    static void left(QLineEdit *box);
};

// The CUIT box: text pasted into it (Ctrl+V, Shift+Insert, its context menu)
// comes in without dashes, as CUITs are printed with them; only then does the
// box's limit apply.
class FELCORA_TESTS_EXPORT CuitBox : public QObject
{
    Q_OBJECT
public:
    explicit CuitBox(QLineEdit *box);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    static void paste(QLineEdit *box);
};

// The box of an editor's form (both name them alike) that holds a value;
// null for the values chosen in lists, frames and check boxes.
template <class Form> QLineEdit *boxOf(const Form &ui, CustomerField field)
{
    switch (field) {
    case CustomerField::Cuit: return ui.TxtCuit;
    case CustomerField::Nombre: return ui.TxtNombre;
    case CustomerField::Domicilio: return ui.TxtDomicilio;
    case CustomerField::Localidad: return ui.txtLocalidad;
    case CustomerField::Codpost: return ui.txtCP;
    case CustomerField::Email: return ui.TxtEmail;
    case CustomerField::Telefonos: return ui.TxtTelefonos;
    case CustomerField::Finitactiv: return ui.TxtIniactiv;
    case CustomerField::Contacto: return ui.TxtContact;
    case CustomerField::LugarDepMerc: return ui.txtLugarDepMerc;
    case CustomerField::Regalias: return ui.txtRegalias;
    case CustomerField::AjxVinc4102: return ui.txtAjxVinc_4102;
    case CustomerField::Eximganvalor: return ui.TxtEximGan;
    case CustomerField::Eximganvalortemp: return ui.TxtTemp;
    case CustomerField::Ivaareduccionvalor: return ui.TxtIvaReduccion;
    case CustomerField::Ivaareduccionvalortemp: return ui.TxtIvaTemp;
    case CustomerField::Ivaexento: return ui.txtIvaExcento;
    case CustomerField::Honorario: return ui.txtHonorario;
    case CustomerField::Ingbru: return ui.txtINGBRU;
    default: return nullptr;
    }
}

// The message of a refusal, and the question of a Question or Doubt: whether
// the user answered Yes.
FELCORA_TESTS_EXPORT void showRefusal(const QString &text);
FELCORA_TESTS_EXPORT bool askToGoOn(const SaveObjection &objection);

// What an editor's save does with the objection it meets: shows it, and
// answers whether the save goes on (a question answered Yes). A refusal puts
// the focus in its box, and a question answered No leaves the arrow pointer.
template <class Form> bool goesOnAfter(const Form &ui, const SaveObjection &objection)
{
    if (objection.kind == SaveObjection::Silent)
        return false;
    if (objection.kind == SaveObjection::Refusal) {
        showRefusal(objection.text);
        if (QLineEdit *box = objection.focus ? boxOf(ui, *objection.focus) : nullptr)
            box->setFocus();
        return false;
    }
    return askToGoOn(objection);
}

// The customer as an editor's boxes hold it (both editors' forms name them
// alike): texts as typed, the chosen conditions as their letters ("" for
// none), the frames and the LAPI box as S or N.
template <class Form>
CustomerRecord typedCustomer(const Form &ui, const OptionFrame &eximGan, const OptionFrame &reduction)
{
    auto yesOrNo = [](bool yes) { return yes ? kYes : kNo; };
    CustomerRecord r;
    r.cuit = ui.TxtCuit->text();
    r.nombre = ui.TxtNombre->text();
    r.domicilio = ui.TxtDomicilio->text();
    r.localidad = ui.txtLocalidad->text();
    r.codpost = ui.txtCP->text();
    r.email = ui.TxtEmail->text();
    r.telefonos = ui.TxtTelefonos->text();
    r.finitactiv = ui.TxtIniactiv->text();
    r.contacto = ui.TxtContact->text();
    r.condiva = conditions::letterAt(conditions::kMaria, ui.cboIVAMARIA->currentIndex());
    r.condivafact = conditions::letterAt(conditions::kInvoicing, ui.cboIVAFACTU->currentIndex());
    r.ivaexento = ui.txtIvaExcento->text();
    r.eximgan = yesOrNo(eximGan.isYes());
    r.eximganvalor = ui.TxtEximGan->text();
    r.eximganvalortemp = ui.TxtTemp->text();
    r.ivaareduccion = yesOrNo(reduction.isYes());
    r.ivaareduccionvalor = ui.TxtIvaReduccion->text();
    r.ivaareduccionvalortemp = ui.TxtIvaTemp->text();
    r.excepLapiaec = yesOrNo(ui.chExecLAPI->isChecked());
    r.ajxVinc4102 = ui.txtAjxVinc_4102->text();
    r.ingbru = ui.txtINGBRU->text();
    r.lugarDepMerc = ui.txtLugarDepMerc->text();
    r.regalias = ui.txtRegalias->text();
    r.honorario = ui.txtHonorario->text();
    return r;
}

// The entries of the invoicing condition list: the same in both editors but
// for the exempt one, which each window spells its own way.
FELCORA_TESTS_EXPORT QStringList invoicingConditionTexts(const QString &exempt);

// The entry of the invoicing list that shows the exempt value.
inline const QString kExemptWithVatText = QStringLiteral("Exento con IVA");

// Shows the exempt value and its label while "Exento con IVA" is chosen in
// the invoicing list, and hides them otherwise, keeping what the box holds.
FELCORA_TESTS_EXPORT void showExemptValue(const QComboBox *invoicing, QWidget *label, QWidget *box);

// Enter in a list, check box or option button of an editor moves the focus on
// as Tab does; answers whether the key was used. The text boxes get the same
// from their linked input controls.
FELCORA_TESTS_EXPORT bool moveOnWithEnter(QWidget *control, const QKeyEvent *key);

// The same for the controls of an editor's form (both name them alike) that
// move on with Enter: the two lists, the CVDI box and the frames' options.
template <class Form> bool moveOnWithEnterIn(const Form &ui, const QObject *watched, const QKeyEvent *key)
{
    for (QWidget *control :
         {static_cast<QWidget *>(ui.cboIVAMARIA), static_cast<QWidget *>(ui.cboIVAFACTU),
          static_cast<QWidget *>(ui.chkCVDI), static_cast<QWidget *>(ui.EXIMGANS), static_cast<QWidget *>(ui.EXIMGANN),
          static_cast<QWidget *>(ui.OpIVAREDS), static_cast<QWidget *>(ui.OpIVAREDN)}) {
        if (watched == control)
            return moveOnWithEnter(control, key);
    }
    return false;
}

} // namespace felcora::customer
