#pragma once
// Reads the frames of a movie file (the desktop's movie services stand-in): how many
// frames there are, at what rate, and any one frame as 8-bit RGBA.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace fw {

class MovieReader {
public:
    MovieReader();
    ~MovieReader();
    MovieReader(const MovieReader&) = delete;
    MovieReader& operator=(const MovieReader&) = delete;

    // False (error() says why) when the file cannot be opened or has no video stream.
    bool open(const std::string& path);
    void close();
    bool isOpen() const;

    int frameCount() const;
    double frameRate() const;  // frames per second
    int width() const;
    int height() const;

    // Frame `index` (0-based) as width x height RGBA bytes, rows bottom-up like the
    // program's pictures. Reading the frames in order decodes each only once.
    bool readFrame(int index, std::vector<uint8_t>& rgba);

    const std::string& error() const;

private:
    struct State;
    std::unique_ptr<State> state_;
};

}  // namespace fw
