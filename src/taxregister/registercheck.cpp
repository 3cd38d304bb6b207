#include "taxregister/registercheck.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>
#include <atomic>
#include <condition_variable>
#include <exception>
#include <mutex>
#include <thread>

#include "core/customerrules.h"
#include "felcora/cuit.h"
#include "felcora/error.h"
#include "felcora/hostcomponents.h"
#include "taxregister/registerindex.h"
#include "taxregister/registerzip.h"

namespace felcora::taxregister {

namespace {

// How many customers go between two calls of the progress, and how many
// snapshot lines one step writes.
constexpr qint64 kCustomersPerProgress = 10'000;
constexpr qsizetype kLinesPerStep = 5'000;

QString fieldText(const char *bytes, qsizetype width)
{
    return QString::fromLatin1(fieldOf(bytes, width));
}

// The master's CUITs, read once for the scan.
CuitSet readCustomerCuits(const RegisterStore &store, const ImportProgress &progress, bool &cancelled)
{
    CuitSet master;
    const std::unique_ptr<IRecordset> rs = store.openCustomerCuits();
    qint64 read = 0;
    for (; rs && !rs->Eof(); rs->MoveNext()) {
        const QByteArrayView cuit = rs->textUtf8(0);
        master.insert(QString::fromUtf8(cuit));
        if (++read % kCustomersPerProgress == 0 && progress && !progress(ImportPhase::Customers, read, 0)) {
            cancelled = true;
            break;
        }
    }
    return master;
}

// The scan of the register on a thread of its own, so that reading the zip
// and writing the database overlap; the customers it finds wait here for the
// writer, and its progress and its end are told to the thread that made it.
class ScanThread
{
public:
    ScanThread(const QString &zipPath, const CuitSet &master, RegisterIndexWriter *index)
        : m_thread([this, zipPath, &master, index] { run(zipPath, master, index); })
    {
    }
    // Stops a scan still going (a cancel, a failure of the writer) and waits for it.
    ~ScanThread()
    {
        m_stop = true;
        m_thread.join();
    }
    ScanThread(const ScanThread &) = delete;
    ScanThread &operator=(const ScanThread &) = delete;

    // Waits a moment for a batch of customers; true once the scan has ended.
    bool waitForLines()
    {
        std::unique_lock lock(m_mutex);
        m_ready.wait_for(lock, kPollInterval, [this] { return m_ended || qsizetype(m_found.size()) >= kLinesPerStep; });
        return m_ended;
    }
    std::vector<RegisterLine> takeLines()
    {
        const std::lock_guard lock(m_mutex);
        return std::exchange(m_found, {});
    }
    qint64 bytesRead() const { return m_read; }
    qint64 bytesTotal() const { return m_total; }
    // Once ended: what the scan counted, or its failure thrown here.
    RegisterScan result()
    {
        const std::lock_guard lock(m_mutex);
        if (m_failure)
            std::rethrow_exception(m_failure);
        return m_scan;
    }

private:
    void run(const QString &zipPath, const CuitSet &master, RegisterIndexWriter *index)
    {
        const auto progress = [this](quint64 done, quint64 total) {
            m_read = qint64(done);
            m_total = qint64(total);
            return !m_stop;
        };
        const auto found = [this](const RegisterLine &line) {
            const std::lock_guard lock(m_mutex);
            m_found.push_back(line);
            if (qsizetype(m_found.size()) == kLinesPerStep)
                m_ready.notify_one();
        };
        RegisterScan scan;
        std::exception_ptr failure;
        try {
            scan = scanRegister(zipPath, master, index, progress, found);
        } catch (...) {
            failure = std::current_exception();
        }
        const std::lock_guard lock(m_mutex);
        m_scan = std::move(scan);
        m_failure = failure;
        m_ended = true;
        m_ready.notify_one();
    }

    static constexpr std::chrono::milliseconds kPollInterval{50};
    std::mutex m_mutex;
    std::condition_variable m_ready;
    std::vector<RegisterLine> m_found;
    bool m_ended = false;
    RegisterScan m_scan;
    std::exception_ptr m_failure;
    std::atomic<bool> m_stop{false};
    std::atomic<qint64> m_read{0};
    std::atomic<qint64> m_total{0};
    std::thread m_thread; // last: it starts once the rest is made
};

} // namespace

QString defaultIndexPath()
{
    const QString named = qEnvironmentVariable("FELCORA_PADRON_INDICE");
    if (!named.isEmpty())
        return named;
    return QDir(QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation))
        .filePath(QStringLiteral("TARVIS/RecordBroker/padron.indice"));
}

RegisterRecord recordOf(const RegisterLine &line)
{
    return {QStringLiteral("%1").arg(line.cuit, kCuitLength, 10, QLatin1Char('0')),
            fieldText(line.name, line.nameLength),
            fieldText(line.incomeTax, kCodeWidth),
            fieldText(line.vat, kCodeWidth),
            fieldText(line.simplified, kCodeWidth),
            fieldText(&line.partner, 1),
            fieldText(&line.employer, 1),
            fieldText(line.activity, kCodeWidth)};
}

ImportResult importRegister(const RegisterStore &store, const QString &zipPath, const QString &indexPath,
                            const ImportProgress &progress)
{
    ImportResult result;
    // The zip is looked at before anything is read, so that a file that is no
    // register is refused at once; its date goes into the index's header.
    const QDate registerDate = RegisterZip(zipPath).entryDate();

    const CuitSet master = readCustomerCuits(store, progress, result.cancelled);
    if (result.cancelled)
        return result;
    result.customers = master.size();

    std::unique_ptr<RegisterIndexWriter> index;
    if (!indexPath.isEmpty()) {
        QDir().mkpath(QFileInfo(indexPath).absolutePath());
        index = std::make_unique<RegisterIndexWriter>(indexPath, registerDate);
    }
    // The snapshot is written while the register is read: what the scan finds
    // goes into the transaction as it comes.
    RegisterStore::Replacement snapshot(store);
    snapshot.begin();
    ScanThread scan(zipPath, master, index.get());
    for (bool ended = false; !ended;) {
        ended = scan.waitForLines();
        const std::vector<RegisterLine> lines = scan.takeLines();
        snapshot.add(lines);
        result.found += qint64(lines.size());
        if (progress && !progress(ImportPhase::Register, scan.bytesRead(), scan.bytesTotal())) {
            result.cancelled = true;
            return result; // the scan stops, and the replacement rolls back as it goes
        }
    }
    const RegisterScan scanned = scan.result();
    if (progress)
        progress(ImportPhase::Snapshot, result.found, result.found);
    result.repeated = scanned.repeated;
    result.firstDamaged = scanned.firstDamaged;
    result.info = {scanned.registerDate, QFileInfo(zipPath).fileName(), QDateTime::currentDateTime(), scanned.lines,
                   scanned.damaged};
    snapshot.setInfo(result.info);
    snapshot.commit();

    // The snapshot is in: an index that cannot be written is said, not thrown,
    // since the import itself is done.
    if (index) {
        try {
            result.indexBytes = index->finish();
        } catch (const Error &e) {
            result.indexFailure = e.description();
        }
    }
    return result;
}

QString damagedLinesText(const QList<DamagedLine> &lines)
{
    QStringList said;
    for (const DamagedLine &line : lines) {
        QString what;
        switch (line.status) {
        case LineStatus::Short: what = QStringLiteral("corta"); break;
        case LineStatus::Long: what = QStringLiteral("larga"); break;
        case LineStatus::BadCuit: what = QStringLiteral("CUIT no numérico"); break;
        case LineStatus::BadActivity: what = QStringLiteral("actividad ilegible"); break;
        case LineStatus::Valid:
        case LineStatus::Empty: continue;
        }
        said << QStringLiteral("%1 (%2)").arg(line.number).arg(what);
    }
    return said.join(QStringLiteral(", "));
}

CheckReport checkCustomers(const RegisterStore &store, const ImportProgress &progress)
{
    CheckReport report;
    report.snapshot = store.snapshot();
    if (!report.snapshot)
        return report;
    const std::unique_ptr<IRecordset> rs = store.openCheck();
    if (!rs)
        return report;
    const RegisterStore::SnapshotColumns registered(*rs);
    const int cuit = rs->fieldIndex(QStringLiteral("cliente_cuit"));
    const int name = rs->fieldIndex(QStringLiteral("cliente_nombre"));
    const int condiva = rs->fieldIndex(QStringLiteral("condiva"));
    const int registeredCuit = registered.at[0];
    for (; !rs->Eof(); rs->MoveNext()) {
        CheckRow row;
        row.cuit = QString::fromUtf8(rs->textUtf8(cuit));
        row.name = QString::fromUtf8(rs->textUtf8(name));
        row.condiva = QString::fromUtf8(rs->textUtf8(condiva)).trimmed();
        if (!rs->isNull(registeredCuit))
            row.registered = RegisterStore::recordAt(*rs, registered);
        row.kinds = findingsOf(row.cuit, row.name, row.condiva, row.registered ? &*row.registered : nullptr);
        if (row.kinds != 0)
            report.rows.append(std::move(row));
        if (++report.customers % kCustomersPerProgress == 0 && progress
            && !progress(ImportPhase::Customers, report.customers, 0)) {
            report.cancelled = true;
            break;
        }
    }
    return report;
}

QString condivaText(const QString &condiva)
{
    const int position = conditions::positionOf(conditions::kMaria, condiva);
    return position == conditions::kNone ? QStringLiteral("(sin condición)") : conditions::mariaTexts().at(position);
}

tableexport::TableSource checkTable(const QList<CheckRow> &rows)
{
    tableexport::TableSource table;
    table.headers = {QStringLiteral("Cliente"),          QStringLiteral("CUIT"),
                     QStringLiteral("Observación"),      QStringLiteral("IVA en el maestro"),
                     QStringLiteral("IVA en el padrón"), QStringLiteral("Nombre en el padrón")};
    table.rowCount = rows.size();
    table.textColumns = {kCheckCuit};
    table.sheetName = QStringLiteral("Control contra el padrón");
    table.text = [&rows](qsizetype at, int column) -> QString {
        const CheckRow &row = rows[at];
        switch (column) {
        case kCheckName: return row.name;
        case kCheckCuit: return row.cuit;
        case kCheckFindings: return findingsText(row.kinds);
        case kCheckMasterVat: return condivaText(row.condiva);
        case kCheckRegisterVat: return row.registered ? registerVatText(*row.registered) : QString();
        case kCheckRegisterName: return row.registered ? row.registered->name : QString();
        default: return {};
        }
    };
    return table;
}

std::optional<RegisterAnswer> lookUpCuit(const RegisterStore &store, const QString &indexPath, const QString &cuit)
{
    const QString digits = cuit.trimmed();
    if (!isValidCuit(digits))
        return std::nullopt;
    if (const std::unique_ptr<RegisterIndex> index = indexPath.isEmpty() ? nullptr : RegisterIndex::open(indexPath)) {
        const std::optional<RegisterLine> line = index->find(digits.toULongLong());
        if (!line)
            return std::nullopt;
        return RegisterAnswer{recordOf(*line), index->registerDate()};
    }
    const std::optional<SnapshotInfo> snapshot = store.snapshot();
    if (!snapshot)
        return std::nullopt;
    const std::optional<RegisterRecord> record = store.find(digits);
    if (!record)
        return std::nullopt;
    return RegisterAnswer{*record, snapshot->registerDate};
}

} // namespace felcora::taxregister
