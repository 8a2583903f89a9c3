#include "library/OrvoPresetStyle.h"

#include <cstring>

#include "persistence/CommandIO.h"
#include "persistence/FieldTable.h"
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
    // The size line, then the picture's data.
    static int writeThumbnail(CommandIO& io, CommandEnabler& r, const char*, Spelling) {
        OrvoPresetStyle& s = self(r);
        return s.thumbnail_.write(io, s.textOnly_);
    }
};

namespace {

// The wrapped object follows as a block of its own.
constexpr FieldTable::Line kOrvoPresetStyleLines[] = {
    {"Name", OrvoPresetStyleLines::name, writeGetter<&OrvoPresetStyle::name>, Spelling::quoted},
    {"BinPosition", OrvoPresetStyleLines::binPosition},
    {"ThumbnailSize", OrvoPresetStyleLines::thumbnailSize, OrvoPresetStyleLines::writeThumbnail},
    {"JPEGThumbnail", OrvoPresetStyleLines::textThumbnail},
    {"JPEGBinaryThumbnail", OrvoPresetStyleLines::binaryThumbnail},
    {"begin", OrvoPresetStyleLines::begin},
    {"end", &CommandEnabler::endCommand},
};
constexpr FieldTable kOrvoPresetStyleTable{kOrvoPresetStyleLines};

}  // namespace

OrvoPresetStyle::OrvoPresetStyle() { kOrvoPresetStyleTable.registerInto(*this); }

OrvoPresetStyle::~OrvoPresetStyle() = default;

CommandTable& OrvoPresetStyle::commandTable() {
    static CommandTable table;
    return table;
}

int OrvoPresetStyle::writeCommands(CommandIO& io) {
    if (!complete()) return -1;
    if (kOrvoPresetStyleTable.write(io, *this) != 0) return -1;
    return io.writeBlock(*object_);
}

int OrvoPresetStyle::write(CommandIO& io) { return complete() ? io.writeBlock(*this) : -1; }

}  // namespace fw
