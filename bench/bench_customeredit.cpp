// Editing one customer of the list with 1,000,000 demo customers (or the
// count given as first argument): F6 on the selected row up to the modify
// window's first paint, and F11 in that window, after the name was changed,
// up to the window closed and the list row showing the new name. Both are
// timed for a row near the start and one near the end of the list, in the
// list's own order and after a header sort.
// Opening the window reads one customer by its key and saving it updates one
// row by its key: the anchor is SQLite doing that read and that update on the
// same file through a connection of its own. Anchor and edit are timed in
// turn, three times each after one untimed pass of each, and compared by
// their medians: the ratio holds on any machine, however loaded. The list is
// opened once; the edited customers get their names back at the end.

#include <QApplication>
#include <QElapsedTimer>
#include <QHash>
#include <QHeaderView>
#include <QLineEdit>
#include <QMessageBox>
#include <QPointer>
#include <QTableView>
#include <QTest>
#include <QTimer>

#include <sqlite3.h>

#include <cstdio>
#include <functional>
#include <iterator>
#include <optional>

#include "benchsupport.h"
#include "browser/customerlistmodel.h"
#include "browser/customerlistview.h"
#include "browser/customerlistwindow.h"
#include "felcora/error.h"
#include "felcora/hostkit/brokerconfig.h"

using namespace felcora;
using namespace felcora::bench;
using browser::kCuit;
using browser::kNombre;

namespace {

constexpr double kTargetMs = 100;
constexpr qint64 kDefaultCustomers = 1000000;
// How long a step may take before the run is taken as blocked and its windows closed.
constexpr int kStepTimeoutMs = 30000;
constexpr int kModalPollMs = 1;
constexpr int kMessageBoxPollMs = 10;
constexpr int kBusyTimeoutMs = 5000;

const QString kModifyWindow = QStringLiteral("FrmModCliente");
const QString kNameBox = QStringLiteral("TxtNombre");

// The figures of a run, anchor and edit alike: the keyed read (F6), then the keyed update (F11).
enum EditFigure { kReadMs, kWriteMs, kEditFigures };

// SQLite's own keyed read and update of a customer, on a connection of its own to the customer database.
class SqliteFloor
{
public:
    explicit SqliteFloor(const QByteArray &path)
    {
        if (sqlite3_open_v2(path.constData(), &m_db, SQLITE_OPEN_READWRITE, nullptr) != SQLITE_OK)
            report("open");
        sqlite3_busy_timeout(m_db, kBusyTimeoutMs);
    }
    ~SqliteFloor() { sqlite3_close(m_db); }
    SqliteFloor(const SqliteFloor &) = delete;
    SqliteFloor &operator=(const SqliteFloor &) = delete;

    // The customer's whole row, every column read as text, as the modify
    // window is filled; answers the name, nothing when there is no such row.
    std::optional<QString> read(const QString &cuit)
    {
        const QByteArray key = cuit.toUtf8();
        sqlite3_stmt *statement = nullptr;
        std::optional<QString> name;
        if (sqlite3_prepare_v2(m_db, "select * from clientes where cuit = ?", -1, &statement, nullptr) == SQLITE_OK
            && sqlite3_bind_text(statement, 1, key.constData(), int(key.size()), SQLITE_STATIC) == SQLITE_OK
            && sqlite3_step(statement) == SQLITE_ROW) {
            for (int c = 0; c < sqlite3_column_count(statement); ++c) {
                const auto *text = reinterpret_cast<const char *>(sqlite3_column_text(statement, c));
                if (qstricmp(sqlite3_column_name(statement, c), "nombre") == 0)
                    name = QString::fromUtf8(text, sqlite3_column_bytes(statement, c));
            }
        } else {
            report("select");
        }
        sqlite3_finalize(statement);
        return name;
    }

    // Renames the customer; whether one row changed.
    bool rename(const QString &cuit, const QString &name)
    {
        const QByteArray key = cuit.toUtf8();
        const QByteArray value = name.toUtf8();
        sqlite3_stmt *statement = nullptr;
        const bool done
            = sqlite3_prepare_v2(m_db, "update clientes set nombre = ? where cuit = ?", -1, &statement, nullptr)
                == SQLITE_OK
            && sqlite3_bind_text(statement, 1, value.constData(), int(value.size()), SQLITE_STATIC) == SQLITE_OK
            && sqlite3_bind_text(statement, 2, key.constData(), int(key.size()), SQLITE_STATIC) == SQLITE_OK
            && sqlite3_step(statement) == SQLITE_DONE && sqlite3_changes(m_db) == 1;
        if (!done)
            report("update");
        sqlite3_finalize(statement);
        return done;
    }

private:
    void report(const char *what) const { std::fprintf(stderr, "floor %s: %s\n", what, sqlite3_errmsg(m_db)); }

    sqlite3 *m_db = nullptr;
};

// Acts on the next modal window with this object name once its first paint
// has finished; schedule it before the key that opens the window, which
// blocks in exec() until the window closes. onPainted runs as soon as that
// paint is done, the action a moment later from the window's event loop. A
// message box that comes up meanwhile is closed and its text kept as the
// failure, so that a refused step ends the run instead of blocking it.
class OnModalPainted : public QObject
{
public:
    OnModalPainted(QString objectName, std::function<void()> onPainted, std::function<void(QWidget *)> action)
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
    ~OnModalPainted() override { qApp->removeEventFilter(this); }

    bool acted() const { return m_acted; }
    const QString &failure() const { return m_failure; }
    void fail(const QString &why)
    {
        if (m_failure.isEmpty())
            m_failure = why;
    }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
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

private:
    void poll()
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
                QTest::keyClick(modal, Qt::Key_Escape);
        }
    }

    void closeMessageBox()
    {
        if (auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget())) {
            fail(QStringLiteral("message box: ") + box->text());
            box->done(QDialog::Rejected);
        }
    }

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

// One edit of a row: F6 on it, the name box changed to `name`, F11.
// Figures (EditFigure): F6 to the window's first paint done, F11 to the
// window closed and the list row rewritten and repainted. Nothing, with the
// reason printed, when a step failed or the row does not show the new name.
std::optional<Figures> editRow(browser::FrmABMClientes &window, int row, const QString &name, SqliteFloor &floor)
{
    browser::CustomerListView *list = window.list();
    browser::CustomerListModel *model = window.model();
    const QString cuit = model->text(row, kCuit);
    list->selectRow(row);
    QWidget *view = list->currentView();
    view->setFocus();
    QCoreApplication::processEvents();

    QElapsedTimer clock;
    double paintedMs = -1;
    QString typed;
    OnModalPainted modify(
        kModifyWindow, [&] { paintedMs = msSince(clock); },
        [&](QWidget *modifyWindow) {
            auto *box = modifyWindow->findChild<QLineEdit *>(kNameBox);
            if (!box) {
                modify.fail(QStringLiteral("no name box"));
                QTest::keyClick(modifyWindow, Qt::Key_Escape);
                return;
            }
            box->setFocus();
            box->selectAll();
            QWidget *typing = QApplication::focusWidget() ? QApplication::focusWidget() : box;
            QTest::keyClicks(typing, name);
            typed = box->text();
            const QPointer<QWidget> guard(modifyWindow);
            clock.restart();
            QTest::keyClick(QApplication::focusWidget() ? QApplication::focusWidget() : box, Qt::Key_F11);
            if (guard && guard->isVisible()) {
                modify.fail(QStringLiteral("F11 left the modify window open"));
                QTest::keyClick(guard, Qt::Key_Escape);
            }
        });
    clock.start();
    QTest::keyClick(QApplication::focusWidget() ? QApplication::focusWidget() : view, Qt::Key_F6);
    QCoreApplication::processEvents(); // the list repaints the rewritten row
    const double rewrittenMs = msSince(clock);

    if (!modify.acted())
        modify.fail(QStringLiteral("F6 opened no modify window"));
    else if (model->text(row, kNombre) != typed || model->text(row, kCuit) != cuit || list->selectedRow() != row)
        modify.fail(QStringLiteral("row %1 shows \"%2\", not \"%3\"").arg(row).arg(model->text(row, kNombre), typed));
    else if (floor.read(cuit) != typed)
        modify.fail(QStringLiteral("customer %1 was not saved as \"%2\"").arg(cuit, typed));
    if (!modify.failure().isEmpty()) {
        std::fprintf(stderr, "editing row %d: %s\n", row, qPrintable(modify.failure()));
        return std::nullopt;
    }
    return Figures{paintedMs, rewrittenMs};
}

// Where a measured row is: near the start or the end of the list, in the list's own order or after a header sort.
struct Place
{
    const char *label;
    bool sorted;
    bool nearEnd;
};

constexpr Place kPlaces[]
    = {{"start", false, false}, {"end", false, true}, {"sorted, start", true, false}, {"sorted, end", true, true}};
constexpr int kPlaceCount = int(std::size(kPlaces));

// The column whose header is clicked before the sorted places.
constexpr int kSortColumn = browser::kDireccion;

void sortByHeader(browser::FrmABMClientes &window, int column)
{
    QHeaderView *header = window.list()->reportView()->horizontalHeader();
    const QPoint middle(header->sectionViewportPosition(column) + header->sectionSize(column) / 2,
                        header->height() / 2);
    QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, middle);
    QCoreApplication::processEvents();
}

// The alternations of the places, in their order, and the rows of the list.
struct Measured
{
    QList<Alternation> places;
    long long rows = 0;
};

// Edits a customer at each place, against the floor on the same customer, in
// turn; the customers get their names back at the end.
std::optional<Measured> measure(const QString &folder)
{
    const QString personal = hostkit::BrokerConfig::embedded(folder).entity(QStringLiteral("PERSONAL")).database;
    SqliteFloor floor(personal.toLocal8Bit());

    DemoList list(folder);

    Measured measured;
    QHash<QString, QString> originalNames; // by CUIT
    bool failed = false;

    auto measurePlaces = [&](browser::FrmABMClientes *window) {
        measured.rows = window->list()->rowCount();
        QWidget *view = window->list()->currentView();
        view->setFocus();
        QTest::keyClick(view, Qt::Key_F11); // Qt sets up its keyboard handling on the first key; F11 does nothing here
        QCoreApplication::processEvents();

        int run = 0;
        for (const Place &place : kPlaces) {
            if (place.sorted && window->model()->sortColumn() != kSortColumn)
                sortByHeader(*window, kSortColumn);
            const int rowCount = window->list()->rowCount();
            const int row = place.nearEnd ? std::max(0, rowCount - 2) : std::min(1, rowCount - 1);
            const QString cuit = window->model()->text(row, kCuit);
            const std::optional<QString> original = floor.read(cuit);
            if (!original) {
                failed = true;
                break;
            }
            originalNames.insert(cuit, *original);

            // Each run writes a name of its own, so that every save changes the row.
            const auto anchor = [&]() -> std::optional<Figures> {
                const QString name = *original + QStringLiteral(" A%1").arg(++run);
                QElapsedTimer t;
                t.start();
                if (!floor.read(cuit))
                    return std::nullopt;
                const double readMs = msSince(t);
                t.restart();
                if (!floor.rename(cuit, name))
                    return std::nullopt;
                return Figures{readMs, msSince(t)};
            };
            const auto edit
                = [&] { return editRow(*window, row, *original + QStringLiteral(" E%1").arg(++run), floor); };
            const auto runs = alternate(anchor, edit);
            if (!runs) {
                failed = true;
                break;
            }
            measured.places.append(*runs);
        }
        window->unload();
    };

    const bench::OnListPainted firstPaint(measurePlaces);
    try {
        list.show();
    } catch (const Error &e) {
        std::fprintf(stderr, "%s\n", e.what());
        failed = true;
    }
    for (auto it = originalNames.cbegin(); it != originalNames.cend(); ++it)
        floor.rename(it.key(), it.value());
    if (!firstPaint.opened())
        std::fprintf(stderr, "the list was never painted\n");
    if (failed || !firstPaint.opened())
        return std::nullopt;
    return measured;
}

// The offscreen platform warns each time a window of fixed size is shown, as
// the modify window is in every run; other messages pass.
QtMessageHandler g_passMessage = nullptr;
void withoutSizeHintWarnings(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    if (!message.contains(QLatin1String("propagateSizeHints")) && g_passMessage)
        g_passMessage(type, context, message);
}

// The runs of one figure, as an alternation timed by it.
Alternation onFigure(const Alternation &runs, EditFigure figure)
{
    Alternation one;
    for (const Figures &f : runs.anchor)
        one.anchor.append(Figures{f.value(figure)});
    for (const Figures &f : runs.subject)
        one.subject.append(Figures{f.value(figure)});
    return one;
}

} // namespace

int main(int argc, char *argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    g_passMessage = qInstallMessageHandler(withoutSizeHintWarnings);
    const std::optional<qint64> customers = customersArgument(argc, argv, kDefaultCustomers);
    if (!customers)
        return 2;

    std::optional<Measured> measured;
    try {
        measured = measure(demoFolder(*customers));
    } catch (const Error &e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 1;
    }
    if (!measured)
        return 1;

    std::printf("\nediting a customer, %lld customers: SQLite's keyed read and update (floor) and the edit timed in "
                "turn, %d times each after an untimed pass; the table shows medians\n",
                measured->rows, kTimedRuns);
    for (int p = 0; p < kPlaceCount; ++p) {
        const QByteArray f6 = QByteArray("F6, ") + kPlaces[p].label + ", runs (ms)";
        const QByteArray f11 = QByteArray("F11, ") + kPlaces[p].label + ", runs (ms)";
        printRuns(f6.constData(), "keyed select", "edit", onFigure(measured->places[p], kReadMs));
        printRuns(f11.constData(), "keyed update", "edit", onFigure(measured->places[p], kWriteMs));
    }

    std::printf("\n%-36s", "row of the list");
    for (const Place &place : kPlaces)
        std::printf("%15s", place.label);
    std::printf("%10s\n", "target");
    bool met = true;
    auto line = [&](const char *what, auto value, const char *format, const char *target) {
        std::printf("%-36s", what);
        for (const Alternation &a : measured->places)
            std::printf(format, value(a));
        std::printf("%10s\n", target);
    };
    for (const EditFigure figure : {kReadMs, kWriteMs}) {
        const bool read = figure == kReadMs;
        line(
            read ? "floor: keyed select (ms)" : "floor: keyed update (ms)",
            [figure](const Alternation &a) { return median(a.anchor, figure); }, "%15.2f", "");
        line(
            read ? "F6 to modify window painted (ms)" : "F11 to list row rewritten (ms)",
            [figure](const Alternation &a) { return median(a.subject, figure); }, "%15.2f", "< 100");
        line(
            "  ratio to the floor", [figure](const Alternation &a) { return onFigure(a, figure).ratio(); }, "%15.1f",
            "");
        for (const Alternation &a : measured->places)
            met = met && median(a.subject, figure) < kTargetMs;
    }
    std::printf("\ntargets at %lld customers: %s\n", measured->rows, verdict(met));
    return 0;
}
