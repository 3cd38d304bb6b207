#include "customer/customerform.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QFocusEvent>
#include <QLineEdit>
#include <QRadioButton>

#include "felcora/datetext.h"
#include "ui/handlerguard.h"
#include "ui/msgbox.h"

namespace felcora::customer {

namespace {
const QString kZero = QStringLiteral("0");
}

void fillConditionList(QComboBox *list, const QStringList &entries)
{
    list->clear();
    list->addItems(entries);
    list->setCurrentIndex(-1);
}

QStringList mariaConditionTexts()
{
    return {QStringLiteral("Responsable Inscripto"), QStringLiteral("Responsable No Inscripto"),
            QStringLiteral("Monotributo")};
}

QStringList invoicingConditionTexts(const QString &exempt)
{
    return {QStringLiteral("Responsable Inscripto"), QStringLiteral("Responsable No Inscripto"),
            QStringLiteral("Monotributo"), exempt, QStringLiteral("consumidor Final"), kExemptWithVatText};
}

void showExemptValue(const QComboBox *invoicing, QWidget *label, QWidget *box)
{
    const bool shown = invoicing->currentText() == kExemptWithVatText;
    label->setVisible(shown);
    box->setVisible(shown);
}

OptionFrame::OptionFrame(QRadioButton *yes, QRadioButton *no, QLineEdit *value, QLineEdit *temporary)
    : QObject(yes)
    , m_yes(yes)
    , m_no(no)
    , m_value(value)
    , m_temporary(temporary)
{
    connect(yes, &QRadioButton::toggled, this, guarded(yes->window(), "OptionFrame_Click", [this] { apply(); }));
}

bool OptionFrame::isYes() const
{
    return m_yes->isChecked();
}

void OptionFrame::choose(bool yes)
{
    (yes ? m_yes : m_no)->setChecked(true);
}

void OptionFrame::apply()
{
    const bool yes = isYes();
    m_value->setEnabled(yes);
    if (m_temporary)
        m_temporary->setEnabled(yes);
    if (!yes)
        m_value->setText(kZero);
}

StartDateBox::StartDateBox(QLineEdit *box)
    : QObject(box)
    , m_box(box)
{
    box->installEventFilter(this);
}

bool StartDateBox::eventFilter(QObject *watched, QEvent *event)
{
    if (watched != m_box || event->type() != QEvent::FocusOut)
        return false;
    // Only a move to another control of the open window counts: a menu or
    // another window taking the focus for a while, or the window closing, does not.
    const Qt::FocusReason reason = static_cast<QFocusEvent *>(event)->reason();
    if (reason == Qt::PopupFocusReason || reason == Qt::ActiveWindowFocusReason || !m_box->window()->isVisible())
        return false;
    guardHandler(m_box->window()->objectName(), "TxtIniactiv_LostFocus", [this] { left(); });
    return false;
}

void StartDateBox::left()
{
    const QString text = m_box->text();
    if (const auto date = DateText::parse(text))
        m_box->setText(DateText::display(*date));
    else if (!text.isEmpty())
        MsgBox(QStringLiteral("Fecha invalida!"), vbExclamation);
}

bool moveOnWithEnter(QWidget *control, const QKeyEvent *key)
{
    if (key->key() != Qt::Key_Return && key->key() != Qt::Key_Enter)
        return false;
    QKeyEvent tab(QEvent::KeyPress, Qt::Key_Tab, Qt::NoModifier);
    QCoreApplication::sendEvent(control, &tab);
    return true;
}

} // namespace felcora::customer
