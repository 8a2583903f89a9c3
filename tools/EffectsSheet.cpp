// Draws the effects notes' pictures (docs/images/effects/*.png) with the effects code
// itself, over a title rendered with alpha. Each picture is a sheet of 320x180 tiles.
// Usage: effects_sheet TITLE.png OUTPUT_FOLDER
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "effects/FrameEffects.h"
#include "output/ImageWriter.h"
#include "surface/ImageFile.h"

using namespace fw;

namespace {

constexpr uint8_t kBackground[3] = {24, 28, 36};
constexpr int kGap = 4;

RenderImage toLayer(const Picture& picture) {
    RenderImage image;
    image.width = picture.width(), image.height = picture.height();
    image.rgba = picture.pixels();
    return image;
}

// Tiles laid over the background colour, left to right and top down.
bool writeSheet(const std::string& path, const std::vector<RenderImage>& tiles, int columns) {
    int w = tiles[0].width, h = tiles[0].height;
    int rows = (static_cast<int>(tiles.size()) + columns - 1) / columns;
    int sw = columns * w + (columns - 1) * kGap, sh = rows * h + (rows - 1) * kGap;
    std::vector<uint8_t> sheet(static_cast<size_t>(sw) * sh * 4, 255);
    for (size_t i = 0; i < tiles.size(); ++i) {
        int col = static_cast<int>(i) % columns, row = static_cast<int>(i) / columns;
        int ox = col * (w + kGap), oy = sh - (row + 1) * h - row * kGap;  // rows bottom-up
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                const uint8_t* p = tiles[i].pixel(x, y);
                uint8_t* q = &sheet[(static_cast<size_t>(oy + y) * sw + ox + x) * 4];
                for (int c = 0; c < 3; ++c) q[c] = uint8_t((p[c] * p[3] + kBackground[c] * (255 - p[3]) + 127) / 255);
            }
    }
    std::string error;
    if (!ImageWriter::write(path, {sw, sh, sheet.data()}, false, error)) {
        std::fprintf(stderr, "effects_sheet: %s\n", error.c_str());
        return false;
    }
    return true;
}

void setStops(Gradient& g, const std::vector<std::pair<double, kxColor>>& stops) {
    g.reset();
    for (const auto& [at, c] : stops) g.addColorStop(at, c);
}

const std::vector<std::pair<double, kxColor>> kSunset = {{0.0, kxColor::fromUnitRGB(1.0, 0.55, 0.1)},
                                                         {0.5, kxColor::fromUnitRGB(0.85, 0.1, 0.55)},
                                                         {1.0, kxColor::fromUnitRGB(0.1, 0.6, 1.0)}};

GradientUnit sunsetUnit() {
    GradientUnit u;
    setStops(u.gradient, kSunset);
    u.startPosition[0] = 0.5;
    u.size = 60;
    u.outerEdges = Gradient::kMirror;
    u.oversampling = 1;
    u.compositeOnOriginal = true;
    return u;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: effects_sheet TITLE.png OUTPUT_FOLDER\n");
        return 1;
    }
    Picture picture;
    std::string error;
    if (!ImageFile::loadPicture(argv[1], picture, error)) {
        std::fprintf(stderr, "effects_sheet: %s\n", error.c_str());
        return 1;
    }
    const RenderImage title = toLayer(picture);
    const std::string out = argv[2];
    auto gradientTile = [&](const std::function<void(GradientUnit&)>& set) {
        GradientUnit u = sunsetUnit();
        set(u);
        RenderImage layer = title;
        applyGradientUnit(u, layer, {});
        return layer;
    };
    bool ok = true;

    std::vector<RenderImage> tiles;
    for (int type : {Gradient::kLinear, Gradient::kRadial, Gradient::kMirrorWrap, Gradient::kCircle, Gradient::kSquare,
                     Gradient::kTriangle})
        tiles.push_back(gradientTile([&](GradientUnit& u) {
            u.gradient.type = type;
            u.targetType = EffectUnit::kTargetNone;
            u.startPosition[1] = 0.5;
            u.rotation = type == Gradient::kLinear ? 20 : 0;
            u.angle = 120;
        }));
    ok &= writeSheet(out + "/shapes.png", tiles, 3);

    tiles.clear();
    for (int type = EffectUnit::kTargetNone; type <= EffectUnit::kTargetSquareAlpha; ++type)
        tiles.push_back(gradientTile([&](GradientUnit& u) {
            u.targetType = type;
            u.targetShowTarget = true;
            u.targetPosition[0] = 0.35;
            u.targetSizeH = 300, u.targetSizeV = 220, u.targetShear = 0.3;
            u.targetDarkCutoff = 0.3, u.targetBrightCutoff = 0.9;
        }));
    ok &= writeSheet(out + "/targets.png", tiles, 4);

    tiles.clear();
    for (int processing = EffectUnit::kProcessNone; processing <= EffectUnit::kProcessOuterGlow; ++processing)
        tiles.push_back(gradientTile([&](GradientUnit& u) {
            u.targetProcessing = processing;
            u.targetShowTarget = true;
            u.targetThickness = 16;
        }));
    tiles.push_back(gradientTile([&](GradientUnit& u) {
        u.targetShowTarget = true;
        u.targetFeather = 24;
    }));
    ok &= writeSheet(out + "/processings.png", tiles, 3);

    tiles.clear();
    for (int mode = EffectUnit::kNormal; mode <= EffectUnit::kMagicGlue3; ++mode)
        tiles.push_back(gradientTile([&](GradientUnit& u) { u.transferMode = mode; }));
    ok &= writeSheet(out + "/modes.png", tiles, 4);

    auto glintTile = [&](const std::function<void(GlintUnit&)>& set, double frame = 10) {
        GlintUnit u;
        u.glintPosition[0][0] = 0.3, u.glintPosition[0][1] = 0.62;
        u.glintSize[0] = 260;
        set(u);
        RenderImage layer = title;
        applyGlintUnit(u, layer, {frame, 0, 10}, {});
        return layer;
    };
    tiles.clear();
    tiles.push_back(glintTile([](GlintUnit& u) { u.targetType = EffectUnit::kTargetNone; }));
    tiles.push_back(glintTile([](GlintUnit& u) {
        u.applyBloom = GlintUnit::kApplyOne;
        u.bloomSize = 150, u.bloomColor[0] = 1, u.bloomColor[1] = 0.6, u.bloomColor[2] = 0.1;
        u.bloomTransferMode = EffectUnit::kMultiply;
    }));
    tiles.push_back(glintTile([&](GlintUnit& u) {
        u.targetType = EffectUnit::kTargetNone;
        setStops(u.glintGradient, kSunset);
        u.applyGradient = GlintUnit::kApplyOneTwoThree;
        u.glintPosition[1][0] = 0.62, u.glintPosition[1][1] = 0.3, u.glintSize[1] = 160;
        u.glintPosition[2][0] = 0.85, u.glintPosition[2][1] = 0.7, u.glintSize[2] = 110;
    }));
    tiles.push_back(glintTile([](GlintUnit& u) {
        u.targetType = EffectUnit::kTargetNone;
        u.applyBloom = GlintUnit::kApplyOne;
        u.bloomSize = 120, u.bloomColor[0] = 1, u.bloomColor[1] = 0.7, u.bloomColor[2] = 0.3;
    }));
    tiles.push_back(glintTile([](GlintUnit& u) {
        u.targetType = EffectUnit::kTargetNone;
        u.applyBloom = GlintUnit::kApplyOne;
        u.bloomSize = 120, u.bloomColorFrom = GlintUnit::kFromLayer, u.bloomTransferMode = EffectUnit::kScreen;
        u.gradientTransferMode = EffectUnit::kAdd;
    }));
    tiles.push_back(glintTile([](GlintUnit& u) {
        u.targetType = EffectUnit::kTargetNone;
        u.showEffectOnly = true;
        u.glintFrame0Angle[0] = 0, u.glintAngle[0] = 45;
    }, 5));
    ok &= writeSheet(out + "/glints.png", tiles, 3);

    tiles.clear();
    for (double frame : {2.0, 4.0, 6.0, 8.0})
        tiles.push_back(glintTile([](GlintUnit& u) {
            u.glintPosition[0][0] = 0.5, u.glintPosition[0][1] = 0.55;
            u.glintSize[0] = 420;
            u.glintWipeType = GlintUnit::kWipeOnOff;
            u.applyBloom = GlintUnit::kApplyOne;
            u.bloomSize = 220, u.bloomBoost = 60, u.bloomTransferMode = EffectUnit::kMultiply;
            u.bloomColor[0] = 1, u.bloomColor[1] = 0.55, u.bloomColor[2] = 0.1;
        }, frame));
    ok &= writeSheet(out + "/sweep.png", tiles, 4);
    return ok ? 0 : 2;
}
