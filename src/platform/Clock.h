#pragma once
// The millisecond tick counter that bounds long geometry work. Tests script it, so a
// result never depends on how busy the machine is.

#include <cstdint>
#include <functional>

namespace fw {

class Clock {
public:
    static int64_t milliseconds();
    // Replaces the tick source (null restores the steady clock).
    static void setSource(std::function<int64_t()> source);
    // Whether a source other than the steady clock is set: then every reading counts,
    // so work bounded by it must read it as often and in the same order as ever.
    static bool scripted();
};

}  // namespace fw
