#include "core/registerstatements.h"

#include <QStringList>

#include "core/registerstore.h"
#include "core/sqltext.h"
#include "felcora/cuit.h"
#include "taxregister/registerline.h"

namespace felcora {

namespace {
const QString kSnapshotColumns
    = QStringLiteral("cuit, nombre, ganancias, iva, monotributo, integrante, empleador, actividad");
const QString kInfoColumns = QStringLiteral("fecha, archivo, importado, lineas, danadas");
const QString kDateFormat = QStringLiteral("yyyy-MM-dd");
const QString kTimeFormat = QStringLiteral("yyyy-MM-dd HH:mm:ss");
} // namespace

QString createSnapshotTableSql()
{
    return QStringLiteral("create table padron (cuit varchar(11) not null primary key, "
                          "nombre varchar(30), ganancias varchar(2), iva varchar(2), monotributo varchar(2), "
                          "integrante varchar(1), empleador varchar(1), actividad varchar(2))");
}

QString createSnapshotInfoTableSql()
{
    return QStringLiteral("create table padron_archivo (fecha varchar(10), archivo varchar(255), "
                          "importado varchar(19), lineas bigint, danadas bigint)");
}

QString probeSnapshotTableSql()
{
    return QStringLiteral("select cuit from padron where 1 = 0");
}

QString probeSnapshotInfoTableSql()
{
    return QStringLiteral("select fecha from padron_archivo where 1 = 0");
}

QString deleteSnapshotSql()
{
    return QStringLiteral("delete from padron");
}

QString deleteSnapshotInfoSql()
{
    return QStringLiteral("delete from padron_archivo");
}

QString insertSnapshotSql(std::span<const taxregister::RegisterLine> lines)
{
    // Written straight from the line's bytes, as recordOf reads them: a
    // million customers make some seventy million characters of statements.
    constexpr qsizetype kCharactersPerLine = 80;
    QString sql = QStringLiteral("insert into padron (") + kSnapshotColumns + QStringLiteral(") values ");
    sql.reserve(sql.size() + qsizetype(lines.size()) * kCharactersPerLine);
    const auto field = [&sql](const char *bytes, qsizetype length) {
        sql += QLatin1Char('\'');
        for (const char c : taxregister::fieldOf(bytes, length)) {
            if (c == '\'')
                sql += QLatin1Char('\'');
            sql += QLatin1Char(c);
        }
        sql += QLatin1Char('\'');
    };
    bool first = true;
    for (const taxregister::RegisterLine &line : lines) {
        sql += first ? QStringLiteral("('") : QStringLiteral(",('");
        first = false;
        sql += QStringLiteral("%1',").arg(line.cuit, kCuitLength, 10, QLatin1Char('0'));
        field(line.name, line.nameLength);
        for (const auto &[code, width] : {std::pair{line.incomeTax, taxregister::kCodeWidth},
                                          {line.vat, taxregister::kCodeWidth},
                                          {line.simplified, taxregister::kCodeWidth},
                                          {&line.partner, 1},
                                          {&line.employer, 1},
                                          {line.activity, taxregister::kCodeWidth}}) {
            sql += QLatin1Char(',');
            field(code, width);
        }
        sql += QLatin1Char(')');
    }
    return sql;
}

QString insertSnapshotInfoSql(const SnapshotInfo &info)
{
    return QStringLiteral("insert into padron_archivo (") + kInfoColumns + QStringLiteral(") values (")
        + sqlText(info.registerDate.toString(kDateFormat)) + QLatin1Char(',') + sqlText(info.fileName)
        + QLatin1Char(',') + sqlText(info.importedAt.toString(kTimeFormat)) + QLatin1Char(',')
        + QString::number(info.lines) + QLatin1Char(',') + QString::number(info.damaged) + QLatin1Char(')');
}

QString selectSnapshotInfoSql()
{
    return QStringLiteral("select ") + kInfoColumns + QStringLiteral(" from padron_archivo");
}

QString selectSnapshotOfSql(const QString &cuit)
{
    return QStringLiteral("select ") + kSnapshotColumns + QStringLiteral(" from padron where cuit = ")
        + sqlText(cuit.trimmed());
}

QString selectCustomerCuitsSql()
{
    return QStringLiteral("select cuit from clientes");
}

QString selectCustomersToCheckSql()
{
    // The snapshot keeps CUITs of eleven digits; a customer's may carry blanks as typed.
    return QStringLiteral("select c.cuit as cliente_cuit, c.nombre as cliente_nombre, c.condiva, p.cuit, p.nombre, "
                          "p.ganancias, p.iva, p.monotributo, p.integrante, p.empleador, p.actividad "
                          "from clientes c left join padron p on p.cuit = trim(c.cuit)");
}

QDate snapshotDateOf(const QString &text)
{
    return QDate::fromString(text, kDateFormat);
}

QDateTime snapshotTimeOf(const QString &text)
{
    return QDateTime::fromString(text, kTimeFormat);
}

} // namespace felcora
