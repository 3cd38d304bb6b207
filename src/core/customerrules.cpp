#include "core/customerrules.h"

#include "core/customerrecord.h"
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

    // A frame set to "SI" needs a value other than zero.
    auto nonZero = [&](bool applies, const QString &value, const QString &notNumeric, const QString &zero,
                       SaveObjection::Focus focus) {
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
    };
    nonZero(typed.eximgan == kYes, typed.eximganvalor,
            QStringLiteral("Debe Ingresar un valor numerico en EXIMICIÓN DE GANACIAS"),
            QStringLiteral("Debe ingresar un valor mayor a CERO"), SaveObjection::EximGanValue);
    nonZero(typed.ivaareduccion == kYes, typed.ivaareduccionvalor,
            QStringLiteral("Debe Ingresar un valor numerico en IVA A REDUCCIÓN"),
            QStringLiteral("Debe ingresar un valor mayor a CERO en IVA A REDUCCIÓN"), SaveObjection::ReductionValue);
    nonZero(conditions::positionOf(conditions::kInvoicing, typed.condivafact) == conditions::kExemptWithVat,
            typed.ivaexento, QStringLiteral("Debe ingresar una valor numerico en el campo EXENTO IVA"),
            QStringLiteral("Debe ingresar um valor mayor a cero en el campo EXENTO con IVA"), SaveObjection::KeepFocus);
    return objections;
}

} // namespace felcora
