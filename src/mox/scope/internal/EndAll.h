#pragma once
// Ending a nesting level on the engine until it is really ended.

#include <exception>

namespace mox::detail {

// Calls `end` until `ended()` holds and returns the first exception it threw, or null. The
// engine's end operations deliver before they lower their counter, so an Update that throws
// leaves the level where it was; each retry resumes the delivery behind the entry that threw.
template <class End, class Ended> std::exception_ptr EndAll(End end, Ended ended) noexcept {
    std::exception_ptr first;
    while (!ended()) {
        try {
            end();
        } catch (...) {
            if (!first) first = std::current_exception();
        }
    }
    return first;
}

} // namespace mox::detail
