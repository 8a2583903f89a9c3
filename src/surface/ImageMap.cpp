#include "surface/ImageMap.h"

#include <cmath>
#include <filesystem>

#include "persistence/CommandIO.h"
#include "persistence/FieldTable.h"
#include "scene/AnimGlobals.h"
#include "scene/Scene.h"
#include "surface/ImageFile.h"

namespace fw {

namespace {

std::FILE* gConsole = nullptr;

int readImageFile(CommandIO& io, CommandEnabler& r) {
    std::string name;
    if (io.readString(name) != 0) return -1;
    receiverAs<ImageMap>(r).setImageFile(name);
    return 0;
}
int writeImageFile(CommandIO& io, CommandEnabler& r, const char* keyword, Spelling spelling) {
    return writeLine(io, keyword, receiverAs<ImageMap>(r).imageFileName(), spelling);
}

// The placement of older files: read into oldPlacement, never written.
int readDomain(CommandIO& io, CommandEnabler& r) {
    receiverAs<ImageMap>(r).oldPlacement.present = true;
    return io.readInt(receiverAs<ImageMap>(r).oldPlacement.domain);
}

template <int Which>
int readOldVector(CommandIO& io, CommandEnabler& r) {
    ImageMap::OldPlacement& p = receiverAs<ImageMap>(r).oldPlacement;
    p.present = true;
    return io.readVector3(Which == 0 ? p.translate : Which == 1 ? p.rotate : p.scale);
}

// The map's own lines, after the member's.
constexpr FieldTable::Line kMapLines[] = {
    {"imageFile", readImageFile, writeImageFile, Spelling::quoted},
    field<&ImageMap::startTime>("startTime", Spelling::fixed),
    field<&ImageMap::holdFirstFrame>("holdFirstFrame"),
    field<&ImageMap::holdLastFrame>("holdLastFrame"),
    field<&ImageMap::loop>("loop"),
    {"domain", readDomain},
    {"translate", readOldVector<0>},
    {"rotate", readOldVector<1>},
    {"scale", readOldVector<2>},
    {"end", &CommandEnabler::endCommand},
};
constexpr FieldTable kMapTable{kMapLines};

}  // namespace

ImageMap::ImageMap(Scene& scene, const char* name) : SceneMember(scene, kImageMapKind, name) { registerCommands(); }

// A map whose file is not on disk is reported once its block has been read; it
// stays in the scene and shows nothing.
void ImageMap::finishReading() {
    std::string name = imageFileName();
    if (name.empty()) return;
    std::string path = filePath();
    std::error_code ec;
    if (path.empty() || !std::filesystem::exists(path, ec))
        std::fprintf(console(), "\rORVOSTAT: Skipping Missing Map '%s'\n", path.empty() ? name.c_str() : path.c_str());
}

CommandTable& ImageMap::commandTable() {
    static CommandTable table;
    return table;
}

void ImageMap::registerCommands() {
    SceneMember::registerCommands();
    kMapTable.registerInto(*this);
}

int ImageMap::writeCommands(CommandIO& io) {
    if (SceneMember::writeCommands(io) != 0) return -1;
    return kMapTable.write(io, *this);
}

void ImageMap::markUsed() {
    setUsed(true);
    if (ImageFile* f = imageFile()) f->markUsed();
}

void ImageMap::setImageFile(const std::string& name) {
    file_ = name.empty() ? NameReference() : NameReference(scene().nameDictionary(), name.c_str());
}

std::string ImageMap::imageFileName() { return file_.empty() ? std::string() : file_.name(); }

ImageFile* ImageMap::imageFile() { return dynamic_cast<ImageFile*>(followReference(file_)); }

SceneMember* followReference(const NameReference& reference) {
    NameDictionary::Entry* e = reference.entry();
    while (e && e->alias) e = e->alias;
    return e ? e->value : nullptr;
}

std::string ImageMap::filePath() {
    ImageFile* f = imageFile();
    return f ? f->path() : std::string();
}

int ImageMap::frameAt(double seconds) {
    ImageFile* f = imageFile();
    if (!f) return -1;
    int count = f->frameCount();
    if (count <= 0) return -1;
    if (f->source() == ImageFile::kStill) return 0;
    double rate = f->frameRate();
    if (rate <= 0) rate = scene().animGlobals().framesPerSecond;
    if (rate <= 0) rate = 30.0;
    double n = std::floor((seconds - startTime) * rate + 1e-6);
    if (!std::isfinite(n)) return -1;
    if (n < 0) return holdFirstFrame ? 0 : -1;
    if (n >= count) {
        if (loop) return static_cast<int>(std::fmod(n, count));
        return holdLastFrame ? count - 1 : -1;
    }
    return static_cast<int>(n);
}

double ImageMap::sceneTime() {
    AnimGlobals& g = scene().animGlobals();
    return g.framesPerSecond > 0 ? g.currentFrame() / g.framesPerSecond : 0.0;
}

const Picture* ImageMap::picture() {
    ImageFile* f = imageFile();
    if (!f) return nullptr;
    int n = frameAt(sceneTime());
    return n < 0 ? nullptr : f->frame(n);
}

Rgba ImageMap::sample(double u0, double v0, double u1, double v1, bool fourChannels) {
    const Picture* p = picture();
    return p ? p->sample(u0, v0, u1, v1, fourChannels) : Rgba{};
}

ImageMap* ImageMap::createFor(Scene& scene, const std::string& imageFileName) {
    auto* m = new ImageMap(scene, kNewMapName);
    m->setImageFile(imageFileName);
    return m;
}

ImageMap* ImageMap::ensureDefaultBackground(Scene& scene) {
    SceneMember* holder = scene.findMember(kDefaultBackgroundName);
    if (auto* m = dynamic_cast<ImageMap*>(holder)) return m;
    if (holder) return nullptr;  // another kind of member holds the name
    return new ImageMap(scene, kDefaultBackgroundName);
}

bool ImageMap::backgroundMedia(Scene& scene, std::string& path) {
    auto* m = dynamic_cast<ImageMap*>(scene.findMember(kDefaultBackgroundName));
    if (!m) return false;
    path = m->filePath();
    return true;
}

ImageMap* ImageMap::setBackgroundMedia(Scene& scene, const std::string& path) {
    ImageMap* m = ensureDefaultBackground(scene);
    if (!m) return nullptr;
    if (path.empty()) {
        m->setImageFile("");
        return m;
    }
    ImageFile* file = nullptr;
    for (int i = 0; i < scene.memberCount(kImageFileKind) && !file; ++i) {
        auto* f = dynamic_cast<ImageFile*>(scene.member(kImageFileKind, i));
        if (f && f->path() == path.substr(0, ImageFile::kMaxPath)) file = f;
    }
    if (!file) {
        file = new ImageFile(scene, "Image.1");
        file->setPath(path);
    }
    m->setImageFile(file->name());
    return m;
}

void ImageMap::setConsole(std::FILE* console) { gConsole = console; }

std::FILE* ImageMap::console() { return gConsole ? gConsole : stdout; }

}  // namespace fw
