#include "felcora/cuit.h"

namespace felcora {

namespace {
constexpr int kWeights[10] = {5, 4, 3, 2, 7, 6, 5, 4, 3, 2};
constexpr int kModulus = 11;
constexpr int kNotIssued = 10;
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

} // namespace felcora
