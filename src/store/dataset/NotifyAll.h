#pragma once

#include <algorithm>
#include <exception>
#include <vector>

// Tells each of `listeners` through `tell`. A listener may go away (or others appear) while
// the event is being delivered: only those still listening are told. Every one hears of the
// event even when one of them fails (a detail query that cannot run): the first error is
// raised once all were told.
template <typename Listener, typename Tell> void notifyAll(const std::vector<Listener*>& listeners, Tell tell)
{
    std::exception_ptr failure;
    const auto snapshot = listeners;
    for (Listener* listener : snapshot) {
        if (std::find(listeners.begin(), listeners.end(), listener) == listeners.end())
            continue;
        try {
            tell(*listener);
        } catch (...) {
            if (!failure)
                failure = std::current_exception();
        }
    }
    if (failure)
        std::rethrow_exception(failure);
}
