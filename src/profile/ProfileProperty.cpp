#include "profile/ProfileProperty.h"

#include "persistence/CommandIO.h"
#include "persistence/FieldReaders.h"

namespace fw {

namespace {

int readInterval(CommandIO& io, CommandEnabler& r) {
    int id;
    ProfileProperty::Interval interval;
    if (io.readInt(id) != 0 || io.readDouble(interval.start) != 0 || io.readDouble(interval.end) != 0 ||
        io.readInt(interval.material) != 0)
        return -1;
    receiverAs<ProfileProperty>(r).addInterval(id, interval);
    return 0;
}

}  // namespace

ProfileProperty::ProfileProperty(const char* blockName) : blockName_(blockName) {
    registerCommand("mtlInterval", readInterval);
    registerCommand("end", CommandEnabler::endCommand);
}

ProfileProperty::~ProfileProperty() = default;

// One table serves every block name: the keywords are the same.
CommandTable& ProfileProperty::commandTable() {
    static CommandTable table;
    return table;
}

int ProfileProperty::writeCommands(CommandIO& io) {
    for (const Entry& entry : entries_)
        for (const Interval& i : entry.intervals)
            if (io.writef("mtlInterval %d %f %f %d\n", entry.id, i.start, i.end, i.material) != 0) return -1;
    return 0;
}

void ProfileProperty::addInterval(int id, const Interval& interval) {
    for (Entry& entry : entries_)
        if (entry.id == id) {
            entry.intervals.push_back(interval);
            return;
        }
    entries_.push_back(Entry{id, {interval}});
}

const ProfileProperty::Entry* ProfileProperty::find(int id) const {
    for (const Entry& entry : entries_)
        if (entry.id == id) return &entry;
    return nullptr;
}

}  // namespace fw
