#pragma once

#include "felcora/felcora_export.h"

class QWidget;

namespace felcora {

// Key preview: the window sees every key before the control that has the
// focus does, through its eventFilter on each of its controls that can take
// the focus. Qt runs the most recently installed event filter first, so a
// window calls this last, after it has linked its controls (a linked input
// control filters its own box): the window's keys then come before theirs.
FELCORA_TESTS_EXPORT void installKeyPreview(QWidget *window);

} // namespace felcora
