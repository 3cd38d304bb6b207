#pragma once

#include <QDate>
#include <QList>
#include <QString>
#include <functional>
#include <vector>

#include "felcora/felcora_core_export.h"
#include "taxregister/registerline.h"

// One pass over the register's zip: every line read, parsed and counted; the
// lines of the master file's customers kept; every valid line handed to the
// index when one is built.
namespace felcora::taxregister {

class RegisterIndexWriter;

// The CUITs of the master file, as numbers, for a quick "is this one ours".
class FELCORA_CORE_EXPORT CuitSet
{
public:
    // Only CUITs of eleven digits can be in the register: others are left out
    // (blanks around the digits do not count).
    void insert(const QString &cuit);
    // The same as a number (1 to 99999999999); answers whether it was new.
    bool insert(quint64 cuit);
    bool contains(quint64 cuit) const;
    qsizetype size() const { return m_count; }

private:
    void grow();
    std::vector<quint64> m_slots;  // open addressing; 0 is a free slot (no CUIT is 0)
    std::vector<quint64> m_filter; // one bit per hash of the CUITs in: most CUITs not in stop here
    qsizetype m_count = 0;
};

// A damaged line, for the report: its number (from 1) and what is wrong.
struct DamagedLine
{
    qint64 number = 0;
    LineStatus status = LineStatus::Short;
};

struct RegisterScan
{
    QString entryName; // the text file inside the zip
    QDate registerDate;
    qint64 lines = 0;                    // every line but empty ones
    qint64 damaged = 0;                  // lines counted and left out (DamagedLine)
    qint64 repeated = 0;                 // further lines of a customer already found: the first one counts
    QList<DamagedLine> firstDamaged;     // the first kMaxDamagedKept of them
    std::vector<RegisterLine> customers; // the master's customers found, in the register's order
    bool cancelled = false;
};

constexpr int kMaxDamagedKept = 20;

// Called now and then with the bytes of text read and the size the zip
// declares; answering false stops the scan, which then answers cancelled.
using ScanProgress = std::function<bool(quint64 done, quint64 total)>;

// Takes the first line of each of the master's customers as it is found,
// instead of its being kept in RegisterScan::customers.
using CustomerSink = std::function<void(const RegisterLine &line)>;

// Reads the zip at path (see RegisterZip for what is refused, thrown as
// felcora::Error) and keeps the lines of the CUITs in master (or hands them
// to found); index, when given, receives every valid line.
FELCORA_CORE_EXPORT RegisterScan scanRegister(const QString &path, const CuitSet &master, RegisterIndexWriter *index,
                                              const ScanProgress &progress = {}, const CustomerSink &found = {});

} // namespace felcora::taxregister
