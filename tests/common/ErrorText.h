#pragma once

#include "EDatabaseError.h"

#include <QString>
#include <functional>

// The message of the store's error an action raises, or "<no error>".
inline QString messageOf(const std::function<void()>& action)
{
    try {
        action();
    } catch (const EDatabaseError& e) {
        return e.message();
    }
    return QStringLiteral("<no error>");
}
