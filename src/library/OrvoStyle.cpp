#include "library/OrvoStyle.h"

#include <cstring>

#include "library/MemberCopy.h"
#include "persistence/CommandIO.h"
#include "persistence/FieldTable.h"
#include "scene/MemberFactory.h"
#include "scene/SceneMember.h"
#include "scene/SceneX.h"

namespace fw {

// The keywords every preset kind reads.
struct OrvoStyleLines {
    static OrvoStyle& self(CommandEnabler& r) { return receiverAs<OrvoStyle>(r); }

    static int binPosition(CommandIO& io, CommandEnabler&) {
        int a, b;
        return io.readInt(a) == 0 && io.readInt(b) == 0 ? 0 : -1;
    }
    static int thumbnailSize(CommandIO& io, CommandEnabler& r) {
        OrvoStyle& s = self(r);
        int result = s.thumbnail_.readSize(io);
        s.stale_ = true;  // blank until its data is read
        return result;
    }
    static int thumbnailData(CommandIO& io, CommandEnabler& r, bool binary) {
        OrvoStyle& s = self(r);
        int result = s.thumbnail_.readData(io, binary);
        s.stale_ = s.thumbnail_.picture() == nullptr;
        return result;
    }
    static int textThumbnail(CommandIO& io, CommandEnabler& r) { return thumbnailData(io, r, false); }
    static int binaryThumbnail(CommandIO& io, CommandEnabler& r) { return thumbnailData(io, r, true); }
    static int name(CommandIO& io, CommandEnabler& r) {
        char token[CommandIO::kTokenSize + 1];
        if (io.readToken(token, sizeof token) != 0) return -1;
        self(r).itemName_ = token;
        return 0;
    }
    static int description(CommandIO& io, CommandEnabler& r) {
        std::string text;
        if (io.readString(text) != 0) return -1;
        self(r).setDescription(text);
        return 0;
    }
    // Only a scene block nests in a preset: the swatch scene, read afresh.
    static int begin(CommandIO& io, CommandEnabler& r) {
        char className[CommandIO::kTokenSize];
        if (io.readToken(className, sizeof className) != 0 || std::strcmp(className, "SceneX") != 0) return -1;
        OrvoStyle& s = self(r);
        s.scene_ = std::make_unique<SceneX>();
        io.push(s.scene_.get());
        return 0;
    }
    // The size line, then the picture's data.
    static int writeThumbnail(CommandIO& io, CommandEnabler& r, const char*, Spelling) {
        OrvoStyle& s = self(r);
        return s.thumbnail_.write(io, s.textOnly_);
    }
};

namespace {

// Each kind of preset writes its own fields after the thumbnail (writeFields), and the
// swatch scene follows as a block of its own.
constexpr FieldTable::Line kOrvoStyleLines[] = {
    {"ThumbnailSize", OrvoStyleLines::thumbnailSize, OrvoStyleLines::writeThumbnail},
    {"JPEGThumbnail", OrvoStyleLines::textThumbnail},
    {"JPEGBinaryThumbnail", OrvoStyleLines::binaryThumbnail},
    {"BinPosition", OrvoStyleLines::binPosition},
    {"Name", OrvoStyleLines::name},
    {"Description", OrvoStyleLines::description},
    {"UseDefaultScene", readField<&OrvoStyle::useDefaultScene>},
    {"NeedsUpdate", readField<&OrvoStyle::needsUpdate>},
    {"begin", OrvoStyleLines::begin},
    {"end", &CommandEnabler::endCommand},
};
constexpr FieldTable kOrvoStyleTable{kOrvoStyleLines};

}  // namespace

OrvoStyle::OrvoStyle() : scene_(std::make_unique<SceneX>()) { kOrvoStyleTable.registerInto(*this); }

OrvoStyle::~OrvoStyle() = default;

CommandTable& OrvoStyle::commandTable() {
    static CommandTable table;
    return table;
}

SceneMember* OrvoStyle::item() const {
    int kind = itemKind();
    if (kind == 0) return nullptr;
    if (!itemName_.empty())
        if (SceneMember* m = scene_->findMember(itemName_); m && m->kind() == kind) return m;
    return scene_->memberCount(kind) ? scene_->member(kind, 0) : nullptr;
}

bool OrvoStyle::wrap(Scene& from, SceneMember& member) {
    if (itemKind() == 0 || member.kind() != itemKind()) return false;
    auto scene = std::make_unique<SceneX>();
    scene->setName(swatchSceneName());
    SceneMember* copied = MemberCopy::copyWithReferences(from, member, *scene);
    if (!copied) return false;
    scene_ = std::move(scene);
    itemName_ = copied->name();
    owner_ = &from;
    return true;
}

bool OrvoStyle::wrapNew(const std::string& name) {
    if (itemKind() == 0) {
        scene_ = std::make_unique<SceneX>();
        scene_->setName(name);
        return true;
    }
    const MemberFactory::Entry* entry = itemClass() ? MemberFactory::instance().find(itemClass()) : nullptr;
    if (!entry || !entry->create) return false;
    auto scene = std::make_unique<SceneX>();
    scene->setName(swatchSceneName());
    SceneMember* made = entry->create(*scene, name.c_str());
    if (!made) return false;
    scene_ = std::move(scene);
    itemName_ = made->name();
    return true;
}

void OrvoStyle::adoptScene(std::unique_ptr<SceneX> scene) {
    if (!scene) return;
    scene_ = std::move(scene);
    if (itemKind() != 0) scene_->setName(swatchSceneName());
    SceneMember* m = item();
    itemName_ = m ? m->name() : std::string();
}

std::string OrvoStyle::name() const {
    if (itemKind() == 0) return scene_->name();
    SceneMember* m = item();
    return m ? m->name() : itemName_;
}

bool OrvoStyle::rename(const std::string& name) {
    if (name.empty()) return false;
    if (itemKind() == 0) {
        scene_->setName(name);
        return true;
    }
    SceneMember* m = item();
    if (!m || !m->setName(name)) return false;
    itemName_ = m->name();
    return true;
}

void OrvoStyle::finishReading() {
    scene_->postLoad();
    int kind = itemKind();
    if (kind == 0) return;
    // A name read for the preset binds it to the library scene's item of that name
    // when its own scene has none.
    bool own = false;
    if (!itemName_.empty())
        if (SceneMember* m = scene_->findMember(itemName_); m && m->kind() == kind) own = true;
    if (!own && !itemName_.empty() && owner_)
        if (SceneMember* m = owner_->findMember(itemName_); m && m->kind() == kind) {
            MemberCopy::copyWithReferences(*owner_, *m, *scene_);
            return;
        }
    SceneMember* m = item();
    itemName_ = m ? m->name() : std::string();
}

const Picture* OrvoStyle::thumbnail(int width, int height) {
    const Picture* current = thumbnail_.picture();
    if (width == -1 || height == -1) return current;
    if (!stale_ && current && current->width() == width && current->height() == height) return current;
    if (!renderHook_ || width <= 0 || height <= 0) return nullptr;
    std::unique_ptr<Picture> made = renderHook_(*this, width, height);
    if (!made) return nullptr;
    setThumbnail(std::move(made));
    return thumbnail_.picture();
}

void OrvoStyle::setThumbnail(std::unique_ptr<Picture> picture) {
    stale_ = picture == nullptr;
    thumbnail_.set(std::move(picture));
}

void OrvoStyle::setRequestedThumbnailSize(int width, int height) {
    requestedWidth_ = width;
    requestedHeight_ = height;
    stale_ = !(thumbnail_.picture() && width >= 0 && height >= 0);
}

int OrvoStyle::writeCommands(CommandIO& io) {
    if (kOrvoStyleTable.write(io, *this) != 0) return -1;
    if (writeFields(io) != 0) return -1;
    // Everything the swatch scene holds is the preset's, marked or not.
    bool writeAll = scene_->writeAll();
    if (itemKind() != 0) scene_->setName(swatchSceneName());
    scene_->setWriteAll(true);
    int result = io.writeBlock(*scene_);
    scene_->setWriteAll(writeAll);
    return result;
}

}  // namespace fw
