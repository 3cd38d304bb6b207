#include "taxregister/registerscan.h"

#include <cstring>

#include "felcora/cuit.h"
#include "taxregister/registerindex.h"
#include "taxregister/registerzip.h"

namespace felcora::taxregister {

namespace {

constexpr quint64 kLargestCuit = 99'999'999'999ULL;
constexpr qsizetype kFirstSlots = 16;
constexpr quint64 kDecimalBase = 10;
// The table stays at most half full: short probe runs.
constexpr qsizetype kMaxLoadDivisor = 2;
// A master of a million customers has a table of 32 MB, larger than a
// processor's cache, which most of the register's CUITs (not customers) would
// each miss. Their answer comes from a filter eight times smaller: four bits
// a slot, at most one in eight set.
constexpr std::size_t kFilterBitsPerSlot = 4;
constexpr int kFilterHashShift = 32; // the filter takes the hash's high bits, the slots its low ones
constexpr int kWordBits = 64;

// The text is read in large pieces; a line longer than kLongestKept is no
// register line, and the bytes past it are skipped to its end unkept.
constexpr qsizetype kReadBytes = qsizetype(4) << 20;
constexpr qsizetype kLongestKept = 4096;
// The progress is told once per piece read, about every 4 MB.

// The 64-bit finaliser of MurmurHash3: every bit of the CUIT moves every bit of the slot.
constexpr quint64 kMix1 = 0xff51afd7ed558ccdULL;
constexpr quint64 kMix2 = 0xc4ceb9fe1a85ec53ULL;
constexpr int kMixShift = 33;

inline quint64 mixed(quint64 key)
{
    key ^= key >> kMixShift;
    key *= kMix1;
    key ^= key >> kMixShift;
    key *= kMix2;
    key ^= key >> kMixShift;
    return key;
}

// Eleven digits as a number; 0 when the text is anything else.
quint64 cuitNumber(const QString &text)
{
    const QString cuit = text.trimmed();
    if (cuit.size() != kCuitLength)
        return 0;
    quint64 number = 0;
    for (const QChar c : cuit) {
        if (c < u'0' || c > u'9')
            return 0;
        number = number * kDecimalBase + quint64(c.unicode() - u'0');
    }
    return number;
}

} // namespace

void CuitSet::insert(const QString &cuit)
{
    insert(cuitNumber(cuit));
}

bool CuitSet::insert(quint64 cuit)
{
    if (cuit == 0 || cuit > kLargestCuit)
        return false;
    if ((m_count + 1) * kMaxLoadDivisor > qsizetype(m_slots.size()))
        grow();
    const quint64 hash = mixed(cuit);
    const std::size_t mask = m_slots.size() - 1;
    for (std::size_t slot = hash & mask;; slot = (slot + 1) & mask) {
        if (m_slots[slot] == cuit)
            return false;
        if (m_slots[slot] == 0) {
            m_slots[slot] = cuit;
            const std::size_t bit = (hash >> kFilterHashShift) & (m_filter.size() * kWordBits - 1);
            m_filter[bit / kWordBits] |= quint64(1) << (bit % kWordBits);
            ++m_count;
            return true;
        }
    }
}

bool CuitSet::contains(quint64 cuit) const
{
    if (cuit == 0 || m_slots.empty())
        return false;
    const quint64 hash = mixed(cuit);
    const std::size_t bit = (hash >> kFilterHashShift) & (m_filter.size() * kWordBits - 1);
    if ((m_filter[bit / kWordBits] & (quint64(1) << (bit % kWordBits))) == 0)
        return false;
    const std::size_t mask = m_slots.size() - 1;
    for (std::size_t slot = hash & mask;; slot = (slot + 1) & mask) {
        if (m_slots[slot] == cuit)
            return true;
        if (m_slots[slot] == 0)
            return false;
    }
}

void CuitSet::grow()
{
    std::vector<quint64> old = std::exchange(m_slots, {});
    m_slots.assign(old.empty() ? std::size_t(kFirstSlots) : old.size() * 2, 0);
    m_filter.assign(m_slots.size() * kFilterBitsPerSlot / kWordBits, 0);
    m_count = 0;
    for (const quint64 cuit : old)
        if (cuit != 0)
            insert(cuit);
}

namespace {

// What a scan keeps while it goes through the lines.
class LineCounter
{
public:
    LineCounter(const CuitSet &master, RegisterIndexWriter *index, RegisterScan &scan, const CustomerSink &found)
        : m_master(master)
        , m_index(index)
        , m_scan(scan)
        , m_sink(found)
    {
    }

    void line(const char *text, qsizetype length)
    {
        ++m_number;
        RegisterLine parsed;
        const LineStatus status = parseRegisterLine(text, length, parsed);
        if (status == LineStatus::Empty)
            return;
        ++m_scan.lines;
        if (status != LineStatus::Valid) {
            damaged(status);
            return;
        }
        if (m_index)
            m_index->add(parsed);
        if (m_master.contains(parsed.cuit)) {
            if (!m_found.insert(parsed.cuit))
                ++m_scan.repeated;
            else if (m_sink)
                m_sink(parsed);
            else
                m_scan.customers.push_back(parsed);
        }
    }

    // A line too long to keep, ended at last.
    void longLine()
    {
        ++m_number;
        ++m_scan.lines;
        damaged(LineStatus::Long);
    }

private:
    void damaged(LineStatus status)
    {
        if (m_scan.damaged++ < kMaxDamagedKept)
            m_scan.firstDamaged.append({m_number, status});
    }

    const CuitSet &m_master;
    RegisterIndexWriter *m_index;
    RegisterScan &m_scan;
    const CustomerSink &m_sink;
    CuitSet m_found;
    qint64 m_number = 0;
};

} // namespace

RegisterScan scanRegister(const QString &path, const CuitSet &master, RegisterIndexWriter *index,
                          const ScanProgress &progress, const CustomerSink &found)
{
    RegisterZip zip(path);
    RegisterScan scan;
    scan.entryName = zip.entryName();
    scan.registerDate = zip.entryDate();
    LineCounter counter(master, index, scan, found);

    // A line that runs past a piece is moved to the buffer's front and the
    // next piece read after it; room for the longest line kept is left.
    std::vector<char> buffer(std::size_t(kReadBytes + kLongestKept));
    char *const start = buffer.data();
    qsizetype kept = 0;    // the start of a line not ended yet
    bool skipping = false; // within a line too long to keep
    if (progress && !progress(0, zip.declaredSize())) {
        scan.cancelled = true;
        return scan;
    }
    for (;;) {
        const qsizetype got = zip.read(start + kept, kReadBytes);
        if (got == 0)
            break;
        const char *next = start;
        const char *const end = start + kept + got;
        while (next < end) {
            const char *newline = static_cast<const char *>(std::memchr(next, '\n', std::size_t(end - next)));
            if (!newline)
                break;
            if (skipping) {
                counter.longLine();
                skipping = false;
            } else {
                counter.line(next, newline - next);
            }
            next = newline + 1;
        }
        kept = end - next;
        if (skipping || kept > kLongestKept) {
            skipping = true;
            kept = 0;
        } else {
            std::memmove(start, next, std::size_t(kept));
        }
        if (progress && !progress(zip.bytesRead(), zip.declaredSize())) {
            scan.cancelled = true;
            return scan;
        }
    }
    // The last line may have no line end.
    if (skipping)
        counter.longLine();
    else if (kept > 0)
        counter.line(start, kept);
    return scan;
}

} // namespace felcora::taxregister
