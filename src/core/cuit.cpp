#include "felcora/cuit.h"

#include <algorithm>

namespace felcora {

namespace {
constexpr int kWeights[10] = {5, 4, 3, 2, 7, 6, 5, 4, 3, 2};
constexpr int kModulus = 11;
constexpr int kNotIssued = 10;
constexpr int kPrefixLength = 2;

// The prefixes the tax agency issues, by who holds them.
struct Prefix
{
    QStringView digits;
    CuitClass who;
};
constexpr Prefix kPrefixes[] = {
    {u"20", CuitClass::Person},         {u"23", CuitClass::Person},         {u"24", CuitClass::Person},
    {u"27", CuitClass::Person},         {u"30", CuitClass::Company},        {u"33", CuitClass::Company},
    {u"34", CuitClass::Company},        {u"50", CuitClass::ForeignGeneric}, {u"51", CuitClass::ForeignGeneric},
    {u"55", CuitClass::ForeignGeneric},
};

bool isAsciiDigit(QChar c)
{
    return c >= u'0' && c <= u'9';
}

// "Persona física", "Persona jurídica", "CUIT genérico de extranjero" or
// "Prefijo 12 desconocido", for at least two digits.
QString classText(const QString &digits)
{
    switch (cuitClass(digits)) {
    case CuitClass::Person: return QStringLiteral("Persona física");
    case CuitClass::Company: return QStringLiteral("Persona jurídica");
    case CuitClass::ForeignGeneric: return QStringLiteral("CUIT genérico de extranjero");
    case CuitClass::Unknown: break;
    }
    return QStringLiteral("Prefijo %1 desconocido").arg(digits.left(kPrefixLength));
}

// "1 dígito" or "n dígitos", after the verb in its singular or plural.
QString digitCount(qsizetype count, const QString &singularVerb, const QString &pluralVerb)
{
    if (count == 1)
        return singularVerb + QStringLiteral(" 1 dígito");
    return pluralVerb + QStringLiteral(" %1 dígitos").arg(count);
}
} // namespace

int cuitCheckDigitOf(const int (&digits)[10])
{
    int sum = 0;
    for (int i = 0; i < 10; ++i)
        sum += digits[i] * kWeights[i];
    const int digit = kModulus - sum % kModulus;
    if (digit == kModulus)
        return 0;
    return digit == kNotIssued ? -1 : digit;
}

int cuitCheckDigit(const QString &firstTenDigits)
{
    if (firstTenDigits.size() != 10)
        return -1;
    int digits[10];
    for (int i = 0; i < 10; ++i) {
        const char16_t c = firstTenDigits[i].unicode();
        if (c < u'0' || c > u'9')
            return -1;
        digits[i] = c - u'0';
    }
    return cuitCheckDigitOf(digits);
}

bool isValidCuit(const QString &cuit)
{
    if (cuit.size() != 11)
        return false;
    const char16_t last = cuit[10].unicode();
    if (last < u'0' || last > u'9')
        return false;
    const int check = cuitCheckDigit(cuit.left(10));
    return check >= 0 && check == last - u'0';
}

CuitClass cuitClass(const QString &cuit)
{
    const QStringView prefix = QStringView(cuit).left(kPrefixLength);
    for (const auto &[digits, who] : kPrefixes) {
        if (prefix == digits)
            return who;
    }
    return CuitClass::Unknown;
}

QString cuitHint(const QString &typed)
{
    // Blanks at the ends are not the CUIT's: the save leaves them out too.
    const QString cuit = typed.trimmed();
    if (cuit.isEmpty())
        return {};
    if (!std::all_of(cuit.cbegin(), cuit.cend(), isAsciiDigit))
        return QStringLiteral("Un CUIT lleva solo dígitos");
    if (cuit.size() < kPrefixLength)
        return digitCount(kCuitLength - cuit.size(), QStringLiteral("Falta"), QStringLiteral("Faltan"));
    const QString who = classText(cuit);
    if (cuit.size() < kCuitLength)
        return who + QStringLiteral(": ")
            + digitCount(kCuitLength - cuit.size(), QStringLiteral("falta"), QStringLiteral("faltan"));
    if (cuit.size() > kCuitLength)
        return who + QStringLiteral(": ")
            + digitCount(cuit.size() - kCuitLength, QStringLiteral("sobra"), QStringLiteral("sobran"));
    const int check = cuitCheckDigit(cuit.left(kCuitLength - 1));
    if (check < 0)
        return who + QStringLiteral(" · no existe CUIT con esos diez dígitos");
    if (check == cuit.back().unicode() - u'0')
        return who + QStringLiteral(" · dígito verificador correcto");
    return who + QStringLiteral(" · dígito verificador incorrecto (debería ser %1)").arg(check);
}

} // namespace felcora
