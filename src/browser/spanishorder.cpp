#include "browser/spanishorder.h"

#include <unicode/ucol.h>
#include <unicode/ustring.h>

#include <algorithm>
#include <cstring>

#include "browser/customertable.h"
#include "felcora/error.h"

namespace felcora::browser {

namespace {

// The collator's sort keys of all rows in one buffer: a million keys cost
// their bytes, with no allocation per row (ICU is the engine QCollator uses).
class SortKeyBuffer
{
public:
    SortKeyBuffer()
    {
        UErrorCode status = U_ZERO_ERROR;
        m_collator = ucol_open("es_AR", &status);
        if (U_FAILURE(status))
            fail(status);
        // Secondary strength: accents count, case does not.
        ucol_setStrength(m_collator, UCOL_SECONDARY);
    }
    ~SortKeyBuffer() { ucol_close(m_collator); }
    SortKeyBuffer(const SortKeyBuffer &) = delete;
    SortKeyBuffer &operator=(const SortKeyBuffer &) = delete;

    // Appends the key of a UTF-8 text; answers where it starts.
    size_t add(QByteArrayView utf8)
    {
        toUtf16(utf8);
        const size_t at = m_keys.size();
        const auto length = int32_t(m_text.size());
        int32_t room = std::max<int32_t>(32, 4 * length + 8);
        for (;;) {
            m_keys.resize(at + size_t(room));
            const int32_t needed = ucol_getSortKey(m_collator, m_text.data(), length, m_keys.data() + at, room);
            if (needed <= room) {
                m_keys.resize(at + size_t(needed)); // the key ends with its 0 byte
                return at;
            }
            room = needed;
        }
    }
    const char *key(size_t at) const { return reinterpret_cast<const char *>(m_keys.data() + at); }
    void reserve(size_t bytes) { m_keys.reserve(bytes); }

private:
    void toUtf16(QByteArrayView utf8)
    {
        UErrorCode status = U_ZERO_ERROR;
        int32_t length = 0;
        m_text.resize(size_t(utf8.size()) + 1);
        u_strFromUTF8WithSub(m_text.data(), int32_t(m_text.size()), &length, utf8.data(), int32_t(utf8.size()), 0xFFFD,
                             nullptr, &status);
        if (U_FAILURE(status))
            fail(status);
        m_text.resize(size_t(length));
    }
    [[noreturn]] static void fail(UErrorCode status)
    {
        throw Error(errnum::kInvalidCall, QStringLiteral("FrmABMClientes"),
                    QStringLiteral("No se pudo ordenar la lista: %1").arg(QLatin1String(u_errorName(status))));
    }

    UCollator *m_collator = nullptr;
    std::vector<UChar> m_text;
    std::vector<uint8_t> m_keys;
};

// A row with the first eight bytes of its key as one number, so that most
// comparisons never leave this array.
struct Entry
{
    quint64 head;
    quint32 row;
    quint32 keyAt;
};

quint64 headOf(const char *key)
{
    quint64 head = 0;
    for (int k = 0; k < 8; ++k) {
        head = (head << 8) | uchar(key[k]);
        if (key[k] == 0) {
            head <<= 8 * (7 - k);
            break;
        }
    }
    return head;
}

} // namespace

std::vector<quint32> spanishOrder(const TextColumn &texts)
{
    const size_t rows = size_t(texts.size());
    SortKeyBuffer keys;
    keys.reserve(size_t(texts.byteCount()) + rows * 4);
    std::vector<Entry> entries(rows);
    for (size_t r = 0; r < rows; ++r) {
        const size_t at = keys.add(texts.utf8(qsizetype(r)));
        entries[r] = {headOf(keys.key(at)), quint32(r), quint32(at)};
    }
    std::stable_sort(entries.begin(), entries.end(), [&keys](const Entry &a, const Entry &b) {
        if (a.head != b.head)
            return a.head < b.head;
        return std::strcmp(keys.key(a.keyAt), keys.key(b.keyAt)) < 0;
    });
    std::vector<quint32> order(rows);
    for (size_t k = 0; k < rows; ++k)
        order[k] = entries[k].row;
    return order;
}

size_t spanishPlace(const TextColumn &texts, const std::vector<quint32> &order, QByteArrayView utf8)
{
    SortKeyBuffer keys;
    const size_t wanted = keys.add(utf8);
    size_t low = 0, high = order.size();
    while (low < high) {
        const size_t middle = low + (high - low) / 2;
        const size_t probe = keys.add(texts.utf8(qsizetype(order[middle])));
        if (std::strcmp(keys.key(probe), keys.key(wanted)) <= 0)
            low = middle + 1;
        else
            high = middle;
    }
    return low;
}

} // namespace felcora::browser
