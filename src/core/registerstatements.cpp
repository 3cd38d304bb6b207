#include "core/registerstatements.h"

#include <QStringList>

#include "core/registerstore.h"
#include "core/sqltext.h"
#include "taxregister/registercheck.h"

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
    return QStringLiteral("create table if not exists padron (cuit varchar(11) not null primary key, "
                          "nombre varchar(30), ganancias varchar(2), iva varchar(2), monotributo varchar(2), "
                          "integrante varchar(1), empleador varchar(1), actividad varchar(2))");
}

QString createSnapshotInfoTableSql()
{
    return QStringLiteral("create table if not exists padron_archivo (fecha varchar(10), archivo varchar(255), "
                          "importado varchar(19), lineas bigint, danadas bigint)");
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
    QString sql = QStringLiteral("insert into padron (") + kSnapshotColumns + QStringLiteral(") values ");
    bool first = true;
    for (const taxregister::RegisterLine &line : lines) {
        const RegisterRecord r = taxregister::recordOf(line);
        const QStringList values
            = {sqlText(r.cuit),       sqlText(r.name),    sqlText(r.incomeTax), sqlText(r.vat),
               sqlText(r.simplified), sqlText(r.partner), sqlText(r.employer),  sqlText(r.activity)};
        if (!first)
            sql += QLatin1Char(',');
        first = false;
        sql += QLatin1Char('(') + values.join(QLatin1Char(',')) + QLatin1Char(')');
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
