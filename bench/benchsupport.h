#pragma once

// What the benchmarks share: the cached demo databases, the peak memory, the
// child processes that measure, and the alternation of a measurement with
// the anchor it is compared with.

#include <QElapsedTimer>
#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>
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
class RecordBroker;
}

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
    ~DemoList();
    // clListado.MostrarListado: returns when the list window closes.
    void show();

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

// How a target reads in the output.
inline const char *verdict(bool met) { return met ? "met" : "NOT met"; }

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

} // namespace felcora::bench
