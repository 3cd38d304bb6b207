#include "core/filefailure.h"

#include <cerrno>
#include <cstring>

namespace felcora {

QString fileFailureReason(int error)
{
    switch (error) {
    case ENOENT: return QStringLiteral("la carpeta no existe");
    case ENOTDIR: return QStringLiteral("la ruta no es una carpeta");
    case EACCES:
    case EPERM: return QStringLiteral("no hay permiso para escribir en la carpeta");
    case EROFS: return QStringLiteral("la carpeta es de solo lectura");
    case ENOSPC: return QStringLiteral("el disco está lleno");
    case EDQUOT: return QStringLiteral("se agotó la cuota de disco");
    case EFBIG: return QStringLiteral("el archivo es más grande de lo que admite el disco");
    case EISDIR: return QStringLiteral("ya existe una carpeta con ese nombre");
    case ENAMETOOLONG: return QStringLiteral("el nombre es demasiado largo");
    case ELOOP: return QStringLiteral("los enlaces simbólicos se nombran unos a otros sin llegar a un archivo");
    default: return QString::fromLocal8Bit(std::strerror(error));
    }
}

} // namespace felcora
