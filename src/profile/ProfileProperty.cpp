#include "profile/ProfileProperty.h"

#include "persistence/CommandIO.h"
#include "persistence/FieldTable.h"

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

// A line per interval: its contour's id, its span and its material.
int writeIntervals(CommandIO& io, CommandEnabler& r, const char* keyword, Spelling) {
    for (const ProfileProperty::Entry& entry : receiverAs<ProfileProperty>(r).entries())
        for (const ProfileProperty::Interval& i : entry.intervals)
            if (io.writef("%s %d %f %f %d\n", keyword, entry.id, i.start, i.end, i.material) != 0) return -1;
    return 0;
}

constexpr FieldTable::Line kProfilePropertyLines[] = {
    {"mtlInterval", readInterval, writeIntervals},
    {"end", &CommandEnabler::endCommand},
};
constexpr FieldTable kProfilePropertyTable{kProfilePropertyLines};

}  // namespace

ProfileProperty::ProfileProperty(const char* blockName) : blockName_(blockName) {
    kProfilePropertyTable.registerInto(*this);
}

ProfileProperty::~ProfileProperty() = default;

// One table serves every block name: the keywords are the same.
CommandTable& ProfileProperty::commandTable() {
    static CommandTable table;
    return table;
}

int ProfileProperty::writeCommands(CommandIO& io) { return kProfilePropertyTable.write(io, *this); }

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
