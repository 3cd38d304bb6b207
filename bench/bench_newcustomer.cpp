// Adding a customer from the list with 1,000,000 demo customers (or the count
// given as first argument): Insert up to the new-customer window's first
// paint, and F11 in that window, after a fresh CUIT and a name were typed, up
// to the window closed and the new row selected in the list. Both are timed
// in the list's own order and after a header sort, where the row's place is
// searched. Saving tests the CUIT by its key and inserts one row: the anchor
// is SQLite doing that test and that insert in one transaction on a
// connection of its own.
// Then the pending customers: a click on "Clientes pendientes a incorporar"
// up to the pending window's first paint with its rows, from an accounting
// database of one agent for every ten customers; the anchor is SQLite running
// the same query to its end. The query's plan is printed: each agent's
// document must be looked up in the customers' key, not in a list of every
// CUIT gathered first.
// Anchor and measurement are timed in turn, three times each after one
// untimed pass of each, and compared by their medians: the ratio holds on any
// machine, however loaded. The list is opened once; the customers added are
// deleted at the end, and at the start after a run that was cut short.

#include <QAbstractItemView>
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QHash>
#include <QPushButton>
#include <QTest>
#include <QTreeWidget>

#include <sqlite3.h>

#include <algorithm>
#include <cstdio>
#include <iterator>
#include <optional>

#include "benchsupport.h"
#include "browser/customerlistmodel.h"
#include "browser/customerlistview.h"
#include "browser/customerlistwindow.h"
#include "core/customerstatements.h"
#include "felcora/cuit.h"
#include "felcora/hostkit/brokerconfig.h"
#include "felcora/hostkit/demodata.h"
#include "felcora/hostkit/recordbroker.h"

using namespace felcora;
using namespace felcora::bench;
using browser::kCuit;
using browser::kNombre;

namespace {

constexpr qint64 kDefaultCustomers = 1000000;
constexpr qint64 kCustomersPerAgent = 10;
constexpr double kSaveTargetMs = 100;
constexpr double kPendingTargetMs = 1000;

// One agent in this many stands for a customer already.
constexpr int kCustomerAgentEvery = 8;
// Spreads those customers over the whole customer table.
constexpr int kCustomerStride = 7919;

// The CUITs this benchmark adds are of a type the demo data never draws, so
// that its customers are found by it and deleted.
const QString kAddedCuitType = QStringLiteral("24");
constexpr int kFirstAddedSerial = 10000000;
const QString kAddedName = QStringLiteral("NUEVO CLIENTE DE PRUEBA %1");

const QString kPersonal = QStringLiteral("PERSONAL");
const QString kNewWindow = QStringLiteral("FrmNewCliente");
const QString kPendingWindow = QStringLiteral("frmListadeClientesPendientes");
const QString kPendingButton = QStringLiteral("cmdClientesPendientes");
const QString kCuitBox = QStringLiteral("TxtCuit");
const QString kNameBox = QStringLiteral("TxtNombre");
const QString kPendingList = QStringLiteral("lstLista");

// The figures of a save: F11 to the new row selected (the anchor: its keyed
// select and insert), then Insert to the new-customer window painted.
enum SaveFigure { kSavedMs, kOpenedMs };

const QString kExistsSql = QStringLiteral("select cuit from clientes where cuit = ?");

// The demo databases of a folder with another accounting database attached.
hostkit::BrokerConfig withAccounting(const QString &folder, const QString &accounting)
{
    hostkit::BrokerConfig config = hostkit::BrokerConfig::embedded(folder);
    config.entities[kPersonal].accounting = accounting;
    return config;
}

// The accounting database's tables as the data access spells them for SQLite
// (database.table, not database..table).
QString forSqlite(const QString &sql)
{
    return QString(sql).replace(QStringLiteral(".."), QStringLiteral("."));
}

// SQLite on the customer database, with the accounting database attached
// under the name the component's statements use.
class Floor
{
public:
    Floor(const QString &personal, const QString &accounting)
        : m_db(personal)
    {
        Statement attach(m_db, QStringLiteral("attach ? as QUENMARCONTABLE"));
        m_attached = attach.bind(1, accounting) && attach.step() == SQLITE_DONE;
    }

    bool attached() const { return m_attached; }

    // Saves a new customer as F11 does: the CUIT tested by its key and the
    // row inserted, in one transaction. The row holds the CUIT and the name,
    // the two indexed columns, so that both indexes take it as they take the
    // window's. False when the CUIT is taken or a step failed.
    bool add(const QString &cuit, const QString &name)
    {
        if (!m_db.exec("begin immediate"))
            return false;
        bool added = false;
        {
            Statement exists(m_db, kExistsSql);
            Statement insert(m_db, QStringLiteral("insert into clientes (cuit, nombre) values (?, ?)"));
            added = exists.bind(1, cuit) && exists.step() == SQLITE_DONE && insert.bind(1, cuit) && insert.bind(2, name)
                && insert.step() == SQLITE_DONE;
        }
        return m_db.exec(added ? "commit" : "rollback") && added;
    }

    bool exists(const QString &cuit)
    {
        Statement exists(m_db, kExistsSql);
        return exists.bind(1, cuit) && exists.step() == SQLITE_ROW;
    }

    // Runs a statement that returns no rows; the rows it changed, nothing on failure.
    std::optional<qint64> change(const QString &sql)
    {
        Statement statement(m_db, sql);
        if (statement.step() != SQLITE_DONE)
            return std::nullopt;
        return sqlite3_changes64(m_db.handle());
    }

    // Deletes the customers this benchmark added; how many, nothing on failure.
    std::optional<qint64> deleteAdded()
    {
        return change(QStringLiteral("delete from clientes where cuit >= '%1' and cuit < '%2'")
                          .arg(kAddedCuitType, QString::number(kAddedCuitType.toInt() + 1)));
    }

    // Runs a query of one number.
    std::optional<qint64> count(const QString &sql)
    {
        Statement query(m_db, sql);
        if (query.step() != SQLITE_ROW)
            return std::nullopt;
        return sqlite3_column_int64(query.handle(), 0);
    }

    // The pending customers' query run to its end, every column read as text,
    // as the pending window is filled; the rows, nothing on failure.
    std::optional<qint64> pendingRows()
    {
        Statement query(m_db, forSqlite(pendingCustomersSql()));
        return query.readToEnd();
    }

    // EXPLAIN QUERY PLAN of a statement: its lines, indented by their depth.
    QStringList plan(const QString &sql)
    {
        Statement explain(m_db, QStringLiteral("explain query plan ") + forSqlite(sql));
        QHash<int, int> depth; // by line id
        QStringList lines;
        while (explain.step() == SQLITE_ROW) {
            const int id = sqlite3_column_int(explain.handle(), 0);
            const int level = depth.value(sqlite3_column_int(explain.handle(), 1), -1) + 1;
            depth.insert(id, level);
            lines.append(QString(level * 2, u' ')
                         + QString::fromUtf8(reinterpret_cast<const char *>(sqlite3_column_text(explain.handle(), 3))));
        }
        return lines;
    }

    // The name of the index of the customers' key.
    QString keyIndex()
    {
        Statement query(m_db, QStringLiteral("select name from pragma_index_list('clientes') where origin = 'pk'"));
        return query.step() == SQLITE_ROW
            ? QString::fromUtf8(reinterpret_cast<const char *>(sqlite3_column_text(query.handle(), 0)))
            : QString();
    }

private:
    SqliteConnection m_db;
    bool m_attached = false;
};

// The accounting database of the pending customers, kept next to the demo
// customers it refers to: `agents` agents, of whom about two thirds are
// generated by the agent with role 2 and the others by one without it, and
// one in kCustomerAgentEvery of both stands for a customer. Most agents are
// pending then, as where the accounting system feeds the customer file.
std::optional<QString> agentsDatabase(const QString &folder, qint64 agents)
{
    const QString file = QDir(folder).filePath(QStringLiteral("contable-%1-agentes.db").arg(agents));
    const QString done = file + QStringLiteral(".complete");
    if (QFile::exists(done))
        return file;
    QFile::remove(file);
    std::printf("writing %lld agents into %s ...\n", static_cast<long long>(agents), qPrintable(file));
    std::fflush(stdout);
    const hostkit::BrokerConfig config = withAccounting(folder, file);
    {
        hostkit::RecordBroker broker;
        broker.useConfig(config);
        broker.LoadParameters(); // creates the file with its schema
    }
    const QString personal = config.entity(kPersonal).database;
    hostkit::DemoOptions options;
    options.customers = 0; // the agents alone: those of the generator with role 2 are all pending then
    options.agents = agents;
    hostkit::generateDemoData(personal, file, options);

    // The demo agents that stand for customers are drawn among the customers
    // written in the same call: here a share of them takes a customer's identity.
    Floor floor(personal, file);
    if (!floor.attached()
        || !floor.change(QStringLiteral("update QUENMARCONTABLE.AGENTES set (Documento_Numero, NOMBRE, DIRECCION, "
                                        "CODIGO_POSTAL, CIUDAD) = (select cuit, nombre, domicilio, codpost, localidad "
                                        "from clientes where rowid >= (AGENTES.ID_AGENTE * %1) % (select max(rowid) "
                                        "from clientes) order by rowid limit 1) where ID_AGENTE % %2 = 0")
                             .arg(kCustomerStride)
                             .arg(kCustomerAgentEvery)))
        return std::nullopt;
    QFile marker(done);
    marker.open(QIODevice::WriteOnly);
    return file;
}

// The CUITs of the customers the benchmark adds, each valid and new.
class AddedCuits
{
public:
    QString next()
    {
        for (;;) {
            const QString first = kAddedCuitType + QString::number(m_serial++);
            const int check = cuitCheckDigit(first);
            if (check >= 0)
                return first + QString::number(check);
        }
    }

private:
    int m_serial = kFirstAddedSerial;
};

// One customer added from the list: Insert, the CUIT and the name typed, F11.
// Figures (SaveFigure): F11 to the window closed and the new row selected and
// painted, Insert to the window's first paint done. Nothing, with the reason
// printed, when a step failed, the list was read again or the selected row is
// not the new customer.
std::optional<Figures> addFromList(browser::FrmABMClientes &window, const QString &cuit, const QString &name,
                                   Floor &floor)
{
    browser::CustomerListView *list = window.list();
    browser::CustomerListModel *model = window.model();
    const int rowsBefore = list->rowCount();
    bool reread = false;
    const QMetaObject::Connection reset
        = QObject::connect(model, &QAbstractItemModel::modelReset, [&reread] { reread = true; });
    const SaveThroughWindow save
        = saveThroughWindow(list->currentView(), Qt::Key_Insert, kNewWindow, [&](QWidget *newWindow) {
              if (typeInto(newWindow, kCuitBox, cuit) != cuit || typeInto(newWindow, kNameBox, name) != name)
                  return QStringLiteral("the CUIT and name boxes do not take \"%1\" and \"%2\"").arg(cuit, name);
              return QString();
          });
    QObject::disconnect(reset);

    const QString failure = [&]() -> QString {
        const int row = list->selectedRow();
        if (!save.failure.isEmpty())
            return save.failure;
        if (reread)
            return QStringLiteral("the list was read again");
        if (list->rowCount() != rowsBefore + 1 || row < 0 || model->text(row, kCuit) != cuit
            || model->text(row, kNombre) != name)
            return QStringLiteral("the selected row %1 is not the new customer").arg(row);
        if (!floor.exists(cuit))
            return QStringLiteral("the customer was not saved");
        return {};
    }();
    if (!failure.isEmpty()) {
        std::fprintf(stderr, "adding %s: %s\n", qPrintable(cuit), qPrintable(failure));
        return std::nullopt;
    }
    return Figures{save.savedMs, save.openedMs};
}

// The pending customers from the new-customer window opened in the list: a
// click on its button up to the pending window's first paint done, with its
// rows; then Esc in both windows. The figure: that time. Nothing, with the
// reason printed, when a step failed or the window shows other than `rows` rows.
std::optional<Figures> showPending(browser::FrmABMClientes &window, qint64 rows)
{
    QWidget *view = window.list()->currentView();
    view->setFocus();
    QCoreApplication::processEvents();

    QElapsedTimer clock;
    double shownMs = -1;
    int shownRows = -1;
    OnModalPainted adding(
        kNewWindow, [] {},
        [&](QWidget *newWindow) {
            auto *button = newWindow->findChild<QPushButton *>(kPendingButton);
            if (!button) {
                adding.fail(QStringLiteral("no pending customers' button"));
                QTest::keyClick(newWindow, Qt::Key_Escape);
                return;
            }
            OnModalPainted pending(
                kPendingWindow, [&] { shownMs = msSince(clock); },
                [&](QWidget *pendingWindow) {
                    if (const auto *list = pendingWindow->findChild<QTreeWidget *>(kPendingList))
                        shownRows = list->topLevelItemCount();
                    QTest::keyClick(typingTarget(pendingWindow), Qt::Key_Escape);
                });
            clock.start();
            QTest::mouseClick(button, Qt::LeftButton);
            if (!pending.acted())
                adding.fail(QStringLiteral("the button opened no pending window"));
            else if (!pending.failure().isEmpty())
                adding.fail(pending.failure());
            QTest::keyClick(typingTarget(newWindow), Qt::Key_Escape);
        });
    QTest::keyClick(typingTarget(view), Qt::Key_Insert);
    QCoreApplication::processEvents();

    if (!adding.acted())
        adding.fail(QStringLiteral("Insert opened no new-customer window"));
    else if (shownRows != rows)
        adding.fail(QStringLiteral("the pending window shows %1 rows, not %2").arg(shownRows).arg(rows));
    if (!adding.failure().isEmpty()) {
        std::fprintf(stderr, "pending customers: %s\n", qPrintable(adding.failure()));
        return std::nullopt;
    }
    return Figures{shownMs};
}

// Where the new row goes: at the end in the list's own order, at its place by
// name after a click on the name's header.
struct Place
{
    const char *label;
    bool sorted;
};

constexpr Place kPlaces[] = {{"own order", false}, {"sorted by name", true}};
constexpr int kPlaceCount = int(std::size(kPlaces));

// What was measured; a part that failed is missing (the runs said why), so
// that a failed save still leaves the pending customers measured.
struct Measured
{
    std::optional<QList<Alternation>> saves; // by place
    std::optional<Alternation> pending;
    long long rows = 0;
};

// Adds customers at each place against the floor, then opens the pending
// customers against their query, in turn, in one opening of the list;
// nothing when the list failed.
std::optional<Measured> measure(const hostkit::BrokerConfig &config, Floor &floor, qint64 pendingRows)
{
    DemoList list(config);
    Measured measured;
    AddedCuits cuits;
    int added = 0;

    auto measureAll = [&](browser::FrmABMClientes *window) {
        measured.rows = window->list()->rowCount();
        QWidget *view = window->list()->currentView();
        view->setFocus();
        QTest::keyClick(view, Qt::Key_F11); // Qt sets up its keyboard handling on the first key; F11 does nothing here
        QCoreApplication::processEvents();

        QList<Alternation> saves;
        for (const Place &place : kPlaces) {
            if (place.sorted && window->model()->sortColumn() != kNombre)
                sortByHeader(*window, kNombre);
            const auto anchor = [&]() -> std::optional<Figures> {
                const QString cuit = cuits.next();
                const QString name = kAddedName.arg(++added);
                QElapsedTimer t;
                t.start();
                if (!floor.add(cuit, name))
                    return std::nullopt;
                return Figures{msSince(t)};
            };
            const auto save = [&] { return addFromList(*window, cuits.next(), kAddedName.arg(++added), floor); };
            const auto runs = alternate(anchor, save);
            if (!runs)
                break;
            saves.append(*runs);
        }
        if (saves.size() == kPlaceCount)
            measured.saves = saves;

        const auto query = [&]() -> std::optional<Figures> {
            QElapsedTimer t;
            t.start();
            const std::optional<qint64> rows = floor.pendingRows();
            if (rows != pendingRows)
                return std::nullopt;
            return Figures{msSince(t)};
        };
        const auto pending = [&] { return showPending(*window, pendingRows); };
        measured.pending = alternate(query, pending);
        window->unload();
    };

    if (!list.showAndMeasure(measureAll))
        return std::nullopt;
    return measured;
}

// The agents as the pending customers' query sees them.
struct AgentMix
{
    qint64 agents = 0;
    qint64 pending = 0;
    qint64 customers = 0;   // their document is a customer's CUIT
    qint64 withoutRole = 0; // not generated by an agent with role 2

    // Most agents pending, some already customers, some that the query leaves out by their generator's role.
    bool realistic() const { return 2 * pending > agents && customers > 0 && withoutRole > 0; }
};

std::optional<AgentMix> agentMix(Floor &floor)
{
    const auto agents = floor.count(QStringLiteral("select count(*) from QUENMARCONTABLE.AGENTES"));
    const auto pending = floor.pendingRows();
    const auto customers = floor.count(QStringLiteral(
        "select count(*) from QUENMARCONTABLE.AGENTES where Documento_Numero in (select cuit from clientes)"));
    const auto withoutRole = floor.count(
        QStringLiteral("select count(*) from QUENMARCONTABLE.AGENTES where GENERADORID is null or GENERADORID not in "
                       "(select ID_AGENTE from QUENMARCONTABLE.ROLES_AUTORIZADOS where ID_ROL = 2)"));
    if (!agents || !pending || !customers || !withoutRole)
        return std::nullopt;
    return AgentMix{*agents, *pending, *customers, *withoutRole};
}

double percent(qint64 part, qint64 whole)
{
    return whole > 0 ? 100.0 * double(part) / double(whole) : 0;
}

// Prints the pending customers' query plan; whether the customers' key
// answers the anti-join (NOT IN), each document looked up in it.
bool printPlan(Floor &floor)
{
    const QString key = floor.keyIndex();
    const QString lookup = key + QStringLiteral(" FOR IN-OPERATOR");
    bool usesKey = false;
    std::printf("\npending customers' query plan (EXPLAIN QUERY PLAN):\n");
    for (const QString &line : floor.plan(pendingCustomersSql())) {
        const bool relevant = !key.isEmpty() && line.contains(lookup, Qt::CaseInsensitive);
        usesKey = usesKey || relevant;
        std::printf("  %s%s\n", qPrintable(line), relevant ? "   <- NOT IN answered by the customers' key" : "");
    }
    std::printf("the anti-join looks each document up in the customers' key (%s): %s\n", qPrintable(key),
                usesKey ? "yes" : "NO");
    return usesKey;
}

// Prints the saves' runs and medians; whether F11 met its target at every place.
bool printSaves(const QList<Alternation> &saves, long long rows)
{
    std::printf("\nadding a customer, %lld customers: SQLite's keyed select and insert in a transaction (anchor) and "
                "the list's Insert and F11 timed in turn, %d times each after an untimed pass; medians below\n",
                rows, kTimedRuns);
    for (int p = 0; p < kPlaceCount; ++p) {
        const QByteArray f11 = QByteArray("F11, ") + kPlaces[p].label + ", runs (ms)";
        const QByteArray insert = QByteArray("Insert, ") + kPlaces[p].label + ", runs (ms)";
        printRuns(f11.constData(), "keyed select + insert", "new row selected", saves[p]);
        printRuns(insert.constData(), "new-customer window painted", saves[p].subject, kOpenedMs);
    }
    std::printf("\n%-40s", "list");
    for (const Place &place : kPlaces)
        std::printf("%16s", place.label);
    std::printf("%10s\n", "target");
    auto line = [&](const char *what, auto value, const char *format, const char *target) {
        std::printf("%-40s", what);
        for (const Alternation &a : saves)
            std::printf(format, value(a));
        std::printf("%10s\n", target);
    };
    line(
        "anchor: keyed select + insert (ms)", [](const Alternation &a) { return median(a.anchor); }, "%16.2f", "");
    line(
        "F11 to new row selected (ms)", [](const Alternation &a) { return median(a.subject); }, "%16.2f", "< 100");
    line(
        "  ratio to the anchor", [](const Alternation &a) { return a.ratio(); }, "%16.1f", "");
    line(
        "Insert to new-customer window (ms)", [](const Alternation &a) { return median(a.subject, kOpenedMs); },
        "%16.2f", "");
    return std::all_of(saves.cbegin(), saves.cend(),
                       [](const Alternation &a) { return median(a.subject) < kSaveTargetMs; });
}

// Prints the agents' mix and the pending customers' runs and medians; whether the window met its target.
bool printPending(const Alternation &pending, const AgentMix &mix)
{
    std::printf("\npending customers: %lld agents, %lld pending (%.0f%%), %lld already customers (%.0f%%), %lld "
                "not generated by an agent with role 2 (%.0f%%)\n",
                static_cast<long long>(mix.agents), static_cast<long long>(mix.pending),
                percent(mix.pending, mix.agents), static_cast<long long>(mix.customers),
                percent(mix.customers, mix.agents), static_cast<long long>(mix.withoutRole),
                percent(mix.withoutRole, mix.agents));
    std::printf("most pending, some customers, some without role 2: %s\n", mix.realistic() ? "yes" : "NO");
    printRuns("pending customers, runs (ms)", "query to its end", "pending window shown", pending);
    std::printf("%-40s%16.2f\n", "anchor: the query to its end (ms)", median(pending.anchor));
    std::printf("%-40s%16.2f%10s\n", "click to pending window shown (ms)", median(pending.subject), "< 1000");
    std::printf("%-40s%16.1f\n", "  ratio to the anchor", pending.ratio());
    return median(pending.subject) < kPendingTargetMs;
}

} // namespace

int main(int argc, char *argv[])
{
    return runOnDemoCustomers(argc, argv, kDefaultCustomers, [](qint64 customers, const QString &folder) {
        const QString personal = hostkit::BrokerConfig::embedded(folder).entity(kPersonal).database;
        const std::optional<QString> accounting
            = agentsDatabase(folder, std::max<qint64>(1, customers / kCustomersPerAgent));
        if (!accounting)
            return 1;
        Floor floor(personal, *accounting);
        const std::optional<qint64> leftOver = floor.attached() ? floor.deleteAdded() : std::nullopt;
        if (!leftOver)
            return 1;
        if (*leftOver > 0)
            std::printf("%lld customers left by a run cut short deleted\n", static_cast<long long>(*leftOver));
        const std::optional<AgentMix> mix = agentMix(floor);
        if (!mix)
            return 1;
        const bool usesKey = printPlan(floor);

        const std::optional<Measured> measured = measure(withAccounting(folder, *accounting), floor, mix->pending);
        const std::optional<qint64> deleted = floor.deleteAdded();
        if (!measured || !deleted)
            return 1;
        const bool savesMet = measured->saves && printSaves(*measured->saves, measured->rows);
        const bool pendingMet = measured->pending && printPending(*measured->pending, *mix);
        std::printf("\n%lld customers added by the runs deleted\n", static_cast<long long>(*deleted));
        std::printf("targets at %lld customers: %s%s\n", measured->rows, verdict(savesMet && pendingMet),
                    usesKey ? "" : "; the pending customers' query does not use the customers' key");
        if (!measured->saves)
            std::fprintf(stderr, "adding a customer was not measured\n");
        if (!measured->pending)
            std::fprintf(stderr, "the pending customers were not measured\n");
        if (!measured->saves || !measured->pending)
            return 1;
        return 0;
    });
}
