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
// The keys' blocks: the offset in a block and the block's number share 32 bits.
constexpr int kOffsetBits = 20;
constexpr size_t kBlockBytes = size_t(1) << kOffsetBits;
constexpr size_t kMaxBlocks = size_t(1) << (32 - kOffsetBits);

// A row with the first eight bytes of its key as one number, so that most
// comparisons never leave this array.
struct Entry
{
    quint64 head;
    quint32 keyAt;
    quint32 row;
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

} // namespace

// The collator's sort keys of all rows in blocks of a megabyte: a million keys
// cost their bytes, with no allocation per row and no copy as they grow (ICU
// is the engine QCollator uses). A key is found by its block and its offset
// there, in one number.
struct SpanishKeys::Buffer
{
    Buffer()
    {
        UErrorCode status = U_ZERO_ERROR;
        collator = ucol_open("es_AR", &status);
        // Without Spanish data ICU would answer with its root order, where Ñ is an N: refused, not used instead.
        if (U_FAILURE(status) || status == U_USING_DEFAULT_WARNING) {
            ucol_close(collator);
            fail(status);
        }
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
        const auto bytes = size_t(needed); // the key ends with its 0 byte
        if (blocks.empty() || used + bytes > kBlockBytes) {
            if (blocks.size() >= kMaxBlocks)
                throw Error(errnum::kOutOfMemory, QStringLiteral("FrmABMClientes"),
                            QStringLiteral("La lista de clientes no cabe en memoria"));
            blocks.push_back(std::make_unique<uint8_t[]>(std::max(kBlockBytes, bytes)));
            used = 0;
        }
        std::copy_n(scratch.begin(), bytes, blocks.back().get() + used);
        const size_t at = ((blocks.size() - 1) << kOffsetBits) | used;
        used += bytes;
        return at;
    }
    const char *key(size_t at) const
    {
        return reinterpret_cast<const char *>(blocks[at >> kOffsetBits].get() + (at & (kBlockBytes - 1)));
    }
    // Two texts by their keys; texts the collation finds equal by their
    // bytes, as the server breaks such ties.
    int compare(size_t keyA, QByteArrayView textA, size_t keyB, QByteArrayView textB) const
    {
        if (const int byKey = std::strcmp(key(keyA), key(keyB)))
            return byKey;
        return textA.compare(textB);
    }

    UCollator *collator = nullptr;
    std::vector<UChar> text;
    std::vector<uint8_t> scratch = std::vector<uint8_t>(kScratchBytes);
    std::vector<std::unique_ptr<uint8_t[]>> blocks; // a key longer than a block has one of its own
    size_t used = 0;                                // in the last block
    std::vector<Entry> sorted;                      // the rows keyed before the last sortSome, in order
    std::vector<Entry> pending;                     // the rows keyed since, in reading order
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
    return m->sorted.size() + m->pending.size();
}

void SpanishKeys::reserve(size_t rows)
{
    m->pending.reserve(rows);
}

void SpanishKeys::add(QByteArrayView utf8)
{
    const size_t at = m->addKey(utf8);
    m->pending.push_back({headOf(reinterpret_cast<const uint8_t *>(m->key(at))), quint32(at), quint32(size())});
}

void SpanishKeys::sortSome(const TextColumn &texts)
{
    Buffer &b = *m;
    // Rows of equal texts stay in reading order: the row number decides last,
    // so that an unstable sort, quicker than a stable one, gives the same order.
    const auto before = [&b, &texts](const Entry &x, const Entry &y) {
        if (x.head != y.head)
            return x.head < y.head;
        const int order = b.compare(x.keyAt, texts.utf8(x.row), y.keyAt, texts.utf8(y.row));
        return order != 0 ? order < 0 : x.row < y.row;
    };
    // The entries themselves are sorted, not their indices: each comparison
    // reads two neighbours in memory, not two places among a million.
    std::sort(b.pending.begin(), b.pending.end(), before);
    // Merged in place: the merge borrows room for the smaller part only.
    const auto middle = std::ptrdiff_t(b.sorted.size());
    b.sorted.insert(b.sorted.end(), b.pending.begin(), b.pending.end());
    std::inplace_merge(b.sorted.begin(), b.sorted.begin() + middle, b.sorted.end(), before);
    b.pending.clear();
}

std::vector<quint32> SpanishKeys::order(const TextColumn &texts)
{
    sortSome(texts);
    std::vector<quint32> rows(m->sorted.size());
    for (size_t k = 0; k < rows.size(); ++k)
        rows[k] = m->sorted[k].row;
    return rows;
}

size_t SpanishKeys::unsorted() const
{
    return m->pending.size();
}

std::vector<quint32> spanishOrder(const TextColumn &texts)
{
    SpanishKeys keys;
    keys.reserve(size_t(texts.size()));
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
        const size_t probe = keys.addKey(probeText);
        if (keys.compare(probe, probeText, wanted, utf8) <= 0)
            low = middle + 1;
        else
            high = middle;
    }
    return low;
}

} // namespace felcora::browser
