#include "benchsupport.h"

#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QHeaderView>
#include <QKeySequence>
#include <QLineEdit>
#include <QMessageBox>
#include <QPointer>
#include <QProcess>
#include <QStandardPaths>
#include <QTableView>
#include <QTest>
#include <QTimer>

#include <sqlite3.h>
#include <sys/resource.h>

#include <algorithm>
#include <cstdio>

#include "browser/customerlistview.h"
#include "browser/customerlistwindow.h"
#include "felcora/clListado.h"
#include "felcora/error.h"
#include "felcora/hostkit/brokerconfig.h"
#include "felcora/hostkit/demodata.h"
#include "felcora/hostkit/hostkit.h"
#include "felcora/hostkit/recordbroker.h"
#include "support/typing.h"

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
    : DemoList(hostkit::BrokerConfig::embedded(folder))
{
}

DemoList::DemoList(const hostkit::BrokerConfig &config)
{
    hostkit::registerHostComponents(); // before clListado, which creates the host components
    m_broker = std::make_unique<hostkit::RecordBroker>();
    m_broker->useConfig(config);
    m_listado = std::make_unique<clListado>();
    m_listado->setSeleccionar(true);
    m_listado->SetDataConnection(QVariant::fromValue<QObject *>(m_broker.get()));
}

DemoList::~DemoList() = default;

void DemoList::show()
{
    m_listado->MostrarListado();
}

bool DemoList::showAndMeasure(const std::function<void(browser::FrmABMClientes *)> &measure)
{
    const OnListPainted firstPaint(measure);
    try {
        show();
    } catch (const Error &e) {
        std::fprintf(stderr, "%s\n", e.what());
        return false;
    }
    if (!firstPaint.opened())
        std::fprintf(stderr, "the list was never painted\n");
    return firstPaint.opened();
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

void printSide(const char *name, const QList<Figures> &runs, qsizetype figure = 0)
{
    const QList<double> times = column(runs, figure);
    std::printf("%s", name);
    for (const double t : times)
        std::printf(" %.3f", t);
    const auto [least, most] = std::minmax_element(times.begin(), times.end());
    const double middle = medianOf(times);
    std::printf(" (spread %.0f%%)", times.isEmpty() || middle <= 0 ? 0.0 : (*most - *least) / middle * 100);
}

// How long a step may take before the run is taken as blocked and its windows closed.
constexpr int kStepTimeoutMs = 30000;
constexpr int kModalPollMs = 1;
constexpr int kMessageBoxPollMs = 10;
constexpr int kBusyTimeoutMs = 5000;

QtMessageHandler g_passMessage = nullptr;

void withoutSizeHintWarnings(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    if (!message.contains(QLatin1String("propagateSizeHints")) && g_passMessage)
        g_passMessage(type, context, message);
}

// Closes a window the run gives up on: Esc, and its dialog rejected when it
// stays open, as a window does whose Esc saves when the save is refused.
void giveUp(QWidget *window)
{
    const QPointer<QWidget> guard(window);
    QTest::keyClick(window, Qt::Key_Escape);
    if (auto *dialog = qobject_cast<QDialog *>(guard.data()); dialog && dialog->isVisible())
        dialog->reject();
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

Alternation Alternation::ofFigure(qsizetype figure) const
{
    Alternation one;
    for (const Figures &f : anchor)
        one.anchor.append(Figures{f.value(figure)});
    for (const Figures &f : subject)
        one.subject.append(Figures{f.value(figure)});
    return one;
}

double median(const QList<Figures> &runs, qsizetype figure)
{
    return medianOf(column(runs, figure));
}

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

void printRuns(const char *label, const char *name, const QList<Figures> &runs, qsizetype figure)
{
    std::printf("%s: ", label);
    printSide(name, runs, figure);
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

std::optional<double> secondsToFilled(browser::FrmABMClientes *window, const QElapsedTimer &clock)
{
    QString failure;
    QTimer boxPoll;
    boxPoll.setInterval(kMessageBoxPollMs);
    QObject::connect(&boxPoll, &QTimer::timeout, [&failure] {
        if (auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget())) {
            failure = box->text();
            box->done(QDialog::Rejected);
        }
    });
    boxPoll.start();
    while (window->filling() && failure.isEmpty())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    if (!failure.isEmpty()) {
        std::fprintf(stderr, "the list was not filled: %s\n", qPrintable(failure));
        return std::nullopt;
    }
    window->list()->currentView()->viewport()->repaint();
    return secondsSince(clock);
}

OnModalPainted::OnModalPainted(QString objectName, std::function<void()> onPainted,
                               std::function<void(QWidget *)> action)
    : m_name(std::move(objectName))
    , m_onPainted(std::move(onPainted))
    , m_action(std::move(action))
{
    qApp->installEventFilter(this);
    m_waited.start();
    m_modalPoll.setInterval(kModalPollMs);
    connect(&m_modalPoll, &QTimer::timeout, this, &OnModalPainted::poll);
    m_modalPoll.start();
    m_boxPoll.setInterval(kMessageBoxPollMs);
    connect(&m_boxPoll, &QTimer::timeout, this, &OnModalPainted::closeMessageBox);
    m_boxPoll.start();
}

OnModalPainted::~OnModalPainted()
{
    qApp->removeEventFilter(this);
}

void OnModalPainted::fail(const QString &why)
{
    if (m_failure.isEmpty())
        m_failure = why;
}

bool OnModalPainted::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::Paint && !m_paintSeen && watched->isWidgetType()
        && static_cast<QWidget *>(watched)->window()->objectName() == m_name) {
        m_paintSeen = true;
        QTimer::singleShot(0, this, [this] { // once the whole window's paint has finished
            m_painted = true;
            m_onPainted();
        });
    }
    return false;
}

void OnModalPainted::poll()
{
    QWidget *modal = QApplication::activeModalWidget();
    if (modal && modal->objectName() == m_name && modal->isVisible() && m_painted) {
        m_modalPoll.stop();
        m_acted = true;
        m_action(modal);
        return;
    }
    if (m_waited.elapsed() > kStepTimeoutMs) {
        m_modalPoll.stop();
        fail(QStringLiteral("no painted %1 came").arg(m_name));
        if (modal && modal->objectName() == m_name)
            giveUp(modal);
    }
}

void OnModalPainted::closeMessageBox()
{
    if (auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget())) {
        fail(QStringLiteral("message box: ") + box->text());
        box->done(QDialog::Rejected);
    }
}

QWidget *typingTarget(QWidget *fallback)
{
    QWidget *focus = QApplication::focusWidget();
    return focus ? focus : fallback;
}

std::optional<QString> typeInto(QWidget *window, const QString &boxName, const QString &text)
{
    auto *box = window->findChild<QLineEdit *>(boxName);
    if (!box)
        return std::nullopt;
    box->setFocus();
    box->selectAll();
    test::typeText(text, typingTarget(box)); // any character, as a name may hold ñ or an accent
    return box->text();
}

SaveThroughWindow saveThroughWindow(const std::function<void()> &open, const QString &windowName,
                                    const std::function<QString(QWidget *)> &fill, int saveKey)
{
    SaveThroughWindow result;
    QElapsedTimer clock;
    OnModalPainted editing(
        windowName, [&] { result.openedMs = msSince(clock); },
        [&](QWidget *window) {
            const QString unfilled = fill(window);
            if (!unfilled.isEmpty()) {
                editing.fail(unfilled);
                giveUp(window);
                return;
            }
            const QPointer<QWidget> guard(window);
            clock.restart();
            QTest::keyClick(typingTarget(window), Qt::Key(saveKey));
            if (guard && guard->isVisible()) {
                editing.fail(QStringLiteral("%1 left %2 open").arg(QKeySequence(saveKey).toString(), windowName));
                giveUp(guard);
            }
        });
    clock.start();
    open();
    result.savedMs = msSince(clock);
    if (!editing.acted())
        editing.fail(QStringLiteral("no %1 opened").arg(windowName));
    result.failure = editing.failure();
    return result;
}

SaveThroughWindow saveThroughWindow(QWidget *listView, int openKey, const QString &windowName,
                                    const std::function<QString(QWidget *)> &fill)
{
    listView->setFocus();
    QCoreApplication::processEvents();
    const auto open = [&] {
        QTest::keyClick(typingTarget(listView), Qt::Key(openKey));
        QCoreApplication::processEvents(); // the list paints the saved row
    };
    return saveThroughWindow(open, windowName, fill, Qt::Key_F11);
}

void sortByHeader(browser::FrmABMClientes &window, int column)
{
    QHeaderView *header = window.list()->reportView()->horizontalHeader();
    const QPoint middle(header->sectionViewportPosition(column) + header->sectionSize(column) / 2,
                        header->height() / 2);
    QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, middle);
    QCoreApplication::processEvents();
}

void prepareEditingWindows()
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    g_passMessage = qInstallMessageHandler(withoutSizeHintWarnings);
}

int runOnDemoCustomers(int argc, char *argv[], qint64 fallback,
                       const std::function<int(qint64 customers, const QString &folder)> &run)
{
    prepareEditingWindows();
    QApplication app(argc, argv);
    const std::optional<qint64> customers = customersArgument(argc, argv, fallback);
    if (!customers)
        return 2;
    try {
        return run(*customers, demoFolder(*customers));
    } catch (const Error &e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 1;
    }
}

SqliteConnection::SqliteConnection(const QString &path)
{
    if (sqlite3_open_v2(QFile::encodeName(path).constData(), &m_db, SQLITE_OPEN_READWRITE, nullptr) != SQLITE_OK)
        report("open");
    sqlite3_busy_timeout(m_db, kBusyTimeoutMs);
}

SqliteConnection::~SqliteConnection()
{
    sqlite3_close(m_db);
}

bool SqliteConnection::exec(const char *sql)
{
    if (sqlite3_exec(m_db, sql, nullptr, nullptr, nullptr) == SQLITE_OK)
        return true;
    report(sql);
    return false;
}

void SqliteConnection::report(const char *what) const
{
    std::fprintf(stderr, "sqlite %s: %s\n", what, sqlite3_errmsg(m_db));
}

Statement::Statement(SqliteConnection &db, const QString &sql)
    : m_db(db)
{
    const QByteArray text = sql.toUtf8();
    if (sqlite3_prepare_v2(db.handle(), text.constData(), int(text.size()), &m_statement, nullptr) != SQLITE_OK)
        db.report(text.constData());
}

Statement::~Statement()
{
    sqlite3_finalize(m_statement);
}

bool Statement::bind(int index, const QString &value)
{
    const QByteArray text = value.toUtf8();
    return m_statement
        && sqlite3_bind_text(m_statement, index, text.constData(), int(text.size()), SQLITE_TRANSIENT) == SQLITE_OK;
}

int Statement::step()
{
    const int rc = m_statement ? sqlite3_step(m_statement) : SQLITE_MISUSE;
    if (rc != SQLITE_ROW && rc != SQLITE_DONE)
        m_db.report("step");
    return rc;
}

std::optional<qint64> Statement::readToEnd()
{
    qint64 rows = 0;
    int rc;
    while ((rc = step()) == SQLITE_ROW) {
        for (int c = 0; c < sqlite3_column_count(m_statement); ++c)
            sqlite3_column_text(m_statement, c);
        ++rows;
    }
    if (rc != SQLITE_DONE)
        return std::nullopt;
    return rows;
}

} // namespace felcora::bench
