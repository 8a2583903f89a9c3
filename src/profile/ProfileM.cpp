#include "profile/ProfileM.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "persistence/CommandIO.h"
#include "persistence/FieldTable.h"
#include "platform/Random.h"
#include "scene/AnimGlobals.h"
#include "scene/Scene.h"

namespace fw {

namespace {

const char* const kOptionNames[] = {"PLAY_ONCE", "PLAY_THEN_HOLD", "LOOP", "PING_PONG", "RANDOMIZE",
                                    "REVERSE_PLAY_ONCE", "REVERSE_PLAY_THEN_HOLD", "REVERSE_LOOP"};
// The ports of a sequence: the same names as those of the profiles it shows.
const char* const kFlattenedNames[] = {"Preview2DFlattenedProfile", "PreviewFlattenedProfile", "RenderFlattenedProfile"};
const char* const kBoundsNames[] = {"Preview2DBounds", "PreviewBounds", "RenderBounds"};
// Sequences may show sequences; this deep and no deeper.
constexpr int kMaxNesting = 16;
// A member that the random draws keep missing is taken directly after this many.
constexpr int kMaxRedrawsPerMember = 1000;

constexpr auto self = &receiverAs<ProfileM>;

int readStartFrame(CommandIO& io, CommandEnabler& r) {
    int frame;
    if (io.readInt(frame) != 0) return -1;
    if (frame >= 0) self(r).startFrame = frame;
    return 0;
}

// The document's frame count travels with every sequence; it changes the timeline
// only when it differs, so a scene without timeline settings stays without them.
int readTotalFrames(CommandIO& io, CommandEnabler& r) {
    int frames;
    if (io.readInt(frames) != 0) return -1;
    AnimGlobals& globals = self(r).scene().animGlobals();
    if (frames > 0 && frames != globals.frameCount())
        globals.setFrameRange(globals.frameStart, globals.frameStart + frames - 1);
    if (globals.currentFrame() > frames) globals.setCurrentFrame(frames);
    return 0;
}

int readChangeCounter(CommandIO& io, CommandEnabler& r) {
    if (io.readInt(self(r).changeCounter) != 0) return -1;
    self(r).discardRandomOrder();
    return 0;
}

int readRandomSeed(CommandIO& io, CommandEnabler& r) {
    if (io.readInt(self(r).randomSeed) != 0) return -1;
    self(r).discardRandomOrder();
    return 0;
}

int readCycleOption(CommandIO& io, CommandEnabler& r) {
    char word[CommandIO::kTokenSize];
    if (io.readToken(word, sizeof word) != 0) return -1;
    self(r).cycleOption = ProfileM::cycleOptionFromName(word);
    return 0;
}

int readProfileName(CommandIO& io, CommandEnabler& r) {
    std::string name;
    if (io.readString(name) != 0) return -1;
    self(r).addMember(name);
    return 0;
}

int writeTotalFrames(CommandIO& io, CommandEnabler& r, const char* keyword, Spelling spelling) {
    return writeLine(io, keyword, self(r).scene().animGlobals().frameCount(), spelling);
}

int writeCycleOption(CommandIO& io, CommandEnabler& r, const char* keyword, Spelling spelling) {
    return writeLine(io, keyword, std::string(ProfileM::cycleOptionName(self(r).cycleOption)), spelling);
}

int writeProfileNames(CommandIO& io, CommandEnabler& r, const char* keyword, Spelling spelling) {
    const ProfileM& m = self(r);
    for (int i = 0; i < m.memberCount(); ++i)
        if (writeLine(io, keyword, m.memberName(i), spelling) != 0) return -1;
    return 0;
}

// An option out of range is not stored.
bool knownCycleOption(CommandEnabler& r) {
    const int option = self(r).cycleOption;
    return option >= ProfileM::PLAY_ONCE && option <= ProfileM::REVERSE_LOOP;
}

constexpr FieldTable::Line kProfileMLines[] = {
    {"startFrame", readStartFrame, writeField<&ProfileM::startFrame>},
    {"totalFrames", readTotalFrames, writeTotalFrames},
    {"changeCounter", readChangeCounter, writeField<&ProfileM::changeCounter>},
    {"cycleOption", readCycleOption, writeCycleOption, Spelling::quoted, knownCycleOption},
    {"randomSeed", readRandomSeed, writeField<&ProfileM::randomSeed>},
    field<&ProfileM::showBeforeStart>("showBeforeStart"),
    {"profileName", readProfileName, writeProfileNames, Spelling::quoted},
};
constexpr FieldTable kProfileMTable{kProfileMLines};

Profile* asProfile(SceneMember* m) { return m && m->kind() == kProfileKind ? dynamic_cast<Profile*>(m) : nullptr; }

}  // namespace

// ---- the sequence

ProfileM::ProfileM(Scene& scene, const char* name) : Profile(scene, name) {
    outlinePort_ = std::make_unique<SelectPort<InputProfile2, NoSettings>>(this, "Profile");
    for (int i = 0; i < 3; ++i)
        flattenedPorts_[i] = std::make_unique<SelectPort<ProfileGeometry, FlattenedProfileSettings>>(this, kFlattenedNames[i]);
    for (int i = 0; i < 3; ++i)
        boundsPorts_[i] = std::make_unique<SelectPort<Bounds, FlattenedProfileSettings>>(this, kBoundsNames[i]);
    registerCommands();
}

ProfileM::~ProfileM() = default;

CommandTable& ProfileM::commandTable() {
    static CommandTable table;
    return table;
}

void ProfileM::registerCommands() {
    Profile::registerCommands();
    kProfileMTable.registerInto(*this);
}

int ProfileM::writeCommands(CommandIO& io) {
    if (Profile::writeCommands(io) != 0) return -1;
    return kProfileMTable.write(io, *this);
}

const char* ProfileM::cycleOptionName(int option) {
    return option >= PLAY_ONCE && option <= REVERSE_LOOP ? kOptionNames[option - 1] : kOptionNames[LOOP - 1];
}

int ProfileM::cycleOptionFromName(const char* name) {
    for (int i = PLAY_ONCE; i <= REVERSE_LOOP; ++i)
        if (std::strcmp(kOptionNames[i - 1], name) == 0) return i;
    return LOOP;
}

void ProfileM::addMember(const std::string& name) {
    members_.push_back(std::make_unique<NameReference>(scene().nameDictionary(), name.c_str()));
    forEachPort([](OutputPort& port) { port.setDirty(); });
}

std::string ProfileM::memberName(int index) const { return members_[index]->name(); }

bool ProfileM::shows(const Profile* profile, int depth) const {
    if (depth > kMaxNesting) return true;
    for (const auto& ref : members_) {
        Profile* p = asProfile(ref->resolve());
        if (p == profile) return true;
        if (auto* sequence = dynamic_cast<ProfileM*>(p); sequence && sequence->shows(profile, depth + 1)) return true;
    }
    return false;
}

Profile* ProfileM::member(int index) const {
    if (index < 0 || index >= memberCount()) return nullptr;
    Profile* p = asProfile(members_[index]->resolve());
    if (p == this) return nullptr;
    if (auto* sequence = dynamic_cast<ProfileM*>(p); sequence && sequence->shows(this, 0)) return nullptr;
    return p;
}

void ProfileM::markUsed() {
    setUsed(true);
    for (auto& ref : members_) {
        Profile* p = asProfile(ref->resolve());
        if (p && !p->used()) p->markUsed();
    }
}

int ProfileM::randomEntry(int frame) {
    if (frame < 0) return -1;
    int needed = std::max(scene().animGlobals().frameCount(), frame + 1);
    if (randomOrder_.count() < needed) {
        // Drawn afresh from the seed in one go, so the order never depends on what else
        // used the shared generator in between.
        randomOrder_.clear();
        int n = memberCount(), repeat = std::max(changeCounter, 1);
        bool first = true;
        std::vector<char> drawn(static_cast<size_t>(n));
        while (randomOrder_.count() < needed) {
            std::fill(drawn.begin(), drawn.end(), 0);
            for (int m = 0; m < n; ++m) {
                int j = 0;
                for (int tries = 0; tries < kMaxRedrawsPerMember * n; ++tries) {
                    float r = random(first ? randomSeed + 1 : 0);
                    first = false;
                    j = std::min(static_cast<int>(r * n), n - 1);
                    if (!drawn[j]) break;
                }
                if (drawn[j]) j = static_cast<int>(std::find(drawn.begin(), drawn.end(), 0) - drawn.begin());
                drawn[j] = 1;
                for (int c = 0; c < repeat; ++c) randomOrder_.append(j);
            }
        }
    }
    return randomOrder_[frame];
}

int ProfileM::memberIndexAt(int frame) {
    int n = memberCount();
    if (n == 0) return -1;
    bool reverse = cycleOption == REVERSE_PLAY_ONCE || cycleOption == REVERSE_PLAY_THEN_HOLD || cycleOption == REVERSE_LOOP;
    if (frame < startFrame) {
        if (!showBeforeStart) return -1;
        if (cycleOption == RANDOMIZE) return randomEntry(startFrame);
        return reverse ? n - 1 : 0;
    }
    // Without a frame count per member, or a ping-pong with nothing to turn back to,
    // the sequence holds its first member.
    int d = cycleOption == PING_PONG ? n - 1 : n;
    if (changeCounter <= 0 || d <= 0) return 0;
    int k = (frame - startFrame) / changeCounter, q = k / d, r = k % d;
    int index;
    switch (cycleOption) {
        case PLAY_ONCE: index = q == 0 ? r : -1; break;
        case PLAY_THEN_HOLD: index = q == 0 ? r : n - 1; break;
        case PING_PONG: index = q % 2 == 0 ? r : d - r; break;
        case RANDOMIZE: index = randomEntry(frame); break;
        case REVERSE_PLAY_ONCE: index = q == 0 ? n - 1 - r : -1; break;
        case REVERSE_PLAY_THEN_HOLD: index = q == 0 ? n - 1 - r : 0; break;
        case REVERSE_LOOP: index = n - 1 - r; break;
        default: index = r; break;
    }
    return index >= 0 && index < n ? index : -1;
}

Profile* ProfileM::currentProfile() {
    int frame = static_cast<int>(std::floor(scene().animGlobals().currentFrame()));
    return member(memberIndexAt(frame));
}

void ProfileM::selectCurrent() {
    Profile* shown = currentProfile();
    forEachPort([shown](auto& port) { port.show(shown); });
}

bool ProfileM::profileChanged() {
    forEachPort([](OutputPort& port) { port.setDirty(); });
    return currentProfile() != nullptr;
}

InputProfile2* ProfileM::inputProfile() {
    Profile* shown = currentProfile();
    return shown ? shown->inputProfile() : nullptr;
}

}  // namespace fw
