#pragma once

// The customer list window as a host opens it and a user works it, shared by
// the tests of the list and of what it opens.

#include <QString>
#include <QStringList>
#include <functional>
#include <memory>
#include <optional>

#include "felcora/clListado.h"
#include "felcora/error.h"
#include "felcora/hostkit/recordbroker.h"
#include "support/tempdatabase.h"

class QLineEdit;

namespace felcora::browser {
class FrmABMClientes;
}

namespace felcora::test {

// What a host sets up: a real database, its broker handed to clListado.
struct Host
{
    TempDatabase db;
    std::unique_ptr<hostkit::RecordBroker> broker = db.makeBroker();
    clListado listado;
};

// Both calls as a host makes them: by name.
bool setDataConnection(clListado &listado, QObject *broker);
void mostrarListado(clListado &listado);

// Opens the list as a host does and lets `user` work the window while it is
// shown; true when it showed, the call returned and no check on it failed.
// The call's error goes to `error` when given, else to the log.
[[nodiscard]] bool openList(clListado &listado, const std::function<void(browser::FrmABMClientes *)> &user,
                            std::optional<Error> *error = nullptr);

QLineEdit *searchBox(browser::FrmABMClientes *w);
// A new search as the user starts one: click into the box, select all, erase, type.
void searchFor(browser::FrmABMClientes *w, const QString &text);
// The selected row's name, "<none>" without one.
QString selectedName(browser::FrmABMClientes *w);
// One column as the report view shows it, top to bottom.
QStringList shownColumn(browser::FrmABMClientes *w, int column);

} // namespace felcora::test
