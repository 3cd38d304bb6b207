#pragma once

#include <QDialog>
#include <memory>
#include <optional>

#include "browser/customerlist.h"
#include "core/customerrecord.h"
#include "core/customerstore.h"
#include "felcora/felcora_export.h"

class QKeyEvent;
class QLabel;
class QMenu;
class QMouseEvent;
class QProgressBar;
class QTimer;

namespace Ui {
class FrmABMClientes;
}

namespace felcora {
struct ComponentVersion;
}

namespace felcora::browser {

class CustomerListFill;
class CustomerListModel;
class CustomerListView;
class CustomerTable;

// The customer browser: a search box over the list of all customers, from
// which the user picks one for the host.
class FELCORA_TESTS_EXPORT FrmABMClientes : public QDialog
{
    Q_OBJECT
public:
    // Loads the window: caption with the component's version, and the report view.
    FrmABMClientes();
    ~FrmABMClientes() override;

    static QString caption(const ComponentVersion &version);

    // What the window works with until it closes: the store, whether Enter
    // picks, and the editors it opens.
    void setStore(const CustomerStore &store, bool picking, const MakeEditors &makeEditors);

    // Fills the list: the first screen of customers by name at once, and,
    // when there are more, the whole list read a slice at a time while the
    // window is shown, with its progress in the status bar. Failures to read
    // the first screen are thrown.
    void fill();
    // Whether the list is still being read.
    bool filling() const { return m_fill != nullptr; }

    CustomerListView *list() const;
    CustomerListModel *model() const { return m_model; }

    // The customer the user picked with Enter, if one was.
    const std::optional<CustomerPick> &pick() const { return m_pick; }

    void lf_MoverArriba();
    void lf_MoverAbajo();

    // Deletes the customer with this CUIT and its gross-income distribution;
    // answers the number of customers deleted. Reports its own failures.
    qint32 Eliminar(const QString &cuit);

    // Closes the window for good; the next use loads it afresh.
    void unload();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    bool formKeyDown(const QKeyEvent *key);
    bool listKeyDown(int key, Qt::KeyboardModifiers modifiers);
    bool typeIntoSearch(const QKeyEvent *key);
    bool searchKeyDown(int key);
    void fillSlice();
    void endFill(CustomerTable rows);
    void showFillProgress(bool shown);
    bool refusedWhileFilling();
    bool refusedWhenIncomplete();
    void showNoMatch(bool noMatch);
    void sortByHeader(int column);
    void exportRows();
    void listMouseUp(const QMouseEvent *mouse);
    void searchChanged(const QString &text);
    void pickSelected();
    void deleteSelected();
    void modifySelected();
    void rewriteRow(int row, const CustomerPick &saved);
    void checkRegister();
    void addCustomer();
    void moveSelection(int step);

    std::unique_ptr<Ui::FrmABMClientes> ui;
    CustomerListModel *m_model;
    QMenu *m_menu;
    CustomerStore m_store;
    bool m_picking = false;
    std::unique_ptr<CustomerEditors> m_editors;
    std::optional<CustomerPick> m_pick;
    std::unique_ptr<CustomerListFill> m_fill;
    QTimer *m_fillTimer;
    QLabel *m_fillText;
    QProgressBar *m_fillProgress;
    bool m_searchPending = false; // a search the first screen did not answer
    bool m_incomplete = false;    // the reading failed: the first screen is all there is
};

} // namespace felcora::browser
