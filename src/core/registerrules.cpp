#include "core/registerrules.h"

#include <QStringList>

#include "core/accents.h"
#include "felcora/cuit.h"
#include "taxregister/registerline.h"

namespace felcora {

namespace {

// The register's codes for a taxpayer outside the simplified regime, and for
// each VAT condition.
const QString kNotInSimplified = QStringLiteral("NI");
const QString kVatRegistered = QStringLiteral("AC");
const QStringList kVatExempt = {QStringLiteral("EX"), QStringLiteral("XN")};
const QStringList kVatNotRegistered = {QStringLiteral("NI"), QStringLiteral("NA")};

// Company types as the register and people spell them out, and the
// shortening they are compared as; the longest first, so that a long form is
// never taken for the start of another.
struct CompanyType
{
    QString writtenOut;
    QString shortened;
};
const QList<CompanyType> kCompanyTypes = {
    {QStringLiteral("SOCIEDAD DE RESPONSABILIDAD LIMITADA"), QStringLiteral("SRL")},
    {QStringLiteral("SOCIEDAD ANONIMA UNIPERSONAL"), QStringLiteral("SAU")},
    {QStringLiteral("SOCIEDAD POR ACCIONES SIMPLIFICADA"), QStringLiteral("SAS")},
    {QStringLiteral("SOCIEDAD EN COMANDITA POR ACCIONES"), QStringLiteral("SCA")},
    {QStringLiteral("SOCIEDAD DE HECHO"), QStringLiteral("SH")},
    {QStringLiteral("SOCIEDAD ANONIMA"), QStringLiteral("SA")},
};

// The Latin-1 letters from 0xC0 on in upper case without accents (ß, Æ, Ð,
// Ø, Þ, × and ÷ stay as they are, having no plain letter).
constexpr char16_t kLatinBare[64]
    = {u'A',      u'A',      u'A',      u'A', u'A',      u'A',      u'\u00C6', u'C',      u'E',      u'E',      u'E',
       u'E',      u'I',      u'I',      u'I', u'I',      u'\u00D0', u'N',      u'O',      u'O',      u'O',      u'O',
       u'O',      u'\u00D7', u'\u00D8', u'U', u'U',      u'U',      u'U',      u'Y',      u'\u00DE', u'\u00DF', u'A',
       u'A',      u'A',      u'A',      u'A', u'A',      u'\u00C6', u'C',      u'E',      u'E',      u'E',      u'E',
       u'I',      u'I',      u'I',      u'I', u'\u00D0', u'N',      u'O',      u'O',      u'O',      u'O',      u'O',
       u'\u00F7', u'\u00D8', u'U',      u'U', u'U',      u'U',      u'Y',      u'\u00DE', u'Y'};
constexpr char16_t kFirstLatinLetter = 0xC0;
constexpr char16_t kLastLatin1 = 0xFF;

// Upper case without accents: the letters' decomposition without its marks;
// Latin-1, which names nearly always are, through the table above.
QString bareUpper(const QString &text)
{
    QString bare = text;
    for (QChar &c : bare) {
        const char16_t u = c.unicode();
        if (u > kLastLatin1)
            return withoutAccents(text).toUpper();
        if (u >= u'a' && u <= u'z')
            c = QChar(u - (u'a' - u'A'));
        else if (u >= kFirstLatinLetter)
            c = QChar(kLatinBare[u - kFirstLatinLetter]);
    }
    return bare;
}

// Words of letters and digits; a point joins what it separates (S.A. is SA)
// and any other sign separates. Single letters in a row are run together, so
// that "S A" and "S. A." are SA too.
QStringList words(const QString &upper)
{
    QStringList found;
    QString word;
    bool lastWasInitial = false;
    auto endWord = [&] {
        if (word.isEmpty())
            return;
        const bool initial = word.size() == 1 && word[0].isLetter();
        if (initial && lastWasInitial)
            found.last().append(word);
        else
            found.append(word);
        lastWasInitial = initial;
        word.clear();
    };
    for (const QChar c : upper) {
        if (c.isLetterOrNumber())
            word.append(c);
        else if (c != u'.')
            endWord();
    }
    endWord();
    return found;
}

} // namespace

RegisterVat registerVat(const QString &vat, const QString &simplified)
{
    const QString category = simplified.trimmed();
    if (!category.isEmpty() && category != kNotInSimplified)
        return RegisterVat::Monotributo;
    const QString code = vat.trimmed();
    if (code == kVatRegistered)
        return RegisterVat::ResponsableInscripto;
    if (kVatExempt.contains(code))
        return RegisterVat::Exento;
    if (kVatNotRegistered.contains(code))
        return RegisterVat::NoInscripto;
    return RegisterVat::Unknown;
}

QString registerVatText(const RegisterRecord &record)
{
    switch (registerVat(record.vat, record.simplified)) {
    case RegisterVat::ResponsableInscripto: return QStringLiteral("Responsable Inscripto");
    case RegisterVat::Monotributo: return QStringLiteral("Monotributo");
    case RegisterVat::Exento: return QStringLiteral("Exento");
    case RegisterVat::NoInscripto: return QStringLiteral("No Inscripto");
    case RegisterVat::Unknown: break;
    }
    const QString code = record.vat.trimmed();
    return code.isEmpty() ? QStringLiteral("sin dato") : QStringLiteral("IVA ") + code;
}

bool vatAgrees(const QString &condiva, RegisterVat vat)
{
    if (vat == RegisterVat::Unknown)
        return true;
    const QString expected = condivaFor(vat);
    return !expected.isEmpty() && condiva.trimmed() == expected;
}

QString condivaFor(RegisterVat vat)
{
    switch (vat) {
    case RegisterVat::ResponsableInscripto: return QStringLiteral("S");
    case RegisterVat::Monotributo: return QStringLiteral("M");
    case RegisterVat::NoInscripto: return QStringLiteral("N");
    case RegisterVat::Exento:
    case RegisterVat::Unknown: break;
    }
    return {};
}

QString comparableName(const QString &name)
{
    QString joined = QLatin1Char(' ') + words(bareUpper(name)).join(QLatin1Char(' ')) + QLatin1Char(' ');
    for (const CompanyType &type : kCompanyTypes)
        joined.replace(QLatin1Char(' ') + type.writtenOut + QLatin1Char(' '),
                       QLatin1Char(' ') + type.shortened + QLatin1Char(' '));
    return joined.trimmed();
}

bool namesAgree(const QString &masterName, const QString &registerName)
{
    const QString master = comparableName(masterName);
    const QString registered = comparableName(registerName);
    if (master == registered)
        return true;
    // A name cut at the register's width ends anywhere, even inside a word.
    return registerName.trimmed().size() >= taxregister::kNameWidth && !registered.isEmpty()
        && master.startsWith(registered);
}

unsigned findingsOf(const QString &cuit, const QString &name, const QString &condiva, const RegisterRecord *registered)
{
    unsigned kinds = 0;
    if (!isValidCuit(cuit.trimmed()))
        kinds |= kBadCheckDigit;
    if (!registered)
        return kinds | kNotRegistered;
    if (!vatAgrees(condiva, registerVat(registered->vat, registered->simplified)))
        kinds |= kVatDiffers;
    if (!namesAgree(name, registered->name))
        kinds |= kNameDiffers;
    return kinds;
}

QString findingsText(unsigned kinds)
{
    static const QList<std::pair<unsigned, QString>> texts = {
        {kNotRegistered, QStringLiteral("No figura en el padrón")},
        {kVatDiffers, QStringLiteral("IVA distinto")},
        {kNameDiffers, QStringLiteral("Nombre distinto")},
        {kBadCheckDigit, QStringLiteral("CUIT inválido")},
    };
    QStringList said;
    for (const auto &[kind, text] : texts) {
        if (kinds & kind)
            said.append(text);
    }
    return said.join(QStringLiteral("; "));
}

bool snapshotIsOld(const QDate &registerDate, const QDate &today)
{
    return registerDate.isValid() && registerDate.daysTo(today) > kSnapshotAgeDays;
}

} // namespace felcora
