#include "anim/AnimTrackSegment.h"

#include <cmath>
#include <cstring>

#include "anim/RecordLines.h"
#include "scene/Scene.h"

namespace fw {

namespace {

using Seg = AnimTrackSegment;

// Frames far beyond any timeline are held where start + length stays an int.
constexpr double kFrameLimit = 5e8;

Seg& changedSegment(CommandEnabler& r) {
    Seg& s = receiverAs<Seg>(r);
    s.changed = true;
    return s;
}

// A value that is not a number leaves the frame it would replace.
bool readFrame(CommandIO& io, int& frame) {
    double value;
    if (io.readDouble(value) != 0 || std::isnan(value)) return false;
    frame = static_cast<int>(std::fmax(-kFrameLimit, std::fmin(kFrameLimit, value)));
    return true;
}

int readVersion(CommandIO& io, CommandEnabler& r) {
    Seg& s = changedSegment(r);
    return readAnimVersion(io, s.versionMajor, s.versionMinor);
}

int writeVersion(CommandIO& io, CommandEnabler& r, const char* keyword, Spelling) {
    Seg& s = receiverAs<Seg>(r);
    return io.writef("%s \"%d.%d\"\n", keyword, s.versionMajor, s.versionMinor);
}

int readFrameStart(CommandIO& io, CommandEnabler& r) {
    Seg& s = changedSegment(r);
    readFrame(io, s.startFrame);
    return 0;
}

int writeFrameStart(CommandIO& io, CommandEnabler& r, const char* keyword, Spelling) {
    return io.writef("%s %f\n", keyword, static_cast<double>(receiverAs<Seg>(r).startFrame));
}

// The length counts from the start read so far, so the start line must come first.
int readFrameEnd(CommandIO& io, CommandEnabler& r) {
    Seg& s = changedSegment(r);
    int end;
    if (readFrame(io, end)) s.length = end - s.startFrame + 1;
    return 0;
}

int writeFrameEnd(CommandIO& io, CommandEnabler& r, const char* keyword, Spelling) {
    Seg& s = receiverAs<Seg>(r);
    return io.writef("%s %f\n", keyword, static_cast<double>(s.startFrame) + s.length - 1);
}

int readParentNode(CommandIO& io, CommandEnabler& r) {
    Seg& s = changedSegment(r);
    std::string name;
    int flag;
    if (io.readString(name) != 0 || io.readInt(flag) != 0) return -1;
    s.parentNode = name.empty() ? NameReference() : NameReference(s.scene().nameDictionary(), name.c_str());
    s.parentFlag = flag != 0;
    return 0;
}

int writeParentNode(CommandIO& io, CommandEnabler& r, const char* keyword, Spelling) {
    Seg& s = receiverAs<Seg>(r);
    return io.writef("%s \"%s\" %d\n", keyword, escapeQuotes(s.parentNode.name()).c_str(), s.parentFlag ? 1 : 0);
}

// Stored row after row; the matrix in memory is column-major.
int readParentMatrix(CommandIO& io, CommandEnabler& r) {
    Seg& s = changedSegment(r);
    double v[16];
    if (io.readMatrix(v) != 0) return -1;
    for (int i = 0; i < 16; ++i) s.parentMatrix[i % 4][i / 4] = v[i];
    return 0;
}

// One command over four lines, a row on each.
int writeParentMatrix(CommandIO& io, CommandEnabler& r, const char* keyword, Spelling) {
    const glm::dmat4& m = receiverAs<Seg>(r).parentMatrix;
    return io.writef("%s %g %g %g %g \n%g %g %g %g \n%g %g %g %g \n%g %g %g %g \n", keyword, m[0][0], m[1][0],
                     m[2][0], m[3][0], m[0][1], m[1][1], m[2][1], m[3][1], m[0][2], m[1][2], m[2][2], m[3][2],
                     m[0][3], m[1][3], m[2][3], m[3][3]);
}

// Older files say how a text was split; the caches say it now.
int readAnimateTextBy(CommandIO& io, CommandEnabler& r) {
    int ignored;
    if (io.readInt(ignored) != 0) return -1;
    changedSegment(r);
    return 0;
}

int readDescription(CommandIO& io, CommandEnabler& r) { return io.readString(changedSegment(r).description); }

int writeDescription(CommandIO& io, CommandEnabler& r, const char* keyword, Spelling) {
    return io.writef("%s \"%s\"\n", keyword, escapeQuotes(receiverAs<Seg>(r).description).c_str());
}

int writeChildren(CommandIO& io, CommandEnabler& r, const char*, Spelling) {
    Seg& s = receiverAs<Seg>(r);
    if (io.writeBlock(s.fragmentation) != 0) return -1;
    for (auto& group : s.groups)
        if (io.writeBlock(*group) != 0) return -1;
    for (auto& cache : s.caches)
        if (io.writeBlock(*cache) != 0) return -1;
    return 0;
}

constexpr FieldTable::Line kAnimTrackSegmentLines[] = {
    {"animVersion", readVersion, writeVersion},
    {"frameStart", readFrameStart, writeFrameStart},
    {"frameEnd", readFrameEnd, writeFrameEnd},
    {"parentNode", readParentNode, writeParentNode},
    {"parentMatrix", readParentMatrix, writeParentMatrix},
    {"animateTextBy", readAnimateTextBy},
    {"description", readDescription, writeDescription},
    {"begin", nullptr, writeChildren},  // each segment type reads its own blocks
    {"end", &CommandEnabler::endCommand},
};
constexpr FieldTable kAnimTrackSegmentFields(kAnimTrackSegmentLines);

}  // namespace

bool acceptAnimVersion(double value, int& major, int& minor) {
    if (!(value < 1e9 && value > -1e9)) return false;
    int ma = static_cast<int>(value);
    // The decimal digit as written: 5.6 must not come out as 5.5999... and pass.
    int mi = static_cast<int>((value - ma) * 10 + 1e-6);
    if (ma >= 6 || (ma == 5 && mi > 5)) return false;
    major = ma;
    minor = mi;
    return true;
}

AnimTrackSegment::AnimTrackSegment(Scene& scene) : scene_(&scene) {}

AnimTrackSegment::~AnimTrackSegment() = default;

void AnimTrackSegment::registerCommands() { kAnimTrackSegmentFields.registerInto(*this); }

int AnimTrackSegment::writeCommands(CommandIO& io) { return kAnimTrackSegmentFields.write(io, *this); }

int AnimTrackSegment::beginBaseBlock(CommandIO& io, const char* className) {
    if (std::strcmp(className, "FragmentationParams") == 0) {
        fragmentation.chopsRead = 0;
        io.push(&fragmentation);
    } else if (std::strcmp(className, "AnimGroup") == 0) {
        groups.push_back(std::make_unique<AnimGroup>(*scene_));
        io.push(groups.back().get());
    } else if (std::strcmp(className, "AnimElementCache") == 0) {
        caches.push_back(std::make_unique<AnimElementCache>(*scene_));
        io.push(caches.back().get());
    } else {
        return 1;
    }
    changed = true;
    return 0;
}

void AnimTrackSegment::copyFrom(const AnimTrackSegment& other) {
    if (&other == this) return;
    changed = true;
    startFrame = other.startFrame;
    length = other.length;
    parentNode = other.parentNode;
    parentFlag = other.parentFlag;
    parentMatrix = other.parentMatrix;
    fragmentation = other.fragmentation;
    groups.clear();
    for (const auto& g : other.groups) groups.push_back(std::make_unique<AnimGroup>(*g));
    caches.clear();
    for (const auto& c : other.caches) caches.push_back(std::make_unique<AnimElementCache>(*c));
}

AnimElementCache* AnimTrackSegment::elementCache(int index) {
    return index >= 0 && index < static_cast<int>(caches.size()) ? caches[index].get() : nullptr;
}

}  // namespace fw
