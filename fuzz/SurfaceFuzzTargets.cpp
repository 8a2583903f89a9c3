#include "SurfaceFuzzTargets.h"

#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <string_view>
#include <unordered_set>

#include "surface/GradientLibrary.h"

namespace fw::fuzz {

int readGradientIndex(const uint8_t* data, size_t size) {
    std::string_view bytes(reinterpret_cast<const char*>(data), size);
    std::vector<std::string> names = GradientLibrary::parseIndex(bytes);
    std::unordered_set<std::string> seen;
    for (const std::string& n : names)
        if (!GradientLibrary::validName(n) || !seen.insert(n).second) __builtin_trap();
    if (GradientLibrary::parseIndex(GradientLibrary::formatIndex(names)) != names) __builtin_trap();
    return 0;
}

namespace {

std::string slurp(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

}  // namespace

int readGradientPreset(const uint8_t* data, size_t size) {
    static const std::string base = "/tmp/fw-fuzz-gradient-" + std::to_string(getpid());
    const std::string in = base + ".kgp", out = base + "-out.kgp", again = base + "-again.kgp";
    std::FILE* f = std::fopen(in.c_str(), "wb");
    if (!f) return 0;
    std::fwrite(data, 1, size, f);
    std::fclose(f);
    GradientUnit unit;
    std::string message;
    bool loaded = GradientLibrary::readPreset(in, unit, message);
    std::remove(in.c_str());
    if (!loaded) {
        if (message.empty()) __builtin_trap();
        return 0;
    }
    // Values written with six decimals settle after one round: the second and
    // third writes must agree.
    GradientUnit first, second;
    if (!GradientLibrary::writePreset(out, unit) || !GradientLibrary::readPreset(out, first, message))
        __builtin_trap();
    if (!GradientLibrary::writePreset(again, first) || !GradientLibrary::readPreset(again, second, message))
        __builtin_trap();
    std::string settled = slurp(again);
    if (!GradientLibrary::writePreset(out, second) || slurp(out) != settled) __builtin_trap();
    std::remove(out.c_str());
    std::remove(again.c_str());
    return 0;
}

}  // namespace fw::fuzz
