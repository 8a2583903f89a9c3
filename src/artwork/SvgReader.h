#pragma once
// Reads the drawn shapes of SVG artwork into outlines: paths and basic shapes under
// their groups' transforms, the root's viewBox mapped and y turned upwards, with the
// fill and stroke colours they are painted with. Each top-level group becomes one
// outline, each top-level shape another; top-level groups with a label or id act as
// layers. Text and images are left out with a warning; clipping, masks, filters and
// opacity are not applied, and a gradient paints in the colour of its first stop.

#include <string>
#include <string_view>
#include <vector>

#include "artwork/ArtworkReader.h"

namespace tinyxml2 {
class XMLDocument;
class XMLElement;
}

namespace fw {

class SvgReader : public ArtworkReader {
public:
    // Deeper nesting is refused rather than followed (uses of groups add to it).
    static constexpr int kMaxDepth = 256;
    // Uses of groups full of uses multiply; drawing stops past this many elements.
    static constexpr long kMaxElements = 200000;
    // Farther than this from the origin a point is not artwork but a broken number.
    static constexpr double kMaxCoordinate = 1e7;
    static constexpr const char* kTextWarning = "text is not imported (convert it to outlines)";
    static constexpr const char* kImageWarning = "images are not imported (trace them into paths)";

    explicit SvgReader(LayerMode mode = LayerMode::kObjects, std::string layer = {});
    ~SvgReader() override;

    bool readData(std::string_view data) override;

    // An affine map: x' = a x + c y + e, y' = b x + d y + f.
    struct Matrix {
        double a = 1, b = 0, c = 0, d = 1, e = 0, f = 0;
        Matrix operator*(const Matrix& o) const;  // this after o
        void apply(double& x, double& y) const;
    };
    // The transform list of a `transform` attribute; false when it does not parse.
    static bool parseTransform(std::string_view text, Matrix& out);
    // A colour as written in a paint; false for none, url() and unknown words.
    static bool parseColor(std::string_view text, ArtworkColor& out);
    // The contours of path data in user units, y down as written. Data after an error
    // is dropped, as renderers do.
    static std::vector<CompositeCurve2> parsePath(std::string_view data);

    struct CssRule;

private:
    struct Paint;
    struct Style;
    struct Walk;

    // The document parsed, with its outermost <svg>; null with error() when refused.
    const tinyxml2::XMLElement* parseDocument(std::string_view data, tinyxml2::XMLDocument& doc);
    void walk(const tinyxml2::XMLElement& element, const Style& parent, const Matrix& ctm, Walk& walk, int depth);
    void drawChildren(const tinyxml2::XMLElement& element, const Style& style, const Matrix& ctm, Walk& walk,
                      int depth);
    void drawShape(const tinyxml2::XMLElement& element, const Style& style, const Matrix& ctm, Walk& walk);
    int newProfile(const std::string& name, const std::string& layer);
    static Matrix viewportMatrix(const tinyxml2::XMLElement& e, double& width, double& height);
    Paint resolve(const Paint& paint, const Walk& walk) const;

    LayerMode mode_;
    std::string wantedLayer_;
    std::vector<CssRule> rules_;
    // What 100% of a width, a height and another length is: the viewBox's size.
    double viewWidth_ = 0, viewHeight_ = 0, viewDiagonal_ = 0;
};

}  // namespace fw
