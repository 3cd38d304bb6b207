#include "basGlobalDeclaracion.h"

#include <QDialog>
#include <QWidget>

#include "componentstate.h"
#include "felcora/numerictext.h"

namespace felcora {

void DescargarFormulario(QWidget *&window)
{
    if (!window)
        return;
    auto &windows = state().windows;
    for (auto it = windows.begin(); it != windows.end();) {
        if (it.value() == window || it.value().isNull())
            it = windows.erase(it);
        else
            ++it;
    }
    if (auto *dialog = qobject_cast<QDialog *>(window))
        dialog->done(QDialog::Rejected);
    window->hide();
    window->deleteLater();
    window = nullptr;
}

QString EsNumeroANSI(const QVariant &Valor, const QString &Entidad)
{
    int line = 1;
    try {
        QString entity = Entidad;
        const QString reported = state().broker().getDecimalSeparatorbyEntity(entity);

        line = 2;
        const QString text = Valor.isNull() ? QString() : Valor.toString();
        const auto parsed = NumericText::parse(text);
        if (!parsed)
            return QStringLiteral("0");

        line = 3;
        QString separator = reported.trimmed();
        if (separator.isEmpty())
            separator = QStringLiteral(".");
        const bool bothMarks = text.contains(u',') && text.contains(u'.');

        line = 4;
        QString literal;
        literal.reserve(text.size());
        for (qsizetype k = 0; k < text.size(); ++k) {
            const QChar c = text.at(k);
            const bool isMark = c == u',' || c == u'.';
            const bool isGroup = parsed->groupMarks.contains(int(k));
            // Group separators go when the text mixes marks, and always when
            // they are not marks at all (a blank or another sign of the locale).
            if (isGroup && (bothMarks || !isMark))
                continue;
            if (isMark)
                literal += separator;
            else
                literal += c;
        }
        return literal;
    } catch (const Error &e) {
        throw Error(errnum::kEsNumeroANSI,
                    QStringLiteral("[ FELCORA.basGlobalDeclaracion.EsNumeroANSI Linea %1 ]").arg(line) + e.source(),
                    e.description());
    } catch (const std::exception &e) {
        throw Error(errnum::kEsNumeroANSI,
                    QStringLiteral("[ FELCORA.basGlobalDeclaracion.EsNumeroANSI Linea %1 ]").arg(line),
                    QString::fromLocal8Bit(e.what()));
    }
}

QString FormatoNumericoSQL(const QString &Entidad, const QString &Campo, const QString &Mascara)
{
    const qsizetype point = Mascara.indexOf(u'.') + 1; // 0 when the mask has no point
    qint32 decimals = qint32(Mascara.size() - point);
    const QString expression = state().broker().getNumberFormatbyEntity(Entidad, QStringLiteral("999,999"), decimals);
    return QString(expression).replace(QStringLiteral("999.999"), Campo);
}

} // namespace felcora
