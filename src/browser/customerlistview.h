#pragma once

#include <QStackedWidget>

#include "felcora/felcora_export.h"

class QAbstractItemView;
class QItemSelectionModel;
class QListView;
class QTableView;

namespace felcora::browser {

class CustomerListModel;

// The list control of the customer window: one model shown either as a report
// (a row per customer with its columns) or as large icons, the two views
// sharing one selection.
class FELCORA_TESTS_EXPORT CustomerListView : public QStackedWidget
{
    Q_OBJECT
public:
    explicit CustomerListView(QWidget *parent = nullptr);

    // Widths in pixels, one per column; a width of 0 hides the column.
    void setModel(CustomerListModel *model, const QList<int> &columnWidths);
    CustomerListModel *model() const { return m_model; }

    void showReport();
    void showIcons();

    QTableView *reportView() const { return m_report; }
    QListView *iconView() const { return m_icons; }
    QAbstractItemView *currentView() const;
    // Whether w is one of the list's own widgets (views, viewports, header).
    bool owns(const QObject *w) const;

    int rowCount() const;
    // The selected row, or -1 when no row is selected.
    int selectedRow() const;
    // Selects one row and scrolls it into view.
    void selectRow(int row);
    // Shows on the report's header which column orders the rows, and how.
    void showOrder(int column, Qt::SortOrder order);

signals:
    void headerClicked(int column);

private:
    void switchTo(QAbstractItemView *view);

    CustomerListModel *m_model = nullptr;
    QTableView *m_report;
    QListView *m_icons;
};

} // namespace felcora::browser
