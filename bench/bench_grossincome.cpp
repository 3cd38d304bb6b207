// The gross-income window of one customer with 1,000,000 demo customers (or
// the count given as first argument): the window opened up to its first paint
// with the customer's 24 distribution lines, and Esc, after a new inscription
// number was typed, up to the window closed with the shares summed and the
// customer's row updated. The customer gets one line per jurisdiction, with
// shares that sum to exactly 1 with 4 decimals, so that Esc asks nothing.
// Opening reads the customer's row by its key, its lines by their key and the
// jurisdictions' names; Esc sums the lines by their key and updates the row
// by its key: the anchor is SQLite running the same statements on the same
// files through connections of its own. Anchor and window are timed in turn,
// three times each after one untimed pass of each, and compared by their
// medians: the ratio holds on any machine, however loaded. The lines and the
// customer's columns are put back as they were at the end.

#include <QAbstractItemModel>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSaveFile>
#include <QTreeView>

#include <sqlite3.h>

#include <cstdio>
#include <memory>
#include <optional>

#include "benchsupport.h"
#include "core/grossincomerules.h"
#include "core/grossincomestatements.h"
#include "core/grossincomestore.h"
#include "felcora/hostcomponents.h"
#include "felcora/hostkit/brokerconfig.h"
#include "felcora/hostkit/hostkit.h"
#include "felcora/hostkit/recordbroker.h"
#include "felcora/registry.h"
#include "grossincome/distributionmodel.h"
#include "grossincome/grossincome.h"

using namespace felcora;
using namespace felcora::bench;

namespace {

constexpr double kTargetMs = 50;
constexpr qint64 kDefaultCustomers = 1000000;

const QString kPersonal = QStringLiteral("PERSONAL");
const QString kSystables = QStringLiteral("SYSTABLAS");
const QString kWindow = QStringLiteral("FrmIngresosBrutos");
const QString kInscriptionBox = QStringLiteral("TxtNumIns");
const QString kLinesList = QStringLiteral("lstConceptos");

// The customer's distribution: one line for each jurisdiction, numbered from
// kFirstJurisdiction, each with kLineShare ten-thousandths but the last,
// which takes what makes the sum exactly 1.
constexpr int kFirstJurisdiction = 901;
constexpr int kJurisdictions = 24;
constexpr int kWholeShare = 10000;
constexpr int kLineShare = 417;
constexpr int kLastShare = kWholeShare - (kJurisdictions - 1) * kLineShare;
static_assert(kLastShare > 0);

// The SQLite expression the sum rounds each share with, as the data access writes it for SQLite.
const QString kShareWithDecimals = QStringLiteral("round(DIBVALOR, 4)");

// The inscription numbers each run types, its own in every run so that every Esc changes the row.
const QString kWindowInscription = QStringLiteral("9%1");
const QString kAnchorInscription = QStringLiteral("8%1");
constexpr int kInscriptionDigits = 8;

// Where the window's query of the customer's columns (CIB, CML, NIN) has the inscription number.
constexpr int kNinColumn = 2;
// The inscription number the customer has before the runs.
const QString kFirstInscription = QStringLiteral("1");

// The figures of a run, anchor and window alike: the opening, then Esc.
enum GrossIncomeFigure { kOpenMs, kCloseMs };

QString jurisdiction(int line)
{
    return QString::number(kFirstJurisdiction + line);
}

GrossIncomeData inscribed(const QString &inscription)
{
    return {grossincome::kInscripto, true, inscription};
}

// The customer's columns the runs change, kept as SQL literals while they
// work, in a file of the demo folder: a run cut short leaves it, and the
// next one puts the customer back from it first.
const QString kKeptFile = QStringLiteral("grossincome-customer.json");
const QString kKeptCuit = QStringLiteral("cuit");
const QString kKeptColumns = QStringLiteral("columns");
constexpr int kKeptColumnCount = 4; // CIB, CML, NIN, ingbru

// SQLite alone on the customer and jurisdiction databases, through
// connections of its own, running the statements the window runs.
class Floor
{
public:
    Floor(const QString &personal, const QString &systables, QString keptFile)
        : m_personal(personal)
        , m_systables(systables)
        , m_keptFile(std::move(keptFile))
    {
    }

    // The window's opening: the customer's columns, its lines and the
    // jurisdictions, every row read to its end; the lines read, nothing when
    // a query failed or found no customer or other than every jurisdiction.
    std::optional<qint64> open(const QString &cuit)
    {
        Statement customer(m_personal, grossIncomeSql(cuit));
        Statement lines(m_personal, distributionSql(cuit));
        Statement names(m_systables, jurisdictionsSql());
        const std::optional<qint64> customerRows = customer.readToEnd();
        const std::optional<qint64> lineRows = lines.readToEnd();
        if (customerRows != 1 || names.readToEnd() != kJurisdictions)
            return std::nullopt;
        return lineRows;
    }

    // Esc: the shares summed, and the customer's columns stored when they sum to 1.
    bool close(const QString &cuit, const QString &inscription)
    {
        Statement sum(m_personal, distributionSumSql(cuit, kShareWithDecimals));
        if (sum.step() != SQLITE_ROW || !sumIsOne(sqlite3_column_double(sum.handle(), 0)))
            return false;
        return change(updateGrossIncomeSql(inscribed(inscription), cuit)) == 1;
    }

    // The inscription number stored for the customer.
    std::optional<QString> inscription(const QString &cuit)
    {
        Statement query(m_personal, grossIncomeSql(cuit));
        if (query.step() != SQLITE_ROW)
            return std::nullopt;
        return QString::fromUtf8(reinterpret_cast<const char *>(sqlite3_column_text(query.handle(), kNinColumn)));
    }

    // The customer count, and the customer the benchmark works on: the first
    // from the middle of the customers' key that has no lines.
    std::optional<qint64> customers()
    {
        Statement count(m_personal, QStringLiteral("select count(*) from clientes"));
        if (count.step() != SQLITE_ROW)
            return std::nullopt;
        return sqlite3_column_int64(count.handle(), 0);
    }
    std::optional<QString> customerWithoutLines(qint64 customers)
    {
        Statement query(m_personal,
                        QStringLiteral("select cuit from clientes c where cuit >= (select cuit from "
                                       "clientes order by cuit limit 1 offset %1) and not exists (select "
                                       "1 from DIB where CLICUI = c.cuit) order by cuit limit 1")
                            .arg(customers / 2));
        if (query.step() != SQLITE_ROW)
            return std::nullopt;
        return QString::fromUtf8(reinterpret_cast<const char *>(sqlite3_column_text(query.handle(), 0)));
    }

    // Keeps the customer's columns, then makes it inscribed under the
    // Convenio Multilateral with its line for each jurisdiction.
    bool giveLines(const QString &cuit)
    {
        Statement kept(m_personal,
                       QStringLiteral("select quote(CIB), quote(CML), quote(NIN), quote(ingbru) from clientes "
                                      "where cuit = ?"));
        if (!kept.bind(1, cuit) || kept.step() != SQLITE_ROW)
            return false;
        QJsonArray columns;
        for (int c = 0; c < sqlite3_column_count(kept.handle()); ++c)
            columns.append(QString::fromUtf8(reinterpret_cast<const char *>(sqlite3_column_text(kept.handle(), c))));
        QSaveFile file(m_keptFile);
        if (!file.open(QIODevice::WriteOnly)
            || file.write(QJsonDocument(QJsonObject{{kKeptCuit, cuit}, {kKeptColumns, columns}}).toJson()) < 0
            || !file.commit()) {
            std::fprintf(stderr, "%s: %s\n", qPrintable(m_keptFile), qPrintable(file.errorString()));
            return false;
        }

        if (!m_personal.exec("begin immediate"))
            return false;
        bool given = change(updateGrossIncomeSql(inscribed(kFirstInscription), cuit)) == 1;
        for (int line = 0; given && line < kJurisdictions; ++line) {
            const int share = line == kJurisdictions - 1 ? kLastShare : kLineShare;
            Statement insert(m_personal,
                             QStringLiteral("insert into DIB (CLICUI, JRDNRO, DIBVALOR, DIBEXENTO) values "
                                            "(?, ?, %1, 0)")
                                 .arg(double(share) / kWholeShare));
            given = insert.bind(1, cuit) && insert.bind(2, jurisdiction(line)) && insert.step() == SQLITE_DONE;
        }
        return m_personal.exec(given ? "commit" : "rollback") && given;
    }

    // Removes the lines of the customer kept and puts its columns back; true
    // when there is nothing to put back.
    bool putBack()
    {
        QFile file(m_keptFile);
        if (!file.exists())
            return true;
        const QJsonObject kept
            = file.open(QIODevice::ReadOnly) ? QJsonDocument::fromJson(file.readAll()).object() : QJsonObject();
        const QString cuit = kept.value(kKeptCuit).toString();
        QStringList columns;
        for (const QJsonValue &column : kept.value(kKeptColumns).toArray())
            columns.append(column.toString());
        if (cuit.isEmpty() || columns.size() != kKeptColumnCount) {
            std::fprintf(stderr, "%s does not hold a customer's columns\n", qPrintable(m_keptFile));
            return false;
        }
        Statement lines(m_personal, QStringLiteral("delete from DIB where CLICUI = ?"));
        Statement update(m_personal,
                         QStringLiteral("update clientes set CIB = %1, CML = %2, NIN = %3, ingbru = %4 "
                                        "where cuit = ?")
                             .arg(columns[0], columns[1], columns[2], columns[3]));
        const bool done = lines.bind(1, cuit) && lines.step() == SQLITE_DONE && update.bind(1, cuit)
            && update.step() == SQLITE_DONE && sqlite3_changes64(m_personal.handle()) == 1;
        return done && file.remove();
    }

private:
    // Runs a statement that returns no rows; the rows it changed, nothing on failure.
    std::optional<qint64> change(const QString &sql)
    {
        Statement statement(m_personal, sql);
        if (statement.step() != SQLITE_DONE)
            return std::nullopt;
        return sqlite3_changes64(m_personal.handle());
    }

    SqliteConnection m_personal;
    SqliteConnection m_systables;
    QString m_keptFile;
};

// Why the window does not show the customer's lines, each with its
// jurisdiction's number and name; empty when it does.
QString linesNotShown(QWidget *window)
{
    const auto *list = window->findChild<QTreeView *>(kLinesList);
    if (!list || !list->isVisible() || !list->model())
        return QStringLiteral("no list of lines shown");
    const QAbstractItemModel *model = list->model();
    if (model->rowCount() != kJurisdictions)
        return QStringLiteral("the window shows %1 lines, not %2").arg(model->rowCount()).arg(kJurisdictions);
    for (int row = 0; row < kJurisdictions; ++row) {
        const QString number = model->index(row, grossincome::kCodColumn).data().toString();
        const QString name = model->index(row, grossincome::kJurisdiccionColumn).data().toString();
        if (number != jurisdiction(row) || name.isEmpty())
            return QStringLiteral("line %1 shows \"%2 %3\"").arg(row).arg(number, name);
    }
    return {};
}

// One opening of the window: its 24 lines checked once painted, the
// inscription number typed, Esc. Figures (GrossIncomeFigure): the opening to
// the first paint done, Esc to the window closed. Nothing, with the reason
// printed, when a step failed or the number was not stored.
std::optional<Figures> throughWindow(const GrossIncomeStore &store, const QString &cuit, const QString &inscription,
                                     Floor &floor)
{
    QString typed;
    const SaveThroughWindow save
        = saveThroughWindow([&] { grossincome::showGrossIncome(store, cuit, nullptr); }, kWindow,
                            [&](QWidget *window) {
                                const QString notShown = linesNotShown(window);
                                if (!notShown.isEmpty())
                                    return notShown;
                                const std::optional<QString> box = typeInto(window, kInscriptionBox, inscription);
                                typed = box.value_or(QString());
                                return box ? QString() : QStringLiteral("no inscription box");
                            },
                            Qt::Key_Escape);
    const QString failure = [&]() -> QString {
        if (!save.failure.isEmpty())
            return save.failure;
        if (typed != inscription)
            return QStringLiteral("the inscription box took \"%1\", not \"%2\"").arg(typed, inscription);
        if (floor.inscription(cuit) != typed)
            return QStringLiteral("the inscription number \"%1\" was not stored").arg(typed);
        return {};
    }();
    if (!failure.isEmpty()) {
        std::fprintf(stderr, "gross income of %s: %s\n", qPrintable(cuit), qPrintable(failure));
        return std::nullopt;
    }
    return Figures{save.openedMs, save.savedMs};
}

struct Measured
{
    Alternation runs;
    qint64 customers = 0;
};

// The window against the floor on the same customer, in turn.
std::optional<Measured> measure(const QString &folder)
{
    const hostkit::BrokerConfig config = hostkit::BrokerConfig::embedded(folder);
    Floor floor(config.entity(kPersonal).database, config.entity(kSystables).database,
                QDir(folder).filePath(kKeptFile));
    if (!floor.putBack()) // what a run cut short left
        return std::nullopt;

    // What the modify window hands the gross-income window: the data access and the format component.
    hostkit::registerHostComponents();
    hostkit::RecordBroker broker;
    broker.useConfig(config);
    const std::unique_ptr<QObject> molde(registry::createObject(QString::fromLatin1(components::kFormat)));
    auto *format = qobject_cast<IFormat *>(molde.get());
    if (!format) {
        std::fprintf(stderr, "the format component is no IFormat\n");
        return std::nullopt;
    }
    GrossIncomeStore store({&broker, format, nullptr});

    Measured measured;
    const std::optional<qint64> customers = floor.customers();
    const std::optional<QString> cuit = customers ? floor.customerWithoutLines(*customers) : std::nullopt;
    if (!cuit) {
        std::fprintf(stderr, "no customer without lines\n");
        return std::nullopt;
    }
    measured.customers = *customers;

    int run = 0;
    const auto number
        = [&run](const QString &pattern) { return pattern.arg(++run, kInscriptionDigits, 10, QLatin1Char('0')); };
    const auto anchor = [&]() -> std::optional<Figures> {
        const QString inscription = number(kAnchorInscription);
        QElapsedTimer t;
        t.start();
        const std::optional<qint64> lines = floor.open(*cuit);
        const double openMs = msSince(t);
        if (lines != kJurisdictions) {
            std::fprintf(stderr, "SQLite read %lld lines, not %d\n", static_cast<long long>(lines.value_or(-1)),
                         kJurisdictions);
            return std::nullopt;
        }
        t.restart();
        if (!floor.close(*cuit, inscription)) {
            std::fprintf(stderr, "SQLite's sum or update failed\n");
            return std::nullopt;
        }
        return Figures{openMs, msSince(t)};
    };
    const auto window = [&] { return throughWindow(store, *cuit, number(kWindowInscription), floor); };

    std::optional<Alternation> runs;
    if (floor.giveLines(*cuit))
        runs = alternate(anchor, window);
    else
        std::fprintf(stderr, "the lines of %s could not be written\n", qPrintable(*cuit));
    if (!floor.putBack())
        std::fprintf(stderr, "customer %s was not put back as it was\n", qPrintable(*cuit));
    if (!runs)
        return std::nullopt;
    measured.runs = *runs;
    return measured;
}

// Measures, then prints the runs, the medians against the targets and whether they were met.
int measureAndReport(qint64, const QString &folder)
{
    const std::optional<Measured> measured = measure(folder);
    if (!measured)
        return 1;

    const Alternation opening = measured->runs.ofFigure(kOpenMs);
    const Alternation closing = measured->runs.ofFigure(kCloseMs);
    std::printf("\ngross income of a customer with %d lines, %lld customers: SQLite's keyed reads, sum and update "
                "(anchor) and the window timed in turn, %d times each after an untimed pass; the table shows "
                "medians\n",
                kJurisdictions, static_cast<long long>(measured->customers), kTimedRuns);
    printRuns("opening, runs (ms)", "keyed reads", "window", opening);
    printRuns("Esc, runs (ms)", "sum + keyed update", "window", closing);

    const QByteArray target = "< " + QByteArray::number(kTargetMs);
    std::printf("\n%-44s%10s%10s\n", "", "median", "target");
    std::printf("%-44s%10.2f\n", "anchor: customer, lines, jurisdictions (ms)", median(opening.anchor));
    std::printf("%-44s%10.2f%10s\n", "window opened, its lines painted (ms)", median(opening.subject),
                target.constData());
    std::printf("%-44s%10.1f\n", "  ratio to the anchor", opening.ratio());
    std::printf("%-44s%10.2f\n", "anchor: sum + keyed update (ms)", median(closing.anchor));
    std::printf("%-44s%10.2f%10s\n", "Esc to window closed, row stored (ms)", median(closing.subject),
                target.constData());
    std::printf("%-44s%10.1f\n", "  ratio to the anchor", closing.ratio());

    const bool met = median(opening.subject) < kTargetMs && median(closing.subject) < kTargetMs;
    std::printf("\ntargets at %lld customers: %s\n", static_cast<long long>(measured->customers), verdict(met));
    return 0;
}

} // namespace

int main(int argc, char *argv[])
{
    return runOnDemoCustomers(argc, argv, kDefaultCustomers, measureAndReport);
}
