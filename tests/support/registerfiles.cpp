#include "support/registerfiles.h"

#include <QFile>
#include <QtEndian>
#include <algorithm>
#include <array>
#include <cstring>
#include <memory>
#include <zip.h>

#include "felcora/cuit.h"
#include "taxregister/registerline.h"

namespace felcora::test {

namespace {

using taxregister::kCodeWidth;
using taxregister::kLongestLine;
using taxregister::kNameWidth;
namespace column = taxregister::column;
constexpr int kTenDigits = 10;
constexpr quint64 kDecimalBase = 10;

// Where ZIP keeps an entry's inflated size: in the local header (first in a
// zip of one entry) and in the entry's central directory record.
constexpr QByteArrayView kCentralSignature = "PK\x01\x02";
constexpr QByteArrayView kLocalSignature = "PK\x03\x04";
constexpr qsizetype kCentralSizeAt = 24;
constexpr qsizetype kLocalSizeAt = 22;

// The number's last `width` digits, zeros in front.
void putDigits(char *to, qsizetype width, quint64 number)
{
    for (qsizetype i = width - 1; i >= 0; --i, number /= kDecimalBase)
        to[i] = char('0' + number % kDecimalBase);
}

void put(char *line, qsizetype at, qsizetype width, QByteArrayView text)
{
    std::memcpy(line + at, text.data(), std::size_t(std::min(width, text.size())));
}

// Lines made one at a time and cut into what libzip asks for.
class LineStream
{
public:
    LineStream(LineMaker make, qint64 lines)
        : m_make(std::move(make))
        , m_lines(lines)
    {
        zip_error_init(&m_error);
    }

    static zip_int64_t callback(void *state, void *data, zip_uint64_t length, zip_source_cmd_t command)
    {
        auto *stream = static_cast<LineStream *>(state);
        switch (command) {
        case ZIP_SOURCE_OPEN:
        case ZIP_SOURCE_CLOSE: return 0;
        case ZIP_SOURCE_READ: return stream->fill(static_cast<char *>(data), qsizetype(length));
        case ZIP_SOURCE_STAT: {
            // The size is not known beforehand: libzip writes a ZIP64 local header.
            zip_stat_t *stat = ZIP_SOURCE_GET_ARGS(zip_stat_t, data, length, &stream->m_error);
            if (!stat)
                return -1;
            zip_stat_init(stat);
            return sizeof(zip_stat_t);
        }
        case ZIP_SOURCE_ERROR: return zip_error_to_data(&stream->m_error, data, length);
        case ZIP_SOURCE_FREE: delete stream; return 0;
        case ZIP_SOURCE_SUPPORTS:
            return zip_source_make_command_bitmap(ZIP_SOURCE_OPEN, ZIP_SOURCE_READ, ZIP_SOURCE_CLOSE, ZIP_SOURCE_STAT,
                                                  ZIP_SOURCE_ERROR, ZIP_SOURCE_FREE, -1);
        default: zip_error_set(&stream->m_error, ZIP_ER_OPNOTSUPP, 0); return -1;
        }
    }

private:
    // Fills up to capacity bytes; 0 at the end.
    qsizetype fill(char *to, qsizetype capacity)
    {
        qsizetype done = 0;
        while (done < capacity) {
            if (m_at == m_line.size()) {
                if (m_next == m_lines)
                    break;
                m_line.resize(0);
                m_at = 0;
                m_make(m_next++, m_line);
                continue;
            }
            const qsizetype part = std::min(capacity - done, m_line.size() - m_at);
            std::memcpy(to + done, m_line.constData() + m_at, std::size_t(part));
            done += part;
            m_at += part;
        }
        return done;
    }

    LineMaker m_make;
    qint64 m_lines;
    qint64 m_next = 0;
    QByteArray m_line;
    qsizetype m_at = 0;
    zip_error_t m_error;
};

struct ZipCloser
{
    void operator()(zip_t *archive) const { zip_discard(archive); }
};
using Archive = std::unique_ptr<zip_t, ZipCloser>;

bool failed(const QString &path, const char *what, zip_t *archive)
{
    qWarning("%s %s: %s", what, qPrintable(path), zip_strerror(archive));
    return false;
}

Archive createZip(const QString &path)
{
    int code = ZIP_ER_OK;
    Archive archive(zip_open(QFile::encodeName(path).constData(), ZIP_CREATE | ZIP_TRUNCATE, &code));
    if (!archive)
        qWarning("cannot create %s (libzip error %d)", qPrintable(path), code);
    return archive;
}

// Adds a file from a source (taken over even on failure), deflated, with its
// date; answers its index, -1 on failure.
zip_int64_t addFile(zip_t *archive, const QString &name, zip_source_t *source, const QDateTime &modified, int level)
{
    if (!source)
        return -1;
    const zip_int64_t index = zip_file_add(archive, name.toUtf8().constData(), source, ZIP_FL_ENC_UTF_8);
    if (index < 0) {
        zip_source_free(source);
        return -1;
    }
    const bool set = zip_set_file_compression(archive, zip_uint64_t(index), ZIP_CM_DEFLATE, zip_uint32_t(level)) == 0
        && zip_file_set_mtime(archive, zip_uint64_t(index), time_t(modified.toSecsSinceEpoch()), 0) == 0;
    return set ? index : -1;
}

bool closeZip(Archive archive, const QString &path)
{
    if (zip_close(archive.get()) != 0)
        return failed(path, "cannot write", archive.get());
    archive.release();
    return true;
}

// Some of what the synthetic register's lines hold, picked by a hash of the
// line's number so that they repeat no pattern a compressor would find.
const std::array<const char *, 40> kSurnames
    = {"GONZALEZ", "RODRIGUEZ", "GOMEZ",     "FERNANDEZ", "LOPEZ",    "DIAZ",        "MARTINEZ", "PEREZ",
       "GARCIA",   "SANCHEZ",   "ROMERO",    "SOSA",      "MU\321OZ", "N\332\321EZ", "ALVAREZ",  "TORRES",
       "RUIZ",     "RAMIREZ",   "FLORES",    "ACOSTA",    "BENITEZ",  "MEDINA",      "HERRERA",  "SUAREZ",
       "AGUIRRE",  "GIMENEZ",   "GUTIERREZ", "PEREYRA",   "ROJAS",    "MOLINA",      "CASTRO",   "ORTIZ",
       "SILVA",    "NU\321EZ",  "LUNA",      "JUAREZ",    "CABRERA",  "R\315OS",     "MORALES",  "IBA\321EZ"};
const std::array<const char *, 30> kGivenNames = {
    "JUAN CARLOS", "MARIA",      "JOSE LUIS", "ANA",    "JORGE",  "LAURA",    "CARLOS", "SILVIA", "ROBERTO", "MARCELA",
    "JOSEFA",      "G\334NTHER", "MIGUEL",    "ROSA",   "DANIEL", "GRACIELA", "PABLO",  "MONICA", "LUCAS",   "SOF\315A",
    "MART\315N",   "VALERIA",    "RA\332L",   "ANDREA", "SERGIO", "PATRICIA", "HUGO",   "NORMA",  "OSCAR",   "BEATRIZ"};
const std::array<const char *, 4> kIncomeTaxes = {"AC", "NI", "EX", "NC"};
const std::array<const char *, 6> kVats = {"AC", "NI", "EX", "NA", "XN", "AN"};
const std::array<const char *, 5> kSimplified = {"NI", "A ", "B ", "C ", "D "};
constexpr quint64 kActivities = 100;
constexpr std::size_t kYesOrNo = 2;
// Fibonacci hashing: the line's number times 2^64 over the golden ratio, whose
// bits are well spread.
constexpr quint64 kGoldenRatio = 0x9E3779B97F4A7C15ULL;
constexpr int kByte = 8;

// The next choice among count, from the hash's bits.
std::size_t pick(quint64 &hash, std::size_t count)
{
    const std::size_t chosen = std::size_t(hash % count);
    hash = (hash >> kByte) | (hash << (sizeof(hash) * kByte - kByte));
    return chosen;
}

} // namespace

QByteArray registerLine(const RegisterFields &fields)
{
    const bool at50 = fields.activityAt == ActivityAt::Column50;
    QByteArray line(at50 ? kLongestLine - 1 : kLongestLine, ' ');
    char *const text = line.data();
    put(text, column::kCuit, kCuitLength, fields.cuit);
    put(text, column::kName, kNameWidth, fields.name);
    put(text, column::kIncomeTax, kCodeWidth, fields.incomeTax);
    put(text, column::kVat, kCodeWidth, fields.vat);
    put(text, column::kSimplified, kCodeWidth, fields.simplified);
    text[column::kPartner] = fields.partner;
    text[column::kEmployer] = fields.employer;
    put(text, at50 ? column::kActivityEarly : column::kActivity, kCodeWidth, fields.activity);
    return line;
}

QByteArray latin1(const QString &text)
{
    for (const QChar c : text)
        if (c.unicode() > 0xFF)
            qFatal("%s is not Latin-1", qPrintable(text));
    return text.toLatin1();
}

QByteArray registerText(const QList<QByteArray> &lines, const QByteArray &lineEnd)
{
    QByteArray text;
    for (const QByteArray &line : lines)
        text += line + lineEnd;
    return text;
}

quint64 CuitSequence::next()
{
    for (;; ++m_ten) {
        int digits[kTenDigits];
        quint64 rest = m_ten;
        for (int i = kTenDigits - 1; i >= 0; --i, rest /= kDecimalBase)
            digits[i] = int(rest % kDecimalBase);
        const int check = cuitCheckDigitOf(digits);
        if (check >= 0)
            return m_ten++ * kDecimalBase + quint64(check);
    }
}

void SyntheticRegister::operator()(qint64 number, QByteArray &out)
{
    const qsizetype at = out.size();
    out.resize(at + kLongestLine);
    char *const line = out.data() + at;
    std::memset(line, ' ', kLongestLine);
    putDigits(line + column::kCuit, kCuitLength, m_cuits.next());
    quint64 hash = (quint64(number) + 1) * kGoldenRatio;
    QByteArray name = QByteArray(kSurnames[pick(hash, kSurnames.size())]) + ' '
        + kSurnames[pick(hash, kSurnames.size())] + ' ' + kGivenNames[pick(hash, kGivenNames.size())];
    put(line, column::kName, kNameWidth, name);
    put(line, column::kIncomeTax, kCodeWidth, kIncomeTaxes[pick(hash, kIncomeTaxes.size())]);
    put(line, column::kVat, kCodeWidth, kVats[pick(hash, kVats.size())]);
    put(line, column::kSimplified, kCodeWidth, kSimplified[pick(hash, kSimplified.size())]);
    line[column::kPartner] = pick(hash, kYesOrNo) == 0 ? 'N' : 'S';
    line[column::kEmployer] = pick(hash, kYesOrNo) == 0 ? 'S' : 'N';
    putDigits(line + column::kActivity, kCodeWidth, hash % kActivities);
    out += "\r\n";
}

bool writeZip(const QString &path, const QList<ZipEntry> &entries)
{
    Archive archive = entries.isEmpty() ? Archive() : createZip(path); // libzip would write no file
    if (!archive)
        return false;
    for (const ZipEntry &entry : entries) {
        if (entry.name.endsWith(u'/')) {
            if (zip_dir_add(archive.get(), entry.name.toUtf8().constData(), ZIP_FL_ENC_UTF_8) < 0)
                return failed(path, "cannot add a folder to", archive.get());
            continue;
        }
        zip_source_t *source
            = zip_source_buffer(archive.get(), entry.data.constData(), zip_uint64_t(entry.data.size()), 0);
        const zip_int64_t index = addFile(archive.get(), entry.name, source, entry.modified, kDefaultLevel);
        if (index < 0)
            return failed(path, "cannot add an entry to", archive.get());
        if (!entry.password.isEmpty()
            && zip_file_set_encryption(archive.get(), zip_uint64_t(index), ZIP_EM_AES_256, entry.password.constData())
                != 0)
            return failed(path, "cannot encrypt an entry of", archive.get());
    }
    return closeZip(std::move(archive), path);
}

bool writeRegisterZip(const QString &path, const QString &entryName, const QDateTime &modified, qint64 lines,
                      const LineMaker &make, int level)
{
    Archive archive = createZip(path);
    if (!archive)
        return false;
    auto *stream = new LineStream(make, lines);
    zip_source_t *source = zip_source_function(archive.get(), LineStream::callback, stream);
    if (!source)
        delete stream;
    if (addFile(archive.get(), entryName, source, modified, level) < 0)
        return failed(path, "cannot add the register to", archive.get());
    return closeZip(std::move(archive), path);
}

bool declareSize(const QString &zipPath, quint32 size)
{
    QFile file(zipPath);
    QByteArray zip = file.open(QIODevice::ReadWrite) ? file.readAll() : QByteArray();
    const qsizetype central = zip.lastIndexOf(kCentralSignature);
    if (central < 0 || central + kCentralSizeAt + qsizetype(sizeof size) > zip.size()
        || !zip.startsWith(kLocalSignature)) {
        qWarning("%s holds no zip entry to patch", qPrintable(zipPath));
        return false;
    }
    qToLittleEndian<quint32>(size, zip.data() + central + kCentralSizeAt);
    qToLittleEndian<quint32>(size, zip.data() + kLocalSizeAt);
    return file.seek(0) && file.write(zip) == zip.size();
}

} // namespace felcora::test
