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

#include <QAbstractItemView>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QHash>
#include <QTest>

#include <sqlite3.h>

#include <cstdio>
#include <iterator>
#include <optional>

#include "benchsupport.h"
#include "browser/customerlistmodel.h"
#include "browser/customerlistview.h"
#include "browser/customerlistwindow.h"
#include "felcora/hostkit/brokerconfig.h"

using namespace felcora;
using namespace felcora::bench;
using browser::kCuit;
using browser::kNombre;

namespace {

constexpr double kTargetMs = 100;
constexpr qint64 kDefaultCustomers = 1000000;

const QString kModifyWindow = QStringLiteral("FrmModCliente");
const QString kNameBox = QStringLiteral("TxtNombre");

// The figures of a run, anchor and edit alike: the keyed read (F6), then the keyed update (F11).
enum EditFigure { kReadMs, kWriteMs, kEditFigures };

// SQLite's own keyed read and update of a customer, on a connection of its own to the customer database.
class SqliteFloor
{
public:
    explicit SqliteFloor(const QString &path)
        : m_connection(path)
    {
    }

    // The customer's whole row, every column read as text, as the modify
    // window is filled; answers the name, nothing when there is no such row.
    std::optional<QString> read(const QString &cuit)
    {
        const QByteArray key = cuit.toUtf8();
        sqlite3_stmt *statement = nullptr;
        std::optional<QString> name;
        if (sqlite3_prepare_v2(db(), "select * from clientes where cuit = ?", -1, &statement, nullptr) == SQLITE_OK
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
            = sqlite3_prepare_v2(db(), "update clientes set nombre = ? where cuit = ?", -1, &statement, nullptr)
                == SQLITE_OK
            && sqlite3_bind_text(statement, 1, value.constData(), int(value.size()), SQLITE_STATIC) == SQLITE_OK
            && sqlite3_bind_text(statement, 2, key.constData(), int(key.size()), SQLITE_STATIC) == SQLITE_OK
            && sqlite3_step(statement) == SQLITE_DONE && sqlite3_changes(db()) == 1;
        if (!done)
            report("update");
        sqlite3_finalize(statement);
        return done;
    }

private:
    sqlite3 *db() const { return m_connection.handle(); }
    void report(const char *what) const { m_connection.report(what); }

    SqliteConnection m_connection;
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

    QString typed;
    const SaveThroughWindow save
        = saveThroughWindow(list->currentView(), Qt::Key_F6, kModifyWindow, [&](QWidget *modifyWindow) {
              const std::optional<QString> box = typeInto(modifyWindow, kNameBox, name);
              typed = box.value_or(QString());
              return box ? QString() : QStringLiteral("no name box");
          });
    const QString failure = [&]() -> QString {
        if (!save.failure.isEmpty())
            return save.failure;
        if (model->text(row, kNombre) != typed || model->text(row, kCuit) != cuit || list->selectedRow() != row)
            return QStringLiteral("row %1 shows \"%2\", not \"%3\"").arg(row).arg(model->text(row, kNombre), typed);
        if (floor.read(cuit) != typed)
            return QStringLiteral("customer %1 was not saved as \"%2\"").arg(cuit, typed);
        return {};
    }();
    if (!failure.isEmpty()) {
        std::fprintf(stderr, "editing row %d: %s\n", row, qPrintable(failure));
        return std::nullopt;
    }
    return Figures{save.openedMs, save.savedMs};
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
    SqliteFloor floor(personal);

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

    const bool shown = list.showAndMeasure(measurePlaces);
    for (auto it = originalNames.cbegin(); it != originalNames.cend(); ++it)
        floor.rename(it.key(), it.value());
    if (failed || !shown)
        return std::nullopt;
    return measured;
}

// Prints the runs, the medians against the targets and whether they were met.
int report(const Measured &measured)
{
    std::printf("\nediting a customer, %lld customers: SQLite's keyed read and update (floor) and the edit timed in "
                "turn, %d times each after an untimed pass; the table shows medians\n",
                measured.rows, kTimedRuns);
    for (int p = 0; p < kPlaceCount; ++p) {
        const QByteArray f6 = QByteArray("F6, ") + kPlaces[p].label + ", runs (ms)";
        const QByteArray f11 = QByteArray("F11, ") + kPlaces[p].label + ", runs (ms)";
        printRuns(f6.constData(), "keyed select", "edit", measured.places[p].ofFigure(kReadMs));
        printRuns(f11.constData(), "keyed update", "edit", measured.places[p].ofFigure(kWriteMs));
    }

    std::printf("\n%-36s", "row of the list");
    for (const Place &place : kPlaces)
        std::printf("%15s", place.label);
    std::printf("%10s\n", "target");
    bool met = true;
    auto line = [&](const char *what, auto value, const char *format, const char *target) {
        std::printf("%-36s", what);
        for (const Alternation &a : measured.places)
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
            "  ratio to the floor", [figure](const Alternation &a) { return a.ofFigure(figure).ratio(); }, "%15.1f",
            "");
        for (const Alternation &a : measured.places)
            met = met && median(a.subject, figure) < kTargetMs;
    }
    std::printf("\ntargets at %lld customers: %s\n", measured.rows, verdict(met));
    return 0;
}

} // namespace

int main(int argc, char *argv[])
{
    return runOnDemoCustomers(argc, argv, kDefaultCustomers, [](qint64, const QString &folder) {
        const std::optional<Measured> measured = measure(folder);
        return measured ? report(*measured) : 1;
    });
}
