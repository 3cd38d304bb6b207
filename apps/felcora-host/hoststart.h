#pragma once

// What the host does around the component: its messages, its failures, and
// the data access it opens.

#include <QString>
#include <QtGlobal>

namespace felcora {
class Error;
namespace hostkit {
class RecordBroker;
}
} // namespace felcora

namespace felcora::host {

// A line on the standard output, flushed at once: a pipe sees it while the window is still open.
void say(const QString &line);
// A line on the standard error.
void complain(const QString &line);

// How the host runs: with windows for a desk user, or to write a file and stop.
enum class Desk { Windows, Windowless };

// A failure: on the standard error and, when the host has windows, in a
// message box, since a desk user never sees the standard error.
void reportFailure(const Error &error, Desk desk);

// Writes demo customers (and accounting agents) into the broker's customer
// database, which must be SQLite with its accounting database; returns the
// customers added. Throws felcora::Error.
qint64 writeDemoData(hostkit::RecordBroker &broker, qint64 customers);

// Opens the databases of the data access as configured; a customer database
// that this start created (the embedded default on its first use) gets demo
// customers. A failure is reported and answered with false.
bool openDataAccess(hostkit::RecordBroker &broker, Desk desk);

} // namespace felcora::host
