#pragma once

#include <QDialog>

#include "felcora/felcora_export.h"

class QKeyEvent;

namespace felcora {

// A modal window of the component whose keys come to it before its controls
// (installKeyPreview): each key press goes to formKeyDown under the handler
// guard, named after the window's objectName, and a key it does not use
// triggers none of a dialog's own defaults (Esc, the default button). The
// title bar's close runs leftByTitleBar (under the guard) and closes it for good.
class FELCORA_TESTS_EXPORT ModalWindow : public QDialog
{
    Q_OBJECT
public:
    using QDialog::QDialog;

    // Closes the window for good: the next use loads it afresh.
    void unload();

protected:
    // A key of the window or of one of its controls (watched); answers whether it was used.
    virtual bool formKeyDown(QObject *watched, const QKeyEvent *key) = 0;
    // What the title bar's close does besides closing: as a rule what Esc does.
    virtual void leftByTitleBar() {}

    bool eventFilter(QObject *watched, QEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    bool m_unloading = false;
};

} // namespace felcora
