#pragma once
// The render queue: a file of render queue items, one block each, read and saved whole
// (atomically, so a run stopped at any moment leaves the last saved state). Each item's
// output chunk holds the settings it renders with, as "Keyword value" lines.

#include <memory>
#include <string>
#include <vector>

#include "output/RenderItemUnit.h"
#include "persistence/CommandEnabler.h"

namespace fw {

class RenderQueue : public CommandEnabler {
public:
    // What an item renders besides its project and output; empty fields are the project's own.
    struct Output {
        std::string frames;    // "A-B"; empty: a still of the current frame
        std::string size;      // "WxH"
        std::string renderer;  // "gl" or "raytrace"
        std::string fps, codec;
    };
    // The item's text batch: 0 none, N batch N, kAllBatches every batch.
    static constexpr int kAllBatches = -1;

    RenderQueue();
    int writeCommands(CommandIO& io) override;
    CommandTable& commandTable() override;
    const char* className() const override { return "RenderQueue"; }

    // A file that does not exist is an empty queue; false with `error` when it cannot
    // be read or is damaged.
    bool read(const std::string& path, std::string& error);
    // Written to a temporary file and renamed over `path`.
    bool write(const std::string& path, std::string& error);

    static std::vector<uint8_t> chunkOf(const Output& output);
    // False for a chunk with a line it does not know.
    static bool outputOf(const std::vector<uint8_t>& chunk, Output& output);

    std::vector<std::unique_ptr<RenderItemUnit>> items;
};

}  // namespace fw
