#pragma once
// Movies judged by the tools the world plays them with: ffprobe's view of a stream,
// ffmpeg's decoded samples, and the frames the tests write into them.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace fw::test {

inline std::string commandOutput(const std::string& command) {
    std::string out;
    if (std::FILE* p = ::popen(command.c_str(), "r")) {
        char buffer[4096];
        size_t n;
        while ((n = std::fread(buffer, 1, sizeof buffer, p)) > 0) out.append(buffer, n);
        ::pclose(p);
    }
    return out;
}

// ffprobe's JSON for the first stream of a kind ("v" or "a") and the container, frames counted.
struct MovieProbe {
    std::string json;
    MovieProbe(const std::string& path, const char* kind = "v")
        : json(commandOutput(std::string("ffprobe -v error -select_streams ") + kind +
                             ":0 -show_streams -show_format -count_frames -of json '" + path + "' 2>&1")) {}

    // The first value stated for `key`, without quotes; empty when there is none.
    std::string operator[](const std::string& key) const {
        size_t at = json.find("\"" + key + "\": ");
        if (at == std::string::npos) return {};
        at += key.size() + 4;
        if (json[at] == '"') return json.substr(at + 1, json.find('"', at + 1) - at - 1);
        return json.substr(at, json.find_first_of(",\n}", at) - at);
    }
};

// Frame `index` of a short test movie: a gradient with varying alpha and a square that
// moves four pixels a frame, as RGBA rows bottom-up.
inline std::vector<uint8_t> movingSquare(int width, int height, int index) {
    std::vector<uint8_t> rgba(static_cast<size_t>(width) * height * 4);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            uint8_t* p = &rgba[(static_cast<size_t>(y) * width + x) * 4];
            bool square = x >= 4 * index && x < 4 * index + 16 && y >= 12 && y < 28;
            p[0] = square ? 240 : static_cast<uint8_t>(x * 255 / width);
            p[1] = square ? 40 : static_cast<uint8_t>(y * 255 / height);
            p[2] = square ? 30 : 128;
            p[3] = square ? 255 : static_cast<uint8_t>(40 + 3 * x);
        }
    return rgba;
}

// Mean difference per colour channel between two RGBA pictures of one size.
inline double meanColourDifference(const std::vector<uint8_t>& a, const std::vector<uint8_t>& b) {
    if (a.size() != b.size() || a.empty()) return 1e9;
    double sum = 0;
    for (size_t i = 0; i < a.size(); ++i)
        if (i % 4 != 3) sum += std::abs(a[i] - b[i]);
    return sum / (a.size() / 4 * 3);
}

}  // namespace fw::test
