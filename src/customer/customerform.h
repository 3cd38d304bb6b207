#pragma once

#include <QObject>
#include <QPointer>
#include <QStringList>

#include "felcora/felcora_export.h"

class QComboBox;
class QKeyEvent;
class QLineEdit;
class QRadioButton;
class QWidget;

namespace felcora::customer {

// What the two customer editors have in common, each window keeping its own
// texts and its own choice of boxes.

// Fills a VAT condition list with its entries, none chosen.
FELCORA_TESTS_EXPORT void fillConditionList(QComboBox *list, const QStringList &entries);

// The entries of the MARIA condition list, the same in both editors.
FELCORA_TESTS_EXPORT QStringList mariaConditionTexts();

// An option frame, "SI" and "NO": while "SI" is chosen its value boxes are
// enabled; otherwise they are disabled and the main value goes back to "0".
// A frame without a temporary box (null) leaves that box as it is.
class FELCORA_TESTS_EXPORT OptionFrame : public QObject
{
    Q_OBJECT
public:
    OptionFrame(QRadioButton *yes, QRadioButton *no, QLineEdit *value, QLineEdit *temporary);

    bool isYes() const;
    // Chooses "SI" or "NO" as a click would.
    void choose(bool yes);

private:
    void apply();

    QPointer<QRadioButton> m_yes;
    QPointer<QRadioButton> m_no;
    QPointer<QLineEdit> m_value;
    QPointer<QLineEdit> m_temporary;
};

// The start-of-activities box: when the user leaves it for another control of
// the window, a date is rewritten as dd/mm/yyyy and any other text that is not
// empty gets "Fecha invalida!", keeping what was typed. Closing the window is
// not leaving the box.
class FELCORA_TESTS_EXPORT StartDateBox : public QObject
{
    Q_OBJECT
public:
    explicit StartDateBox(QLineEdit *box);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void left();

    QPointer<QLineEdit> m_box;
};

// Enter in a list, check box or option button of an editor moves the focus on
// as Tab does; answers whether the key was used. The text boxes get the same
// from their linked input controls.
FELCORA_TESTS_EXPORT bool moveOnWithEnter(QWidget *control, const QKeyEvent *key);

} // namespace felcora::customer
