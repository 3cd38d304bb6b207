#include "felcora/taxregistercheck.h"

#include <QLocale>
#include <QStringList>

#include "core/registerstore.h"
#include "taxregister/registercheck.h"

namespace felcora {

namespace {

// A percentage of the register said every this many points.
constexpr int kPercentStep = 10;
constexpr int kFull = 100;
constexpr qint64 kMegabyte = qint64(1) << 20;

QString dateText(const QDate &date)
{
    return date.toString(QStringLiteral("dd/MM/yyyy"));
}

} // namespace

TaxRegisterCheck checkTaxRegister(IDataAccess &broker, ITransactions *transactions, const QString &zipPath,
                                  const QString &reportPath, const std::function<void(const QString &)> &status)
{
    const RegisterStore store(StoreContext{&broker, nullptr, transactions});
    // A report file in a format not offered is refused before the long work.
    if (!reportPath.isEmpty())
        tableexport::requireFormat(reportPath);
    int saidPercent = -kPercentStep;
    const auto progress = [&](taxregister::ImportPhase phase, qint64 done, qint64 total) {
        if (status && phase == taxregister::ImportPhase::Register && total > 0) {
            const int percent = int(done * kFull / total);
            if (percent >= saidPercent + kPercentStep) {
                saidPercent = percent - percent % kPercentStep;
                status(QStringLiteral("Leyendo el padrón: %1 %").arg(saidPercent));
            }
        }
        return true;
    };
    const taxregister::ImportResult import
        = taxregister::importRegister(store, zipPath, taxregister::defaultIndexPath(), progress);
    if (status)
        status(QStringLiteral("Controlando los clientes"));
    const taxregister::CheckReport report = taxregister::checkCustomers(store);

    TaxRegisterCheck check;
    check.registerDate = import.info.registerDate;
    check.lines = import.info.lines;
    check.damaged = import.info.damaged;
    check.firstDamaged = taxregister::damagedLinesText(import.firstDamaged);
    check.customers = report.customers;
    check.found = import.found;
    check.indexBytes = import.indexBytes;
    check.indexFailure = import.indexFailure;
    for (const taxregister::CheckRow &row : report.rows) {
        check.notRegistered += (row.kinds & kNotRegistered) != 0;
        check.vatDiffers += (row.kinds & kVatDiffers) != 0;
        check.nameDiffers += (row.kinds & kNameDiffers) != 0;
        check.badCheckDigit += (row.kinds & kBadCheckDigit) != 0;
    }
    if (!reportPath.isEmpty())
        check.reportRows = tableexport::exportTable(taxregister::checkTable(report.rows), reportPath).rowsWritten;
    return check;
}

QString taxRegisterCheckText(const TaxRegisterCheck &check)
{
    const QLocale locale;
    auto n = [&locale](qint64 count) { return locale.toString(count); };
    QStringList lines;
    lines << QStringLiteral("Padrón del %1: %2 líneas, %3 dañadas")
                 .arg(dateText(check.registerDate), n(check.lines), n(check.damaged));
    if (!check.firstDamaged.isEmpty())
        lines << QStringLiteral("Líneas dañadas: ") + check.firstDamaged
                + (check.damaged > taxregister::kMaxDamagedKept ? QStringLiteral("...") : QString());
    lines << QStringLiteral("Clientes: %1; en el padrón: %2").arg(n(check.customers), n(check.found));
    lines << QStringLiteral("No figuran en el padrón: %1").arg(n(check.notRegistered));
    lines << QStringLiteral("IVA distinto: %1").arg(n(check.vatDiffers));
    lines << QStringLiteral("Nombre distinto: %1").arg(n(check.nameDiffers));
    lines << QStringLiteral("CUIT inválido: %1").arg(n(check.badCheckDigit));
    if (check.indexBytes >= 0)
        lines << QStringLiteral("Índice del padrón completo: %1 MB")
                     .arg(n((check.indexBytes + kMegabyte / 2) / kMegabyte));
    if (!check.indexFailure.isEmpty())
        lines << QStringLiteral("No se pudo escribir el índice del padrón completo: ") + check.indexFailure;
    if (check.reportRows >= 0)
        lines << QStringLiteral("Informe: %1 clientes con observaciones").arg(n(check.reportRows));
    return lines.join(QLatin1Char('\n'));
}

} // namespace felcora
