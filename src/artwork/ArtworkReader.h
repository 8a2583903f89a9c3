#pragma once
// What every artwork reader gives: outlines (one per object, group or layer) with the
// fill and stroke colours they were painted with, and the table of those colours.
// Coordinates are points, y upwards.

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "profile/InputProfile2.h"

namespace fw {

// A colour of the artwork, 0 to 1 each.
struct ArtworkColor {
    float r = 0, g = 0, b = 0, a = 1;
    bool operator==(const ArtworkColor&) const = default;
};

// One outline read from the artwork: the contours of one object, group or layer.
struct ArtworkProfile {
    std::string name;
    std::string layer;  // the layer it was read from; empty outside layers
    InputProfile2 outline;
    int fill = -1;  // index into the colour table; -1: no fill colour was set
    int stroke = -1;
};

class ArtworkReader {
public:
    // How outlines are gathered: each object and group its own, one per layer, or
    // only the paths of one named layer.
    enum class LayerMode { kObjects, kPerLayer, kOneLayer };

    static constexpr const char* kColorName = "AIColor ";
    static constexpr const char* kNoPathsMessage = "\rThere were no usable vector paths in this file.";
    static constexpr const char* kLayerGoneMessage =
        "\rThe original layer is no longer available.\rCheck to see if it is now invisible or has been renamed.";

    virtual ~ArtworkReader();

    // Reads a file; false with error() when it is not artwork the reader takes or
    // holds no usable path.
    bool readFile(const std::string& path);
    // Reads artwork held in memory.
    virtual bool readData(std::string_view data) = 0;

    const std::vector<ArtworkProfile>& profiles() const { return profiles_; }
    std::vector<ArtworkProfile>& profiles() { return profiles_; }
    // The distinct colours met, the first named "AIColor 1".
    const std::vector<ArtworkColor>& colors() const { return colors_; }
    static std::string colorName(int index) { return kColorName + std::to_string(index + 1); }
    const std::string& error() const { return error_; }
    // What was read but not imported, one line each, for the user to hear of.
    const std::vector<std::string>& warnings() const { return warnings_; }

    // Whether the file's extension names artwork (.ai, .eps, .ps, .pdf, .svg).
    static bool isArtwork(const std::string& path);
    static const char* extensions() { return ".ai, .eps, .ps, .pdf or .svg"; }
    // The reader for the file's kind; null, with `why`, for a kind not read yet.
    static std::unique_ptr<ArtworkReader> forPath(const std::string& path, LayerMode mode, const std::string& layer,
                                                  std::string& why);

protected:
    // The index of the colour in the table, added when new.
    int colorIndex(const ArtworkColor& color);
    // Links each contour's segments; a filled contour that stops short of its start is
    // closed back to it, since a fill paints the region its outline closes.
    static void linkContours(std::vector<CompositeCurve2>& contours, bool filled);
    // The fill rule made plain in the contours' directions: under non-zero, a contour
    // that bounds no change between painted and unpainted (a same-way contour inside
    // another) is dropped; the rest run anticlockwise when nested an even number of
    // times and clockwise when odd, so holes are holes to the solid builder.
    static void applyFillRule(std::vector<CompositeCurve2>& contours, bool evenOdd);
    // Keeps the outlines that hold contours, normalised; false with the message when
    // none is left or the one layer asked for was not met (`layerMissing`).
    bool keepDrawnOutlines(bool layerMissing);

    std::vector<ArtworkProfile> profiles_;
    std::vector<ArtworkColor> colors_;
    std::string error_;
    std::vector<std::string> warnings_;
};

}  // namespace fw
