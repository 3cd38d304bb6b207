#pragma once

class QLabel;
class QLineEdit;

namespace felcora::ui {

// Shows cuitHint() of the box's text in the label as the user types (and when
// the text is set), in a muted colour, or in the error colour when the check
// digit fails: a hint only, it never blocks typing or leaving the box.
void attachCuitHint(QLineEdit *box, QLabel *hint);

} // namespace felcora::ui
