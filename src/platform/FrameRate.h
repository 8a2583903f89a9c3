#pragma once
// A frame rate as an exact fraction, so that 29.97 frames per second is 30000/1001 and
// a movie's time stamps and frame count never drift over a long render.

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <numeric>
#include <optional>
#include <string>

namespace fw {

struct FrameRate {
    int num = 30;
    int den = 1;

    bool valid() const { return num > 0 && den > 0; }
    double value() const { return den ? static_cast<double>(num) / den : 0.0; }
    bool operator==(const FrameRate&) const = default;

    // The broadcast rates are written rounded ("29.97"); what is meant is n x 1000/1001.
    // Any other rate is taken to a thousandth of a frame. {0, 1} when fps is not a rate.
    static FrameRate fromFramesPerSecond(double fps) {
        if (!std::isfinite(fps) || fps <= 0 || fps > 1e6) return {0, 1};
        for (int base : {24, 30, 60, 120}) {
            double broadcast = base * 1000.0 / 1001.0;
            if (std::fabs(fps - broadcast) < 0.005) return {base * 1000, 1001};
        }
        return reduced(std::llround(fps * 1000.0), 1000);
    }

    // "30000/1001", "29.97" or "25"; nothing for any other text or a rate of zero.
    static std::optional<FrameRate> parse(const std::string& text) {
        if (text.empty() || text.find_first_of(" \t\r\n") != std::string::npos) return std::nullopt;
        size_t slash = text.find('/');
        if (slash != std::string::npos) {
            long long n = 0, d = 0;
            if (!wholeNumber(text.substr(0, slash), n) || !wholeNumber(text.substr(slash + 1), d))
                return std::nullopt;
            FrameRate rate = reduced(n, d);
            if (!rate.valid()) return std::nullopt;
            return rate;
        }
        char* end = nullptr;
        double fps = std::strtod(text.c_str(), &end);
        if (end != text.c_str() + text.size()) return std::nullopt;
        FrameRate rate = fromFramesPerSecond(fps);
        if (!rate.valid()) return std::nullopt;
        return rate;
    }

private:
    static FrameRate reduced(long long n, long long d) {
        if (n <= 0 || d <= 0) return {0, 1};
        long long g = std::gcd(n, d);
        n /= g;
        d /= g;
        if (n > INT32_MAX || d > INT32_MAX) return {0, 1};
        return {static_cast<int>(n), static_cast<int>(d)};
    }

    static bool wholeNumber(const std::string& text, long long& out) {
        if (text.empty() || text.size() > 10 || text.find_first_not_of("0123456789") != std::string::npos)
            return false;
        out = std::stoll(text);
        return true;
    }
};

}  // namespace fw
