#pragma once

#include <QDialog>
#include <memory>

#include "core/customerstore.h"
#include "felcora/felcora_export.h"

class QLineEdit;
class QPushButton;

namespace Ui {
class frmVentajas;
}

namespace felcora::customer {

// The window that ties a benefit regime to a customer: the regime, the
// sub-regime and the tariff position, typed or picked; F11 adds the tie.
// The regime and sub-regime boxes open their picker with F4 or Alt+Down, as
// a combo box drops its list, or from their "..." button (Tab reaches it
// right after its box; Space or Enter there opens the picker). Enter and the
// arrows move between the boxes only, passing over the buttons.
class FELCORA_TESTS_EXPORT frmVentajas : public QDialog
{
    Q_OBJECT
public:
    frmVentajas();
    ~frmVentajas() override;

    // The store it works with, and the customer's CUIT (the tag).
    void load(const CustomerStore &store, const QString &cuit);

    // Adds the tie and closes the window when a row was added; a failure
    // comes back as error 11111 with this routine before its source.
    void GrabarRelVentaja();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    bool formKeyDown(const QKeyEvent *key);
    bool controlKeyDown(QObject *watched, const QKeyEvent *key);
    QPushButton *pickerOf(const QObject *box) const;
    bool isPicker(const QObject *control) const;
    void moveBetweenBoxes(bool forward);
    void pick(QLineEdit *box, QString (CustomerStore::*picker)() const, const char *routine);
    void unload();

    std::unique_ptr<Ui::frmVentajas> ui;
    CustomerStore m_store;
    QString m_tag;
};

// Shows the window modally for the customer's CUIT; returns when it closes.
FELCORA_TESTS_EXPORT void showBenefitTieWindow(const CustomerStore &store, const QString &cuit);

} // namespace felcora::customer
