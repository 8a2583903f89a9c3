#pragma once
// Writes one persistent object as a block to a real file and reads a block file back
// into an object, for round trips of the stored forms.

#include <cstring>
#include <string>

#include "TempDir.h"
#include "persistence/AFileIO.h"
#include "persistence/CommandEnabler.h"
#include "persistence/CommandIO.h"

namespace fw::test {

// The top of the stream: its one "begin" must name the target's class.
class BlockRoot : public CommandEnabler {
public:
    explicit BlockRoot(CommandEnabler* target) : target_(target) {
        registerCommand("begin", begin);
        registerCommand("end", CommandEnabler::endCommand);
    }
    int writeCommands(CommandIO&) override { return 0; }
    CommandTable& commandTable() override {
        static CommandTable table;
        return table;
    }
    const char* className() const override { return "BlockRoot"; }

private:
    static int begin(CommandIO& io, CommandEnabler& r) {
        auto& root = static_cast<BlockRoot&>(r);
        char name[CommandIO::kTokenSize];
        if (io.readToken(name, sizeof name) != 0 || std::strcmp(name, root.target_->className()) != 0) return -1;
        io.push(root.target_);
        return 0;
    }
    CommandEnabler* target_;
};

// The bytes of the object's block as written to `path`.
inline std::string saveBlock(CommandEnabler& object, const std::string& path) {
    BlockRoot root(&object);
    AFileIO io(&root);
    if (io.openOutput(path) != 0 || io.writeBlock(object) != 0 || io.closeOutput() != 0) return "(write failed)";
    return readFile(path);
}

// 0 when the whole file was read into `object`; otherwise the failing status.
inline int loadBlock(CommandEnabler& object, const std::string& path) {
    BlockRoot root(&object);
    AFileIO io(&root);
    if (io.openInput(path) != 0) return -1;
    int status = 0;
    while (io.hasInput() && (status = io.processNextCommand()) == 0) {
    }
    return status == -3 ? 0 : status;
}

inline int loadText(CommandEnabler& object, const std::string& path, const std::string& text) {
    writeFile(path, text);
    return loadBlock(object, path);
}

}  // namespace fw::test
