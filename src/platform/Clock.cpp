#include "platform/Clock.h"

#include <chrono>

namespace fw {

namespace {
std::function<int64_t()>& source() {
    static std::function<int64_t()> s;
    return s;
}
}  // namespace

int64_t Clock::milliseconds() {
    if (source()) return source()();
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

void Clock::setSource(std::function<int64_t()> s) { source() = std::move(s); }

bool Clock::scripted() { return static_cast<bool>(source()); }

}  // namespace fw
