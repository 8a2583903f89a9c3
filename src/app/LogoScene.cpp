#include "app/LogoScene.h"

#include <algorithm>
#include <cmath>
#include <memory>
#include <map>

#include "app/Console.h"
#include "app/OrvoSceneManager.h"
#include "app/TitleScene.h"
#include "artwork/ArtworkReader.h"
#include "geometry/ObjectX.h"
#include "geometry/ObjectXStyle.h"
#include "profile/ProfileI.h"
#include "render/DrawList.h"
#include "scene/Object.h"
#include "scene/SceneX.h"
#include "surface/MaterialChannelColor.h"
#include "surface/MaterialX.h"

namespace fw {

namespace {

struct Bounds {
    double lo[2] = {1e300, 1e300}, hi[2] = {-1e300, -1e300};
    void add(const InputProfile2& outline) {
        for (const CompositeCurve2& contour : outline.contours())
            for (const Curve2& segment : contour.segments())
                for (int i = 0; i < segment.pointCount(); ++i) {
                    const CurvePoint& p = segment.point(i);
                    lo[0] = std::min(lo[0], p.x), lo[1] = std::min(lo[1], p.y);
                    hi[0] = std::max(hi[0], p.x), hi[1] = std::max(hi[1], p.y);
                }
    }
    double centre(int axis) const { return (lo[axis] + hi[axis]) / 2; }
};

// Moves the outline by (dx, dy), then scales it about the origin.
void place(InputProfile2& outline, double dx, double dy, double scale) {
    for (CompositeCurve2& contour : outline.contours())
        for (Curve2& segment : contour.segments()) {
            for (int i = 0; i < segment.pointCount(); ++i) {
                CurvePoint& p = segment.point(i);
                p.x = (p.x + dx) * scale, p.y = (p.y + dy) * scale;
            }
            segment.computeLength();
        }
}

// What the scene's visible objects take up, before the logo joins them.
bool sceneBounds(SceneX& scene, double box[6]) {
    emptyBox(box);
    for (int i = 0; i < scene.memberCount(kObjectKind); ++i) {
        auto* node = dynamic_cast<DAGNode*>(scene.member(kObjectKind, i));
        if (!node || !DrawList::visible(*node)) continue;
        double b[6];
        node->worldBounds(kRenderMode, b);
        if (b[0] > b[3]) continue;
        growBox(box, b);
        growBox(box, b + 3);
    }
    return box[0] <= box[3];
}

// A reader's message starts a line with each return; one line of text here.
std::string oneLine(std::string message) {
    while (!message.empty() && message.front() == '\r') message.erase(0, 1);
    std::replace(message.begin(), message.end(), '\r', ' ');
    return message;
}

// The style an outline of that colour wears: the edge, the depth and a material of
// the colour, shared by every outline of the colour.
std::string styleFor(SceneX& scene, const ArtworkReader& parser, int color, const LogoScene::Options& options,
                     double depth, std::map<int, std::string>& made) {
    auto found = made.find(color);
    if (found != made.end()) return found->second;
    std::string name = color < 0 ? "Logo Style" : ArtworkReader::colorName(color) + " Style";
    auto* style = new ObjectXStyle(scene, name.c_str());
    style->setPerimeterProfile(options.edge);
    style->setDepth(depth);
    if (color >= 0) {
        const ArtworkColor& c = parser.colors()[color];
        auto* material = new MaterialX(scene, ArtworkReader::colorName(color).c_str());
        material->colorChannel().setColor(c.r, c.g, c.b);
        material->notifyChange();
        for (int slot = 0; slot < ObjectXStyle::kMaterialSlots; ++slot) style->setSlotMaterial(slot, material->name());
    }
    return made[color] = style->name();
}

}  // namespace

bool LogoScene::build(OrvoSceneManager& manager, const Options& options, std::string& subject, std::string& error,
                      std::vector<std::string>* styles) {
    if (!TitleScene::checkName(options.edge, TitleScene::edgeNames(), "edge profile", error)) {
        subject = options.edge;
        return false;
    }
    using Mode = ArtworkReader::LayerMode;
    Mode mode = !options.layer.empty() ? Mode::kOneLayer : options.perLayer ? Mode::kPerLayer : Mode::kObjects;
    std::unique_ptr<ArtworkReader> reader = ArtworkReader::forPath(options.file, mode, options.layer, error);
    subject = options.file;
    if (!reader) return false;
    const bool read = reader->readFile(options.file);
    for (const std::string& warning : reader->warnings()) printError(options.file, oneLine(warning));
    if (!read) {
        error = oneLine(reader->error());
        return false;
    }
    const ArtworkReader& parser = *reader;
    SceneX& scene = *manager.scene();
    if (options.width > 0 && options.height > 0) {
        manager.settings().renderSize[0] = options.width;
        manager.settings().renderSize[1] = options.height;
    }
    Bounds all;
    for (const ArtworkProfile& p : parser.profiles()) all.add(p.outline);
    double width = all.hi[0] - all.lo[0], height = all.hi[1] - all.lo[1];
    // Beside what is there: as tall as it, a quarter of that apart, level with its middle.
    double there[6], scale = 1, offset[2] = {0, 0};
    const bool beside = options.beside && sceneBounds(scene, there) && there[4] > there[1];
    if (beside) {
        scale = (there[4] - there[1]) / std::max(height, 1e-9);
        width *= scale, height *= scale;
        offset[0] = there[3] + 0.25 * height + width / 2;
        offset[1] = (there[1] + there[4]) / 2;
    }
    const double depth = options.depth > 0              ? options.depth
                         : beside && there[5] > there[2] ? there[5] - there[2]
                                                         : std::max(1.0, kDepthShare * std::sqrt(width * height));
    std::map<int, std::string> made;
    for (ArtworkProfile& p : reader->profiles()) {
        // The logo is centred on the origin; each object turns about its own middle.
        place(p.outline, -all.centre(0), -all.centre(1), scale);
        Bounds own;
        own.add(p.outline);
        auto* profile = new ProfileI(scene, (p.name + " Outline").c_str());
        profile->filename = options.file;
        profile->layer = p.layer;
        profile->outline() = p.outline;
        profile->profileChanged();
        auto* object = new ObjectX(scene, p.name.c_str());
        object->setFace(profile->name());
        object->setStyle(styleFor(scene, parser, p.fill >= 0 ? p.fill : p.stroke, options, depth, made));
        object->origin[0] = own.centre(0);
        object->origin[1] = own.centre(1);
        object->translate[0] = offset[0], object->translate[1] = offset[1];
    }
    if (styles)
        for (const auto& [color, name] : made) styles->push_back(name);
    if (!beside) {
        TitleScene::frameFront(manager, width, height);
    } else {
        double right = offset[0] + width / 2;
        TitleScene::frameFront(manager, right - there[0], there[4] - there[1], (there[0] + right) / 2, offset[1]);
    }
    return true;
}

}  // namespace fw
