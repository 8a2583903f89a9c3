#include "output/RenderItemUnit.h"

#include "persistence/FieldTable.h"
#include "platform/Folders.h"

namespace fw {

namespace {

const char* const kStatusNames[] = {"NotRendered",   "NotQueued",       "RenderedOK",
                                    "RenderedError", "RenderedPartial", "Rendering"};

RenderItemUnit& itemOf(CommandEnabler& r) { return receiverAs<RenderItemUnit>(r); }

// A finished state read as the current one is also the last completed one: queues
// written before the completed line existed still know how their items ended.
int readRenderStatus(CommandIO& io, CommandEnabler& r) {
    std::string word;
    if (io.readString(word) != 0) return -1;
    int status = RenderItemUnit::statusOf(word);
    if (status < 0) return -1;
    itemOf(r).renderStatus = status;
    if (status == RenderItemUnit::kRenderedOK || status == RenderItemUnit::kRenderedError ||
        status == RenderItemUnit::kRenderedPartial)
        itemOf(r).completedRenderStatus = status;
    return 0;
}

int readCompletedRenderStatus(CommandIO& io, CommandEnabler& r) {
    std::string word;
    if (io.readString(word) != 0) return -1;
    int status = RenderItemUnit::statusOf(word);
    if (status < 0) return -1;
    itemOf(r).completedRenderStatus = status;
    return 0;
}

template <int RenderItemUnit::*Field>
int writeStatus(CommandIO& io, CommandEnabler& r, const char* keyword, Spelling) {
    return io.writef("%s %s\n", keyword, RenderItemUnit::statusName(itemOf(r).*Field));
}

// A path one character over the limit tells a cut one from one that just fits.
template <bool (RenderItemUnit::*Set)(const std::string&)>
int readPath(CommandIO& io, CommandEnabler& r) {
    char path[kMaxPath + 2];
    if (io.readToken(path, sizeof path) != 0) return -1;
    return (itemOf(r).*Set)(path) ? 0 : -1;
}

template <const std::string& (RenderItemUnit::*Get)() const>
int writePath(CommandIO& io, CommandEnabler& r, const char* keyword, Spelling) {
    return io.writef("%s \"%s\"\n", keyword, escapeQuotes((itemOf(r).*Get)()).c_str());
}

int readOutputType(CommandIO& io, CommandEnabler& r) {
    std::string name;
    if (io.readString(name) != 0) return -1;
    int code = OutputType::codeOf(name);
    if (code < 0) return -1;
    itemOf(r).outputType = code;
    return 0;
}

int writeOutputType(CommandIO& io, CommandEnabler& r, const char* keyword, Spelling) {
    return io.writef("%s %s\n", keyword, OutputType::nameOf(itemOf(r).outputType));
}

// The count, then the chunk's bytes raw from the next line on; a count beyond the
// limit fails before anything is allocated or read.
int readOutputChunk(CommandIO& io, CommandEnabler& r) {
    int count;
    if (io.readInt(count) != 0 || count < 0 || static_cast<size_t>(count) > RenderItemUnit::kMaxOutputChunk) return -1;
    std::vector<uint8_t> chunk(static_cast<size_t>(count));
    if (count && io.readBytes(chunk.data(), chunk.size()) != 0) return -1;
    itemOf(r).outputChunk = std::move(chunk);
    return 0;
}

// A chunk the reader would refuse is not written either.
int writeOutputChunk(CommandIO& io, CommandEnabler& r, const char* keyword, Spelling) {
    const std::vector<uint8_t>& chunk = itemOf(r).outputChunk;
    if (chunk.size() > RenderItemUnit::kMaxOutputChunk) return -1;
    if (io.writef("%s %d\n", keyword, static_cast<int>(chunk.size())) != 0) return -1;
    if (!chunk.empty() && io.writeBytes(chunk.data(), chunk.size()) != 0) return -1;
    return io.writeBytes("\n", 1);
}

constexpr FieldTable::Line kRenderItemUnitLines[] = {
    field<&RenderItemUnit::selected>("Selected"),
    {"RenderStatus", readRenderStatus, writeStatus<&RenderItemUnit::renderStatus>},
    {"CompletedRenderStatus", readCompletedRenderStatus, writeStatus<&RenderItemUnit::completedRenderStatus>},
    {"ProjectPath", readPath<&RenderItemUnit::setProjectPath>, writePath<&RenderItemUnit::projectPath>},
    {"OutputPath", readPath<&RenderItemUnit::setOutputPath>, writePath<&RenderItemUnit::outputPath>},
    {"OutputType", readOutputType, writeOutputType},
    {"OutputChunk", readOutputChunk, writeOutputChunk},
    field<&RenderItemUnit::variableIndex>("VariableIndex"),
    {"end", &CommandEnabler::endCommand},
};
constexpr FieldTable kRenderItemUnitFields(kRenderItemUnitLines);

}  // namespace

const char* RenderItemUnit::statusName(int status) {
    return status >= kNotRendered && status <= kRendering ? kStatusNames[status] : kStatusNames[kNotRendered];
}

int RenderItemUnit::statusOf(const std::string& word) {
    for (int s = kNotRendered; s <= kRendering; ++s)
        if (word == kStatusNames[s]) return s;
    return -1;
}

RenderItemUnit::RenderItemUnit() { kRenderItemUnitFields.registerInto(*this); }

CommandTable& RenderItemUnit::commandTable() {
    static CommandTable table;
    return table;
}

int RenderItemUnit::writeCommands(CommandIO& io) { return kRenderItemUnitFields.write(io, *this); }

bool RenderItemUnit::setProjectPath(const std::string& path) {
    if (path.size() > kMaxPath) return false;
    projectPath_ = path;
    return true;
}

bool RenderItemUnit::setOutputPath(const std::string& path) {
    if (path.size() > kMaxPath) return false;
    outputPath_ = path;
    return true;
}

}  // namespace fw
