#pragma once
// A style preset: one scene item (a material, a light, an object style) or a whole
// small lighting scene, with its swatch thumbnail. Each preset keeps its item in a
// scene of its own, the swatch scene it is written with.

#include <functional>
#include <memory>
#include <string>

#include "library/ThumbnailRecord.h"
#include "persistence/CommandEnabler.h"

namespace fw {

class Picture;
class Scene;
class SceneMember;
class SceneX;

class OrvoStyle : public CommandEnabler {
public:
    // Renders a swatch of the preset at that size; null when it cannot.
    using RenderHook = std::function<std::unique_ptr<Picture>(const OrvoStyle&, int width, int height)>;
    static constexpr size_t kMaxDescription = 255;

    OrvoStyle();
    ~OrvoStyle() override;

    int writeCommands(CommandIO& io) override;
    CommandTable& commandTable() override;
    void finishReading() override;

    // The member kind of the wrapped item; 0 for a lighting style, which wraps a scene.
    virtual int itemKind() const = 0;
    // The class a new blank item is made of ("MaterialX"), or null.
    virtual const char* itemClass() const = 0;
    virtual const char* swatchSceneName() const = 0;

    // The manager's library scene, or the scene the preset was made from.
    Scene* owner() const { return owner_; }
    void setOwner(Scene* owner) { owner_ = owner; }
    // The wrapped item (null for a lighting style or when there is none).
    SceneMember* item() const;
    // The scene holding the item, or the lighting style's own scene.
    SceneX& scene() const { return *scene_; }
    // Takes a copy of `member` of `from` (and what it refers to) as the wrapped item.
    bool wrap(Scene& from, SceneMember& member);
    // A blank item of the kind's class under that name; a lighting style names its scene.
    bool wrapNew(const std::string& name);
    // Takes over a scene already holding the item (a lighting style: the lights).
    void adoptScene(std::unique_ptr<SceneX> scene);

    // The wrapped item's name (a lighting style's: its scene's).
    virtual std::string name() const;
    virtual bool rename(const std::string& name);
    // Whether there is anything to write.
    virtual bool hasContent() const { return item() != nullptr; }

    // The cached thumbnail when it is current and of that size, else a fresh render
    // through the hook (none without one). -1 for either side: the cache as it is.
    const Picture* thumbnail(int width, int height);
    const Picture* currentThumbnail() const { return thumbnail_.picture(); }
    // Whether the thumbnail goes into the preset's file (a JPEG too large for its room
    // does not).
    bool thumbnailStorable() { return thumbnail_.storable(); }
    // Null marks the thumbnail stale.
    void setThumbnail(std::unique_ptr<Picture> picture);
    void setRequestedThumbnailSize(int width, int height);
    bool thumbnailStale() const { return stale_; }
    int requestedWidth() const { return requestedWidth_; }
    int requestedHeight() const { return requestedHeight_; }
    void setRenderHook(RenderHook hook) { renderHook_ = std::move(hook); }
    // Thumbnails written as hex text, for endpoints that carry no raw bytes.
    void setTextOnly(bool on) { textOnly_ = on; }

    const std::string& description() const { return description_; }
    void setDescription(const std::string& text) { description_ = text.substr(0, kMaxDescription); }
    bool useDefaultScene = true;
    bool needsUpdate = false;

protected:
    // The lines between the thumbnail and the swatch scene.
    virtual int writeFields(CommandIO&) { return 0; }

private:
    friend struct OrvoStyleLines;

    Scene* owner_ = nullptr;
    std::unique_ptr<SceneX> scene_;
    std::string itemName_;
    ThumbnailRecord thumbnail_;
    bool stale_ = true;
    int requestedWidth_ = -2;
    int requestedHeight_ = -2;
    RenderHook renderHook_;
    bool textOnly_ = false;
    std::string description_;
};

}  // namespace fw
