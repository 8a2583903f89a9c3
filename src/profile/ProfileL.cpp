#include "profile/ProfileL.h"

#include "persistence/CommandIO.h"
#include "persistence/FieldTable.h"
#include "profile/ProfileLibrary.h"

namespace fw {

namespace {

int readIndex(CommandIO& io, CommandEnabler& r) {
    int index;
    if (io.readInt(index) != 0) return -1;
    receiverAs<ProfileL>(r).setLibraryIndex(index);
    return 0;
}

int readLoad(CommandIO&, CommandEnabler& r) { return receiverAs<ProfileL>(r).load() ? 0 : -1; }

// The line without a value that makes the reader copy the library entry's outline.
int writeLoad(CommandIO& io, CommandEnabler&, const char* keyword, Spelling) { return io.writef("%s\n", keyword); }

// The profile's own lines, after the member's.
constexpr FieldTable::Line kProfileLLines[] = {
    {"libIdx", readIndex, writeGetter<&ProfileL::libraryIndex>},
    {"load", readLoad, writeLoad},
};
constexpr FieldTable kProfileLTable{kProfileLLines};

}  // namespace

ProfileL::ProfileL(Scene& scene, const char* name) : Profile(scene, name) {
    createOutlinePorts();
    registerCommands();
}

ProfileL::~ProfileL() = default;

CommandTable& ProfileL::commandTable() {
    static CommandTable table;
    return table;
}

void ProfileL::registerCommands() {
    Profile::registerCommands();
    kProfileLTable.registerInto(*this);
}

int ProfileL::writeCommands(CommandIO& io) {
    if (Profile::writeCommands(io) != 0) return -1;
    return kProfileLTable.write(io, *this);
}

void ProfileL::setLibraryIndex(int index) {
    libIdx_ = index;
    takeOutlineStamp();
}

bool ProfileL::load() {
    Profile* entry = ProfileLibrary::instance().profile(libIdx_);
    InputProfile2* source = entry ? entry->inputProfile() : nullptr;
    if (!source) return false;
    *ownOutline() = *source;
    takeOutlineStamp();
    return true;
}

}  // namespace fw
