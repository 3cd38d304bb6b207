#pragma once

#include <QList>
#include <QString>
#include <QStringView>

#include "felcora/felcora_core_export.h"

namespace felcora {

struct CustomerRecord;

// The two VAT condition lists of the customer editors: each position of a
// list stands for the letter stored in clientes.
namespace conditions {
inline constexpr QStringView kMaria = u"SNM";       // condiva
inline constexpr QStringView kInvoicing = u"SNMEFX"; // condivafact
constexpr int kExemptWithVat = 5;                    // "Exento con IVA": the exempt value counts
constexpr int kNone = -1;

// The position of a stored letter (compared trimmed); kNone for any other text.
FELCORA_CORE_EXPORT int positionOf(QStringView letters, const QString &letter);
// The letter a position stands for; "" for kNone or a position out of the list.
FELCORA_CORE_EXPORT QString letterAt(QStringView letters, int position);
} // namespace conditions

// The flag letters of the option frames and check boxes.
inline const QString kYes = QStringLiteral("S");
inline const QString kNo = QStringLiteral("N");

// The date stored for a start of activities that is no date.
inline const QString kMissingDate = QStringLiteral("01/01/1900");

// The date text a save writes: the typed one when it is a date, else kMissingDate.
FELCORA_CORE_EXPORT QString storedDateText(const QString &typed);

// A value that must be a number other than zero (a negative one passes).
enum class NonZeroNumber { NotNumeric, Zero, Valid };
FELCORA_CORE_EXPORT NonZeroNumber checkNonZeroNumber(const QString &text);

// Why a save of the modify window stops or asks, in the order it tests them.
struct SaveObjection
{
    enum Kind {
        Silent,   // nothing to save: no CUIT or no name
        Question, // the user may go on (Yes) or stop (No)
        Refusal,  // a message, then the save stops
    };
    // The box that gets the focus after a refusal.
    enum Focus { KeepFocus, EximGanValue, ReductionValue };

    Kind kind;
    QString text;
    Focus focus = KeepFocus;

    bool operator==(const SaveObjection &) const = default;
};

// Every objection to saving the typed customer, in the order the save meets
// them: it stops at the first Silent or Refusal, and at a Question answered No.
FELCORA_CORE_EXPORT QList<SaveObjection> modifySaveObjections(const CustomerRecord &typed);

// The same for a new customer's save, which has its own checks and order:
// royalties and gross income numeric, a CUIT of 11 characters once trimmed,
// a name (silently), then the frames and the exempt value. It asks nothing.
FELCORA_CORE_EXPORT QList<SaveObjection> newCustomerSaveObjections(const CustomerRecord &typed);

} // namespace felcora
