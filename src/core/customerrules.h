#pragma once

#include <QList>
#include <QString>
#include <QStringView>
#include <optional>

#include "core/customerrecord.h"
#include "felcora/felcora_core_export.h"

namespace felcora {

// The two VAT condition lists of the customer editors: each position of a
// list stands for the letter stored in clientes.
namespace conditions {
inline constexpr QStringView kMaria = u"SNM";        // condiva
inline constexpr QStringView kInvoicing = u"SNMEFX"; // condivafact
constexpr int kExemptWithVat = 5;                    // "Exento con IVA": the exempt value counts
constexpr int kNone = -1;

// The position of a stored letter (compared trimmed); kNone for any other text.
FELCORA_CORE_EXPORT int positionOf(QStringView letters, const QString &letter);
// The letter a position stands for; "" for kNone or a position out of the list.
FELCORA_CORE_EXPORT QString letterAt(QStringView letters, int position);
// The texts of the customs VAT list ("Condición IVA en MARIA"), in the order of kMaria.
FELCORA_CORE_EXPORT QStringList mariaTexts();
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

// Whether a text holds a character no database stores as typed: NUL, or half
// of a UTF-16 surrogate pair (it would come back as "?").
FELCORA_CORE_EXPORT bool hasUnstorableCharacter(const QString &text);
// The refusal of such a text, naming its box by its caption.
FELCORA_CORE_EXPORT QString unstorableCharacterText(const QString &caption);

// Why a save of a customer editor stops or asks, in the order it tests them.
struct SaveObjection
{
    enum Kind {
        Silent,   // nothing to save: no CUIT or no name
        Question, // the user may go on (Yes, the default) or stop (No)
        Doubt,    // the user may go on, but No is the safe answer and the default
        Refusal,  // a message, then the save stops
    };

    Kind kind;
    QString text;
    // The box that gets the focus after a refusal; none: the focus stays.
    std::optional<CustomerField> focus = std::nullopt;

    bool operator==(const SaveObjection &) const = default;
};

// Every objection to saving the customer typed in the modify window, loaded
// under loadedCuit, in the order the save meets them: it stops at the first
// Silent or Refusal, and at a Question or Doubt answered No. withFee: the fee
// is shown and saved.
FELCORA_CORE_EXPORT QList<SaveObjection> modifySaveObjections(const CustomerRecord &typed, const QString &loadedCuit,
                                                              bool withFee);

// The same for a new customer's save, which has its own checks and order:
// royalties and gross income numeric, a CUIT of 11 characters once trimmed,
// a name (silently), then the frames and the exempt value. It asks only
// about a CUIT whose check digit is wrong.
FELCORA_CORE_EXPORT QList<SaveObjection> newCustomerSaveObjections(const CustomerRecord &typed, bool withFee);

// The question for a typed CUIT that is no valid CUIT (see isValidCuit),
// trimmed of blanks; nothing for a valid one.
FELCORA_CORE_EXPORT std::optional<QString> cuitDoubt(const QString &typedCuit);

// The fields whose values differ between the customer as an editor loaded it
// and as it is stored now, in the window's order; the fee counts only withFee.
FELCORA_CORE_EXPORT QList<CustomerField> changedFields(const CustomerRecord &loaded, const CustomerRecord &current,
                                                       bool withFee);

// The question when another workstation changed what a window is about to
// save, naming the changed values by their captions.
FELCORA_CORE_EXPORT QString changedElsewhereQuestion(const QStringList &captions);

// The refusal when the customer a change hangs off is gone.
FELCORA_CORE_EXPORT QString customerGoneText(const QString &cuit);

} // namespace felcora
