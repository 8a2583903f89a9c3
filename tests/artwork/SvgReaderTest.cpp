// The SVG reader on hand-written drawings: the path grammar, arcs, shapes, transforms and the root's viewport,
// colours, fill rules, names and layers, what is not drawn, and files that must be refused without harm. What
// ArtworkCoverageTest draws against an independent renderer (absolute lines, curves and arcs, a plain rectangle and
// polygon, a translated and rotated star, an even-odd ring drawn one way round) is left to it.
#include <gmock/gmock.h>
#include <glm/vec2.hpp>

#include "ArtworkProfiles.h"
#include "artwork/AIParser.h"
#include "artwork/SvgReader.h"

namespace fw {
namespace {

using Point = glm::dvec2;

// A 100 x 100 drawing: y up means y = 100 - y as written.
std::string drawing(const std::string& body, const std::string& root = "width=\"100\" height=\"100\"") {
    return "<svg xmlns=\"http://www.w3.org/2000/svg\" xmlns:xlink=\"http://www.w3.org/1999/xlink\" "
           "xmlns:inkscape=\"http://www.inkscape.org/namespaces/inkscape\" " + root + ">\n" + body + "\n</svg>\n";
}

std::unique_ptr<SvgReader> read(const std::string& svg) {
    auto reader = std::make_unique<SvgReader>();
    EXPECT_TRUE(reader->readData(svg)) << reader->error();
    return reader;
}

// Every point of the outline in order, anchors and handles, a segment's first point
// dropped where it repeats the previous segment's last.
std::vector<Point> pointsOf(const ArtworkProfile& profile) {
    std::vector<Point> out;
    for (const CompositeCurve2& contour : profile.outline.contours())
        for (const Curve2& segment : contour.segments())
            for (int i = 0; i < segment.pointCount(); ++i) {
                const Point p{segment.point(i).x, segment.point(i).y};
                const bool repeat =
                    !out.empty() && std::fabs(out.back().x - p.x) < 1e-9 && std::fabs(out.back().y - p.y) < 1e-9;
                if (i > 0 || !repeat) out.push_back(p);
            }
    return out;
}

using Box = std::array<double, 4>;  // x0 y0 x1 y1

Box boundsOf(const SvgReader& reader) {
    Box b = {1e300, 1e300, -1e300, -1e300};
    for (const ArtworkProfile& profile : reader.profiles())
        for (Point p : pointsOf(profile))
            b = {std::min(b[0], p.x), std::min(b[1], p.y), std::max(b[2], p.x), std::max(b[3], p.y)};
    return b;
}

void expectBox(const Box& got, const Box& want) {
    EXPECT_THAT(got, testing::Pointwise(testing::DoubleNear(1e-6), want));
}

// Its sign: + anticlockwise. The fill-rule drawings are all straight.
double signedArea(const CompositeCurve2& contour) {
    std::vector<Point> ring;
    for (const Curve2& segment : contour.segments())
        for (int i = 0; i + 1 < segment.pointCount(); ++i) ring.push_back({segment.point(i).x, segment.point(i).y});
    double area = 0;
    for (size_t i = 0; i < ring.size(); ++i)
        area += ring[i].x * ring[(i + 1) % ring.size()].y - ring[(i + 1) % ring.size()].x * ring[i].y;
    return area;
}

}  // namespace

TEST(SvgReader, EveryPathCommandAbsoluteRelativeAndRepeatedDrawsTheSamePoints) {
    // Each path and its points as written, y down.
    const std::vector<Point> square = {{10, 10}, {20, 10}, {20, 20}, {10, 20}, {10, 10}};
    const std::vector<Point> cubic = {{10, 10}, {10, 20}, {20, 20}, {20, 10}, {20, 0}, {30, 0}, {30, 10}, {10, 10}};
    const double third = 10.0 / 3;
    const std::vector<Point> quads = {{10, 10}, {10 + third, 10 + 2 * third}, {20 - third, 10 + 2 * third}, {20, 10},
                                      {20 + third, 10 - 2 * third}, {30 - third, 10 - 2 * third}, {30, 10}, {10, 10}};
    const std::pair<const char*, std::vector<Point>> rows[] = {
        {"m10 10 l10 0 l0 10 l-10 0 z", square},
        {"M10 10 20 10 20 20 10 20z", square},           // pairs after M are lines
        {"m10,10 10,0 0,10 -10,0z", square},
        {"M10 10H20V20H10Z", square},
        {"m10 10h10v10h-10z", square},
        {"M10 10l10 0 0 10-10 0 0-10", square},          // no separator before a sign
        {"M1e1 10L2e1,1e1 20 2E1 1.0e+1 20z", square},   // exponents
        {"M10 10C10 20 20 20 20 10S30 0 30 10z", cubic},
        {"m10 10c0 10 10 10 10 0s10-10 10 0z", cubic},
        {"M10 10C10 20 20 20 20 10 20 0 30 0 30 10z", cubic},  // a repeated curve
        {"M10 10Q15 20 20 10T30 10z", quads},
        {"m10 10q5 10 10 0t10 0z", quads},
        {"M1.5.5L10.5.5 10-5z", {{1.5, 0.5}, {10.5, 0.5}, {10, -5}, {1.5, 0.5}}},  // "1.5.5" is 1.5 and .5
    };
    for (const auto& [d, points] : rows) {
        SCOPED_TRACE(d);
        auto reader = read(drawing(std::string("<path d=\"") + d + "\"/>"));
        ASSERT_EQ(reader->profiles().size(), 1u);
        const std::vector<Point> got = pointsOf(reader->profiles()[0]);
        ASSERT_EQ(got.size(), points.size());
        for (size_t i = 0; i < got.size(); ++i)
            EXPECT_LT(std::hypot(got[i].x - points[i].x, got[i].y - (100 - points[i].y)), 1e-9) << i;
    }
}

TEST(SvgReader, DataAfterAnErrorIsDroppedAndWhatCameBeforeIsKept) {
    // The contours of the one profile read; none: the file is refused.
    const std::pair<const char*, std::vector<size_t>> rows[] = {
        {"M10 10h10v10z M40 40 h10 v10 z", {2}},
        {"M10 10h10v10z M40 40 h", {1}},             // a command short of its numbers
        {"M10 10h10v10z 5 5 M40 40h10v10z", {1}},    // numbers after a close
        {"M10 10h10v10z M40 40h1e400", {1}},         // a number past any double
        {"M10 10h10v10z M40 40h0x10", {1}},          // hex is not a number: "0", then no command x
        {"L10 10h10v10z", {}},                       // must start with a move
    };
    for (const auto& [d, contours] : rows) {
        SCOPED_TRACE(d);
        SvgReader reader;
        EXPECT_EQ(reader.readData(drawing(std::string("<path d=\"") + d + "\"/>")), !contours.empty());
        EXPECT_EQ(reader.error(), contours.empty() ? AIParser::kNoPathsMessage : "");
        EXPECT_EQ(test::contourCounts(reader), contours);
    }
}

TEST(SvgReader, ArcsLieOnTheirEllipseInQuarterTurnsAtMost) {
    // The path, the ellipse's centre, radii and turn, the cubics it takes.
    const double c30 = std::cos(M_PI / 6), s30 = std::sin(M_PI / 6);
    auto n = [](double v) { return std::to_string(v); };
    const std::tuple<std::string, double, double, double, double, double, size_t> rows[] = {
        {"m30 50 a20 20 0 1 1 40 0 a20 20 0 1 1 -40 0z", 50, 50, 20, 20, 0, 4},
        {"M30 50 A5 5 0 0 1 70 50z", 50, 50, 20, 20, 0, 2},  // radii too small grow to reach
        {"M50 30 A20 20 0 0 1 70 50z", 50, 50, 20, 20, 0, 1},  // a quarter turn, the small way round
        {"M50 30 A20 20 0 1 0 70 50z", 50, 50, 20, 20, 0, 3},  // three quarters, the large way round
        {"M50 30a20 20 0 10 20 20z", 50, 50, 20, 20, 0, 3},   // flags need no separator
        // An ellipse turned 30 degrees: its ends at +-rx along the turned axis.
        {"M" + n(50 - 30 * c30) + " " + n(50 - 30 * s30) + " A30 10 30 1 1 " + n(50 + 30 * c30) + " " +
             n(50 + 30 * s30) + "z",
         50, 50, 30, 10, 30, 2},
    };
    for (const auto& [d, cx, cy, rx, ry, degrees, cubics] : rows) {
        SCOPED_TRACE(d);
        auto reader = read(drawing("<path d=\"" + d + "\"/>"));
        ASSERT_EQ(reader->profiles().size(), 1u);
        size_t count = 0;
        const double r = degrees * M_PI / 180;
        for (const CompositeCurve2& contour : reader->profiles()[0].outline.contours())
            for (const Curve2& segment : contour.segments()) {
                if (segment.type != Curve2::Bezier) continue;
                ++count;
                for (int k = 0; k <= 16; ++k) {
                    double p[2], normal[2];
                    segment.evaluateAt(k / 16.0, p, normal);
                    // Back to the ellipse's own axes (y down as written).
                    const double dx = p[0] - cx, dy = (100 - p[1]) - cy;
                    const double u = (dx * std::cos(r) + dy * std::sin(r)) / rx;
                    const double v = (-dx * std::sin(r) + dy * std::cos(r)) / ry;
                    EXPECT_NEAR(std::sqrt(u * u + v * v), 1.0, 0.001) << k;
                }
            }
        EXPECT_EQ(count, cubics);
    }
}

TEST(SvgReader, BasicShapesCoverWhatTheyDescribe) {
    // The element, its box as written (y down), its contours and cubics.
    const std::tuple<const char*, Box, size_t, size_t> rows[] = {
        {"<rect x=\"10\" y=\"20\" width=\"30\" height=\"40\" rx=\"5\"/>", {10, 20, 40, 60}, 1, 4},
        {"<rect x=\"10\" y=\"20\" width=\"30\" height=\"40\" ry=\"50\"/>", {10, 20, 40, 60}, 1, 4},  // radii capped
        {"<rect width=\"0\" height=\"40\"/><rect x=\"1\" y=\"2\" width=\"3\" height=\"4\"/>", {1, 2, 4, 6}, 1, 0},
        {"<circle cx=\"50\" cy=\"40\" r=\"10\"/>", {40, 30, 60, 50}, 1, 4},
        {"<ellipse cx=\"50\" cy=\"40\" rx=\"20\" ry=\"5\"/>", {30, 35, 70, 45}, 1, 4},
        {"<polyline points=\"10 10 30 10 20 30\"/>", {10, 10, 30, 30}, 1, 0},
        {"<line x1=\"5\" y1=\"6\" x2=\"50\" y2=\"60\" stroke=\"black\"/>", {5, 6, 50, 60}, 1, 0},
    };
    for (const auto& [element, box, contours, cubics] : rows) {
        SCOPED_TRACE(element);
        auto reader = read(drawing(element));
        ASSERT_EQ(reader->profiles().size(), 1u);
        expectBox(boundsOf(*reader), {box[0], 100 - box[3], box[2], 100 - box[1]});
        EXPECT_EQ(reader->profiles()[0].outline.contours().size(), contours);
        size_t count = 0;
        for (const CompositeCurve2& contour : reader->profiles()[0].outline.contours())
            for (const Curve2& segment : contour.segments()) count += segment.type == Curve2::Bezier;
        EXPECT_EQ(count, cubics);
    }
    // A line is never filled; a filled polyline closes; a stroked-only path closes only when its ends meet.
    auto lines = read(drawing(R"svg(<line x2="50" y2="60"/><polyline points="0 0 5 0 5 5" fill="red"/>
        <path d="M0 0H10V10" fill="red"/><path d="M0 0H10V10" fill="none" stroke="black"/>
        <path d="M0 0H10V10L0 0" fill="none" stroke="black"/>)svg"));
    EXPECT_EQ(test::eachProfile(*lines, [](const ArtworkProfile& p) { return p.outline.contours()[0].closed(); }),
              (std::vector<bool>{true, true, false, true}));
}

TEST(SvgReader, TransformsNestAndTheViewportMapsUserUnitsAndPercentagesToPointsYUp) {
    // The root's attributes, the group's transform, the box as read (y up).
    const std::string plain = "width=\"100\" height=\"100\"";
    const std::tuple<std::string, std::string, Box> rows[] = {
        {plain, "", {0, 95, 10, 100}},
        {plain, "translate(10)", {10, 95, 20, 100}},
        {plain, "scale(2 3)", {0, 85, 20, 100}},
        {plain, "scale(2)", {0, 90, 20, 100}},
        {plain, "rotate(90 5 5)", {5, 90, 10, 100}},
        {plain, "matrix(1 0 0 1 3 4)", {3, 91, 13, 96}},
        {plain, "skewX(45)", {0, 95, 15, 100}},
        {plain, "skewY(45)", {0, 85, 10, 100}},
        {plain, "translate(10),rotate(90)", {5, 90, 10, 100}},
        {plain, "translate(10 0)rotate(-90)  scale(1,-1)", {5, 100, 10, 110}},
        {plain, "spin(3)", {0, 95, 10, 100}},  // a transform that does not parse is not applied
        {"width=\"200\" height=\"100\" viewBox=\"0 0 100 50\"", "", {0, 90, 20, 100}},
        {"width=\"200\" height=\"100\" viewBox=\"-10 -10 100 100\"", "", {60, 85, 70, 90}},  // centred, aspect kept
        {"width=\"200\" height=\"100\" viewBox=\"0 0 100 100\" preserveAspectRatio=\"none\"", "", {0, 95, 20, 100}},
        {"viewBox=\"0 0 50 50\"", "", {0, 45, 10, 50}},
        {"width=\"72pt\" height=\"72pt\" viewBox=\"0 0 96 96\"", "", {0, 91, 10, 96}},
        {"width=\"1in\" height=\"1in\" viewBox=\"0 0 48 48\"", "", {0, 86, 20, 96}},
    };
    for (const auto& [root, transform, box] : rows) {
        SCOPED_TRACE(root + " | " + transform);
        const std::string group = transform.empty() ? "<g>" : "<g transform=\"" + transform + "\">";
        expectBox(boundsOf(*read(drawing(group + "<rect width=\"10\" height=\"5\"/></g>", root))), box);
    }
    // Groups inside groups: the inner transform first, and the shape's own before both.
    expectBox(boundsOf(*read(drawing("<g transform=\"translate(50 0)\"><g transform=\"scale(2)\">"
                                     "<rect width=\"10\" height=\"5\" transform=\"rotate(90)\"/></g></g>"))),
              {40, 80, 50, 100});
    // A nested viewport maps its own viewBox into its place.
    expectBox(boundsOf(*read(drawing("<svg x=\"10\" y=\"10\" width=\"20\" height=\"20\" viewBox=\"0 0 10 10\">"
                                     "<rect width=\"10\" height=\"5\"/></svg>"))),
              {10, 80, 30, 90});
    // Percentages measure the viewBox; a switch draws its first choice. The rectangle: 20 to 120 wide, all 100 high,
    // doubled onto the 400 x 200 viewport; the circle (80 to 120 by 30 to 70 doubled) lies within.
    auto reader = read(drawing(R"(<rect x="10%" width="50%" height="100%"/><switch><circle cx="50%" cy="50%" r="10"/>)"
                               R"(<rect width="400" height="400"/></switch>)",
                               R"(width="400" height="200" viewBox="0 0 200 100")"));
    ASSERT_EQ(reader->profiles().size(), 2u);
    expectBox(boundsOf(*reader), {40, 0, 240, 200});
}

// Gradients paint in their first stop's colour.
TEST(SvgReader, EqualColoursShareOneNameHoweverTheyAreWritten) {
    auto reader = read(drawing(R"svg(
        <defs>
            <linearGradient id="Sunset"><stop offset="0" stop-color="#ff0000"/>
                <stop offset="1" stop-color="blue"/></linearGradient>
            <radialGradient id="glow" xlink:href="#Sunset" cx="0.5"/>
            <linearGradient id="styled"><stop style="stop-color:#00f;stop-opacity:1"/></linearGradient>
            <linearGradient id="bare"><stop offset="0"/></linearGradient>
            <linearGradient id="empty"/>
            <pattern id="dots"><circle r="1"/></pattern>
        </defs>
        <rect width="5" height="5" fill="#f00"/>
        <rect width="5" height="5" fill="#FF0000"/>
        <rect width="5" height="5" fill="rgb(255, 0, 0)"/>
        <rect width="5" height="5" fill="rgb(100%,0%,0%)"/>
        <rect width="5" height="5" style="fill: red"/>
        <rect width="5" height="5" fill="blue" style="fill:Red !important"/>
        <g fill="#00f"><rect width="5" height="5"/><rect width="5" height="5" fill="inherit"/></g>
        <g style="fill:grey"><rect width="5" height="5" fill="gray"/></g>
        <rect width="5" height="5"/>
        <rect width="5" height="5" color="orange" fill="currentColor"/>
        <rect width="5" height="5" fill="none" stroke="red"/>
        <rect width="5" height="5" fill="url(#nowhere)"/>
        <rect width="5" height="5" fill="url(#nowhere) blue"/>
        <rect width="5" height="5" fill="mauve-ish"/>
        <rect width="5" height="5" fill="none"/>
        <rect width="5" height="5" fill="url(#Sunset)"/>
        <rect width="5" height="5" style="fill:url('#glow')"/>
        <rect width="5" height="5" fill="url(#styled)"/>
        <rect width="5" height="5" fill="url(#bare)"/>
        <rect width="5" height="5" fill="url(#empty) red"/>
        <rect width="5" height="5" fill="url(#dots)"/>
        <rect width="5" height="5" fill="url(#gone) none" stroke="url(#Sunset)"/>
    )svg"));
    // The unfilled, unstroked one is not kept; an unknown colour leaves black. Of the gradients: red, red through the
    // reference, blue, black by default, the fallback red, a pattern (filled, colour unknown), stroked only.
    EXPECT_EQ(test::fillsOf(*reader),
              (std::vector<int>{0, 0, 0, 0, 0, 0, 1, 2, 3, 4, -1, -1, 1, 3, 0, 0, 1, 3, 0, -1, -1}));
    EXPECT_EQ(test::strokesOf(*reader),
              (std::vector<int>{-1, -1, -1, -1, -1, -1, -1, -1, -1, -1, 0, -1, -1, -1, -1, -1, -1, -1, -1, -1, 0}));
    const float grey = 128 / 255.0f;
    EXPECT_EQ(reader->colors(), (std::vector<ArtworkColor>{{1, 0, 0, 1}, {0, 0, 1, 1}, {grey, grey, grey, 1},
                                                           {0, 0, 0, 1}, {1, 165 / 255.0f, 0, 1}}));
}

TEST(SvgReader, StyleSheetRulesPaintBetweenAttributesAndInlineStyle) {
    auto reader = read(drawing(R"svg(
        <defs><style type="text/css"><![CDATA[
            /* as exporters write them */
            .cls-1 { fill: #f00 }
            .cls-2, #mark { fill:#00f; }
            rect.cls-3 { fill: lime }
            .cls-3 { fill: red }
            @media print { .cls-1 { fill: yellow } }
            g > path, path:hover, [fill] { fill: orange }
        ]]></style></defs>
        <rect class="cls-1" width="5" height="5" fill="yellow"/>
        <rect class="other cls-2" width="5" height="5"/>
        <path id="mark" d="M0 0h5v5z"/>
        <rect class="cls-3" width="5" height="5"/>
        <rect class="cls-1" width="5" height="5" style="fill:#00f"/>
        <path d="M0 0h5v5z"/>
    )svg"));
    // Red, blue, blue, lime (the tag and class outweigh the class alone), blue, black.
    EXPECT_EQ(test::fillsOf(*reader), (std::vector<int>{0, 1, 1, 2, 1, 3}));
    ASSERT_EQ(reader->colors().size(), 4u);
    EXPECT_EQ(reader->colors()[2], (ArtworkColor{0, 1, 0, 1}));
}

TEST(SvgReader, FillRulesDecideWhichContoursAreHoles) {
    // Outlines come out anticlockwise, holes clockwise, whichever way they were drawn: the sign of each contour's area
    // as read (y up), + anticlockwise.
    const std::string outer = "M10 10h80v80h-80z", innerSame = "M30 30h40v40h-40z", innerOpposite = "M30 30v40h40v-40z";
    const std::string island = "M40 40h20v20h-20z";
    const std::tuple<std::string, std::string, std::vector<int>> rows[] = {
        {"even-odd, opposite direction: a hole", "fill-rule=\"evenodd\" d=\"" + outer + innerOpposite + "\"", {1, -1}},
        {"even-odd, an island in the hole", "style=\"fill-rule:evenodd\" d=\"" + outer + innerSame + island + "\"",
         {1, -1, 1}},
        {"non-zero, opposite direction: a hole", "d=\"" + outer + innerOpposite + "\"", {1, -1}},
        {"non-zero, same direction: filled through", "fill-rule=\"nonzero\" d=\"" + outer + innerSame + "\"", {1}},
        {"side by side", "fill-rule=\"evenodd\" d=\"M0 0h10v10h-10z M20 0v10h10v-10z\"", {1, 1}},
    };
    for (const auto& [name, path, signs] : rows) {
        SCOPED_TRACE(name);
        auto reader = read(drawing("<path " + path + "/>"));
        ASSERT_EQ(reader->profiles().size(), 1u);
        std::vector<int> got;
        for (const CompositeCurve2& contour : reader->profiles()[0].outline.contours())
            got.push_back(signedArea(contour) > 0 ? 1 : -1);
        EXPECT_EQ(got, signs);
    }
    // The rule is inherited from a group.
    auto inherited = read(drawing("<g fill-rule=\"evenodd\"><path d=\"" + outer + innerSame + "\"/></g>"));
    EXPECT_EQ(test::contourCounts(*inherited), (std::vector<size_t>{2}));
}

// Top-level groups and shapes are named by their own counters, which a group that draws nothing does not advance;
// labelled groups are layers.
TEST(SvgReader, TopLevelGroupsAreObjectsOrLayers) {
    const std::string art = drawing(R"svg(
        <g inkscape:label="Back Plate" id="layer1"><rect width="5" height="5"/>
            <g><rect x="9" width="5" height="5"/></g></g>
        <g id="Word"><circle cx="50" cy="50" r="5"/></g>
        <g inkscape:label="Hidden" style="display:none"><rect width="5" height="5"/></g>
        <g><rect width="5" height="5" fill="none"/></g>
        <g><rect x="20" width="5" height="5"/></g>
        <rect x="30" width="5" height="5"/>
    )svg");
    SvgReader perLayer(SvgReader::LayerMode::kPerLayer);
    ASSERT_TRUE(perLayer.readData(art)) << perLayer.error();
    EXPECT_EQ(test::namesOf(perLayer),
              (std::vector<std::string>{"Back Plate", "Word", "Illustrator Group 1", "Illustrator Object 1"}));
    EXPECT_EQ(perLayer.profiles()[0].layer, "Back Plate");
    EXPECT_EQ(perLayer.profiles()[0].outline.contours().size(), 2u);
    SvgReader objects;
    ASSERT_TRUE(objects.readData(art));
    EXPECT_EQ(test::namesOf(objects), (std::vector<std::string>{"Illustrator Group 1", "Illustrator Group 2",
                                                                "Illustrator Group 3", "Illustrator Object 1"}));
    EXPECT_EQ(objects.profiles()[0].outline.contours().size(), 2u);  // a group's groups join it
    for (const ArtworkProfile& p : objects.profiles()) EXPECT_EQ(p.layer, "");
    SvgReader one(SvgReader::LayerMode::kOneLayer, "Word");
    ASSERT_TRUE(one.readData(art)) << one.error();
    EXPECT_EQ(test::namesOf(one), (std::vector<std::string>{"Word"}));
    for (const char* gone : {"Hidden", "Renamed"}) {
        SCOPED_TRACE(gone);
        SvgReader missing(SvgReader::LayerMode::kOneLayer, gone);
        EXPECT_FALSE(missing.readData(art));
        EXPECT_EQ(missing.error(), AIParser::kLayerGoneMessage);
        EXPECT_TRUE(missing.profiles().empty());
    }
}

TEST(SvgReader, HiddenDefinedAndUsedElementsAndTextAndImagesThatAreNotImported) {
    // What, the body, the profiles read and their box (y up; unchecked when there are none).
    const std::string defs = "<defs><rect id=\"r\" width=\"10\" height=\"5\"/>"
                             "<g id=\"pair\"><use href=\"#r\"/><use href=\"#r\" x=\"20\"/></g>"
                             "<symbol id=\"s\"><circle cx=\"5\" cy=\"5\" r=\"5\"/></symbol></defs>";
    const std::tuple<std::string, std::string, size_t, Box> rows[] = {
        // Any one of these drawn would give an outline; display in a style is the hidden layer's of the test above.
        {"hidden, defined, clipping and paint elements, uses of nothing",
         defs + "<rect width=\"9\" height=\"5\" display=\"none\"/><use href=\"#missing\"/><use/><rect width=\"1\" "
                "height=\"1\" visibility=\"hidden\"/><rect width=\"1\" height=\"5\" style=\"visibility:collapse\"/>"
                "<clipPath><rect width=\"10\" height=\"5\"/></clipPath><linearGradient/>",
         0, {}},
        {"a visible child of a hidden group",
         "<g visibility=\"hidden\"><rect width=\"10\" height=\"5\"/><rect x=\"50\" width=\"10\" height=\"5\" "
         "visibility=\"visible\"/></g>",
         1, {50, 95, 60, 100}},
        {"a use placed at x and y", defs + "<use href=\"#r\" x=\"30\" y=\"40\"/>", 1, {30, 55, 40, 60}},
        {"a use with xlink and a transform", defs + "<use xlink:href=\"#r\" transform=\"translate(5 5)\" x=\"1\"/>", 1,
         {6, 90, 16, 95}},
        {"a use of a group of uses", defs + "<use href=\"#pair\" y=\"10\"/>", 1, {0, 85, 30, 90}},
        {"a use of a symbol", defs + "<use href=\"#s\" x=\"50\"/>", 1, {50, 90, 60, 100}},
        {"a use of itself", "<use id=\"me\" href=\"#me\"/><rect width=\"10\" height=\"5\"/>", 1, {0, 95, 10, 100}},
        {"a use of its group", "<g id=\"outer\"><rect width=\"10\" height=\"5\"/><use href=\"#outer\" x=\"50\"/></g>",
         1, {0, 95, 10, 100}},
        {"uses of each other",
         "<defs><g id=\"a\"><use href=\"#b\"/></g><g id=\"b\"><use href=\"#a\"/><rect width=\"10\" height=\"5\"/></g>"
         "</defs><use href=\"#a\"/>",
         1, {0, 95, 10, 100}},
    };
    for (const auto& [name, body, profiles, box] : rows) {
        SCOPED_TRACE(name);
        SvgReader reader;
        const bool read = reader.readData(drawing(body));
        EXPECT_EQ(read, profiles > 0) << reader.error();
        ASSERT_EQ(reader.profiles().size(), profiles);
        if (profiles > 0) expectBox(boundsOf(reader), box);
    }
    // Text that is not drawn is not reported; images are, once. Text drawn at the top and in a group is reported
    // once: SvgImport.TextIsReportedOnceAndTheRestIsBuilt, through the program.
    auto reader = read(drawing(R"(<defs><text id="t">One</text></defs><text display="none">Two</text>)"
                               R"(<image href="photo.png" width="9" height="9"/><rect width="1" height="1"/>)"
                               "<image/>"));
    EXPECT_EQ(reader->warnings(), (std::vector<std::string>{"images are not imported (trace them into paths)"}));
}

TEST(SvgReader, HostileFilesAreRefusedOrReadInPartNeverFollowedWithoutEnd) {
    const std::string deep =
        test::times("<g>", 10000) + "<rect width=\"1\" height=\"1\"/>" + test::times("</g>", 10000);
    // Each level uses the one below ten times: 10^8 rectangles if followed.
    std::string bomb = "<defs><rect id=\"u0\" width=\"1\" height=\"1\"/>";
    for (int level = 1; level <= 8; ++level) {
        bomb += "<g id=\"u" + std::to_string(level) + "\">";
        bomb += test::times("<use href=\"#u" + std::to_string(level - 1) + "\"/>", 10);
        bomb += "</g>";
    }
    bomb += "</defs><use href=\"#u8\"/>";
    const std::string laughs = "<?xml version=\"1.0\"?>\n<!DOCTYPE svg [\n<!ENTITY a \"hahahahaha\">\n<!ENTITY b "
                               "\"&a;&a;&a;&a;&a;&a;&a;&a;&a;&a;\">\n<!ENTITY c \"&b;&b;&b;&b;&b;&b;&b;&b;\">\n]>\n" +
                               drawing("<text>&c;</text><rect width=\"1\" height=\"1\"/>");
    // What, the bytes, a part of the error message (empty: read, with a warning).
    const std::string full = drawing("<rect width=\"10\" height=\"5\"/><circle r=\"4\"/>");
    const std::tuple<std::string, std::string, std::string> rows[] = {
        {"truncated", full.substr(0, full.size() / 2), "is not well-formed XML"},
        {"empty", "", "is not well-formed XML"},
        {"entities", laughs, "DOCTYPE"},
        {"nested 10,000 deep", drawing(deep), "deeper than"},
        {"not SVG", "<html><body/></html>", "is not SVG artwork"},
        {"no paths", drawing("<path/><path d=\"\"/><rect/><circle r=\"-2\"/>"), AIParser::kNoPathsMessage},
        {"absurd numbers", drawing("<path d=\"M1e300 0L1e308 1e308L0 1e-320z\"/><rect width=\"1e999\" height=\"1\"/>"),
         AIParser::kNoPathsMessage},
        {"absurd transforms",
         drawing("<g transform=\"scale(1e300) rotate(1e300) skewX(90)\"><path d=\"M0 0h9v9z\"/></g>"),
         AIParser::kNoPathsMessage},
        {"uses multiplying", drawing(bomb), ""},
    };
    for (const auto& [name, bytes, error] : rows) {
        SCOPED_TRACE(name);
        SvgReader reader;
        const bool read = reader.readData(bytes);
        EXPECT_EQ(read, error.empty()) << reader.error();
        EXPECT_EQ(read, !reader.profiles().empty());
        if (!error.empty()) {
            EXPECT_NE(reader.error().find(error), std::string::npos) << reader.error();
        } else {
            EXPECT_FALSE(reader.warnings().empty());
        }
        for (const ArtworkProfile& p : reader.profiles())
            for (Point q : pointsOf(p)) EXPECT_LE(std::max(std::fabs(q.x), std::fabs(q.y)), SvgReader::kMaxCoordinate);
    }
}

}  // namespace fw
