#pragma once

class QWidget;

namespace felcora::grossincome {

// The look the gross-income windows share: no title bar (Esc is the way
// out), Tahoma 8.25 pt, and the fixed size they were laid out at.
void applyWindowStyle(QWidget *window);

} // namespace felcora::grossincome
