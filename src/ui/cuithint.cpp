#include "ui/cuithint.h"

#include <QLabel>
#include <QLineEdit>
#include <algorithm>

#include "felcora/cuit.h"
#include "ui/handlerguard.h"

namespace felcora::ui {

namespace {

// Whether no typing that goes on can make the text a valid CUIT.
bool cannotBeValid(const QString &typed)
{
    const QString cuit = typed.trimmed();
    if (cuit.isEmpty())
        return false;
    const bool digitsOnly = std::all_of(cuit.cbegin(), cuit.cend(), [](QChar c) { return c >= u'0' && c <= u'9'; });
    if (!digitsOnly || cuit.size() > kCuitLength)
        return true;
    return cuit.size() == kCuitLength && !isValidCuit(cuit);
}

void show(QLabel *hint, const QString &typed)
{
    QPalette palette = hint->palette();
    palette.setColor(QPalette::WindowText, cannotBeValid(typed) ? kCuitHintFault : kCuitHintMuted);
    hint->setPalette(palette);
    hint->setText(cuitHint(typed));
}

} // namespace

void attachCuitHint(QLineEdit *box, QLabel *hint)
{
    // Plain text: the hint never reads what was typed as markup.
    hint->setTextFormat(Qt::PlainText);
    show(hint, box->text());
    QObject::connect(box, &QLineEdit::textChanged, hint,
                     guarded(box->window(), "TxtCuit_Change", [hint](const QString &text) { show(hint, text); }));
}

} // namespace felcora::ui
