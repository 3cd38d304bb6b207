#include "core/customerrules.h"

#include "core/customerrecord.h"
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

namespace {

// A frame set to "SI", or the exempt value of "Exento con IVA", needs a number other than zero.
void objectUnlessNonZero(QList<SaveObjection> &objections, bool applies, const QString &value,
                         const QString &notNumeric, const QString &zero, SaveObjection::Focus focus)
{
    if (!applies)
        return;
    switch (checkNonZeroNumber(value)) {
    case NonZeroNumber::NotNumeric:
        objections.append(SaveObjection{SaveObjection::Refusal, notNumeric, focus});
        break;
    case NonZeroNumber::Zero:
        objections.append(SaveObjection{SaveObjection::Refusal, zero, focus});
        break;
    case NonZeroNumber::Valid:
        break;
    }
}

const QString kEximGanNotNumeric = QStringLiteral("Debe Ingresar un valor numerico en EXIMICIÓN DE GANACIAS");
const QString kReductionNotNumeric = QStringLiteral("Debe Ingresar un valor numerico en IVA A REDUCCIÓN");
const QString kNotZero = QStringLiteral("Debe ingresar un valor mayor a CERO");

void objectToExemptValue(QList<SaveObjection> &objections, const CustomerRecord &typed)
{
    objectUnlessNonZero(objections,
                        conditions::positionOf(conditions::kInvoicing, typed.condivafact) == conditions::kExemptWithVat,
                        typed.ivaexento, QStringLiteral("Debe ingresar una valor numerico en el campo EXENTO IVA"),
                        QStringLiteral("Debe ingresar um valor mayor a cero en el campo EXENTO con IVA"),
                        SaveObjection::KeepFocus);
}

} // namespace

QList<SaveObjection> modifySaveObjections(const CustomerRecord &typed)
{
    QList<SaveObjection> objections;
    if (typed.cuit.trimmed().isEmpty() || typed.nombre.trimmed().isEmpty())
        objections.append(SaveObjection{SaveObjection::Silent, {}});
    if (typed.domicilio.trimmed().isEmpty())
        objections.append(SaveObjection{SaveObjection::Question, QStringLiteral("Debe ingresar DOMICILIO, desea continuar")});
    if (typed.finitactiv.trimmed().isEmpty())
        objections.append(SaveObjection{SaveObjection::Question,
                           QStringLiteral("Debe Ingresar FECHA INICIO DE ACTIVIDADES\r\n\r\ndesea continuar?..")});
    objectUnlessNonZero(objections, typed.eximgan == kYes, typed.eximganvalor, kEximGanNotNumeric, kNotZero,
                        SaveObjection::EximGanValue);
    objectUnlessNonZero(objections, typed.ivaareduccion == kYes, typed.ivaareduccionvalor, kReductionNotNumeric,
                        QStringLiteral("Debe ingresar un valor mayor a CERO en IVA A REDUCCIÓN"),
                        SaveObjection::ReductionValue);
    objectToExemptValue(objections, typed);
    return objections;
}

QList<SaveObjection> newCustomerSaveObjections(const CustomerRecord &typed)
{
    QList<SaveObjection> objections;
    auto refuse = [&](const QString &text) { objections.append(SaveObjection{SaveObjection::Refusal, text}); };
    if (!NumericText::isNumeric(typed.regalias))
        refuse(QStringLiteral("El campo REGALIAS debe tener un valor numerico"));
    if (!NumericText::isNumeric(typed.ingbru))
        refuse(QStringLiteral("El campo INGRESOS BRUTOS debe tener un valor numerico"));
    // Only the length of the CUIT counts here: its digits are the user's business.
    const QString cuit = typed.cuit.trimmed();
    if (cuit.isEmpty())
        refuse(QStringLiteral("Debe ingresar el número de cuit"));
    else if (cuit.size() != kCuitLength)
        refuse(QStringLiteral("El número de CUIT debe tener 11 digitos"));
    if (typed.nombre.trimmed().isEmpty())
        objections.append(SaveObjection{SaveObjection::Silent, {}});
    objectUnlessNonZero(objections, typed.eximgan == kYes, typed.eximganvalor, kEximGanNotNumeric, kNotZero,
                        SaveObjection::KeepFocus);
    objectUnlessNonZero(objections, typed.ivaareduccion == kYes, typed.ivaareduccionvalor, kReductionNotNumeric,
                        kNotZero, SaveObjection::KeepFocus);
    objectToExemptValue(objections, typed);
    return objections;
}

} // namespace felcora
