#pragma once
// One entry of the render queue: which project renders to which output, how far it
// got, the output settings it renders with (kept as the settings' own bytes) and the
// text batch it renders.

#include <cstdint>
#include <string>
#include <vector>

#include "output/OutputType.h"
#include "persistence/CommandEnabler.h"

namespace fw {

class RenderItemUnit : public CommandEnabler {
public:
    enum RenderStatus {
        kNotRendered = 0,
        kNotQueued = 1,
        kRenderedOK = 2,
        kRenderedError = 3,
        kRenderedPartial = 4,
        kRendering = 5,
    };
    static const char* statusName(int status);     // "NotRendered" outside 0..5
    static int statusOf(const std::string& word);  // -1 for an unknown word

    // Output settings are a few kilobytes; a larger count is damage, not data.
    static constexpr size_t kMaxOutputChunk = 1u << 20;
    // A file reader takes line ends after the count line as that line's own (the
    // stream re-synchronises before raw bytes), so a chunk that begins with a line end
    // comes back without it from disk; memory streams keep it.

    RenderItemUnit();
    int writeCommands(CommandIO& io) override;
    CommandTable& commandTable() override;
    const char* className() const override { return "RenderItemUnit"; }

    // Paths longer than the stored path limit are refused (false) and change nothing.
    bool setProjectPath(const std::string& path);
    bool setOutputPath(const std::string& path);
    const std::string& projectPath() const { return projectPath_; }
    const std::string& outputPath() const { return outputPath_; }

    bool selected = false;
    int renderStatus = kNotRendered;
    int completedRenderStatus = kNotRendered;
    int outputType = OutputType::kMOV;
    std::vector<uint8_t> outputChunk;
    int variableIndex = 0;

private:
    std::string projectPath_;
    std::string outputPath_;
};

}  // namespace fw
