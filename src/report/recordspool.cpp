#include "report/recordspool.h"

#include <QDir>
#include <cstring>

#include "felcora/error.h"

namespace felcora::report {

namespace {

constexpr qsizetype kBufferBytes = 1 << 20;

Error spoolError(const QFile &file)
{
    return Error(errnum::kFileError, QStringLiteral("Report"),
                 QStringLiteral("No se pudo usar el archivo temporal del listado: ") + file.errorString());
}

} // namespace

RecordSpool::RecordSpool(int fieldCount)
    : m_fieldCount(fieldCount)
    , m_file(QDir::tempPath() + QStringLiteral("/felcora-report-XXXXXX"))
{
    if (!m_file.open())
        throw spoolError(m_file);
    m_buffer.reserve(kBufferBytes + 4096);
}

void RecordSpool::appendField(QByteArrayView text)
{
    const auto length = quint32(text.size());
    m_buffer.append(reinterpret_cast<const char *>(&length), sizeof length);
    m_buffer.append(text);
}

void RecordSpool::endRecord()
{
    if (m_buffer.size() >= kBufferBytes)
        writeBuffer();
}

void RecordSpool::writeBuffer()
{
    if (m_buffer.isEmpty())
        return;
    // Reads move the file's position: writes go on at the end.
    if (!m_file.seek(m_written) || m_file.write(m_buffer) != m_buffer.size())
        throw spoolError(m_file);
    m_written += m_buffer.size();
    m_buffer.clear();
}

void RecordSpool::flush()
{
    writeBuffer();
    if (!m_file.flush())
        throw spoolError(m_file);
}

QList<QStringList> RecordSpool::read(qint64 from, qint64 to)
{
    QList<QStringList> records;
    if (to <= from)
        return records;
    if (to > m_written)
        flush();
    if (!m_file.seek(from))
        throw spoolError(m_file);
    const QByteArray bytes = m_file.read(to - from);
    if (bytes.size() != to - from)
        throw spoolError(m_file);
    const char *at = bytes.constData();
    const char *end = at + bytes.size();
    while (at < end) {
        QStringList record;
        record.reserve(m_fieldCount);
        for (int f = 0; f < m_fieldCount; ++f) {
            quint32 length = 0;
            std::memcpy(&length, at, sizeof length);
            at += sizeof length;
            record.append(QString::fromUtf8(at, qsizetype(length)));
            at += length;
        }
        records.append(std::move(record));
    }
    return records;
}

} // namespace felcora::report
