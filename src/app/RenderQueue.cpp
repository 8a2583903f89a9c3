#include "app/RenderQueue.h"

#include <cstring>
#include <filesystem>

#include "persistence/AFileIO.h"
#include "persistence/FieldReaders.h"

namespace fw {

namespace {

int beginItem(CommandIO& io, CommandEnabler& r) {
    char name[CommandIO::kTokenSize];
    if (io.readToken(name, sizeof name) != 0 || std::strcmp(name, "RenderItemUnit") != 0) return -1;
    RenderQueue& queue = receiverAs<RenderQueue>(r);
    queue.items.push_back(std::make_unique<RenderItemUnit>());
    io.push(queue.items.back().get());
    return 0;
}

// The chunk's lines, in the order they are written.
struct ChunkLine {
    const char* keyword;
    std::string RenderQueue::Output::*field;
};
const ChunkLine kChunkLines[] = {{"Frames", &RenderQueue::Output::frames},
                                 {"Size", &RenderQueue::Output::size},
                                 {"Renderer", &RenderQueue::Output::renderer},
                                 {"FramesPerSecond", &RenderQueue::Output::fps},
                                 {"Codec", &RenderQueue::Output::codec}};

}  // namespace

RenderQueue::RenderQueue() { registerCommand("begin", beginItem); }

CommandTable& RenderQueue::commandTable() {
    static CommandTable table;
    return table;
}

int RenderQueue::writeCommands(CommandIO& io) {
    for (auto& item : items)
        if (io.writeBlock(*item) != 0) return -1;
    return 0;
}

bool RenderQueue::read(const std::string& path, std::string& error) {
    items.clear();
    std::error_code failed;
    if (!std::filesystem::exists(path, failed)) return true;
    AFileIO io(this);
    if (io.openInput(path) != 0) {
        error = io.error();
        return false;
    }
    StreamRead read = io.readAll();
    if (!read.ok() || !read.warnings.empty()) {
        error = !read.error.empty() ? read.error : !read.warnings.empty() ? read.warnings.front() : "is not a render queue";
        items.clear();
        return false;
    }
    return true;
}

bool RenderQueue::write(const std::string& path, std::string& error) {
    AFileIO io(this);
    if (io.openOutput(path) != 0 || writeCommands(io) != 0 || io.closeOutput() != 0) {
        error = io.error().empty() ? "cannot be written" : io.error();
        return false;
    }
    return true;
}

std::vector<uint8_t> RenderQueue::chunkOf(const Output& output) {
    std::string text;
    for (const ChunkLine& line : kChunkLines)
        if (!(output.*line.field).empty()) text += std::string(line.keyword) + " " + output.*line.field + "\n";
    return std::vector<uint8_t>(text.begin(), text.end());
}

bool RenderQueue::outputOf(const std::vector<uint8_t>& chunk, Output& output) {
    output = Output();
    const std::string text(chunk.begin(), chunk.end());
    for (size_t at = 0; at < text.size();) {
        size_t end = text.find('\n', at);
        if (end == std::string::npos) end = text.size();
        const std::string line = text.substr(at, end - at);
        at = end + 1;
        if (line.empty()) continue;
        const size_t space = line.find(' ');
        const std::string keyword = line.substr(0, space), value = space == std::string::npos ? "" : line.substr(space + 1);
        bool known = false;
        for (const ChunkLine& l : kChunkLines)
            if (keyword == l.keyword) output.*l.field = value, known = true;
        if (!known) return false;
    }
    return true;
}

}  // namespace fw
