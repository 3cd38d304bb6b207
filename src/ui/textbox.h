#pragma once

#include "felcora/felcora_export.h"

class QLineEdit;
class QString;

namespace felcora {

// Shows a value read from the database or imported in a text box, whole: a
// box's length limit is for typing, so it widens to fit the value (setText
// alone would cut it, and a save would write the cut value back).
FELCORA_TESTS_EXPORT void setWholeText(QLineEdit *box, const QString &text);

} // namespace felcora
