#include "demorows.h"

#include "felcora/cuit.h"

#include <QString>

#include <algorithm>
#include <charconv>
#include <string_view>
#include <vector>

namespace felcora::hostkit::demo {

namespace {

// A word in the three spellings the rows need: as written, upper case for the
// registry style of person names, and plain lower-case ASCII for e-mail addresses.
struct Word
{
    std::string text;
    std::string upper;
    std::string ascii;
};

std::string asciiFold(const QString &text)
{
    // Decomposition splits "á" into "a" and a combining accent, "ñ" into "n" and a
    // tilde; only the ASCII letters and digits are kept.
    std::string out;
    for (const QChar c : text.normalized(QString::NormalizationForm_D).toLower()) {
        const char16_t u = c.unicode();
        if ((u >= u'a' && u <= u'z') || (u >= u'0' && u <= u'9'))
            out.push_back(char(u));
    }
    return out;
}

std::vector<Word> words(const Table<const char *> &table)
{
    std::vector<Word> out;
    out.reserve(table.size);
    for (std::size_t i = 0; i < table.size; ++i) {
        const QString text = QString::fromUtf8(table[i]);
        out.push_back({table[i], text.toUpper().toStdString(), asciiFold(text)});
    }
    return out;
}

struct Vocabulary
{
    std::vector<Word> surnames = words(kSurnames);
    std::vector<Word> maleNames = words(kMaleNames);
    std::vector<Word> femaleNames = words(kFemaleNames);
    std::vector<Word> activities = words(kActivities);
    std::vector<Word> qualifiers = words(kQualifiers);
    std::vector<Word> placeNames = words(kPlaceNames);
};

const Vocabulary &vocabulary()
{
    static const Vocabulary v;
    return v;
}

const Word &pickWord(Rng &rng, const std::vector<Word> &list)
{
    return list[rng.below(std::uint32_t(list.size()))];
}

void appendNumber(std::string &out, std::uint64_t value, int width = 0)
{
    char buffer[24];
    const auto end = std::to_chars(buffer, buffer + sizeof buffer, value).ptr;
    for (int pad = width - int(end - buffer); pad > 0; --pad)
        out.push_back('0');
    out.append(buffer, end);
}

void appendDigits(std::string &out, Rng &rng, int count)
{
    for (int i = 0; i < count; ++i)
        out.push_back(char('0' + rng.below(10)));
}

// Characters, not bytes: the length limits of the columns count characters.
std::size_t utf8Length(const std::string &text)
{
    std::size_t n = 0;
    for (const char c : text)
        n += (static_cast<unsigned char>(c) & 0xC0) != 0x80;
    return n;
}

// Values that tax settings take in practice, in percent.
template <std::size_t N> double pickValue(Rng &rng, const double (&values)[N])
{
    return values[rng.below(N)];
}

const Jurisdiction &pickJurisdiction(Rng &rng)
{
    static const int total = [] {
        int sum = 0;
        for (std::size_t i = 0; i < kJurisdictions.size; ++i)
            sum += kJurisdictions[i].weight;
        return sum;
    }();
    int r = int(rng.below(std::uint32_t(total)));
    for (std::size_t i = 0; i < kJurisdictions.size; ++i) {
        r -= kJurisdictions[i].weight;
        if (r < 0)
            return kJurisdictions[i];
    }
    return kJurisdictions[0];
}

constexpr double kGrossIncomeRate = 2.5; // registered or not registered; exempt customers pay 0
constexpr unsigned kMultilateralPercent = 10;
constexpr unsigned kLocalInscriptoPercent = 72; // of the customers outside the Convenio
constexpr unsigned kNoInscriptoPercent = 16;    // the rest of them are exempt
// Inscription numbers: "901-123456-7" under the Convenio, a plain local number otherwise
// (a leading digit that is not zero and 6 to 9 more).
constexpr int kCmNumberDigits = 6;
constexpr int kCmCheckDigits = 1;
constexpr int kLocalNumberMinDigits = 6;
constexpr int kLocalNumberMaxDigits = 9;

// Distribution lines: each at least 5 %; 3 customers in 100 have lines that
// miss the whole by up to 2 %, in ten-thousandths.
constexpr int kShareFloor = 500;
constexpr unsigned kUnevenSharesPercent = 3;
constexpr int kMaxShareMiss = 200;
static_assert(kMaxShareMiss < kShareFloor, "a missed share must leave the first line positive");

} // namespace

RowMaker::RowMaker(Rng &rng)
    : m_rng(rng)
{
    vocabulary(); // built once, outside the row loop
}

void RowMaker::makeCuit(CustomerRow &row, bool female)
{
    if (row.company) {
        const auto r = m_rng.below(100);
        row.cuit[0] = '3';
        row.cuit[1] = r < 85 ? '0' : r < 97 ? '3' : '4';
    } else {
        row.cuit[0] = '2';
        row.cuit[1] = m_rng.percent(6) ? '3' : female ? '7' : '0';
    }
    redrawCuit(row);
}

void RowMaker::redrawCuit(CustomerRow &row)
{
    // People carry their national identity number; companies get numbers from
    // the 50 to 71 million blocks the tax authority hands out to legal persons.
    int digits[10] = {row.cuit[0] - '0', row.cuit[1] - '0'};
    for (;;) {
        auto body = std::uint64_t(row.company ? m_rng.between(50000000, 71999999) : m_rng.between(4000000, 46999999));
        for (int i = 9; i >= 2; --i, body /= 10)
            digits[i] = int(body % 10);
        const int check = felcora::cuitCheckDigitOf(digits);
        if (check < 0)
            continue; // not issued
        for (int i = 0; i < 10; ++i)
            row.cuit[i] = char('0' + digits[i]);
        row.cuit[10] = char('0' + check);
        return;
    }
}

void RowMaker::makeCompanyName(CustomerRow &row, std::string &mailDomain)
{
    const Vocabulary &v = vocabulary();
    std::string &name = row.nombre;
    name.clear();
    mailDomain.clear();
    const auto addWord = [&](const Word &w) {
        if (!name.empty() && name.back() != ' ')
            name.push_back(' ');
        name += w.text;
        mailDomain += w.ascii;
    };

    switch (m_rng.below(6)) {
    case 0: // Importadora del Sur
        addWord(pickWord(m_rng, v.activities));
        addWord(pickWord(m_rng, v.qualifiers));
        break;
    case 1: // Metalúrgica Ramos
        addWord(pickWord(m_rng, v.activities));
        addWord(pickWord(m_rng, v.surnames));
        break;
    case 2: // Ramos Hnos.
        addWord(pickWord(m_rng, v.surnames));
        name += " Hnos.";
        mailDomain += "hnos";
        break;
    case 3: { // Ramos y Fernández; "e" before an i sound: Ramos e Ibáñez
        const Word &first = pickWord(m_rng, v.surnames);
        addWord(first);
        const Word *second = &pickWord(m_rng, v.surnames);
        while (second == &first)
            second = &pickWord(m_rng, v.surnames);
        const bool iSound = second->ascii[0] == 'i' || (second->ascii[0] == 'h' && second->ascii[1] == 'i');
        name += iSound ? " e " : " y ";
        addWord(*second);
        break;
    }
    case 4: // Ramos e Hijos
        addWord(pickWord(m_rng, v.surnames));
        name += " e Hijos";
        mailDomain += "ehijos";
        break;
    default: // Agropecuaria Los Álamos
        addWord(pickWord(m_rng, v.activities));
        addWord(pickWord(m_rng, v.placeNames));
        break;
    }

    const auto form = m_rng.below(100);
    name += form < 45 ? " S.A." : form < 83 ? " S.R.L." : form < 96 ? " S.A.S." : " S.C.A.";
}

void RowMaker::makePersonName(CustomerRow &row, bool female, std::string &first, std::string &surname)
{
    // Registry style, the one every person in the file uses: "GONZÁLEZ, MARÍA LAURA".
    const Vocabulary &v = vocabulary();
    const std::vector<Word> &given = female ? v.femaleNames : v.maleNames;
    const Word &last = pickWord(m_rng, v.surnames);
    const Word &name1 = pickWord(m_rng, given);

    std::string &name = row.nombre;
    name = last.upper;
    if (m_rng.percent(15)) {
        name.push_back(' ');
        name += pickWord(m_rng, v.surnames).upper;
    }
    name += ", ";
    name += name1.upper;
    if (m_rng.percent(55)) {
        const Word &name2 = pickWord(m_rng, given);
        if (&name2 != &name1) {
            name.push_back(' ');
            name += name2.upper;
        }
    }
    first = name1.ascii;
    surname = last.ascii;
}

void RowMaker::makeAddress(CustomerRow &row)
{
    std::string &d = row.domicilio;
    d = m_rng.pick(kStreets);
    d.push_back(' ');
    appendNumber(d, std::uint64_t(m_rng.between(1, m_rng.percent(80) ? 3999 : 12999)));

    const auto r = m_rng.below(100);
    if (r < 30) {
        const std::size_t base = d.size();
        if (r < 20) {
            d += " Piso ";
            appendNumber(d, std::uint64_t(m_rng.between(1, 14)));
            d += " Dto. ";
            d.push_back(char('A' + m_rng.below(8)));
        } else {
            d += r < 25 ? " Local " : " Of. ";
            appendNumber(d, std::uint64_t(m_rng.between(1, 120)));
        }
        if (utf8Length(d) > 40)
            d.resize(base);
    }
}

void RowMaker::makePhones(CustomerRow &row)
{
    // Area code plus local number always make ten digits.
    std::string &t = row.telefonos;
    const std::string_view area = row.locality->areaCode;
    const int local = 10 - int(area.size());
    const int head = local - 4;
    t.clear();
    t += "(0";
    t += area;
    t += ") 4";
    appendDigits(t, m_rng, head - 1);
    t.push_back('-');
    appendDigits(t, m_rng, 4);
    if (m_rng.percent(25)) {
        t += " / 15-";
        appendDigits(t, m_rng, head);
        t.push_back('-');
        appendDigits(t, m_rng, 4);
    }
}

void RowMaker::makeDate(CustomerRow &row)
{
    static constexpr char kMissing[] = "1900-01-01";
    if (m_rng.percent(2)) {
        std::copy(kMissing, kMissing + 10, row.finitactiv);
        return;
    }
    static constexpr int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    const int year = int(m_rng.between(row.company ? 1950 : 1965, 2025));
    const int month = int(m_rng.below(12)) + 1;
    const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    const int day = int(m_rng.below(std::uint32_t(kDays[month - 1] + (month == 2 && leap)))) + 1;
    char *p = row.finitactiv;
    p[0] = char('0' + year / 1000);
    p[1] = char('0' + year / 100 % 10);
    p[2] = char('0' + year / 10 % 10);
    p[3] = char('0' + year % 10);
    p[4] = '-';
    p[5] = char('0' + month / 10);
    p[6] = char('0' + month % 10);
    p[7] = '-';
    p[8] = char('0' + day / 10);
    p[9] = char('0' + day % 10);
}

void RowMaker::makeTaxes(CustomerRow &row)
{
    // VAT: registered (S), not registered (N) or simplified regime (M); the
    // invoicing condition mostly follows it.
    auto r = m_rng.below(100);
    row.condiva = r < 70 ? 'S' : r < 88 ? 'M' : 'N';
    if (row.condiva == 'M' && m_rng.percent(85)) {
        row.condivafact = 'M';
    } else {
        r = m_rng.below(100);
        row.condivafact = r < 62 ? 'S' : r < 70 ? 'N' : r < 76 ? 'M' : r < 86 ? 'E' : r < 94 ? 'F' : 'X';
    }
    static constexpr double kExemptShares[] = {100, 50, 21, 10.5, 75};
    row.ivaexento = row.condivafact == 'X' ? pickValue(m_rng, kExemptShares) : 0;

    static constexpr double kGainsExemptions[] = {100, 50, 25};
    static constexpr double kGainsTemporary[] = {100, 50, 30, 20};
    row.eximgan = m_rng.percent(8) ? 'S' : 'N';
    row.eximganvalor = row.eximgan == 'S' ? pickValue(m_rng, kGainsExemptions) : 0;
    row.eximganvalortemp = row.eximgan == 'S' ? pickValue(m_rng, kGainsTemporary) : 0;

    static constexpr double kVatReductions[] = {50, 25, 10.5};
    static constexpr double kVatTemporary[] = {50, 30, 10.5};
    row.ivaareduccion = m_rng.percent(6) ? 'S' : 'N';
    row.ivaareduccionvalor = row.ivaareduccion == 'S' ? pickValue(m_rng, kVatReductions) : 0;
    row.ivaareduccionvalortemp = row.ivaareduccion == 'S' ? pickValue(m_rng, kVatTemporary) : 0;

    row.excepLapiaec = m_rng.percent(5) ? 'S' : 'N';
    row.ajxVinc4102 = m_rng.percent(7) ? double(m_rng.between(50, 4000)) / 100 : 0;
    row.regalias = m_rng.percent(4) ? double(m_rng.between(100, 1500)) / 100 : 0;
    row.honorario = m_rng.percent(35) ? double(m_rng.between(10, 900) * 100) : 0;

    // Gross income. Customers under the Convenio Multilateral are registered
    // and carry the CM number of their own jurisdiction; the others are mostly
    // registered locally, some not registered, a few exempt. The rate follows
    // the condition: exempt customers pay none.
    row.cml = m_rng.percent(kMultilateralPercent) ? kMultilateral : kNotMultilateral;
    if (row.cml == kMultilateral) {
        row.cib = kInscripto;
    } else {
        r = m_rng.below(100);
        if (r < kLocalInscriptoPercent)
            row.cib = kInscripto;
        else if (r < kLocalInscriptoPercent + kNoInscriptoPercent)
            row.cib = kNoInscripto;
        else
            row.cib = kExento;
    }
    row.ingbru = row.cib == kExento ? 0 : kGrossIncomeRate;
    row.nin.clear();
    if (row.cml == kMultilateral) { // 901-123456-7
        row.nin = row.jurisdiction->code;
        row.nin.push_back('-');
        appendDigits(row.nin, m_rng, kCmNumberDigits);
        row.nin.push_back('-');
        appendDigits(row.nin, m_rng, kCmCheckDigits);
    } else if (row.cib != kNoInscripto) {
        row.nin.push_back(char('1' + m_rng.below(9)));
        appendDigits(row.nin, m_rng, int(m_rng.between(kLocalNumberMinDigits, kLocalNumberMaxDigits)));
    }
}

void RowMaker::makeCustomer(CustomerRow &row)
{
    const Vocabulary &v = vocabulary();
    row.company = m_rng.percent(45);
    const bool female = !row.company && m_rng.percent(50);
    makeCuit(row, female);

    row.jurisdiction = &pickJurisdiction(m_rng);
    row.locality = &m_rng.pick(row.jurisdiction->localities);

    if (row.company)
        makeCompanyName(row, m_domain);
    else
        makePersonName(row, female, m_first, m_surname);
    makeAddress(row);
    makeDate(row);

    row.hasEmail = m_rng.percent(92);
    if (row.hasEmail) {
        std::string &e = row.email;
        if (row.company) {
            e = m_rng.pick(kCompanyMailboxes);
            e.push_back('@');
            e.append(m_domain, 0, 30);
            e += ".com.ar";
        } else {
            switch (m_rng.below(4)) {
            case 0:
                e = m_first;
                e.push_back('.');
                e += m_surname;
                break;
            case 1:
                e.assign(1, m_first[0]);
                e += m_surname;
                break;
            case 2:
                e = m_first;
                e.push_back('_');
                e += m_surname;
                appendNumber(e, std::uint64_t(m_rng.between(0, 99)), 2);
                break;
            default:
                e = m_surname;
                e.push_back('.');
                e += m_first;
                break;
            }
            e.push_back('@');
            e += m_rng.pick(kMailProviders);
        }
    }
    row.hasTelefonos = m_rng.percent(95);
    if (row.hasTelefonos)
        makePhones(row);

    makeTaxes(row);

    row.contacto.clear();
    if (row.company && m_rng.percent(85)) {
        const bool femaleContact = m_rng.percent(50);
        row.contacto = pickWord(m_rng, femaleContact ? v.femaleNames : v.maleNames).text;
        row.contacto.push_back(' ');
        row.contacto += pickWord(m_rng, v.surnames).text;
    }
    row.lugarDepMerc = m_rng.percent(65) ? m_rng.pick(kDepositPlaces) : "";
}

int RowMaker::makeDib(const CustomerRow &row, DibLine (&lines)[kMaxDibLines])
{
    const auto r = m_rng.below(100);
    const int count = r < 25 ? 1 : r < 60 ? 2 : r < 85 ? 3 : kMaxDibLines;

    // The customer's own jurisdiction first, the others distinct.
    lines[0].jurisdiction = row.jurisdiction->code;
    for (int i = 1; i < count; ++i) {
        const char *code;
        bool taken;
        do {
            code = m_rng.pick(kJurisdictions).code;
            taken = false;
            for (int j = 0; j < i; ++j)
                taken = taken || std::string_view(lines[j].jurisdiction) == code;
        } while (taken);
        lines[i].jurisdiction = code;
    }

    // At least the floor each; the rest shared by random weights, the rounding
    // and any miss left to the first line, which the floor keeps above zero.
    int weights[kMaxDibLines];
    int weightSum = 0;
    for (int i = 0; i < count; ++i)
        weightSum += weights[i] = int(m_rng.between(1, 100));
    const int spread = kWholeShare - kShareFloor * count;
    int assigned = 0;
    for (int i = 1; i < count; ++i) {
        lines[i].share = kShareFloor + spread * weights[i] / weightSum;
        assigned += lines[i].share;
    }
    int miss = 0;
    if (m_rng.percent(kUnevenSharesPercent)) {
        miss = int(m_rng.between(1, kMaxShareMiss));
        if (m_rng.percent(50))
            miss = -miss;
    }
    lines[0].share = kWholeShare - assigned + miss;
    for (int i = 0; i < count; ++i)
        lines[i].exempt = m_rng.percent(10);
    return count;
}

} // namespace felcora::hostkit::demo
