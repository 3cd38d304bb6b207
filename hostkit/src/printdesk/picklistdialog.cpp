#include "printdesk/picklistdialog.h"

#include <QApplication>
#include <QKeyEvent>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace felcora::hostkit {

namespace {
constexpr int kCodeColumn = 0;
constexpr int kInitialWidth = 420;
constexpr int kInitialHeight = 320;
} // namespace

PickListDialog::PickListDialog(const QString &title, QList<CatalogueRow> rows)
    : m_rows(std::move(rows))
    , m_list(new QTreeWidget(this))
{
    setObjectName(QStringLiteral("frmPickList"));
    setWindowTitle(title);
    resize(kInitialWidth, kInitialHeight);

    m_list->setObjectName(QStringLiteral("lstPick"));
    m_list->setHeaderLabels({QStringLiteral("Código"), QStringLiteral("Descripción")});
    m_list->setRootIsDecorated(false);
    m_list->setUniformRowHeights(true);
    m_list->setAllColumnsShowFocus(true);
    m_list->setSelectionMode(QAbstractItemView::SingleSelection);
    for (const CatalogueRow &row : std::as_const(m_rows))
        new QTreeWidgetItem(m_list, {row.code, row.description});
    m_list->resizeColumnToContents(kCodeColumn);
    if (!m_rows.isEmpty())
        m_list->setCurrentItem(m_list->topLevelItem(0));
    m_list->installEventFilter(this);
    connect(m_list, &QTreeWidget::itemDoubleClicked, this, [this](QTreeWidgetItem *item) {
        m_list->setCurrentItem(item);
        accept();
    });

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_list);
}

QString PickListDialog::chosenCode() const
{
    const int row = m_list->currentIndex().row();
    return row >= 0 && row < m_rows.size() ? m_rows.at(row).code : QString();
}

// The list keeps the focus: typed text searches, Enter picks, the navigation
// keys and Esc (which reaches the dialog) work as the list view has them.
bool PickListDialog::eventFilter(QObject *watched, QEvent *event)
{
    if (watched != m_list || event->type() != QEvent::KeyPress)
        return QDialog::eventFilter(watched, event);
    const auto *key = static_cast<QKeyEvent *>(event);
    if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
        accept();
        return true;
    }
    // A pause longer than the platform's typing interval starts a new search.
    if (!m_sinceLastKey.isValid() || m_sinceLastKey.elapsed() > QApplication::keyboardInputInterval())
        m_typed.clear();
    if (key->key() == Qt::Key_Backspace) {
        m_typed.chop(1);
    } else if (!key->text().isEmpty() && key->text().at(0).isPrint() && !(key->modifiers() & Qt::ControlModifier)) {
        m_typed += key->text();
    } else {
        return QDialog::eventFilter(watched, event);
    }
    m_sinceLastKey.start();
    findTyped();
    return true;
}

void PickListDialog::findTyped()
{
    if (m_typed.isEmpty())
        return;
    auto firstStarting = [this](QString CatalogueRow::*field) {
        for (int i = 0; i < m_rows.size(); ++i) {
            if ((m_rows.at(i).*field).startsWith(m_typed, Qt::CaseInsensitive))
                return i;
        }
        return -1;
    };
    int row = firstStarting(&CatalogueRow::code);
    if (row < 0)
        row = firstStarting(&CatalogueRow::description);
    if (row >= 0)
        m_list->setCurrentItem(m_list->topLevelItem(row));
}

} // namespace felcora::hostkit
