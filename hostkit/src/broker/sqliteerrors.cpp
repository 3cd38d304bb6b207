#include "sqliteerrors.h"

#include <QRegularExpression>
#include <sqlite3.h>

namespace felcora::hostkit {

namespace {

// The name SQLite's text gives after "no such table: " (or column).
QString missingName(const QString &driverText, const char *what)
{
    const QRegularExpression pattern(QStringLiteral("^no such %1: (\\S+)").arg(QLatin1String(what)));
    return pattern.match(driverText).captured(1);
}

// The sentence for a failure; %1 stands for the quoted file name.
QString sentence(int extendedCode, const QString &driverText)
{
    constexpr int kPrimaryCodeMask = 0xff;
    switch (extendedCode & kPrimaryCodeMask) {
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
        return QStringLiteral("La base de datos %1 está en uso por otro puesto; intente de nuevo en unos segundos");
    case SQLITE_NOTADB: return QStringLiteral("El archivo %1 no es una base de datos");
    case SQLITE_CORRUPT: return QStringLiteral("La base de datos %1 está dañada");
    case SQLITE_READONLY:
        if (extendedCode == SQLITE_READONLY_DIRECTORY)
            return QStringLiteral("La carpeta de la base de datos %1 es de solo lectura: no se pueden guardar cambios");
        return QStringLiteral("La base de datos %1 es de solo lectura: no se pueden guardar cambios");
    case SQLITE_PERM:
    case SQLITE_AUTH: return QStringLiteral("No tiene permiso para usar la base de datos %1");
    case SQLITE_CANTOPEN:
        return QStringLiteral("No se pudo abrir la base de datos %1: revise que el archivo y su carpeta existan"
                              " y que tenga permiso para escribir en ellos");
    case SQLITE_FULL: return QStringLiteral("El disco está lleno: no se pudo escribir en la base de datos %1");
    case SQLITE_IOERR: return QStringLiteral("Error del disco al leer o escribir la base de datos %1");
    case SQLITE_CONSTRAINT:
        if (extendedCode == SQLITE_CONSTRAINT_PRIMARYKEY || extendedCode == SQLITE_CONSTRAINT_UNIQUE)
            return QStringLiteral("Ya existe un registro con la misma clave en la base de datos %1");
        return QStringLiteral("La base de datos %1 rechazó el cambio por una de sus reglas");
    default: break;
    }
    const QString table = missingName(driverText, "table");
    if (!table.isEmpty())
        return QStringLiteral("No existe la tabla %1 en la base de datos %2").arg(table, QStringLiteral("%1"));
    const QString column = missingName(driverText, "column");
    if (!column.isEmpty())
        return QStringLiteral("No existe la columna %1 en la base de datos %2").arg(column, QStringLiteral("%1"));
    return QStringLiteral("Falló la base de datos %1");
}

} // namespace

QString describeSqliteError(int extendedCode, const QString &driverText, const QString &file)
{
    QString description = sentence(extendedCode, driverText).arg(u'"' + file + u'"');
    if (!driverText.isEmpty())
        description += QStringLiteral(" (%1)").arg(driverText);
    return description;
}

} // namespace felcora::hostkit
