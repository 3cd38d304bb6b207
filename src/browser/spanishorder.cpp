#include "browser/spanishorder.h"

#include <unicode/ucol.h>
#include <unicode/ustring.h>

#include <algorithm>
#include <cstring>

#include "browser/customertable.h"
#include "felcora/error.h"

namespace felcora::browser {

namespace {

[[noreturn]] void fail(UErrorCode status)
{
    throw Error(errnum::kInvalidCall, QStringLiteral("FrmABMClientes"),
                QStringLiteral("No se pudo ordenar la lista: %1").arg(QLatin1String(u_errorName(status))));
}

// Room for the sort key of a long name; a longer one gets more.
constexpr size_t kScratchBytes = 1024;
// Sort keys at the default strength take about twice their text's bytes.
constexpr size_t kKeyBytesPerTextByte = 2;

// A row with the first eight bytes of its key as one number, so that most
// comparisons never leave this array.
struct Entry
{
    quint64 head;
    quint32 keyAt;
};

quint64 headOf(const uint8_t *key)
{
    quint64 head = 0;
    for (int k = 0; k < 8; ++k) {
        head = (head << 8) | key[k];
        if (key[k] == 0) {
            head <<= 8 * (7 - k);
            break;
        }
    }
    return head;
}

// Equal texts under the collation, in byte order as the server breaks such ties.
int compareBytes(QByteArrayView a, QByteArrayView b)
{
    const auto length = size_t(std::min(a.size(), b.size()));
    const int common = length == 0 ? 0 : std::memcmp(a.data(), b.data(), length);
    if (common != 0)
        return common;
    return a.size() < b.size() ? -1 : (a.size() > b.size() ? 1 : 0);
}

} // namespace

// The collator's sort keys of all rows in one buffer: a million keys cost
// their bytes, with no allocation per row (ICU is the engine QCollator uses).
struct SpanishKeys::Buffer
{
    Buffer()
    {
        UErrorCode status = U_ZERO_ERROR;
        collator = ucol_open("es_AR", &status);
        if (U_FAILURE(status))
            fail(status);
    }
    ~Buffer() { ucol_close(collator); }
    Buffer(const Buffer &) = delete;
    Buffer &operator=(const Buffer &) = delete;

    void toUtf16(QByteArrayView utf8)
    {
        UErrorCode status = U_ZERO_ERROR;
        int32_t length = 0;
        text.resize(size_t(utf8.size()) + 1);
        u_strFromUTF8WithSub(text.data(), int32_t(text.size()), &length, utf8.data(), int32_t(utf8.size()), 0xFFFD,
                             nullptr, &status);
        if (U_FAILURE(status))
            fail(status);
        text.resize(size_t(length));
    }

    // Appends the key of a UTF-8 text; answers where it starts. The key is
    // made in a scratch buffer, so that the keys' buffer grows by the key alone.
    size_t addKey(QByteArrayView utf8)
    {
        toUtf16(utf8);
        const auto length = int32_t(text.size());
        int32_t needed = ucol_getSortKey(collator, text.data(), length, scratch.data(), int32_t(scratch.size()));
        if (needed > int32_t(scratch.size())) {
            scratch.resize(size_t(needed));
            needed = ucol_getSortKey(collator, text.data(), length, scratch.data(), needed);
        }
        const size_t at = keys.size();
        keys.insert(keys.end(), scratch.begin(), scratch.begin() + needed); // the key ends with its 0 byte
        return at;
    }
    const char *key(size_t at) const { return reinterpret_cast<const char *>(keys.data() + at); }

    UCollator *collator = nullptr;
    std::vector<UChar> text;
    std::vector<uint8_t> scratch = std::vector<uint8_t>(kScratchBytes);
    std::vector<uint8_t> keys;
    std::vector<Entry> entries;
};

SpanishKeys::SpanishKeys()
    : m(std::make_unique<Buffer>())
{
}

SpanishKeys::~SpanishKeys() = default;
SpanishKeys::SpanishKeys(SpanishKeys &&) noexcept = default;
SpanishKeys &SpanishKeys::operator=(SpanishKeys &&) noexcept = default;

size_t SpanishKeys::size() const
{
    return m->entries.size();
}

void SpanishKeys::reserve(size_t rows, size_t textBytes)
{
    m->entries.reserve(rows);
    m->keys.reserve(textBytes * kKeyBytesPerTextByte + rows * sizeof(quint64));
}

void SpanishKeys::add(QByteArrayView utf8)
{
    const size_t at = m->addKey(utf8);
    m->entries.push_back({headOf(m->keys.data() + at), quint32(at)});
}

std::vector<quint32> SpanishKeys::order(const TextColumn &texts) const
{
    std::vector<quint32> rows(m->entries.size());
    for (size_t r = 0; r < rows.size(); ++r)
        rows[r] = quint32(r);
    const Buffer &b = *m;
    // Rows of equal texts stay in reading order: the row number decides last,
    // so that an unstable sort, quicker than a stable one, gives the same order.
    std::sort(rows.begin(), rows.end(), [&b, &texts](quint32 x, quint32 y) {
        const Entry &ex = b.entries[x];
        const Entry &ey = b.entries[y];
        if (ex.head != ey.head)
            return ex.head < ey.head;
        const int byKey = std::strcmp(b.key(ex.keyAt), b.key(ey.keyAt));
        if (byKey != 0)
            return byKey < 0;
        const int byBytes = compareBytes(texts.utf8(x), texts.utf8(y));
        return byBytes != 0 ? byBytes < 0 : x < y;
    });
    return rows;
}

std::vector<quint32> spanishOrder(const TextColumn &texts)
{
    SpanishKeys keys;
    keys.reserve(size_t(texts.size()), size_t(texts.byteCount()));
    for (qsizetype r = 0; r < texts.size(); ++r)
        keys.add(texts.utf8(r));
    return keys.order(texts);
}

size_t spanishPlace(const TextColumn &texts, const std::vector<quint32> &order, QByteArrayView utf8)
{
    SpanishKeys::Buffer keys;
    const size_t wanted = keys.addKey(utf8);
    size_t low = 0, high = order.size();
    while (low < high) {
        const size_t middle = low + (high - low) / 2;
        const QByteArrayView probeText = texts.utf8(qsizetype(order[middle]));
        keys.keys.resize(wanted + std::strlen(keys.key(wanted)) + 1); // only the wanted key stays
        const size_t probe = keys.addKey(probeText);
        int comparison = std::strcmp(keys.key(probe), keys.key(wanted));
        if (comparison == 0)
            comparison = compareBytes(probeText, utf8);
        if (comparison <= 0)
            low = middle + 1;
        else
            high = middle;
    }
    return low;
}

} // namespace felcora::browser
