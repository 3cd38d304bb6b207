#pragma once

#include <QByteArrayView>
#include <QtGlobal>

#include "felcora/felcora_core_export.h"

// One line of the taxpayer register as the tax agency publishes it: fixed
// width, Latin-1, one taxpayer per line. Columns, counted from 1:
//   1-11  CUIT           42-43 income tax    44-45 VAT
//   12-41 name           46-47 simplified regime (NI or a category)
//   48 partner of a company (S/N)   49 employer (S/N)
//   activity: 51-52, which some writers put at 50-51 (50 is otherwise unused).
// Every field may be blank; stray NUL bytes read as blanks.
namespace felcora::taxregister {

constexpr int kNameWidth = 30;
constexpr int kCodeWidth = 2;

// Where each field begins, counted from 0.
namespace column {
constexpr int kCuit = 0;
constexpr int kName = 11;
constexpr int kIncomeTax = 41;
constexpr int kVat = 43;
constexpr int kSimplified = 45;
constexpr int kPartner = 47;
constexpr int kEmployer = 48;
constexpr int kActivityEarly = 49; // columns 50-51, as some writers put it
constexpr int kActivity = 50;      // columns 51-52, the agency's
} // namespace column
// Lines shorter than the employer's column, or longer than the activity's last, are damaged.
constexpr int kShortestLine = 49;
constexpr int kLongestLine = 52;

enum class LineStatus {
    Valid,
    Empty,       // nothing but the line's end: skipped, not counted as damaged
    Short,       // ends before the employer's column
    Long,        // goes on past the activity's columns
    BadCuit,     // the first eleven columns are not eleven digits
    BadActivity, // more than two characters, or a blank between them, where the activity goes
};

// What a line says about one taxpayer, in its own bytes: codes as two
// characters padded with blanks, the name in Latin-1 with NULs and control
// characters as blanks and its trailing blanks cut.
struct RegisterLine
{
    quint64 cuit = 0; // the eleven digits as a number
    char name[kNameWidth] = {};
    quint8 nameLength = 0;
    char incomeTax[kCodeWidth] = {' ', ' '};
    char vat[kCodeWidth] = {' ', ' '};
    char simplified[kCodeWidth] = {' ', ' '};
    char partner = ' ';
    char employer = ' ';
    char activity[kCodeWidth] = {' ', ' '};

    // A name that fills its 30 columns may have been cut by the register.
    bool nameMayBeCut() const { return nameLength == kNameWidth; }
};

// A field of a read line as it is kept and shown: its bytes without the blanks around them.
inline QByteArrayView fieldOf(const char *bytes, qsizetype width)
{
    return QByteArrayView(bytes, width).trimmed();
}

// Reads one line, given without its LF (a CR before it is dropped here).
// Only a Valid line fills out.
FELCORA_CORE_EXPORT LineStatus parseRegisterLine(const char *line, qsizetype length, RegisterLine &out);

} // namespace felcora::taxregister
