#pragma once

#include <QDialog>
#include <QElapsedTimer>
#include <QList>

#include "printdesk/catalogue.h"

class QTreeWidget;

namespace felcora::hostkit {

// A modal list of catalogue rows to pick one from, driven from the keyboard:
// typing positions on the first row whose code (or else description) begins
// with what was typed, Enter or a double click picks, Esc cancels.
class PickListDialog : public QDialog
{
    Q_OBJECT

public:
    PickListDialog(const QString &title, QList<CatalogueRow> rows);

    // The code of the row picked, "" when the list is empty.
    QString chosenCode() const;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void findTyped();

    QList<CatalogueRow> m_rows;
    QTreeWidget *m_list;
    QString m_typed;
    QElapsedTimer m_sinceLastKey;
};

} // namespace felcora::hostkit
