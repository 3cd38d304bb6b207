#pragma once

#include "felcora/felcora_export.h"

namespace felcora {

// The application's mouse pointer while the component works: the hourglass,
// then the arrow (not the default pointer of each widget) when the work ends.
FELCORA_TESTS_EXPORT void showWaitPointer();
FELCORA_TESTS_EXPORT void showArrowPointer();
// Gives every widget its own pointer back (the I-beam of a text box): what a
// window does when it closes, whichever of the two pointers it left.
FELCORA_TESTS_EXPORT void restorePointer();

// The hourglass for as long as it lives; the arrow again however the work
// ends, an exception of any kind included.
class FELCORA_TESTS_EXPORT WaitPointer
{
public:
    WaitPointer() { showWaitPointer(); }
    ~WaitPointer() { showArrowPointer(); }
    WaitPointer(const WaitPointer &) = delete;
    WaitPointer &operator=(const WaitPointer &) = delete;
};

} // namespace felcora
