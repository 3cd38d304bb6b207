#pragma once

#include "felcora/felcora_export.h"

class QWidget;

namespace felcora {

constexpr int kTwipsPerInch = 1440;

// Window layouts are designed in twips, stored in the .ui files as pixels at
// 96 dots per inch (15 twips to the pixel).
FELCORA_TESTS_EXPORT int twipsToPixelsX(int twips, const QWidget *onScreen);
// Converts a window designed at 96 dots per inch to the screen's resolution:
// its size and the position and size of every child widget.
FELCORA_TESTS_EXPORT void scaleToScreen(QWidget *window);

} // namespace felcora
