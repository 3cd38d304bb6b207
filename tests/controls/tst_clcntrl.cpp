#include <QComboBox>
#include <QDialog>
#include <QLineEdit>
#include <QListWidget>
#include <QVBoxLayout>
#include <QtTest>
#include <memory>

#include "controls/clcntrl.h"
#include "support/errors.h"
#include "support/typing.h"

using felcora::controls::ClCntrl;
using namespace felcora::test;
using namespace Qt::StringLiterals;

namespace {
const QStringList kEntries = {u"Alfa"_s, u"beta"_s, u"Bermudez"_s, u"Carlos"_s};
const QColor kUntouched(Qt::yellow), kFocus(192, 255, 192), kFocusF6(254, 228, 214), kLeft(Qt::white);
const auto background = [](const QLineEdit *box) { return box->palette().color(QPalette::Base); };
} // namespace

class TestClCntrl : public QObject
{
    Q_OBJECT
private slots:
    // Three linked boxes in tab order, a list and a combo box searched by a fourth control.
    void init()
    {
        QLocale::setDefault(QLocale(u"es_AR"_s));
        m_dialog = std::make_unique<QDialog>();
        auto *layout = new QVBoxLayout(m_dialog.get());
        for (int i = 0; i < 3; ++i) {
            layout->addWidget(m_boxes[i] = new QLineEdit(u"texto %1"_s.arg(i)));
            (new ClCntrl)->sLinkText(m_boxes[i]);
        }
        layout->addWidget(m_list = new QListWidget);
        layout->addWidget(m_combo = new QComboBox);
        m_list->addItems(kEntries);
        m_combo->addItems(kEntries);
        auto *finder = new ClCntrl;
        finder->sLinkListBox(m_list);
        finder->sLinkCBoBox(m_combo);
        m_dialog->show();
        QVERIFY(QTest::qWaitForWindowActive(m_dialog.get()));
    }

    // Enter and the arrows move as Tab would, Enter swallowed; the Tag picks the colour; a coloured box is selected.
    void keysMoveTheFocusAndTheTagColoursIt()
    {
        m_boxes[2]->setInputMask(u"99/99/9999"_s);
        m_boxes[2]->setText(u"01022024"_s);
        for (const auto &[key, to, tag, focused, left] :
             {std::tuple{QKeyCombination(Qt::Key_Return), 2, QString(), kFocus, kLeft},
              {Qt::KeypadModifier | Qt::Key_Enter, 2, u"X#F6"_s, kFocusF6, kLeft},
              {Qt::Key_Up, 0, u"BB#F6"_s, kFocusF6, kFocusF6},
              {Qt::Key_Down, 2, u"BBX"_s, kUntouched, kUntouched}}) {
            for (QLineEdit *box : m_boxes) {
                box->setProperty("Tag", tag);
                QPalette palette = box->palette();
                palette.setColor(QPalette::Base, kUntouched);
                box->setPalette(palette);
            }
            m_boxes[1]->setFocus();
            QSignalSpy entered(m_boxes[1], &QLineEdit::returnPressed);
            pressKey(key.key(), key.keyboardModifiers());
            QCOMPARE(QApplication::focusWidget(), m_boxes[to]);
            QCOMPARE(entered.count(), 0);
            QCOMPARE(background(m_boxes[1]), left);
            QCOMPARE(background(m_boxes[to]), focused);
            QCOMPARE(m_boxes[to]->selectedText(), focused == kUntouched ? QString() : m_boxes[to]->text());
        }
    }

    // The keypad's decimal key types the separator read when made or last asked for; the main keyboard's stays ".".
    void keypadDecimalTypesTheSeparator()
    {
        m_boxes[0]->setFocus(); // its text selected, so typed over
        QLocale::setDefault(QLocale(u"en_US"_s));
        pressKey(Qt::Key_Period, Qt::KeypadModifier);
        pressKey(Qt::Key_Period);
        QCOMPARE(m_boxes[0]->findChild<ClCntrl *>()->Obtener_Sep_Decim(), u"."_s);
        pressKey(Qt::Key_Period, Qt::KeypadModifier);
        QCOMPARE(m_boxes[0]->text(), u",.."_s);
    }

    // A prefix in any case, nothing on a miss, searched from the first entry whatever is chosen; refused unlinked; the
    // entry under the mouse is the tooltip.
    void listSearchAndToolTip()
    {
        auto *finder = m_list->findChild<ClCntrl *>();
        for (const auto &[value, row] : {std::pair{u"BER"_s, 2}, {u"lfa"_s, -1}, {QString(), 0}}) {
            m_list->setCurrentRow(3);
            m_combo->setCurrentIndex(3);
            finder->LstBuscarStr(value);
            finder->BuscarCBO(value);
            QCOMPARE(m_list->currentRow(), row);
            QCOMPARE(m_combo->currentIndex(), row);
        }
        for (const auto search : {&ClCntrl::LstBuscarStr, &ClCntrl::BuscarCBO})
            QCOMPARE(errorOf([&] { (ClCntrl().*search)(u"a"_s); }).value().number(), felcora::errnum::kNoComponent);
        QTest::mouseMove(m_list->viewport(), m_list->visualItemRect(m_list->item(0)).center());
        QCOMPARE(m_list->toolTip(), u"Alfa"_s);
        QTest::mouseMove(m_list->viewport(), m_list->visualItemRect(m_list->item(3)).bottomLeft() + QPoint(0, 9));
        QCOMPARE(m_list->toolTip(), QString());
    }

    // Hidden boxes too; the text of a combo box is its own.
    void vaciarTxtEmptiesEveryTextBoxOnly()
    {
        m_boxes[0]->hide();
        m_combo->setEditable(true);
        m_combo->setEditText(u"Bermudez S.A."_s);
        ClCntrl::VaciarTxt(m_dialog.get());
        for (const QLineEdit *box : m_boxes)
            QCOMPARE(box->text(), QString());
        QCOMPARE(m_combo->currentText(), u"Bermudez S.A."_s);
    }

private:
    std::unique_ptr<QDialog> m_dialog;
    QLineEdit *m_boxes[3]{};
    QListWidget *m_list = nullptr;
    QComboBox *m_combo = nullptr;
};

QTEST_MAIN(TestClCntrl)
#include "tst_clcntrl.moc"
