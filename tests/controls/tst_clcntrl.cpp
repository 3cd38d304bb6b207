#include <QComboBox>
#include <QDialog>
#include <QLineEdit>
#include <QListWidget>
#include <QSpinBox>
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
    // Three linked boxes in tab order, a list and a combo box searched by a fourth control, each owned by what it
    // links.
    void init()
    {
        QLocale::setDefault(QLocale(u"es_AR"_s));
        m_dialog = std::make_unique<QDialog>();
        auto *layout = new QVBoxLayout(m_dialog.get());
        for (int i = 0; i < 3; ++i) {
            layout->addWidget(m_boxes[i] = new QLineEdit(u"texto %1"_s.arg(i)));
            m_boxes[i]->setObjectName(u"Txt%1"_s.arg(i));
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

    // Enter and the arrows move as Tab would, Enter never reaching the box. The Tag decides the colours: "BB..." boxes
    // keep theirs unless it ends in "#F6". A coloured box is fully selected, the masked one too.
    void keysMoveTheFocusAndTheTagColoursIt()
    {
        m_boxes[2]->setInputMask(u"99/99/9999"_s);
        m_boxes[2]->setText(u"01022024"_s);
        for (const auto &[key, to, tag, focused, left] :
             {std::tuple{QKeyCombination(Qt::Key_Return), u"Txt2"_s, QString(), kFocus, kLeft},
              {Qt::KeypadModifier | Qt::Key_Enter, u"Txt2"_s, u"X#F6"_s, kFocusF6, kLeft},
              {Qt::Key_Up, u"Txt0"_s, u"BB#F6"_s, kFocusF6, kFocusF6},
              {Qt::Key_Down, u"Txt2"_s, u"BBX"_s, kUntouched, kUntouched}}) {
            for (QLineEdit *box : m_boxes) {
                box->setProperty("Tag", tag);
                QPalette palette = box->palette();
                palette.setColor(QPalette::Base, kUntouched);
                box->setPalette(palette);
            }
            m_boxes[1]->setFocus();
            QSignalSpy entered(m_boxes[1], &QLineEdit::returnPressed);
            pressKey(key.key(), key.keyboardModifiers());
            auto *box = qobject_cast<QLineEdit *>(QApplication::focusWidget());
            QCOMPARE(box ? box->objectName() : QString(), to);
            QCOMPARE(entered.count(), 0);
            QCOMPARE(background(m_boxes[1]), left);
            QCOMPARE(background(box), focused);
            QCOMPARE(box->selectedText(), focused == kUntouched ? QString() : box->text());
        }
    }

    // The keypad's decimal key types the separator read when made or last asked for; the main keyboard's stays ".".
    void keypadDecimalTypesTheSeparator()
    {
        auto *control = m_boxes[0]->findChild<ClCntrl *>();
        m_boxes[0]->setFocus();
        QLocale::setDefault(QLocale(u"en_US"_s));
        for (const QString &typed : {u",."_s, u".."_s}) {
            m_boxes[0]->clear();
            pressKey(Qt::Key_Period, Qt::KeypadModifier);
            pressKey(Qt::Key_Period);
            QCOMPARE(m_boxes[0]->text(), typed);
            QCOMPARE(control->Separador_Decimal(), u"."_s);
        }
        QLocale::setDefault(QLocale(u"es_AR"_s));
        QCOMPARE(control->Obtener_Sep_Decim(), u","_s);
    }

    // The search finds a prefix in any case from the first entry on, selects nothing on a miss and fails unlinked. A
    // move without a button shows the whole entry under the mouse as the tooltip; outside every entry there is none.
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
        ClCntrl unlinked;
        for (const auto search : {&ClCntrl::LstBuscarStr, &ClCntrl::BuscarCBO})
            QCOMPARE(errorOf([&] { (unlinked.*search)(u"a"_s); }).value().number(), felcora::errnum::kNoComponent);
        const QString longEntry = u"Compañía Importadora y Exportadora del Río de la Plata "_s.repeated(4);
        m_list->item(0)->setText(longEntry);
        const QRect last = m_list->visualItemRect(m_list->item(m_list->count() - 1));
        const QPoint overFirst = m_list->visualItemRect(m_list->item(0)).center(),
                     below(last.left(), last.bottom() + 9);
        QVERIFY(m_list->viewport()->rect().contains(below));
        auto tipAfterMove = [this](QPoint at, Qt::MouseButtons buttons) {
            QMouseEvent move(QEvent::MouseMove, at, m_list->viewport()->mapToGlobal(at), Qt::NoButton, buttons, {});
            QApplication::sendEvent(m_list->viewport(), &move);
            return m_list->toolTip();
        };
        QCOMPARE(tipAfterMove(overFirst, Qt::LeftButton), QString());
        QCOMPARE(tipAfterMove(overFirst, Qt::NoButton), longEntry);
        QCOMPARE(tipAfterMove(below, Qt::NoButton), QString());
    }

    // Hidden and disabled boxes too; the text of a combo or spin box is theirs.
    void vaciarTxtEmptiesEveryTextBoxOnly()
    {
        m_boxes[0]->hide();
        m_boxes[1]->setEnabled(false);
        m_combo->setEditable(true);
        m_combo->setEditText(u"Bermudez S.A."_s);
        auto *spin = new QSpinBox(m_dialog.get());
        spin->setValue(7);
        ClCntrl::VaciarTxt(m_dialog.get());
        for (const QLineEdit *box : m_boxes)
            QCOMPARE(box->text(), QString());
        QCOMPARE(m_combo->currentText(), u"Bermudez S.A."_s);
        QCOMPARE(spin->text(), u"7"_s);
    }

private:
    std::unique_ptr<QDialog> m_dialog;
    QLineEdit *m_boxes[3]{};
    QListWidget *m_list = nullptr;
    QComboBox *m_combo = nullptr;
};

QTEST_MAIN(TestClCntrl)
#include "tst_clcntrl.moc"
