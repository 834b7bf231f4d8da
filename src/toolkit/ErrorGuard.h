#pragma once

#include "MessageService.h"

#include <exception>

class QWidget;

// Every handler a user can trigger runs inside this: an error ends the handler where it
// arose and is shown in the standard error box; it never reaches the event loop.
class ErrorGuard
{
public:
    template <typename F> static bool run(F&& handler, QWidget* parent = nullptr)
    {
        try {
            handler();
            return true;
        } catch (const std::exception& e) {
            report(e, parent);
        } catch (...) {
            reportUnknown(parent);
        }
        return false;
    }

    static void report(const std::exception& e, QWidget* parent = nullptr);
    // The text the standard box shows for an error.
    static QString messageOf(const std::exception& e);
    static void reportUnknown(QWidget* parent = nullptr);
    // Shows the standard error box once control is back in the event loop: for code that runs
    // inside a widget's own event handling (input, focus changes), where no box may open.
    static void later(const QString& message, QWidget* parent = nullptr);
};
