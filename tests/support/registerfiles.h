#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QString>
#include <functional>

// Taxpayer register files made for tests and benchmarks: register lines, zips
// of given entries or of lines made one at a time (a register of millions of
// lines is never whole in memory). Failures are answered false with a warning.
namespace felcora::test {

// Where a line's activity goes: the agency's columns 51-52, or 50-51 as some writers put it.
enum class ActivityAt { Column51, Column50 };

// The fields of one register line, in the bytes the register holds (Latin-1).
// Each is cut or padded with blanks to its columns.
struct RegisterFields
{
    QByteArray cuit;
    QByteArray name;
    QByteArray incomeTax = "AC";
    QByteArray vat = "AC";
    QByteArray simplified = "NI";
    char partner = 'N';
    char employer = 'S';
    QByteArray activity = "00";
    ActivityAt activityAt = ActivityAt::Column51;
};

// The line without its line end: 52 columns (51 with the activity at 50-51).
QByteArray registerLine(const RegisterFields &fields);
// A text in Latin-1, the register's encoding; a character outside it is a fault of the test (fatal).
QByteArray latin1(const QString &text);
// The lines joined, each ended by lineEnd.
QByteArray registerText(const QList<QByteArray> &lines, const QByteArray &lineEnd = "\r\n");

// Valid CUITs, ascending, from the first whose first ten digits are firstTen or more.
class CuitSequence
{
public:
    static constexpr quint64 kFirstPerson = 2'000'000'000; // 20-00000000-x
    explicit CuitSequence(quint64 firstTen = kFirstPerson)
        : m_ten(firstTen)
    {
    }
    quint64 next();

private:
    quint64 m_ten;
};

struct ZipEntry
{
    QString name; // ending in '/': a folder
    QByteArray data = {};
    QDateTime modified = QDateTime::currentDateTime();
    QByteArray password = {}; // not empty: the entry is encrypted (AES-256)
};

// A zip holding the entries, deflated; none is refused (libzip would write no file).
bool writeZip(const QString &path, const QList<ZipEntry> &entries);

// Makes the line numbered `number` (from 0, called in that order, once each)
// and appends it to out with its line end.
using LineMaker = std::function<void(qint64 number, QByteArray &out)>;

// A zip holding one entry of `lines` lines made by make, streamed: written as
// libzip asks for it. level: zlib's, 1 (fast) to 9.
constexpr int kDefaultLevel = 6;
bool writeRegisterZip(const QString &path, const QString &entryName, const QDateTime &modified, qint64 lines,
                      const LineMaker &make, int level = kDefaultLevel);

// Lines as the agency writes them, every one valid: ascending CUITs from a
// CuitSequence, names, codes and activities of many kinds, CR LF ends.
class SyntheticRegister
{
public:
    explicit SyntheticRegister(quint64 firstTen = CuitSequence::kFirstPerson)
        : m_cuits(firstTen)
    {
    }
    void operator()(qint64 number, QByteArray &out);

private:
    CuitSequence m_cuits;
};

// Makes the single entry of a zip written by writeZip declare another
// inflated size, in its local header and in the central directory alike.
bool declareSize(const QString &zipPath, quint32 size);

} // namespace felcora::test
