#pragma once

#include <functional>
#include <optional>

#include "felcora/error.h"

namespace felcora::test {

// The component error an action raised, if any.
inline std::optional<Error> errorOf(const std::function<void()> &action)
{
    try {
        action();
    } catch (const Error &e) {
        return e;
    }
    return std::nullopt;
}

// Its description, or "<no error>".
inline QString errorDescription(const std::function<void()> &action)
{
    const auto error = errorOf(action);
    return error ? error->description() : QStringLiteral("<no error>");
}

} // namespace felcora::test
