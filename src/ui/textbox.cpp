#include "ui/textbox.h"

#include <QLineEdit>

namespace felcora {

void setWholeText(QLineEdit *box, const QString &text)
{
    if (text.size() > box->maxLength())
        box->setMaxLength(int(text.size()));
    box->setText(text);
}

} // namespace felcora
