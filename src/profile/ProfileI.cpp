#include "profile/ProfileI.h"

#include <cstring>

#include "persistence/CommandIO.h"
#include "persistence/FieldTable.h"
#include "platform/Folders.h"

namespace fw {

namespace {

int readFilename(CommandIO& io, CommandEnabler& r) {
    char path[kMaxPath + 1];
    if (io.readToken(path, sizeof path) != 0) return -1;
    receiverAs<ProfileI>(r).filename = path;
    return 0;
}

int readLayer(CommandIO& io, CommandEnabler& r) {
    char layer[ProfileI::kMaxLayer + 1];
    if (io.readToken(layer, sizeof layer) != 0) return -1;
    receiverAs<ProfileI>(r).layer = layer;
    return 0;
}

int beginOutline(CommandIO& io, CommandEnabler& r) {
    char name[CommandIO::kTokenSize];
    if (io.readToken(name, sizeof name) != 0 || std::strcmp(name, "InputProfile2") != 0) return -1;
    InputProfile2& outline = receiverAs<ProfileI>(r).outline();
    outline = InputProfile2();
    io.push(&outline);
    return 0;
}

// The outline file itself is read by the outline import; a stored "load" cannot be served.
int refuseLoad(CommandIO&, CommandEnabler&) { return -1; }

// The outline follows as a block of its own, after these lines.
constexpr FieldTable::Line kProfileILines[] = {
    {"filename", readFilename, writeField<&ProfileI::filename>, Spelling::quoted},
    {"layer", readLayer, writeField<&ProfileI::layer>, Spelling::quoted},
    {"begin", beginOutline},
    {"load", refuseLoad},
};
constexpr FieldTable kProfileITable{kProfileILines};

}  // namespace

ProfileI::ProfileI(Scene& scene, const char* name) : Profile(scene, name) {
    createOutlinePorts();
    registerCommands();
}

ProfileI::~ProfileI() = default;

CommandTable& ProfileI::commandTable() {
    static CommandTable table;
    return table;
}

void ProfileI::registerCommands() {
    Profile::registerCommands();
    kProfileITable.registerInto(*this);
}

int ProfileI::writeCommands(CommandIO& io) {
    if (Profile::writeCommands(io) != 0) return -1;
    if (kProfileITable.write(io, *this) != 0) return -1;
    return io.writeBlock(outline());
}

void ProfileI::copyFrom(ProfileI& other) {
    if (&other == this) return;
    filename = other.filename;
    layer = other.layer;
    outline() = other.outline();
    takeOutlineStamp();
}

}  // namespace fw
