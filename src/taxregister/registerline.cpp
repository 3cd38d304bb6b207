#include "taxregister/registerline.h"

#include <array>

#include "felcora/cuit.h"

namespace felcora::taxregister {

namespace {

constexpr int kDecimalBase = 10;

constexpr uchar kBlank = ' ';
constexpr uchar kLastC0Control = 0x1F;
constexpr uchar kDelete = 0x7F;
constexpr uchar kLastC1Control = 0x9F;

// Every byte as the register is read: NULs and control characters (those of
// Latin-1 too) as blanks, anything else as it is.
constexpr std::array<char, 256> makeReadable()
{
    std::array<char, 256> table{};
    for (int b = 0; b < int(table.size()); ++b) {
        const bool control = b <= kLastC0Control || (b >= kDelete && b <= kLastC1Control);
        table[b] = char(control ? kBlank : b);
    }
    return table;
}
constexpr std::array<char, 256> kReadable = makeReadable();

inline char readable(char c)
{
    return kReadable[uchar(c)];
}

inline void copyCode(const char *from, qsizetype width, char *to)
{
    for (qsizetype i = 0; i < width; ++i)
        to[i] = readable(from[i]);
}

} // namespace

LineStatus parseRegisterLine(const char *line, qsizetype length, RegisterLine &out)
{
    if (length > 0 && line[length - 1] == '\r')
        --length;
    if (length == 0)
        return LineStatus::Empty;
    if (length < kShortestLine)
        return LineStatus::Short;
    if (length > kLongestLine)
        return LineStatus::Long;

    quint64 cuit = 0;
    for (int i = column::kCuit; i < column::kCuit + kCuitLength; ++i) {
        const char c = line[i];
        if (c < '0' || c > '9')
            return LineStatus::BadCuit;
        cuit = cuit * kDecimalBase + quint64(c - '0');
    }

    // The activity is what columns 50 to 52 hold between blanks: at most two
    // characters, which either writer's placement gives.
    qsizetype first = column::kActivityEarly;
    qsizetype end = length;
    while (first < end && readable(line[first]) == char(kBlank))
        ++first;
    while (end > first && readable(line[end - 1]) == char(kBlank))
        --end;
    if (end - first > kCodeWidth)
        return LineStatus::BadActivity;

    out.cuit = cuit;
    qsizetype nameStart = column::kName;
    qsizetype nameEnd = column::kName + kNameWidth;
    while (nameStart < nameEnd && readable(line[nameStart]) == char(kBlank))
        ++nameStart;
    while (nameEnd > nameStart && readable(line[nameEnd - 1]) == char(kBlank))
        --nameEnd;
    out.nameLength = quint8(nameEnd - nameStart);
    copyCode(line + nameStart, out.nameLength, out.name);
    for (qsizetype i = out.nameLength; i < kNameWidth; ++i)
        out.name[i] = char(kBlank);
    copyCode(line + column::kIncomeTax, kCodeWidth, out.incomeTax);
    copyCode(line + column::kVat, kCodeWidth, out.vat);
    copyCode(line + column::kSimplified, kCodeWidth, out.simplified);
    out.partner = readable(line[column::kPartner]);
    out.employer = readable(line[column::kEmployer]);
    out.activity[0] = out.activity[1] = char(kBlank);
    copyCode(line + first, end - first, out.activity);
    return LineStatus::Valid;
}

} // namespace felcora::taxregister
