#include "core/customerrules.h"

#include "felcora/cuit.h"
#include "felcora/datetext.h"
#include "felcora/numerictext.h"

namespace felcora {

int conditions::positionOf(QStringView letters, const QString &letter)
{
    const QString trimmed = letter.trimmed();
    if (trimmed.size() != 1)
        return kNone;
    return int(letters.indexOf(trimmed.front()));
}

QString conditions::letterAt(QStringView letters, int position)
{
    if (position < 0 || position >= letters.size())
        return {};
    return letters.at(position);
}

QStringList conditions::mariaTexts()
{
    return {QStringLiteral("Responsable Inscripto"), QStringLiteral("Responsable No Inscripto"),
            QStringLiteral("Monotributo")};
}

QString storedDateText(const QString &typed)
{
    return DateText::isDate(typed) ? typed : kMissingDate;
}

NonZeroNumber checkNonZeroNumber(const QString &text)
{
    const auto value = NumericText::value(text);
    if (!value)
        return NonZeroNumber::NotNumeric;
    return *value == 0.0 ? NonZeroNumber::Zero : NonZeroNumber::Valid;
}

bool hasUnstorableCharacter(const QString &text)
{
    for (qsizetype k = 0; k < text.size(); ++k) {
        const QChar c = text.at(k);
        if (c.isNull() || c.isLowSurrogate())
            return true;
        if (c.isHighSurrogate()) {
            if (k + 1 == text.size() || !text.at(k + 1).isLowSurrogate())
                return true;
            ++k;
        }
    }
    return false;
}

QString unstorableCharacterText(const QString &caption)
{
    return QStringLiteral("El campo ") + caption.toUpper()
        + QStringLiteral(" contiene un carácter que no se puede guardar");
}

namespace {

using Objections = QList<SaveObjection>;

const QString kEximGanNotNumeric = QStringLiteral("Debe Ingresar un valor numerico en EXIMICIÓN DE GANACIAS");
const QString kReductionNotNumeric = QStringLiteral("Debe Ingresar un valor numerico en IVA A REDUCCIÓN");
const QString kNotZero = QStringLiteral("Debe ingresar un valor mayor a CERO");
const QString kInvalidDate = QStringLiteral("Fecha invalida!");

void refuse(Objections &objections, const QString &text, std::optional<CustomerField> focus = std::nullopt)
{
    objections.append(SaveObjection{SaveObjection::Refusal, text, focus});
}

// A frame set to "SI", or the exempt value of "Exento con IVA", needs a number other than zero.
void objectUnlessNonZero(Objections &objections, bool applies, const QString &value, const QString &notNumeric,
                         const QString &zero, std::optional<CustomerField> focus)
{
    if (!applies)
        return;
    switch (checkNonZeroNumber(value)) {
    case NonZeroNumber::NotNumeric: refuse(objections, notNumeric, focus); break;
    case NonZeroNumber::Zero: refuse(objections, zero, focus); break;
    case NonZeroNumber::Valid: break;
    }
}

void objectToExemptValue(Objections &objections, const CustomerRecord &typed)
{
    objectUnlessNonZero(objections,
                        conditions::positionOf(conditions::kInvoicing, typed.condivafact) == conditions::kExemptWithVat,
                        typed.ivaexento, QStringLiteral("Debe ingresar una valor numerico en el campo EXENTO IVA"),
                        QStringLiteral("Debe ingresar um valor mayor a cero en el campo EXENTO con IVA"), std::nullopt);
}

QString notNumericText(CustomerField field)
{
    return QStringLiteral("El campo ") + captionOf(field).toUpper() + QStringLiteral(" debe tener un valor numerico");
}

// A number the save would otherwise write as 0: text that is no number is
// refused, naming the box. An empty box stands for 0 where it may be empty.
void objectUnlessNumber(Objections &objections, const CustomerRecord &typed, CustomerField field, bool mayBeEmpty)
{
    const QString &text = valueOf(typed, field);
    if (mayBeEmpty && text.trimmed().isEmpty())
        return;
    if (!NumericText::isNumeric(text))
        refuse(objections, notNumericText(field), field);
}

// A start date that is no date is refused, never stored as another day.
void objectToStartDate(Objections &objections, const CustomerRecord &typed)
{
    if (!typed.finitactiv.trimmed().isEmpty() && !DateText::isDate(typed.finitactiv))
        refuse(objections, kInvalidDate, CustomerField::Finitactiv);
}

// The text boxes whose values are stored as typed.
constexpr CustomerField kTextFields[] = {
    CustomerField::Cuit,      CustomerField::Nombre,   CustomerField::Domicilio,
    CustomerField::Localidad, CustomerField::Codpost,  CustomerField::Email,
    CustomerField::Telefonos, CustomerField::Contacto, CustomerField::LugarDepMerc,
};

void objectToUnstorableText(Objections &objections, const CustomerRecord &typed)
{
    for (const CustomerField field : kTextFields) {
        if (hasUnstorableCharacter(valueOf(typed, field)))
            refuse(objections, unstorableCharacterText(captionOf(field)), field);
    }
}

void doubtCuit(Objections &objections, const QString &cuit)
{
    if (const auto doubt = cuitDoubt(cuit))
        objections.append(SaveObjection{SaveObjection::Doubt, *doubt});
}

} // namespace

QList<SaveObjection> modifySaveObjections(const CustomerRecord &typed, const QString &loadedCuit, bool withFee)
{
    Objections objections;
    if (typed.cuit.trimmed().isEmpty() || typed.nombre.trimmed().isEmpty())
        objections.append(SaveObjection{SaveObjection::Silent, {}});
    if (typed.domicilio.trimmed().isEmpty())
        objections.append(
            SaveObjection{SaveObjection::Question, QStringLiteral("Debe ingresar DOMICILIO, desea continuar")});
    if (typed.finitactiv.trimmed().isEmpty())
        objections.append(
            SaveObjection{SaveObjection::Question,
                          QStringLiteral("Debe Ingresar FECHA INICIO DE ACTIVIDADES\r\n\r\ndesea continuar?..")});
    objectToStartDate(objections, typed);
    const bool eximGan = typed.eximgan == kYes;
    objectUnlessNonZero(objections, eximGan, typed.eximganvalor, kEximGanNotNumeric, kNotZero,
                        CustomerField::Eximganvalor);
    if (eximGan)
        objectUnlessNumber(objections, typed, CustomerField::Eximganvalortemp, true);
    const bool reduction = typed.ivaareduccion == kYes;
    objectUnlessNonZero(objections, reduction, typed.ivaareduccionvalor, kReductionNotNumeric,
                        QStringLiteral("Debe ingresar un valor mayor a CERO en IVA A REDUCCIÓN"),
                        CustomerField::Ivaareduccionvalor);
    if (reduction)
        objectUnlessNumber(objections, typed, CustomerField::Ivaareduccionvalortemp, true);
    objectToExemptValue(objections, typed);
    objectUnlessNumber(objections, typed, CustomerField::Regalias, false);
    objectUnlessNumber(objections, typed, CustomerField::AjxVinc4102, true);
    if (withFee)
        objectUnlessNumber(objections, typed, CustomerField::Honorario, true);
    objectToUnstorableText(objections, typed);
    // A CUIT stored long ago is not questioned: only one the user changed.
    if (typed.cuit != loadedCuit)
        doubtCuit(objections, typed.cuit);
    return objections;
}

QList<SaveObjection> newCustomerSaveObjections(const CustomerRecord &typed, bool withFee)
{
    Objections objections;
    if (!NumericText::isNumeric(typed.regalias))
        refuse(objections, notNumericText(CustomerField::Regalias));
    if (!NumericText::isNumeric(typed.ingbru))
        refuse(objections, QStringLiteral("El campo INGRESOS BRUTOS debe tener un valor numerico"));
    // Only the length of the CUIT is a rule here: its digits are asked about last.
    const QString cuit = typed.cuit.trimmed();
    if (cuit.isEmpty())
        refuse(objections, QStringLiteral("Debe ingresar el número de cuit"));
    else if (cuit.size() != kCuitLength)
        refuse(objections, QStringLiteral("El número de CUIT debe tener 11 digitos"));
    if (typed.nombre.trimmed().isEmpty())
        objections.append(SaveObjection{SaveObjection::Silent, {}});
    objectUnlessNonZero(objections, typed.eximgan == kYes, typed.eximganvalor, kEximGanNotNumeric, kNotZero,
                        std::nullopt);
    objectUnlessNonZero(objections, typed.ivaareduccion == kYes, typed.ivaareduccionvalor, kReductionNotNumeric,
                        kNotZero, std::nullopt);
    objectToExemptValue(objections, typed);
    objectToStartDate(objections, typed);
    objectUnlessNumber(objections, typed, CustomerField::AjxVinc4102, true);
    if (withFee)
        objectUnlessNumber(objections, typed, CustomerField::Honorario, true);
    objectToUnstorableText(objections, typed);
    doubtCuit(objections, typed.cuit);
    return objections;
}

std::optional<QString> cuitDoubt(const QString &typedCuit)
{
    const QString cuit = typedCuit.trimmed();
    if (isValidCuit(cuit))
        return std::nullopt;
    QString why;
    const bool digitsOnly = std::all_of(cuit.cbegin(), cuit.cend(), [](QChar c) { return c >= u'0' && c <= u'9'; });
    if (cuit.size() != kCuitLength)
        why = QStringLiteral("debe tener 11 dígitos");
    else if (!digitsOnly)
        why = QStringLiteral("debe tener solo dígitos");
    else if (const int check = cuitCheckDigit(cuit.left(kCuitLength - 1)); check < 0)
        why = QStringLiteral("ningún dígito verificador corresponde a sus primeros diez dígitos");
    else
        why = QStringLiteral("el dígito verificador debería ser %1").arg(check);
    return QStringLiteral("El CUIT ") + cuit + QStringLiteral(" no es válido: ") + why
        + QStringLiteral(". ¿Guardar de todos modos?");
}

QList<CustomerField> changedFields(const CustomerRecord &loaded, const CustomerRecord &current, bool withFee)
{
    QList<CustomerField> changed;
    for (const CustomerField field : kCustomerFields) {
        if (field == CustomerField::Honorario && !withFee)
            continue;
        if (valueOf(loaded, field) != valueOf(current, field))
            changed.append(field);
    }
    return changed;
}

QString changedElsewhereQuestion(const QStringList &captions)
{
    return QStringLiteral("Otro puesto modificó este cliente después de que lo abrió (campos: ")
        + captions.join(QStringLiteral(", ")) + QStringLiteral("). ¿Guardar sus cambios de todos modos?");
}

QString customerGoneText(const QString &cuit)
{
    return QStringLiteral("El cliente ") + cuit
        + QStringLiteral(" ya no existe: otro puesto lo eliminó o cambió su CUIT.");
}

} // namespace felcora
