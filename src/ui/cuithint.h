#pragma once

#include <QColor>

#include "felcora/felcora_export.h"

class QLabel;
class QLineEdit;

namespace felcora::ui {

// The hint's colours: muted while the CUIT may still be right, the error
// colour once it cannot be (a wrong or impossible check digit, a character
// other than a digit, more than eleven digits).
inline const QColor kCuitHintMuted(0x60, 0x60, 0x60);
inline const QColor kCuitHintFault(0xb0, 0x00, 0x00);

// Shows cuitHint() of the box's text in the label as the user types (and when
// the text is set), in the colours above: a hint only, it never blocks typing
// or leaving the box.
FELCORA_TESTS_EXPORT void attachCuitHint(QLineEdit *box, QLabel *hint);

} // namespace felcora::ui
