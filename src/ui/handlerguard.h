#pragma once

#include <QObject>
#include <QString>
#include <type_traits>

#include "felcora/error.h"
#include "felcora/felcora_export.h"

namespace felcora {

// The failure report of a handler: "number - description", a line break and
// the routine's section, in a critical message box.
FELCORA_TESTS_EXPORT void reportHandlerFailure(qint32 number, const QString &description, const QString &section);

// Reports the exception in flight (call it inside a catch block) as above,
// with the section "[window.routine]".
FELCORA_TESTS_EXPORT void reportCurrentFailure(const QString &window, const char *routine);

// The failure report of the benefit relations' routines: the description,
// two line breaks, the number, then "seccion <routine> en Formulario <window> :: "
// and the failure's source, with no icon.
FELCORA_TESTS_EXPORT void reportInSection(const Error &error, const char *routine, const QString &window);

// The failure report of a routine with a trap of its own: "number - description",
// two line breaks and the routine's label, in a critical message box.
FELCORA_TESTS_EXPORT void reportTrapped(const Error &error, const QString &label);

// The failure report of the gross-income routines: the description, two
// line breaks, the number, then the routine's section text as it stands.
// icon is a message box style (vbCritical, or vbOKOnly for none).
FELCORA_TESTS_EXPORT void reportWithSection(const Error &error, const QString &section, int icon);

// Runs a key, mouse or change handler: a failure is reported as above and
// never reaches the event loop.
template <class F> void guardHandler(const QString &window, const char *routine, F &&handler)
{
    try {
        handler();
    } catch (const std::exception &) {
        reportCurrentFailure(window, routine);
    }
}

// Calls handler with the signal's arguments, or with none when it takes none.
// A template of its own: written inside guarded()'s lambda, the call not taken
// would not depend on the lambda's arguments, and clang rejects it there.
template <class F, class... Args> void callWithArgumentsOrNone(const F &handler, Args &...args)
{
    if constexpr (std::is_invocable_v<const F &, Args &...>)
        handler(args...);
    else
        handler();
}

// A slot for connect() that runs handler under the guard, named after the
// window's objectName and the routine. The handler takes the signal's
// arguments or none.
template <class F> auto guarded(const QObject *window, const char *routine, F handler)
{
    return [window, routine, handler = std::move(handler)](auto &&...args) -> void {
        guardHandler(window->objectName(), routine, [&] { callWithArgumentsOrNone(handler, args...); });
    };
}

} // namespace felcora
