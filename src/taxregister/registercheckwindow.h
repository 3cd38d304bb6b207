#pragma once

#include <QList>
#include <QString>
#include <memory>
#include <optional>

#include "core/customerrecord.h"
#include "core/customerstore.h"
#include "core/registerstore.h"
#include "taxregister/registercheck.h"
#include "ui/modalwindow.h"

class QLabel;

namespace Ui {
class FrmControlPadron;
}

namespace felcora::browser {
class CustomerEditors;
}

namespace felcora::taxregister {

class CheckModel;

// A customer modified from the check window: the CUIT the modify window was
// opened on, and the customer as saved (its CUIT may have changed).
struct CheckedEdit
{
    QString cuit;
    CustomerPick saved;
};

// The master file checked against the register's snapshot: the snapshot's
// line (marked when old), the customers with findings, of one kind or all.
// F6 or a double click modifies the selected customer and checks it again,
// F12 previews the printed rows shown, Ctrl+E exports them, Ctrl+O imports
// another register and checks again, Esc leaves.
class FELCORA_TESTS_EXPORT FrmControlPadron : public ModalWindow
{
    Q_OBJECT
public:
    FrmControlPadron();
    ~FrmControlPadron() override;

    // What the window works with until it closes: the master file, the
    // snapshot, the editors F6 opens (none: F6 does nothing), where the index
    // of the whole register is kept, and the list the customers modified are
    // added to.
    void load(const CustomerStore &customers, const RegisterStore &registers, browser::CustomerEditors *editors,
              const QString &indexPath, QList<CheckedEdit> *edits);
    // Checks every customer against the snapshot and shows what was found.
    void check();

    CheckModel *model() const { return m_model; }
    // The line of the snapshot, and what the rows shown are: the report's heading.
    QStringList headingLines() const;

    void modifySelected();
    void printShown();
    void exportShown();
    void importAnother();

protected:
    bool formKeyDown(QObject *watched, const QKeyEvent *key) override;

private:
    void showSnapshot(const std::optional<SnapshotInfo> &snapshot);
    void showCounts();
    void selectRow(int row);
    std::optional<CheckRow> checkAgain(const QString &cuit) const;

    std::unique_ptr<Ui::FrmControlPadron> ui;
    CheckModel *m_model;
    QLabel *m_counts;
    CustomerStore m_customers;
    RegisterStore m_registers;
    browser::CustomerEditors *m_editors = nullptr;
    QString m_indexPath;
    QList<CheckedEdit> *m_edits = nullptr;
    qint64 m_checked = 0; // customers checked
};

// Opens the check of the master file over parent (the customer list): the
// snapshot's store is the customer database's. Without a snapshot it first
// asks for a register's zip and imports it; without one chosen, or when the
// import does not end in a snapshot, the window does not open. Returns when
// it closes, with the customers modified there, in the order they were.
FELCORA_TESTS_EXPORT QList<CheckedEdit> showRegisterCheck(const CustomerStore &store, browser::CustomerEditors *editors,
                                                          QWidget *parent);

} // namespace felcora::taxregister
