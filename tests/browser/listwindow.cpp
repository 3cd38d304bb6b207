#include "listwindow.h"

#include <QLineEdit>
#include <QTableView>
#include <QTest>

#include "browser/customerlistmodel.h"
#include "browser/customerlistview.h"
#include "browser/customerlistwindow.h"
#include "support/errors.h"
#include "support/modal.h"
#include "support/typing.h"

namespace felcora::test {

using browser::FrmABMClientes;

bool setDataConnection(clListado &listado, QObject *broker)
{
    return QMetaObject::invokeMethod(&listado, "SetDataConnection", Qt::DirectConnection,
                                     Q_ARG(QVariant, QVariant::fromValue(broker)));
}

void mostrarListado(clListado &listado)
{
    QMetaObject::invokeMethod(&listado, "MostrarListado", Qt::DirectConnection);
}

bool openList(clListado &listado, const std::function<void(FrmABMClientes *)> &user, std::optional<Error> *error)
{
    bool shown = false;
    const QPointer<ModalAction> action = onNextModal<FrmABMClientes>([&](FrmABMClientes *w) {
        shown = true;
        // Keys go to the focused widget: the window must have been activated.
        QVERIFY(QTest::qWaitForWindowActive(w));
        user(w);
    });
    const auto failure = errorOf([&] { mostrarListado(listado); });
    if (!shown)
        delete action.data(); // it must not act on a later test's window
    if (error)
        *error = failure;
    else if (failure)
        qWarning("MostrarListado failed: %s", qPrintable(failure->description()));
    return shown && !failure && !QTest::currentTestFailed();
}

QLineEdit *searchBox(FrmABMClientes *w)
{
    return w->findChild<QLineEdit *>(QStringLiteral("txtBuscar"));
}

void searchFor(FrmABMClientes *w, const QString &text)
{
    QTest::mouseClick(searchBox(w), Qt::LeftButton);
    pressKey(Qt::Key_A, Qt::ControlModifier);
    pressKey(Qt::Key_Backspace);
    typeText(text);
}

QString selectedName(FrmABMClientes *w)
{
    const int row = w->list()->selectedRow();
    return row < 0 ? QStringLiteral("<none>") : w->model()->text(row, browser::kNombre);
}

QStringList shownColumn(FrmABMClientes *w, int column)
{
    const QAbstractItemModel *m = w->list()->reportView()->model();
    QStringList texts;
    for (int row = 0; row < m->rowCount(); ++row)
        texts << m->index(row, column).data().toString();
    return texts;
}

} // namespace felcora::test
