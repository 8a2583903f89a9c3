#pragma once
// Writes persistent objects as blocks of a disk file and reads such files back,
// the way they travel inside projects and presets.
#include <functional>
#include <string>

#include "TempDir.h"
#include "persistence/AFileIO.h"
#include "persistence/CommandEnabler.h"
#include "persistence/CommandIO.h"

namespace fw::test {

// The top level of a test file: "begin" makes (or selects) a child by class name.
class BlockRoot : public CommandEnabler {
public:
    using Maker = std::function<CommandEnabler*(const char* className)>;
    explicit BlockRoot(Maker maker) : maker_(std::move(maker)) {
        registerCommand("begin", [](CommandIO& io, CommandEnabler& r) {
            char name[CommandIO::kTokenSize];
            if (io.readToken(name, sizeof name) != 0) return -1;
            CommandEnabler* child = static_cast<BlockRoot&>(r).maker_(name);
            if (!child) return -1;
            io.push(child);
            return 0;
        });
        registerCommand("end", CommandEnabler::endCommand);
    }
    int writeCommands(CommandIO&) override { return 0; }
    CommandTable& commandTable() override {
        static CommandTable table;
        return table;
    }
    const char* className() const override { return "BlockRoot"; }

private:
    Maker maker_;
};

// The bytes of `object` written as one top-level block.
inline std::string writeBlockFile(CommandEnabler& object, const std::string& path) {
    BlockRoot root(nullptr);
    AFileIO io(&root);
    if (io.openOutput(path) != 0 || io.writeBlock(object) != 0 || io.closeOutput() != 0) return "<write failed>";
    return readFile(path);
}

// Loads `path`, whose blocks name objects the maker provides; the stream's status and,
// when asked, its last diagnostic.
inline int readBlockFile(const std::string& path, BlockRoot::Maker maker, std::string* diagnostic = nullptr) {
    BlockRoot root(std::move(maker));
    AFileIO io(&root);
    if (io.openInput(path) != 0) return -1;
    int status = 0;
    while (io.hasInput() && status == 0) status = io.processNextCommand();
    if (diagnostic) *diagnostic = io.diagnostic();
    return status == -3 ? 0 : status;
}

// Reads a file holding one block of `object`'s class into `object`.
inline int readInto(CommandEnabler& object, const std::string& path, std::string* diagnostic = nullptr) {
    return readBlockFile(
        path, [&](const char* name) { return std::string(name) == object.className() ? &object : nullptr; },
        diagnostic);
}

inline int readTextInto(CommandEnabler& object, const std::string& path, const std::string& text,
                        std::string* diagnostic = nullptr) {
    writeFile(path, text);
    return readInto(object, path, diagnostic);
}

}  // namespace fw::test
