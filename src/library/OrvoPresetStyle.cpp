#include "library/OrvoPresetStyle.h"

#include <cstring>

#include "persistence/CommandIO.h"
#include "persistence/FieldReaders.h"
#include "scene/SceneX.h"

namespace fw {

struct OrvoPresetStyleLines {
    static OrvoPresetStyle& self(CommandEnabler& r) { return receiverAs<OrvoPresetStyle>(r); }

    static int name(CommandIO& io, CommandEnabler& r) {
        char token[CommandIO::kTokenSize + 1];
        if (io.readToken(token, sizeof token) != 0) return -1;
        self(r).setName(token);
        return 0;
    }
    static int binPosition(CommandIO& io, CommandEnabler&) {
        int a, b;
        return io.readInt(a) == 0 && io.readInt(b) == 0 ? 0 : -1;
    }
    static int thumbnailSize(CommandIO& io, CommandEnabler& r) { return self(r).thumbnail_.readSize(io); }
    static int textThumbnail(CommandIO& io, CommandEnabler& r) { return self(r).thumbnail_.readData(io, false); }
    static int binaryThumbnail(CommandIO& io, CommandEnabler& r) { return self(r).thumbnail_.readData(io, true); }
    static int begin(CommandIO& io, CommandEnabler& r) {
        char className[CommandIO::kTokenSize];
        if (io.readToken(className, sizeof className) != 0 || std::strcmp(className, "SceneX") != 0) return -1;
        auto scene = std::make_unique<SceneX>();
        io.push(scene.get());
        self(r).object_ = std::move(scene);
        return 0;
    }
};

OrvoPresetStyle::OrvoPresetStyle() {
    registerCommand("Name", OrvoPresetStyleLines::name);
    registerCommand("BinPosition", OrvoPresetStyleLines::binPosition);
    registerCommand("ThumbnailSize", OrvoPresetStyleLines::thumbnailSize);
    registerCommand("JPEGThumbnail", OrvoPresetStyleLines::textThumbnail);
    registerCommand("JPEGBinaryThumbnail", OrvoPresetStyleLines::binaryThumbnail);
    registerCommand("begin", OrvoPresetStyleLines::begin);
    registerCommand("end", CommandEnabler::endCommand);
}

OrvoPresetStyle::~OrvoPresetStyle() = default;

CommandTable& OrvoPresetStyle::commandTable() {
    static CommandTable table;
    return table;
}

int OrvoPresetStyle::writeCommands(CommandIO& io) {
    if (!complete()) return -1;
    if (io.writef("Name \"%s\"\n", escapeQuotes(name_).c_str()) != 0) return -1;
    if (thumbnail_.write(io, textOnly_) != 0) return -1;
    return io.writeBlock(*object_);
}

int OrvoPresetStyle::write(CommandIO& io) { return complete() ? io.writeBlock(*this) : -1; }

}  // namespace fw
