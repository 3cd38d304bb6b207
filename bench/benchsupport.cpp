#include "benchsupport.h"

#include <QApplication>
#include <QDir>
#include <QTimer>
#include <QFile>
#include <QStandardPaths>

#include <sys/resource.h>

#include <algorithm>
#include <cstdio>

#include "browser/customerlistwindow.h"
#include "felcora/hostkit/brokerconfig.h"
#include "felcora/hostkit/demodata.h"
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
