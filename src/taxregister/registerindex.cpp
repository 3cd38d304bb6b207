#include "taxregister/registerindex.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryFile>
#include <QtEndian>
#include <algorithm>
#include <cerrno>
#include <condition_variable>
#include <cstring>
#include <deque>
#include <exception>
#include <functional>
#include <mutex>
#include <optional>
#include <queue>
#include <thread>
#include <unistd.h>
#include <zlib.h>

#include "core/filefailure.h"
#include "felcora/error.h"

// The index file, little endian throughout:
//   header    magic, version, register date, entries, directory's place and size, directory's CRC-32
//   blocks    each up to kBlockRecords records sorted by CUIT, compressed with zlib;
//             inside, column by column: CUITs as differences from the one before
//             (the first one whole), names, then each code
//   directory one entry per block: first CUIT, offset, compressed size, records, CRC-32
namespace felcora::taxregister {

namespace {

const QString kSource = QStringLiteral("Índice del padrón");

constexpr char kMagic[] = {'F', 'E', 'L', 'P', 'A', 'D', 'R', 'N'};
constexpr quint32 kVersion = 1;
constexpr qint64 kHeaderSize = 48;
constexpr qint64 kMagicSize = sizeof(kMagic);
constexpr qint64 kVersionAt = 8;
constexpr qint64 kDateAt = 16;
constexpr qint64 kEntriesAt = 24;
constexpr qint64 kDirectoryAt = 32;
constexpr qint64 kBlockCountAt = 40;
constexpr qint64 kDirectoryCrcAt = 44;
constexpr qint64 kDirectoryEntrySize = 32;
constexpr qint64 kEntryOffsetAt = 8;
constexpr qint64 kEntrySizeAt = 16;
constexpr qint64 kEntryRecordsAt = 20;
constexpr qint64 kEntryCrcAt = 24;

// A few thousand records a block: one lookup inflates about 200 KB.
constexpr qsizetype kBlockRecords = 4096;
// Records gathered and sorted before they go to the writing thread (about 12 MB).
constexpr qsizetype kChunkRecords = qsizetype(256) << 10;
// Chunks waiting for the writing thread: the scan waits rather than piling them up.
constexpr std::size_t kQueuedChunks = 2;
// Speed over size: the index is built in the same pass as the scan.
constexpr int kCompressionLevel = 1;

// The temporary name holds the target's first characters only, leaving room for the rest of it.
constexpr qsizetype kTempNameStem = 64;
constexpr QFile::Permissions kNewFilePermissions
    = QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup | QFile::ReadOther;

// One taxpayer as the index keeps it: the name padded with blanks.
struct Record
{
    quint64 cuit = 0;
    char name[kNameWidth];
    char incomeTax[kCodeWidth];
    char vat[kCodeWidth];
    char simplified[kCodeWidth];
    char partner;
    char employer;
    char activity[kCodeWidth];
};
// Income tax, VAT, simplified regime and activity; partner and employer are one character each.
constexpr qsizetype kCodes = 4;
constexpr qsizetype kFlags = 2;
constexpr qsizetype kRecordBytes = sizeof(quint64) + kNameWidth + kCodes * kCodeWidth + kFlags;
static_assert(sizeof(Record) == kRecordBytes, "a record is stored as it is kept");
constexpr qsizetype kLargestBlock = kBlockRecords * kRecordBytes;

// The codes, alike in a line and in a record.
template <class To, class From> void copyCodes(To &to, const From &from)
{
    std::memcpy(to.incomeTax, from.incomeTax, kCodeWidth);
    std::memcpy(to.vat, from.vat, kCodeWidth);
    std::memcpy(to.simplified, from.simplified, kCodeWidth);
    to.partner = from.partner;
    to.employer = from.employer;
    std::memcpy(to.activity, from.activity, kCodeWidth);
}

Record recordOf(const RegisterLine &line)
{
    Record r;
    r.cuit = line.cuit;
    const qsizetype length = std::min<qsizetype>(line.nameLength, kNameWidth);
    std::memcpy(r.name, line.name, std::size_t(length));
    std::memset(r.name + length, ' ', std::size_t(kNameWidth - length));
    copyCodes(r, line);
    return r;
}

RegisterLine lineOf(const Record &r)
{
    RegisterLine line;
    line.cuit = r.cuit;
    std::memcpy(line.name, r.name, kNameWidth);
    qsizetype length = kNameWidth;
    while (length > 0 && r.name[length - 1] == ' ')
        --length;
    line.nameLength = quint8(length);
    copyCodes(line, r);
    return line;
}

struct BlockEntry
{
    quint64 firstCuit = 0;
    quint64 offset = 0;
    quint32 size = 0;
    quint32 records = 0;
    quint32 crc = 0;
};

quint32 crcOf(const char *data, qsizetype size)
{
    return quint32(crc32(crc32(0, nullptr, 0), reinterpret_cast<const Bytef *>(data), uInt(size)));
}

// A block's records column by column, which compresses far better than row by row.
class BlockLayout
{
public:
    explicit BlockLayout(qsizetype records)
        : m_records(records)
    {
    }
    qsizetype cuits() const { return 0; }
    qsizetype names() const { return m_records * qsizetype(sizeof(quint64)); }
    qsizetype code(int which) const { return names() + m_records * kNameWidth + which * m_records * kCodeWidth; }
    qsizetype partner() const { return code(kSimplified + 1); }
    qsizetype employer() const { return partner() + m_records; }
    qsizetype activity() const { return employer() + m_records; }
    qsizetype bytes() const { return m_records * kRecordBytes; }

    enum Code { kIncomeTax, kVat, kSimplified };

private:
    qsizetype m_records;
};

void encodeBlock(const Record *records, qsizetype count, QByteArray &out)
{
    const BlockLayout at(count);
    out.resize(at.bytes());
    char *const bytes = out.data();
    quint64 previous = 0;
    for (qsizetype i = 0; i < count; ++i) {
        const Record &r = records[i];
        qToLittleEndian<quint64>(r.cuit - previous, bytes + at.cuits() + i * qsizetype(sizeof(quint64)));
        previous = r.cuit;
        std::memcpy(bytes + at.names() + i * kNameWidth, r.name, kNameWidth);
        std::memcpy(bytes + at.code(BlockLayout::kIncomeTax) + i * kCodeWidth, r.incomeTax, kCodeWidth);
        std::memcpy(bytes + at.code(BlockLayout::kVat) + i * kCodeWidth, r.vat, kCodeWidth);
        std::memcpy(bytes + at.code(BlockLayout::kSimplified) + i * kCodeWidth, r.simplified, kCodeWidth);
        bytes[at.partner() + i] = r.partner;
        bytes[at.employer() + i] = r.employer;
        std::memcpy(bytes + at.activity() + i * kCodeWidth, r.activity, kCodeWidth);
    }
}

// Inflates and reads back one block; false when it is not what its entry says
// (a damaged file): the CRC, the exact size, CUITs strictly ascending from the
// entry's first one.
bool decodeBlock(const QByteArray &compressed, const BlockEntry &entry, QByteArray &scratch, std::vector<Record> &out)
{
    if (entry.records == 0 || entry.records > kBlockRecords || compressed.size() != qsizetype(entry.size)
        || crcOf(compressed.constData(), compressed.size()) != entry.crc)
        return false;
    const BlockLayout at(entry.records);
    scratch.resize(at.bytes());
    uLongf inflated = uLongf(at.bytes());
    if (uncompress(reinterpret_cast<Bytef *>(scratch.data()), &inflated,
                   reinterpret_cast<const Bytef *>(compressed.constData()), uLong(compressed.size()))
            != Z_OK
        || qsizetype(inflated) != at.bytes())
        return false;
    const char *const bytes = scratch.constData();
    out.resize(entry.records);
    quint64 cuit = 0;
    for (qsizetype i = 0; i < qsizetype(entry.records); ++i) {
        Record &r = out[std::size_t(i)];
        const quint64 step = qFromLittleEndian<quint64>(bytes + at.cuits() + i * qsizetype(sizeof(quint64)));
        if ((i > 0 && step == 0) || cuit + step < cuit)
            return false;
        cuit += step;
        r.cuit = cuit;
        std::memcpy(r.name, bytes + at.names() + i * kNameWidth, kNameWidth);
        std::memcpy(r.incomeTax, bytes + at.code(BlockLayout::kIncomeTax) + i * kCodeWidth, kCodeWidth);
        std::memcpy(r.vat, bytes + at.code(BlockLayout::kVat) + i * kCodeWidth, kCodeWidth);
        std::memcpy(r.simplified, bytes + at.code(BlockLayout::kSimplified) + i * kCodeWidth, kCodeWidth);
        r.partner = bytes[at.partner() + i];
        r.employer = bytes[at.employer() + i];
        std::memcpy(r.activity, bytes + at.activity() + i * kCodeWidth, kCodeWidth);
    }
    return out.front().cuit == entry.firstCuit;
}

QString shown(const QString &path)
{
    return QDir::toNativeSeparators(path);
}

Error writeFailure(const QString &path, const QString &why)
{
    return Error(errnum::kFileError, kSource,
                 QStringLiteral("No se pudo escribir el índice del padrón \"%1\": %2").arg(shown(path), why));
}

Error writeFailure(const QString &path, int error)
{
    return writeFailure(path, fileFailureReason(error));
}

Error damagedIndex(const QString &path)
{
    return Error(
        errnum::kFileError, kSource,
        QStringLiteral("El índice del padrón \"%1\" está dañado: vuelva a importar el padrón").arg(shown(path)));
}

// Reads size bytes at offset, all of them: a file that ends before is damaged.
QByteArray readExactly(int fd, quint64 offset, qsizetype size, const QString &path)
{
    QByteArray bytes(size, Qt::Uninitialized);
    qsizetype done = 0;
    while (done < size) {
        const ssize_t got = ::pread(fd, bytes.data() + done, std::size_t(size - done), off_t(offset) + done);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            throw damagedIndex(path);
        done += got;
    }
    return bytes;
}

// A file of the index being written, a temporary file beside the target:
// removed unless it took the target's name.
class IndexFile
{
public:
    IndexFile(const QString &path, const QString &target)
        : m_path(path)
        , m_file(QStringLiteral("%1/.%2.XXXXXX.tmp")
                     .arg(QFileInfo(target).absolutePath(), QFileInfo(target).fileName().left(kTempNameStem)))
    {
        if (!QFileInfo(QFileInfo(target).absolutePath()).isDir())
            throw writeFailure(path, ENOENT);
        errno = 0;
        if (!m_file.open())
            throw writeFailure(path, errno != 0 ? fileFailureReason(errno) : m_file.errorString());
    }
    IndexFile(const IndexFile &) = delete;
    IndexFile &operator=(const IndexFile &) = delete;

    void writeAt(quint64 offset, const char *data, qsizetype size)
    {
        while (size > 0) {
            const ssize_t written = ::pwrite(m_file.handle(), data, std::size_t(size), off_t(offset));
            if (written < 0 && errno == EINTR)
                continue;
            if (written <= 0)
                throw writeFailure(m_path, written < 0 ? errno : ENOSPC);
            data += written;
            size -= written;
            offset += quint64(written);
        }
    }

    QByteArray readAt(quint64 offset, qsizetype size) const
    {
        return readExactly(m_file.handle(), offset, size, m_path);
    }

    // On the disk, then under the target's name. It keeps the permissions of
    // the file it replaces; a new one may be read by all, like the databases beside it.
    void commit(const QString &target)
    {
        m_file.setPermissions(QFile::exists(target) ? QFile::permissions(target) : kNewFilePermissions);
        if (::fsync(m_file.handle()) != 0)
            throw writeFailure(m_path, errno);
        if (::rename(QFile::encodeName(m_file.fileName()).constData(), QFile::encodeName(target).constData()) != 0)
            throw writeFailure(m_path, errno);
        m_file.setAutoRemove(false);
    }

private:
    QString m_path;
    QTemporaryFile m_file;
};

// Blocks written one after another into a file, and their directory.
class BlockFile
{
public:
    BlockFile(const QString &path, const QString &target)
        : file(path, target)
    {
    }

    void write(const Record *records, qsizetype count)
    {
        encodeBlock(records, count, m_raw);
        uLongf size = compressBound(uLong(m_raw.size()));
        m_compressed.resize(qsizetype(size));
        if (compress2(reinterpret_cast<Bytef *>(m_compressed.data()), &size,
                      reinterpret_cast<const Bytef *>(m_raw.constData()), uLong(m_raw.size()), kCompressionLevel)
            != Z_OK)
            throw Error(errnum::kOutOfMemory, kSource,
                        QStringLiteral("No hay memoria para comprimir el índice del padrón"));
        file.writeAt(m_end, m_compressed.constData(), qsizetype(size));
        blocks.push_back(
            {records[0].cuit, m_end, quint32(size), quint32(count), crcOf(m_compressed.constData(), qsizetype(size))});
        m_end += size;
    }

    // The directory after the blocks, the header in front: answers the file's size.
    qint64 complete(const QDate &date)
    {
        QByteArray directory(qsizetype(blocks.size()) * kDirectoryEntrySize, '\0');
        quint64 entries = 0;
        for (std::size_t i = 0; i < blocks.size(); ++i) {
            char *entry = directory.data() + qsizetype(i) * kDirectoryEntrySize;
            qToLittleEndian<quint64>(blocks[i].firstCuit, entry);
            qToLittleEndian<quint64>(blocks[i].offset, entry + kEntryOffsetAt);
            qToLittleEndian<quint32>(blocks[i].size, entry + kEntrySizeAt);
            qToLittleEndian<quint32>(blocks[i].records, entry + kEntryRecordsAt);
            qToLittleEndian<quint32>(blocks[i].crc, entry + kEntryCrcAt);
            entries += blocks[i].records;
        }
        QByteArray header(kHeaderSize, '\0');
        std::memcpy(header.data(), kMagic, kMagicSize);
        qToLittleEndian<quint32>(kVersion, header.data() + kVersionAt);
        qToLittleEndian<qint64>(date.isValid() ? date.toJulianDay() : 0, header.data() + kDateAt);
        qToLittleEndian<quint64>(entries, header.data() + kEntriesAt);
        qToLittleEndian<quint64>(m_end, header.data() + kDirectoryAt);
        qToLittleEndian<quint32>(quint32(blocks.size()), header.data() + kBlockCountAt);
        qToLittleEndian<quint32>(crcOf(directory.constData(), directory.size()), header.data() + kDirectoryCrcAt);
        file.writeAt(m_end, directory.constData(), directory.size());
        file.writeAt(0, header.constData(), header.size());
        return qint64(m_end) + directory.size();
    }

    IndexFile file;
    std::vector<BlockEntry> blocks;

private:
    quint64 m_end = kHeaderSize;
    QByteArray m_raw;
    QByteArray m_compressed;
};

// Reads back the blocks of one sorted run, a block at a time.
class RunCursor
{
public:
    RunCursor(const BlockFile &file, const QString &path, std::size_t first, std::size_t end)
        : m_file(file)
        , m_path(path)
        , m_next(first)
        , m_end(end)
    {
        load();
    }
    bool atEnd() const { return m_at >= m_records.size(); }
    const Record &current() const { return m_records[m_at]; }
    void advance()
    {
        if (++m_at == m_records.size())
            load();
    }

private:
    void load()
    {
        m_records.clear();
        m_at = 0;
        if (m_next == m_end)
            return;
        const BlockEntry &entry = m_file.blocks[m_next++];
        if (!decodeBlock(m_file.file.readAt(entry.offset, entry.size), entry, m_scratch, m_records))
            throw damagedIndex(m_path);
    }

    const BlockFile &m_file;
    QString m_path;
    std::size_t m_next;
    std::size_t m_end;
    std::vector<Record> m_records;
    std::size_t m_at = 0;
    QByteArray m_scratch;
};

struct Job
{
    std::vector<Record> records;
    bool sorted = true;
    bool merged = false; // one block of the merge's output, for the final file
};

} // namespace

// The scanning thread gathers records into chunks; the writing thread sorts
// each chunk, cuts it into blocks and compresses them. Chunks that follow each
// other in ascending order with no overlap make one run, written straight into
// the file that becomes the index. Input in any other order leaves several
// runs, merged at finish() into a second file.
struct RegisterIndexWriter::State
{
    QString path;
    QString target;
    QDate date;
    std::unique_ptr<BlockFile> runs;
    std::unique_ptr<BlockFile> merged;
    std::vector<std::size_t> runStarts; // the first block of each run
    std::vector<Record> pending;        // the part of a block not written yet
    std::optional<quint64> lastCuit;    // of the run being written

    std::vector<Record> chunk;
    bool chunkSorted = true;
    bool finished = false;

    std::mutex mutex;
    std::condition_variable changed;
    std::deque<Job> jobs;
    std::vector<std::vector<Record>> spare;
    bool busy = false;
    bool stopping = false;
    std::exception_ptr failure;
    std::thread worker;

    void work();
    void process(Job &job);
    void take(const Record *records, qsizetype count);
    void endRun();
    void push(Job job);
    void drain();
    std::vector<Record> freshChunk();
    void merge();
};

void RegisterIndexWriter::State::take(const Record *records, qsizetype count)
{
    while (count > 0) {
        if (pending.empty() && count >= kBlockRecords) {
            runs->write(records, kBlockRecords);
            records += kBlockRecords;
            count -= kBlockRecords;
            continue;
        }
        const qsizetype part = std::min<qsizetype>(count, kBlockRecords - qsizetype(pending.size()));
        pending.insert(pending.end(), records, records + part);
        records += part;
        count -= part;
        if (qsizetype(pending.size()) == kBlockRecords) {
            runs->write(pending.data(), kBlockRecords);
            pending.clear();
        }
    }
}

void RegisterIndexWriter::State::endRun()
{
    if (!pending.empty())
        runs->write(pending.data(), qsizetype(pending.size()));
    pending.clear();
}

void RegisterIndexWriter::State::process(Job &job)
{
    std::vector<Record> &records = job.records;
    if (job.merged) {
        merged->write(records.data(), qsizetype(records.size()));
        return;
    }
    // A stable sort keeps the first of equal CUITs first, and unique keeps it.
    const auto byCuit = [](const Record &a, const Record &b) { return a.cuit < b.cuit; };
    if (!job.sorted)
        std::stable_sort(records.begin(), records.end(), byCuit);
    records.erase(
        std::unique(records.begin(), records.end(), [](const Record &a, const Record &b) { return a.cuit == b.cuit; }),
        records.end());
    if (lastCuit && records.front().cuit <= *lastCuit) {
        endRun();
        runStarts.push_back(runs->blocks.size());
    }
    lastCuit = records.back().cuit;
    take(records.data(), qsizetype(records.size()));
}

void RegisterIndexWriter::State::work()
{
    std::unique_lock lock(mutex);
    for (;;) {
        changed.wait(lock, [this] { return stopping || !jobs.empty(); });
        if (jobs.empty())
            return;
        Job job = std::move(jobs.front());
        jobs.pop_front();
        busy = true;
        const bool skip = bool(failure);
        lock.unlock();
        changed.notify_all();
        std::exception_ptr failed;
        if (!skip) {
            try {
                process(job);
            } catch (...) {
                failed = std::current_exception();
            }
        }
        job.records.clear();
        lock.lock();
        if (failed)
            failure = failed;
        spare.push_back(std::move(job.records));
        busy = false;
        changed.notify_all();
    }
}

// Waits for room in the queue. After a failure the records go nowhere: the
// failure is told by finish(), so that the scan itself goes on.
void RegisterIndexWriter::State::push(Job job)
{
    std::unique_lock lock(mutex);
    changed.wait(lock, [this] { return jobs.size() < kQueuedChunks || failure; });
    if (failure)
        return;
    jobs.push_back(std::move(job));
    changed.notify_all();
}

void RegisterIndexWriter::State::drain()
{
    std::unique_lock lock(mutex);
    changed.wait(lock, [this] { return jobs.empty() && !busy; });
    if (failure)
        std::rethrow_exception(failure);
}

std::vector<Record> RegisterIndexWriter::State::freshChunk()
{
    std::vector<Record> records;
    {
        std::lock_guard lock(mutex);
        if (!spare.empty()) {
            records = std::move(spare.back());
            spare.pop_back();
        }
    }
    records.reserve(kChunkRecords);
    return records;
}

// Every run read a block at a time, the smallest CUIT first; of equal CUITs
// the earlier run's, which was added first.
void RegisterIndexWriter::State::merge()
{
    merged = std::make_unique<BlockFile>(path, target);
    std::vector<RunCursor> cursors;
    cursors.reserve(runStarts.size());
    for (std::size_t run = 0; run < runStarts.size(); ++run) {
        const std::size_t end = run + 1 < runStarts.size() ? runStarts[run + 1] : runs->blocks.size();
        cursors.emplace_back(*runs, path, runStarts[run], end);
    }
    using Head = std::pair<quint64, std::size_t>; // CUIT, run
    std::priority_queue<Head, std::vector<Head>, std::greater<>> heads;
    for (std::size_t run = 0; run < cursors.size(); ++run)
        if (!cursors[run].atEnd())
            heads.push({cursors[run].current().cuit, run});
    std::vector<Record> block = freshChunk();
    std::optional<quint64> last;
    while (!heads.empty()) {
        const std::size_t run = heads.top().second;
        heads.pop();
        RunCursor &cursor = cursors[run];
        if (cursor.current().cuit != last) {
            last = cursor.current().cuit;
            block.push_back(cursor.current());
            if (qsizetype(block.size()) == kBlockRecords) {
                push({std::exchange(block, freshChunk()), true, true});
            }
        }
        cursor.advance();
        if (!cursor.atEnd())
            heads.push({cursor.current().cuit, run});
    }
    if (!block.empty())
        push({std::move(block), true, true});
    drain();
}

RegisterIndexWriter::RegisterIndexWriter(const QString &path, const QDate &registerDate)
    : d(std::make_unique<State>())
{
    d->path = path;
    const QFileInfo info(path);
    // A link is followed: the file it names is replaced, the link stays.
    d->target = info.exists() ? info.canonicalFilePath() : info.absoluteFilePath();
    d->date = registerDate;
    d->runs = std::make_unique<BlockFile>(path, d->target);
    d->runStarts.push_back(0);
    d->chunk = d->freshChunk();
    d->worker = std::thread([state = d.get()] { state->work(); });
}

RegisterIndexWriter::~RegisterIndexWriter()
{
    {
        std::lock_guard lock(d->mutex);
        d->stopping = true;
        d->jobs.clear();
    }
    d->changed.notify_all();
    d->worker.join();
}

void RegisterIndexWriter::add(const RegisterLine &line)
{
    if (d->finished)
        throw Error(errnum::kInvalidCall, kSource, QStringLiteral("El índice del padrón ya se terminó de escribir"));
    const Record record = recordOf(line);
    if (!d->chunk.empty() && record.cuit < d->chunk.back().cuit)
        d->chunkSorted = false;
    d->chunk.push_back(record);
    if (qsizetype(d->chunk.size()) == kChunkRecords) {
        d->push({std::exchange(d->chunk, d->freshChunk()), d->chunkSorted, false});
        d->chunkSorted = true;
    }
}

qint64 RegisterIndexWriter::finish()
{
    if (std::exchange(d->finished, true))
        throw Error(errnum::kInvalidCall, kSource, QStringLiteral("El índice del padrón ya se terminó de escribir"));
    if (!d->chunk.empty())
        d->push({std::exchange(d->chunk, {}), d->chunkSorted, false});
    d->drain();
    // The writing thread is idle: its state is this thread's now.
    d->endRun();
    BlockFile *final = d->runs.get();
    if (d->runStarts.size() > 1) {
        d->merge();
        final = d->merged.get();
    }
    const qint64 size = final->complete(d->date);
    final->file.commit(d->target);
    // The runs merged are of no more use.
    d->runs.reset();
    d->merged.reset();
    return size;
}

struct RegisterIndex::State
{
    QString path;
    QFile file;
    QDate date;
    qint64 entries = 0;
    std::vector<BlockEntry> blocks;
};

RegisterIndex::RegisterIndex()
    : d(std::make_unique<State>())
{
}

RegisterIndex::~RegisterIndex() = default;

std::unique_ptr<RegisterIndex> RegisterIndex::open(const QString &path)
{
    if (!QFileInfo::exists(path))
        return nullptr;
    std::unique_ptr<RegisterIndex> index(new RegisterIndex);
    State &s = *index->d;
    s.path = path;
    s.file.setFileName(path);
    if (!s.file.open(QIODevice::ReadOnly))
        throw Error(
            errnum::kFileError, kSource,
            QStringLiteral("No se pudo leer el índice del padrón \"%1\": %2").arg(shown(path), s.file.errorString()));
    const qint64 fileSize = s.file.size();
    const QByteArray header = s.file.read(kHeaderSize);
    if (header.size() < kHeaderSize || std::memcmp(header.constData(), kMagic, kMagicSize) != 0
        || qFromLittleEndian<quint32>(header.constData() + kVersionAt) != kVersion)
        throw Error(errnum::kFileError, kSource,
                    QStringLiteral("\"%1\" no es un índice del padrón de esta versión: vuelva a importar el padrón")
                        .arg(shown(path)));
    const qint64 julianDay = qFromLittleEndian<qint64>(header.constData() + kDateAt);
    s.date = julianDay == 0 ? QDate() : QDate::fromJulianDay(julianDay);
    const quint64 entries = qFromLittleEndian<quint64>(header.constData() + kEntriesAt);
    const quint64 directoryAt = qFromLittleEndian<quint64>(header.constData() + kDirectoryAt);
    const quint64 blockCount = qFromLittleEndian<quint32>(header.constData() + kBlockCountAt);
    // The directory fills the file's end exactly, and its CRC matches.
    if (directoryAt < quint64(kHeaderSize) || directoryAt > quint64(fileSize)
        || (quint64(fileSize) - directoryAt) != blockCount * kDirectoryEntrySize)
        throw damagedIndex(path);
    if (!s.file.seek(qint64(directoryAt)))
        throw damagedIndex(path);
    const QByteArray directory = s.file.read(qint64(blockCount) * kDirectoryEntrySize);
    if (directory.size() != qsizetype(blockCount) * kDirectoryEntrySize
        || crcOf(directory.constData(), directory.size())
            != qFromLittleEndian<quint32>(header.constData() + kDirectoryCrcAt))
        throw damagedIndex(path);
    // Blocks follow each other from the header to the directory, their first
    // CUITs ascending, their records adding up to the entries.
    const quint64 largestCompressed = compressBound(uLong(kLargestBlock));
    quint64 expectedOffset = kHeaderSize;
    quint64 counted = 0;
    s.blocks.resize(blockCount);
    for (std::size_t i = 0; i < blockCount; ++i) {
        const char *entry = directory.constData() + qsizetype(i) * kDirectoryEntrySize;
        BlockEntry &b = s.blocks[i];
        b.firstCuit = qFromLittleEndian<quint64>(entry);
        b.offset = qFromLittleEndian<quint64>(entry + kEntryOffsetAt);
        b.size = qFromLittleEndian<quint32>(entry + kEntrySizeAt);
        b.records = qFromLittleEndian<quint32>(entry + kEntryRecordsAt);
        b.crc = qFromLittleEndian<quint32>(entry + kEntryCrcAt);
        if (b.offset != expectedOffset || b.size == 0 || b.size > largestCompressed || b.records == 0
            || b.records > kBlockRecords || (i > 0 && b.firstCuit <= s.blocks[i - 1].firstCuit))
            throw damagedIndex(path);
        expectedOffset += b.size;
        counted += b.records;
    }
    if (expectedOffset != directoryAt || counted != entries)
        throw damagedIndex(path);
    s.entries = qint64(entries);
    return index;
}

QDate RegisterIndex::registerDate() const
{
    return d->date;
}

qint64 RegisterIndex::entryCount() const
{
    return d->entries;
}

std::optional<RegisterLine> RegisterIndex::find(quint64 cuit) const
{
    const auto after = std::upper_bound(d->blocks.begin(), d->blocks.end(), cuit,
                                        [](quint64 key, const BlockEntry &b) { return key < b.firstCuit; });
    if (after == d->blocks.begin())
        return std::nullopt;
    const BlockEntry &entry = *(after - 1);
    const QByteArray compressed = readExactly(d->file.handle(), entry.offset, entry.size, d->path);
    QByteArray scratch;
    std::vector<Record> records;
    if (!decodeBlock(compressed, entry, scratch, records)
        || (after != d->blocks.end() && records.back().cuit >= after->firstCuit))
        throw damagedIndex(d->path);
    const auto found = std::lower_bound(records.begin(), records.end(), cuit,
                                        [](const Record &r, quint64 key) { return r.cuit < key; });
    if (found == records.end() || found->cuit != cuit)
        return std::nullopt;
    return lineOf(*found);
}

} // namespace felcora::taxregister
