#include "benchsupport.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTimer>

#include <sys/resource.h>

#include <algorithm>
#include <cstdio>

#include "browser/customerlistwindow.h"
#include "felcora/clListado.h"
#include "felcora/hostkit/brokerconfig.h"
#include "felcora/hostkit/demodata.h"
#include "felcora/hostkit/hostkit.h"
#include "felcora/hostkit/recordbroker.h"

namespace felcora::bench {

QString demoFolder(qint64 customers)
{
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation)
        + QStringLiteral("/felcora-bench/customers-%1").arg(customers);
    const QString done = folder + QStringLiteral("/complete");
    if (QFile::exists(done))
        return folder;
    QDir(folder).removeRecursively();
    QDir().mkpath(folder);
    std::printf("writing %lld demo customers into %s ...\n", static_cast<long long>(customers), qPrintable(folder));
    std::fflush(stdout);
    const hostkit::BrokerConfig config = hostkit::BrokerConfig::embedded(folder);
    hostkit::RecordBroker broker;
    broker.useConfig(config);
    broker.LoadParameters(); // creates the files with the schema
    const hostkit::EntitySettings personal = config.entity(QStringLiteral("PERSONAL"));
    hostkit::DemoOptions options;
    options.customers = customers;
    options.agents = std::max<qint64>(60, customers / 5);
    hostkit::generateDemoData(personal.database, personal.accounting, options);
    QFile marker(done);
    marker.open(QIODevice::WriteOnly);
    return folder;
}

std::optional<qint64> customersArgument(int argc, char *argv[], qint64 fallback)
{
    if (argc < 2)
        return fallback;
    bool ok = false;
    const qint64 customers = QString::fromLocal8Bit(argv[1]).toLongLong(&ok);
    if (ok && customers > 0)
        return customers;
    std::fprintf(stderr, "usage: %s [customers]\n", argv[0]);
    return std::nullopt;
}

DemoList::DemoList(const QString &folder)
{
    hostkit::registerHostComponents(); // before clListado, which creates the host components
    m_broker = std::make_unique<hostkit::RecordBroker>();
    m_broker->useConfig(hostkit::BrokerConfig::embedded(folder));
    m_listado = std::make_unique<clListado>();
    m_listado->setSeleccionar(true);
    m_listado->SetDataConnection(QVariant::fromValue<QObject *>(m_broker.get()));
}

DemoList::~DemoList() = default;

void DemoList::show() { m_listado->MostrarListado(); }

double msSince(const QElapsedTimer &t)
{
    return double(t.nsecsElapsed()) / 1e6;
}

double peakMegabytes()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_maxrss) / 1024.0;
}

std::optional<Figures> runChild(const QStringList &arguments, qsizetype count)
{
    const QString what = arguments.join(QLatin1Char(' '));
    QProcess child;
    child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    child.start(QCoreApplication::applicationFilePath(), QStringList{QStringLiteral("--measure")} + arguments);
    if (!child.waitForFinished(-1) || child.exitStatus() != QProcess::NormalExit || child.exitCode() != 0) {
        std::fprintf(stderr, "the measurement %s failed\n", qPrintable(what));
        return std::nullopt;
    }
    Figures figures;
    for (const QByteArray &field : child.readAllStandardOutput().trimmed().split(' '))
        figures.append(field.toDouble());
    if (figures.size() != count) {
        std::fprintf(stderr, "the measurement %s printed %lld figures, not %lld\n", qPrintable(what),
                     static_cast<long long>(figures.size()), static_cast<long long>(count));
        return std::nullopt;
    }
    return figures;
}

namespace {

QList<double> column(const QList<Figures> &runs, qsizetype figure)
{
    QList<double> values;
    for (const Figures &run : runs)
        values.append(run.value(figure));
    return values;
}

double medianOf(QList<double> values)
{
    if (values.isEmpty())
        return 0;
    std::sort(values.begin(), values.end());
    const qsizetype middle = values.size() / 2;
    return values.size() % 2 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
}

void printSide(const char *name, const QList<Figures> &runs)
{
    const QList<double> times = column(runs, 0);
    std::printf("%s", name);
    for (const double t : times)
        std::printf(" %.3f", t);
    const auto [least, most] = std::minmax_element(times.begin(), times.end());
    const double middle = medianOf(times);
    std::printf(" (spread %.0f%%)", times.isEmpty() || middle <= 0 ? 0.0 : (*most - *least) / middle * 100);
}

} // namespace

double Alternation::ratio() const
{
    const double anchorTime = median(anchor);
    return anchorTime > 0 ? median(subject) / anchorTime : 0;
}

std::optional<Alternation> alternate(const Measurement &anchor, const Measurement &subject)
{
    if (!anchor() || !subject())
        return std::nullopt;
    Alternation runs;
    for (int run = 0; run < kTimedRuns; ++run) {
        const std::optional<Figures> a = anchor();
        if (!a)
            return std::nullopt;
        runs.anchor.append(*a);
        const std::optional<Figures> s = subject();
        if (!s)
            return std::nullopt;
        runs.subject.append(*s);
    }
    return runs;
}

double median(const QList<Figures> &runs, qsizetype figure) { return medianOf(column(runs, figure)); }

double largest(const QList<Figures> &runs, qsizetype figure)
{
    const QList<double> values = column(runs, figure);
    return values.isEmpty() ? 0 : *std::max_element(values.begin(), values.end());
}

void printRuns(const char *label, const char *anchorName, const char *subjectName, const Alternation &runs)
{
    std::printf("%s: ", label);
    printSide(anchorName, runs.anchor);
    std::printf(" | ");
    printSide(subjectName, runs.subject);
    std::printf("\n");
}

OnListPainted::OnListPainted(std::function<void(browser::FrmABMClientes *)> onOpen)
    : m_onOpen(std::move(onOpen))
{
    qApp->installEventFilter(this);
}

OnListPainted::~OnListPainted()
{
    qApp->removeEventFilter(this);
}

bool OnListPainted::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() != QEvent::Paint || m_opened || !watched->parent()
        || watched->parent()->objectName() != QLatin1String("LstReporte"))
        return false;
    for (QWidget *w : QApplication::topLevelWidgets()) {
        if (auto *window = qobject_cast<browser::FrmABMClientes *>(w); window && window->isVisible()) {
            m_opened = true;
            QTimer::singleShot(0, this, [this, window] { m_onOpen(window); }); // once this paint has finished
            break;
        }
    }
    return false;
}

} // namespace felcora::bench
