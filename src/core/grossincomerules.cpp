#include "core/grossincomerules.h"

namespace felcora {

namespace {

// The total that marks a distribution as complete in the total line.
constexpr double kExactTotal = 1.5;
// A double's plain text as people read it.
constexpr int kPlainNumberDigits = 15;

} // namespace

QString shareText(double share, const QLocale &locale)
{
    QLocale plain = locale;
    plain.setNumberOptions(QLocale::OmitGroupSeparator);
    return plain.toString(share, 'f', grossincome::kShareDecimals);
}

double shownShare(double share)
{
    // Through the text, as a person reads it: the decimal rounding of the stored double.
    return QString::number(share, 'f', grossincome::kShareDecimals).toDouble();
}

double distributionTotal(const QList<DistributionLine> &lines)
{
    double total = 0.0;
    for (const DistributionLine &line : lines)
        total += shownShare(line.share);
    return total;
}

TotalShade totalShade(double total)
{
    if (total == 0.0)
        return TotalShade::Empty;
    if (total > 0.0 && total < kExactTotal)
        return TotalShade::Partial;
    if (total == kExactTotal)
        return TotalShade::Exact;
    return TotalShade::Over;
}

bool sumIsOne(double sum)
{
    return QString::number(sum, 'f', grossincome::kShareDecimals)
        == QString::number(1.0, 'f', grossincome::kShareDecimals);
}

QString sumQuestion(double sum)
{
    return QStringLiteral("La suma total da ") + QString::number(sum, 'g', kPlainNumberDigits)
        + QStringLiteral(" para transferir al maria debe sumar 1 (uno)\r\n\r\ndesea salir?");
}

QStringList changedGrossIncome(const GrossIncomeData &loaded, const GrossIncomeData &data)
{
    QStringList captions;
    if (loaded.condition != data.condition)
        captions << QStringLiteral("Condición frente a ingresos brutos");
    if (loaded.convenio != data.convenio)
        captions << QStringLiteral("Convenio Multilateral");
    if (loaded.inscription != data.inscription)
        captions << QStringLiteral("Número e Inscripción");
    return captions;
}

QString inscriptionText(const QString &typed)
{
    return QString(typed).replace(u'\'', u' ');
}

} // namespace felcora
