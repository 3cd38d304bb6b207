#pragma once

#include <QString>

namespace felcora {

// Why a file operation failed (an errno), in the user's words: "el disco está
// lleno", "no hay permiso para escribir en la carpeta" ...
QString fileFailureReason(int error);

} // namespace felcora
