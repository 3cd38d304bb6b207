#include <QComboBox>
#include <QDialog>
#include <QLineEdit>
#include <QListWidget>
#include <QToolTip>
#include <QVBoxLayout>
#include <QtTest>
#include <array>
#include <memory>

#include "controls/clcntrl.h"
#include "support/errors.h"
#include "support/typing.h"

using felcora::controls::ClCntrl;
using namespace felcora::test;
using namespace Qt::StringLiterals;

namespace {

const QStringList kEntries = {u"Alfa"_s, u"beta"_s, u"Bermudez"_s, u"Carlos"_s};
const QString kLongEntry = u"Compañía Importadora y Exportadora del Río de la Plata "_s.repeated(4);
const QColor kUntouched(Qt::yellow);
const QColor kFocusColour(192, 255, 192);
const QColor kFocusColourF6(254, 228, 214);
const QColor kLeftColour(Qt::white);

QColor background(const QLineEdit *box)
{
    return box->palette().color(QPalette::Base);
}

} // namespace

class TestClCntrl : public QObject
{
    Q_OBJECT
private slots:
    // In tab order: three linked boxes, then a list and a combo box that a
    // fourth control searches. Every control is owned by what it links.
    void init()
    {
        m_dialog = std::make_unique<QDialog>();
        auto *layout = new QVBoxLayout(m_dialog.get());
        for (int i = 0; i < 3; ++i) {
            m_boxes[i] = new QLineEdit(u"texto %1"_s.arg(i), m_dialog.get());
            m_boxes[i]->setObjectName(u"Txt%1"_s.arg(i));
            layout->addWidget(m_boxes[i]);
            (new ClCntrl)->sLinkText(m_boxes[i]);
        }
        m_list = new QListWidget(m_dialog.get());
        m_list->setObjectName(u"Lst"_s);
        m_list->addItems(kEntries);
        m_combo = new QComboBox(m_dialog.get());
        m_combo->addItems(kEntries);
        layout->addWidget(m_list);
        layout->addWidget(m_combo);
        m_finder = new ClCntrl;
        m_finder->sLinkListBox(m_list);
        m_finder->sLinkCBoBox(m_combo);
        m_dialog->show();
        QVERIFY(QTest::qWaitForWindowActive(m_dialog.get()));
    }

    void cleanup()
    {
        m_dialog.reset();
        QLocale::setDefault(m_startLocale);
    }

    void keysMoveTheFocus_data()
    {
        QTest::addColumn<int>("from");
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("modifiers");
        QTest::addColumn<QString>("to");
        QTest::newRow("Enter") << 1 << int(Qt::Key_Return) << int(Qt::NoModifier) << u"Txt2"_s;
        QTest::newRow("keypad Enter") << 1 << int(Qt::Key_Enter) << int(Qt::KeypadModifier) << u"Txt2"_s;
        QTest::newRow("Enter in the last box") << 2 << int(Qt::Key_Return) << int(Qt::NoModifier) << u"Lst"_s;
        QTest::newRow("Up") << 1 << int(Qt::Key_Up) << int(Qt::NoModifier) << u"Txt0"_s;
        QTest::newRow("Down") << 1 << int(Qt::Key_Down) << int(Qt::NoModifier) << u"Txt2"_s;
    }

    // The box left turns white, the box reached is coloured and fully
    // selected, and Enter never reaches the box.
    void keysMoveTheFocus()
    {
        QFETCH(int, from);
        QFETCH(int, key);
        QFETCH(int, modifiers);
        QFETCH(QString, to);
        // A masked box places its cursor on gaining the focus; the selection must outlast that.
        m_boxes[2]->setInputMask(u"99/99/9999"_s);
        m_boxes[2]->setText(u"01022024"_s);
        m_boxes[from]->setFocus();
        QSignalSpy entered(m_boxes[from], &QLineEdit::returnPressed);
        pressKey(Qt::Key(key), Qt::KeyboardModifiers(modifiers));
        QWidget *focus = QApplication::focusWidget();
        QVERIFY(focus);
        QCOMPARE(focus->objectName(), to);
        QCOMPARE(entered.count(), 0);
        QCOMPARE(background(m_boxes[from]), kLeftColour);
        if (auto *box = qobject_cast<QLineEdit *>(focus)) {
            QCOMPARE(box->selectedText(), box->text());
            QCOMPARE(background(box), kFocusColour);
        }
    }

    void focusColoursFollowTheTag_data()
    {
        QTest::addColumn<QString>("tag");
        QTest::addColumn<QColor>("focused");
        QTest::addColumn<bool>("selected");
        QTest::addColumn<QColor>("left");
        QTest::newRow("none") << QString() << kFocusColour << true << kLeftColour;
        QTest::newRow("ends #F6") << u"X#F6"_s << kFocusColourF6 << true << kLeftColour;
        QTest::newRow("begins BB") << u"BBX"_s << kUntouched << false << kUntouched;
        QTest::newRow("BB and #F6") << u"BB#F6"_s << kFocusColourF6 << true << kFocusColourF6;
    }

    void focusColoursFollowTheTag()
    {
        QFETCH(QString, tag);
        QFETCH(QColor, focused);
        QFETCH(bool, selected);
        QFETCH(QColor, left);
        QLineEdit *box = m_boxes[1];
        box->setProperty("Tag", tag);
        QPalette palette = box->palette();
        palette.setColor(QPalette::Base, kUntouched);
        box->setPalette(palette);
        box->setFocus();
        QCOMPARE(background(box), focused);
        QCOMPARE(box->selectedText(), selected ? box->text() : QString());
        m_boxes[2]->setFocus();
        QCOMPARE(background(box), left);
    }

    void keypadDecimalTypesTheSeparator_data()
    {
        QTest::addColumn<QString>("locale");
        QTest::addColumn<QString>("laterLocale");
        QTest::addColumn<bool>("reread");
        QTest::addColumn<QString>("typed");
        QTest::newRow("comma") << u"es_AR"_s << u"es_AR"_s << false << u",."_s;
        QTest::newRow("change not seen") << u"es_AR"_s << u"en_US"_s << false << u",."_s;
        QTest::newRow("change seen after reading") << u"en_US"_s << u"es_AR"_s << true << u",."_s;
        QTest::newRow("point after reading") << u"es_AR"_s << u"en_US"_s << true << u".."_s;
    }

    // The keypad's key, then the main keyboard's ".".
    void keypadDecimalTypesTheSeparator()
    {
        QFETCH(QString, locale);
        QFETCH(QString, laterLocale);
        QFETCH(bool, reread);
        QFETCH(QString, typed);
        QLocale::setDefault(QLocale(locale));
        delete m_boxes[0]->findChild<ClCntrl *>();
        auto *control = new ClCntrl;
        control->sLinkText(m_boxes[0]);
        m_boxes[0]->clear();
        m_boxes[0]->setFocus();
        QLocale::setDefault(QLocale(laterLocale));
        if (reread)
            QCOMPARE(control->Separador_Decimal(), typed.left(1));
        pressKey(Qt::Key_Period, Qt::KeypadModifier);
        pressKey(Qt::Key_Period);
        QCOMPARE(m_boxes[0]->text(), typed);
    }

    void searchChoosesTheFirstEntryByPrefix_data()
    {
        QTest::addColumn<QString>("value");
        QTest::addColumn<int>("row");
        QTest::newRow("lower-case prefix") << u"be"_s << 1;
        QTest::newRow("upper-case prefix") << u"BER"_s << 2;
        QTest::newRow("no entry has it") << u"zz"_s << -1;
        QTest::newRow("inside, not at the start") << u"lfa"_s << -1;
        QTest::newRow("empty") << QString() << 0;
    }

    // From a choice at the end: the search starts at the first entry.
    void searchChoosesTheFirstEntryByPrefix()
    {
        QFETCH(QString, value);
        QFETCH(int, row);
        m_list->setCurrentRow(int(kEntries.size()) - 1);
        m_combo->setCurrentIndex(int(kEntries.size()) - 1);
        m_finder->LstBuscarStr(value);
        m_finder->BuscarCBO(value);
        QCOMPARE(m_list->currentRow(), row);
        QCOMPARE(m_list->selectedItems().size(), row < 0 ? 0 : 1);
        QCOMPARE(m_combo->currentIndex(), row);
    }

    void searchWithoutALinkedBoxFails()
    {
        ClCntrl control;
        auto number = [](const std::optional<felcora::Error> &e) { return e ? e->number() : 0; };
        QCOMPARE(number(errorOf([&] { control.LstBuscarStr(u"a"_s); })), felcora::errnum::kNoComponent);
        QCOMPARE(number(errorOf([&] { control.BuscarCBO(u"a"_s); })), felcora::errnum::kNoComponent);
    }

    // Hidden and disabled boxes too; an editable combo box's text is the combo's.
    void vaciarTxtEmptiesEveryTextBoxOnly()
    {
        m_boxes[0]->hide();
        m_boxes[1]->setEnabled(false);
        m_combo->setEditable(true);
        m_combo->setEditText(u"Bermudez S.A."_s);
        ClCntrl::VaciarTxt(m_dialog.get());
        for (const QLineEdit *box : m_boxes)
            QCOMPARE(box->text(), QString());
        QCOMPARE(m_combo->currentText(), u"Bermudez S.A."_s);
    }

    void listToolTipIsTheEntryUnderTheMouse_data()
    {
        QTest::addColumn<bool>("overEntry");
        QTest::addColumn<int>("buttons");
        QTest::addColumn<QString>("tip");
        QTest::newRow("over an entry") << true << int(Qt::NoButton) << kLongEntry;
        QTest::newRow("outside every entry") << false << int(Qt::NoButton) << QString();
        QTest::newRow("button held") << true << int(Qt::LeftButton) << u"antes"_s;
    }

    // The move sets the list box's tooltip; the help request then shows it.
    void listToolTipIsTheEntryUnderTheMouse()
    {
        QFETCH(bool, overEntry);
        QFETCH(int, buttons);
        QFETCH(QString, tip);
        m_list->item(0)->setText(kLongEntry);
        m_list->setToolTip(u"antes"_s);
        QWidget *viewport = m_list->viewport();
        const QRect entry = m_list->visualItemRect(m_list->item(overEntry ? 0 : m_list->count() - 1));
        const QPoint at(entry.left(), overEntry ? entry.center().y() : entry.bottom() + entry.height());
        QVERIFY(viewport->rect().contains(at));
        QMouseEvent move(QEvent::MouseMove, at, viewport->mapToGlobal(at), Qt::NoButton, Qt::MouseButtons(buttons),
                         Qt::NoModifier);
        QApplication::sendEvent(viewport, &move);
        QCOMPARE(m_list->toolTip(), tip);
        QHelpEvent help(QEvent::ToolTip, at, viewport->mapToGlobal(at));
        QApplication::sendEvent(viewport, &help);
        QCOMPARE(QToolTip::isVisible() ? QToolTip::text() : QString(), tip);
        QToolTip::hideText();
    }

private:
    const QLocale m_startLocale;
    std::unique_ptr<QDialog> m_dialog;
    std::array<QLineEdit *, 3> m_boxes{};
    QListWidget *m_list = nullptr;
    QComboBox *m_combo = nullptr;
    ClCntrl *m_finder = nullptr;
};

QTEST_MAIN(TestClCntrl)
#include "tst_clcntrl.moc"
