#include "browser/customerlistview.h"

#include <QHeaderView>
#include <QListView>
#include <QTableView>

#include "browser/customerlistmodel.h"

namespace felcora::browser {

namespace {

// Large icons with the name underneath. The list mode lays a million uniform
// items out at once, where the icon mode would place them one by one.
class LargeIconView final : public QListView
{
public:
    explicit LargeIconView(QWidget *parent)
        : QListView(parent)
    {
        setViewMode(QListView::ListMode);
        setFlow(QListView::LeftToRight);
        setWrapping(true);
        setResizeMode(QListView::Adjust);
        setMovement(QListView::Static);
        setUniformItemSizes(true);
        setIconSize(QSize(32, 32));
        setGridSize(QSize(112, 72));
        setWordWrap(true);
        setTextElideMode(Qt::ElideRight);
    }

protected:
    void initViewItemOption(QStyleOptionViewItem *option) const override
    {
        QListView::initViewItemOption(option);
        option->decorationPosition = QStyleOptionViewItem::Top;
        option->displayAlignment = Qt::AlignHCenter | Qt::AlignTop;
        option->decorationAlignment = Qt::AlignHCenter;
    }
};

void setUpView(QAbstractItemView *view)
{
    view->setSelectionBehavior(QAbstractItemView::SelectRows);
    view->setSelectionMode(QAbstractItemView::SingleSelection);
    view->setEditTriggers(QAbstractItemView::NoEditTriggers);
}

} // namespace

CustomerListView::CustomerListView(QWidget *parent)
    : QStackedWidget(parent)
    , m_report(new QTableView(this))
    , m_icons(new LargeIconView(this))
{
    m_report->setObjectName(QStringLiteral("LstReporte"));
    m_icons->setObjectName(QStringLiteral("LstIconos"));
    setUpView(m_report);
    setUpView(m_icons);
    m_report->setShowGrid(false);
    m_report->setWordWrap(false);
    m_report->verticalHeader()->hide();
    m_report->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    m_report->verticalHeader()->setDefaultSectionSize(m_report->fontMetrics().height() + 4);
    m_report->setSortingEnabled(false); // the window sorts on a header click
    m_report->horizontalHeader()->setSortIndicatorShown(true);
    m_report->horizontalHeader()->setSectionsClickable(true);
    m_report->horizontalHeader()->setSectionsMovable(false);
    m_report->horizontalHeader()->setHighlightSections(false);
    m_report->horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    m_report->horizontalHeader()->setStretchLastSection(false);
    connect(m_report->horizontalHeader(), &QHeaderView::sectionClicked, this, &CustomerListView::headerClicked);
    addWidget(m_report);
    addWidget(m_icons);
    setFocusProxy(m_report);
}

void CustomerListView::setModel(CustomerListModel *model, const QList<int> &columnWidths)
{
    m_model = model;
    m_report->setModel(model);
    m_icons->setModel(model);
    m_icons->setSelectionModel(m_report->selectionModel());
    for (int column = 0; column < columnWidths.size(); ++column) {
        m_report->setColumnHidden(column, columnWidths[column] == 0);
        if (columnWidths[column] > 0)
            m_report->setColumnWidth(column, columnWidths[column]);
    }
}

void CustomerListView::showReport()
{
    switchTo(m_report);
}

void CustomerListView::showIcons()
{
    switchTo(m_icons);
}

// The other view takes the focus along when the list had it.
void CustomerListView::switchTo(QAbstractItemView *view)
{
    const bool hadFocus = currentView()->hasFocus();
    setCurrentWidget(view);
    setFocusProxy(view);
    if (hadFocus)
        view->setFocus();
}

QAbstractItemView *CustomerListView::currentView() const
{
    return static_cast<QAbstractItemView *>(currentWidget());
}

bool CustomerListView::owns(const QObject *w) const
{
    for (const QObject *o = w; o; o = o->parent()) {
        if (o == this)
            return true;
    }
    return false;
}

int CustomerListView::rowCount() const
{
    return m_model ? m_model->rowCount() : 0;
}

int CustomerListView::selectedRow() const
{
    const QItemSelectionModel *selection = m_report->selectionModel();
    if (!selection)
        return -1;
    const QModelIndexList rows = selection->selectedIndexes();
    return rows.isEmpty() ? -1 : rows.first().row();
}

void CustomerListView::selectRow(int row)
{
    const QModelIndex index = m_model->index(row, 0);
    m_report->selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    currentView()->scrollTo(index, QAbstractItemView::EnsureVisible);
}

void CustomerListView::showOrder(int column, Qt::SortOrder order)
{
    m_report->horizontalHeader()->setSortIndicator(column, order);
}

} // namespace felcora::browser
