#include "anim/AnimElementCache.h"

#include <climits>
#include <cstdlib>
#include <cstring>

#include "anim/RecordLines.h"
#include "scene/Scene.h"
#include "scene/SceneMember.h"

namespace fw {

namespace {

using C = AnimElementCache;

const char* const kCacheGroupTypes[] = {"SOFT", "HARD"};
const char* const kTextGranularities[] = {"BLOCK", "PARAGRAPH", "LINE", "WORD", "CHARACTER"};
const char* const kFragmentGranularities[] = {"OBJECT", "FRAGMENT"};

const char* cacheGroupTypeName(int type) { return type == C::kHard ? "HARD" : "SOFT"; }
int cacheGroupTypeOf(const char* word) { return wordIndex(kCacheGroupTypes, 2, word); }
const char* textName(int by) { return by >= C::kBlock && by <= C::kCharacter ? kTextGranularities[by] : "CHARACTER"; }
int textOf(const char* word) { return wordIndex(kTextGranularities, 5, word); }
const char* fragmentName(int by) { return by == C::kByFragment ? "FRAGMENT" : "OBJECT"; }
int fragmentOf(const char* word) { return wordIndex(kFragmentGranularities, 2, word); }

// The list an index of each reference counts in.
template <C::MemberRef C::*Ref>
constexpr int kRefKind = Ref == &C::camera ? kCameraKind : Ref == &C::light ? kLightKind : kObjectKind;

SceneMember* resolveRef(Scene& scene, C::MemberRef& ref, int kind) {
    if (!ref.name.empty()) return ref.name.resolve();
    return ref.index >= 0 ? scene.member(kind, ref.index) : nullptr;
}

template <C::MemberRef C::*Ref>
int readRef(CommandIO& io, CommandEnabler& r) {
    C& c = receiverAs<C>(r);
    std::string text;
    if (io.readString(text) != 0) return -1;
    C::MemberRef& ref = c.*Ref;
    ref = C::MemberRef();
    if (isIndex(text)) {
        long index = std::strtol(text.c_str(), nullptr, 10);
        ref.index = index < 0 || index > INT_MAX ? -1 : static_cast<int>(index);
    } else if (!text.empty()) {
        // A name not (yet) in the scene is kept as it came: placeholder primitives
        // cannot be made yet.
        ref.name = NameReference(c.scene().nameDictionary(), text.c_str());
    }
    return 0;
}

// With the stream's flag set the reference goes out as the member's place in its list.
template <C::MemberRef C::*Ref>
int writeRef(CommandIO& io, CommandEnabler& r, const char* keyword, Spelling) {
    C& c = receiverAs<C>(r);
    C::MemberRef& ref = c.*Ref;
    const int kind = kRefKind<Ref>;
    int index = -1;
    if (io.flag()) {
        SceneMember* m = resolveRef(c.scene(), ref, kind);
        for (int i = 0; m && i < c.scene().memberCount(kind); ++i)
            if (c.scene().member(kind, i) == m) index = i;
    }
    if (index < 0 && ref.name.empty()) index = ref.index;
    if (index >= 0) return io.writef("%s \"%d\"\n", keyword, index);
    return io.writef("%s \"%s\"\n", keyword, escapeQuotes(ref.name.name()).c_str());
}

template <C::MemberRef C::*Ref>
constexpr FieldTable::Line refField(const char* keyword) {
    return {keyword, readRef<Ref>, writeRef<Ref>, Spelling::quoted};
}

int readGroup(CommandIO& io, CommandEnabler& r) {
    C& c = receiverAs<C>(r);
    std::string name;
    if (io.readString(name) != 0) return -1;
    c.group = name.empty() ? NameReference() : NameReference(c.scene().nameDictionary(), name.c_str());
    return 0;
}

int writeGroup(CommandIO& io, CommandEnabler& r, const char* keyword, Spelling) {
    return io.writef("%s \"%s\"\n", keyword, escapeQuotes(receiverAs<C>(r).group.name()).c_str());
}

int writeRotateOrder(CommandIO& io, CommandEnabler& r, const char* keyword, Spelling) {
    return io.writef("%s %s\n", keyword, receiverAs<C>(r).startRotateOrder.c_str());
}

// Position, target, then roll, field of view and clipping: the groups are set apart by two spaces.
template <double (C::*Cache)[10]>
int writeCameraCache(CommandIO& io, CommandEnabler& r, const char* keyword, Spelling) {
    const double* v = receiverAs<C>(r).*Cache;
    return io.writef("%s  %g %g %g  %g %g %g  %g %g %g %g\n", keyword, v[0], v[1], v[2], v[3], v[4], v[5], v[6],
                     v[7], v[8], v[9]);
}

// Blocks inside a cache are nobody's to read yet: they are kept and written back.
int beginChild(CommandIO& io, CommandEnabler& r) {
    char name[CommandIO::kTokenSize];
    if (io.readToken(name, sizeof name) != 0) return -1;
    C& c = receiverAs<C>(r);
    c.children.emplace_back(name, KeptLines());
    return c.children.back().second.read(io, name);
}

int writeChildren(CommandIO& io, CommandEnabler& r, const char*, Spelling) {
    for (auto& [name, lines] : receiverAs<C>(r).children)
        if (lines.writeBlock(io, name.c_str()) != 0) return -1;
    return 0;
}

constexpr FieldTable::Line kAnimElementCacheLines[] = {
    trueFalseField<&C::isInherited>("isInherited"),
    trueFalseField<&C::isAnimated>("isAnimated"),
    wordField<&C::groupType, cacheGroupTypeName, cacheGroupTypeOf>("groupType", Spelling::bare),
    wordField<&C::animateBy, textName, textOf>("animateBy", Spelling::bare),
    wordField<&C::animateFragmentsBy, fragmentName, fragmentOf>("animateFragmentsBy", Spelling::bare),
    {"group", readGroup, writeGroup},
    refField<&C::object>("object"),
    refField<&C::camera>("camera"),
    refField<&C::light>("light"),
    refField<&C::parent>("parent"),
    field<&C::startTranslate>("startTranslate"),
    field<&C::startRotate>("startRotate"),
    {"startRotateOrder", readField<&C::startRotateOrder>, writeRotateOrder},
    field<&C::startScale>("startScale"),
    field<&C::startOrigin>("startOrigin"),
    field<&C::tweakTranslate>("tweakTranslate"),
    field<&C::tweakRotate>("tweakRotate"),
    field<&C::tweakScale>("tweakScale"),
    field<&C::tweakOrigin>("tweakOrigin"),
    {"cameraCache", readField<&C::cameraCache>, writeCameraCache<&C::cameraCache>},
    field<&C::tweakCameraCacheUsed>("tweakCameraCacheUsed"),
    {"tweakCameraCache", readField<&C::tweakCameraCache>, writeCameraCache<&C::tweakCameraCache>},
    field<&C::reverseArch>("reverseArch"),
    {"begin", beginChild, writeChildren},
    {"end", &CommandEnabler::endCommand},
};
constexpr FieldTable kAnimElementCacheFields(kAnimElementCacheLines);

}  // namespace

AnimElementCache::AnimElementCache(Scene& scene) : scene_(&scene) { kAnimElementCacheFields.registerInto(*this); }

CommandTable& AnimElementCache::commandTable() {
    static CommandTable table;
    return table;
}

int AnimElementCache::writeCommands(CommandIO& io) { return kAnimElementCacheFields.write(io, *this); }

SceneMember* AnimElementCache::element() {
    if (SceneMember* m = resolveRef(*scene_, object, kObjectKind)) return m;
    if (SceneMember* m = resolveRef(*scene_, camera, kCameraKind)) return m;
    return resolveRef(*scene_, light, kLightKind);
}

}  // namespace fw
