#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QStringList>
#include <QTemporaryFile>

namespace felcora::report {

// The records of a report, written once to a temporary file as they are
// read and read back a page at a time: the report's memory stays the same
// whatever the number of records.
class RecordSpool
{
public:
    explicit RecordSpool(int fieldCount);

    // Where the next record starts.
    qint64 position() const { return m_written + m_buffer.size(); }
    // Appends one record, a field at a time: fieldCount texts in UTF-8, then
    // endRecord. A field is copied at once, so it may be a view that the
    // next read of the recordset replaces.
    void appendField(QByteArrayView text);
    void endRecord();
    // The records stored between two positions, fieldCount texts each; they
    // may still be in the buffer.
    QList<QStringList> read(qint64 from, qint64 to);

private:
    void writeBuffer();
    // Writes what is still buffered, for reading.
    void flush();

    int m_fieldCount;
    QTemporaryFile m_file;
    QByteArray m_buffer;
    qint64 m_written = 0;
};

} // namespace felcora::report
