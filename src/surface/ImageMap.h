#pragma once
// An image map: shows an image file (by name) in materials and shaders, and for a
// movie or numbered sequence picks the frame that belongs to the scene's time.

#include <cstdio>
#include <string>

#include "scene/NameReference.h"
#include "scene/SceneMember.h"
#include "surface/Rgba.h"

namespace fw {

class ImageFile;
class Picture;

class ImageMap : public SceneMember {
public:
    // A map made for a material channel starts from this name, made unique.
    static constexpr const char* kNewMapName = "ImageMap.1";
    static constexpr const char* kDefaultBackgroundName = "defaultBGImageMap";

    ImageMap(Scene& scene, const char* name);

    int writeCommands(CommandIO& io) override;
    CommandTable& commandTable() override;
    void finishReading() override;
    const char* className() const override { return "ImageMap"; }
    void registerCommands() override;
    // Marks the map and its image file.
    void markUsed() override;

    // The image file, held by name so that renaming it keeps the link.
    void setImageFile(const std::string& name);
    std::string imageFileName();
    ImageFile* imageFile();
    // The path of the image file, or "" when there is none.
    std::string filePath();

    // Which frame shows `seconds` into the scene; -1 when none does. Stills always
    // show; movies and sequences start at startTime, run at their own rate (a
    // sequence at the scene's), and before and after their frames hold or loop.
    int frameAt(double seconds);
    // The scene's current time in seconds.
    double sceneTime();
    // The picture for the scene's current time, or null (missing file, nothing shows).
    const Picture* picture();
    // Premultiplied mean colour over a texture-space rectangle; 0, 0, 0, 0 when no
    // picture shows.
    Rgba sample(double u0, double v0, double u1, double v1, bool fourChannels = true);

    // A new map showing the named image file, for a material channel: named
    // "ImageMap.1", or the next free number.
    static ImageMap* createFor(Scene& scene, const std::string& imageFileName);

    // The post-load fix-up of every scene: the background map, created when missing;
    // null when a member of another kind holds its name.
    static ImageMap* ensureDefaultBackground(Scene& scene);
    // The background map's file, for the project's "BackgroundMedia" line; false when
    // the scene has no background map.
    static bool backgroundMedia(Scene& scene, std::string& path);
    // Points the background map at `path` (an image file of that path is found or
    // made); an empty path leaves the map without a file.
    static ImageMap* setBackgroundMedia(Scene& scene, const std::string& path);

    // Where missing maps met while a scene is read are reported (standard output).
    static void setConsole(std::FILE* console);
    static std::FILE* console();

    double startTime = 0.0;  // seconds
    bool holdFirstFrame = true;
    bool holdLastFrame = false;
    bool loop = true;

    // The placement older files stored with the map; read, never written.
    struct OldPlacement {
        bool present = false;
        int domain = 0;
        double translate[3] = {0, 0, 0};
        double rotate[3] = {0, 0, 0};
        double scale[3] = {1, 1, 1};
    } oldPlacement;

private:
    NameReference file_;
};

// The member a reference stands for, following renames without moving the
// reference, so that evaluation on several threads may share one reference.
SceneMember* followReference(const NameReference& reference);

}  // namespace fw
