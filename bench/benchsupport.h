#pragma once

// What the benchmarks share: the cached demo databases, the peak memory, the
// child processes that measure, and the alternation of a measurement with
// the anchor it is compared with.

#include <QElapsedTimer>
#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QTimer>
#include <functional>
#include <memory>
#include <optional>

namespace felcora {
class clListado;
}
namespace felcora::browser {
class FrmABMClientes;
}
namespace felcora::hostkit {
struct BrokerConfig;
class RecordBroker;
} // namespace felcora::hostkit

struct sqlite3;
struct sqlite3_stmt;

namespace felcora::bench {

// The folder of the embedded databases with that many demo customers, kept
// between runs and between benchmarks (writing a million takes a while).
QString demoFolder(qint64 customers);

// The count of demo customers given as first argument, `fallback` without
// one; nothing, with the usage printed, when it is not a positive number.
std::optional<qint64> customersArgument(int argc, char *argv[], qint64 fallback);

// The customer list as a host opens it, picking: clListado on a broker of
// the embedded databases in a folder. Everything is set up before show(),
// so that timing show() times the list alone.
class DemoList
{
public:
    explicit DemoList(const QString &folder);
    // The same on databases configured otherwise (another accounting database, say).
    explicit DemoList(const hostkit::BrokerConfig &config);
    ~DemoList();
    // clListado.MostrarListado: returns when the list window closes.
    void show();
    // Shows the list and calls `measure` with its window once its rows are
    // first painted; `measure` unloads the window when it is done. False,
    // with the reason printed, when the list failed or was never painted.
    bool showAndMeasure(const std::function<void(browser::FrmABMClientes *)> &measure);

private:
    std::unique_ptr<hostkit::RecordBroker> m_broker;
    std::unique_ptr<clListado> m_listado;
};

// The time since t started.
double msSince(const QElapsedTimer &t);
inline double secondsSince(const QElapsedTimer &t)
{
    return msSince(t) / 1000.0;
}

// The process's peak resident memory, in MB.
double peakMegabytes();

// The figures one measurement printed, in the order it printed them.
using Figures = QList<double>;

// Runs this program again as `program --measure arguments...` and reads the
// figures it prints on one line; nothing when it failed or printed other
// than `count` figures. A child of its own keeps each measurement's peak
// memory its own and starts each with the same cold process.
std::optional<Figures> runChild(const QStringList &arguments, qsizetype count);

// A measurement and its anchor, taken in the same run on the same machine,
// so that their ratio holds wherever it is measured. The first figure of
// each run is its time.
struct Alternation
{
    QList<Figures> anchor;
    QList<Figures> subject;

    // Median time of the subject over median time of the anchor.
    double ratio() const;
    // The runs of one figure, as an alternation timed by it.
    Alternation ofFigure(qsizetype figure) const;
};

// How many timed runs each side of an alternation gets.
constexpr int kTimedRuns = 3;

// One untimed run of each (the files, libraries and fonts are cached then),
// then anchor, subject, anchor, subject, ... kTimedRuns times each. Nothing
// when a run failed (the run says why).
using Measurement = std::function<std::optional<Figures>()>;
std::optional<Alternation> alternate(const Measurement &anchor, const Measurement &subject);

// The median of one figure over the runs.
double median(const QList<Figures> &runs, qsizetype figure = 0);
// The largest value of one figure over the runs (peak memory).
double largest(const QList<Figures> &runs, qsizetype figure);

// Prints "label: name a b c (spread s%) | name a b c (spread s%)", the times
// of every timed run, so that the noise behind the medians shows.
void printRuns(const char *label, const char *anchorName, const char *subjectName, const Alternation &runs);

// Prints "label: name a b c (spread s%)", one figure of runs without an anchor.
void printRuns(const char *label, const char *name, const QList<Figures> &runs, qsizetype figure);

// How a target reads in the output.
inline const char *verdict(bool met)
{
    return met ? "met" : "NOT met";
}

// Calls onOpen with the customer list window once its rows are first painted
// (the window is up then), as soon as that paint has finished. Watches the
// whole application while it lives.
class OnListPainted : public QObject
{
public:
    explicit OnListPainted(std::function<void(browser::FrmABMClientes *)> onOpen);
    ~OnListPainted() override;
    bool opened() const { return m_opened; }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    std::function<void(browser::FrmABMClientes *)> m_onOpen;
    bool m_opened = false;
};

// Waits, processing events, until the list has read every customer, then
// repaints its rows: the seconds from `clock` to that paint done. A message
// box that comes up meanwhile (a read that failed) is closed and its text
// printed; nothing then, as for a list that was not whole.
std::optional<double> secondsToFilled(browser::FrmABMClientes *window, const QElapsedTimer &clock);

// Acts on the next modal window with this object name once its first paint
// has finished; schedule it before the key that opens the window, which
// blocks in exec() until the window closes. onPainted runs as soon as that
// paint is done, the action a moment later from the window's event loop. A
// message box that comes up meanwhile is closed and its text kept as the
// failure, so that a refused step ends the run instead of blocking it.
class OnModalPainted : public QObject
{
public:
    OnModalPainted(QString objectName, std::function<void()> onPainted, std::function<void(QWidget *)> action);
    ~OnModalPainted() override;

    bool acted() const { return m_acted; }
    const QString &failure() const { return m_failure; }
    void fail(const QString &why);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void poll();
    void closeMessageBox();

    QString m_name;
    std::function<void()> m_onPainted;
    std::function<void(QWidget *)> m_action;
    QTimer m_modalPoll;
    QTimer m_boxPoll;
    QElapsedTimer m_waited;
    QString m_failure;
    bool m_paintSeen = false;
    bool m_painted = false;
    bool m_acted = false;
};

// Where keys typed now go: the focus widget, `fallback` when nothing has the focus.
QWidget *typingTarget(QWidget *fallback);

// Types text over the whole of a line edit of the window, as the user does
// once it has the focus; the box's text then (its length may be limited),
// nothing when the window has no such box.
std::optional<QString> typeInto(QWidget *window, const QString &boxName, const QString &text);

// One save through an editing window: `open` shows it and returns once it
// has closed, `fill` runs once the window's first paint is done (it answers
// why it could not fill the window, empty when it did), then the key
// `saveKey`. openedMs runs from the opening to that paint done, savedMs from
// the save key to `open` returned. The failure is the first thing that went
// wrong (no window, a message box, the window still open after the save
// key); empty when the window opened, was filled and closed on the key.
struct SaveThroughWindow
{
    double openedMs = -1;
    double savedMs = -1;
    QString failure;
};
SaveThroughWindow saveThroughWindow(const std::function<void()> &open, const QString &windowName,
                                    const std::function<QString(QWidget *)> &fill, int saveKey);
// The same for a window opened from the customer list with the key `openKey`
// on the list's view and saved with F11: savedMs runs to the list painted again.
SaveThroughWindow saveThroughWindow(QWidget *listView, int openKey, const QString &windowName,
                                    const std::function<QString(QWidget *)> &fill);

// Sorts the list by a column as the user does, with a click on its header.
void sortByHeader(browser::FrmABMClientes &window, int column);

// Before the QApplication of a benchmark that opens the editing windows:
// they open offscreen unless QT_QPA_PLATFORM names another platform, and the
// warning the offscreen platform gives each time a window of fixed size is
// shown, as they are in every run, is dropped; other messages pass.
void prepareEditingWindows();

// The frame of a benchmark of the editing windows: prepares them
// (prepareEditingWindows), makes the application and calls `run` with the
// count of demo customers given as first argument (`fallback` without one)
// and their folder; a failure the component throws is printed. The exit
// code: 2 for a bad argument, 1 for a failure thrown, otherwise run's answer.
int runOnDemoCustomers(int argc, char *argv[], qint64 fallback,
                       const std::function<int(qint64 customers, const QString &folder)> &run);

// A connection of its own to a database file, for the anchors: SQLite alone,
// without the component. Failures are printed with SQLite's message.
class SqliteConnection
{
public:
    explicit SqliteConnection(const QString &path);
    ~SqliteConnection();
    SqliteConnection(const SqliteConnection &) = delete;
    SqliteConnection &operator=(const SqliteConnection &) = delete;

    sqlite3 *handle() const { return m_db; }
    // Runs statements that return no rows; whether they all ran.
    bool exec(const char *sql);
    // Prints what failed and SQLite's message.
    void report(const char *what) const;

private:
    sqlite3 *m_db = nullptr;
};

// A prepared statement, finalized when it goes; failures are printed.
class Statement
{
public:
    Statement(SqliteConnection &db, const QString &sql);
    ~Statement();
    Statement(const Statement &) = delete;
    Statement &operator=(const Statement &) = delete;

    sqlite3_stmt *handle() const { return m_statement; }
    bool bind(int index, const QString &value);
    // SQLITE_ROW, SQLITE_DONE, or a failure, printed.
    int step();
    // Steps to the end reading every column of every row as text, as a
    // window is filled from a query; the rows, nothing on failure.
    std::optional<qint64> readToEnd();

private:
    SqliteConnection &m_db;
    sqlite3_stmt *m_statement = nullptr;
};

} // namespace felcora::bench
