#pragma once

#include <exception>
#include <functional>

// Long work on a thread of its own while the window's event loop goes on turning (painting,
// answering clicks), for the progress windows and the checks ahead of start-up.
class WorkBeside
{
public:
    // Runs `work` on a new thread and returns once it has ended, with what it threw (or
    // nothing). Meanwhile the event loop turns and `tick`, when given, is called every
    // `tickMs` on the window's thread.
    static std::exception_ptr run(const std::function<void()>& work, int tickMs = 0,
                                  const std::function<void()>& tick = {});
};
