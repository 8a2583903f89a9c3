#include "profile/ProfileL.h"

#include "persistence/CommandIO.h"
#include "persistence/FieldReaders.h"
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
    registerCommand("libIdx", readIndex);
    registerCommand("load", readLoad);
}

int ProfileL::writeCommands(CommandIO& io) {
    if (Profile::writeCommands(io) != 0) return -1;
    io.writef("libIdx %d\n", libIdx_);
    return io.writef("load\n");
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
