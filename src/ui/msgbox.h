#pragma once

#include <QString>

#include "felcora/felcora_export.h"

namespace felcora {

// Styles and answers of the component's message boxes, with the values hosts
// of the product family know: buttons + icon + modality, added together.
enum MsgBoxStyle : int {
    vbOKOnly = 0,
    vbOKCancel = 1,
    vbYesNoCancel = 3,
    vbYesNo = 4,
    vbCritical = 16,
    vbQuestion = 32,
    vbExclamation = 48,
    vbInformation = 64,
    vbDefaultButton2 = 256, // the second button (No of Yes/No) is the default
    vbApplicationModal = 0,
    vbSystemModal = 4096,
};

enum MsgBoxResult : int { vbOK = 1, vbCancel = 2, vbYes = 6, vbNo = 7 };

constexpr const char *kComponentTitle = "FELCORA";

// Shows a modal message box (never a native dialog) with the component's
// title unless another is given, and answers the button pressed. Esc answers
// Cancel, No, or OK, in that order of preference.
FELCORA_TESTS_EXPORT MsgBoxResult MsgBox(const QString &text, int style = vbOKOnly,
                                         const QString &title = QString::fromLatin1(kComponentTitle));

// A question whose safe answer is No (question icon, No the default button):
// whether the user answered Yes.
FELCORA_TESTS_EXPORT bool confirmedAgainstDefault(const QString &question);

} // namespace felcora
