// Hand-made projects rendered by the real executable and measured by the pixel: material stacks, transparency, shadow
// catchers, OpenGL settings.
#include <FreeImage.h>

#include "AppRun.h"

using testing::HasSubstr;

using test::Pixels;

namespace {

void expectColour(const int* p, int r, int g, int b, int tolerance, const char* what) {
    for (int c = 0; c < 3; ++c)
        EXPECT_NEAR(p[c], (c == 0 ? r : c == 1 ? g : b), tolerance) << what << ", channel " << c;
}

std::string node(const std::string& kind, const std::string& name, const std::string& placement,
                 const std::string& body) {
    return "  begin " + kind + "\n   name \"" + name + "\"\n   vis 1\n" + placement + "   parent \"root\"\n" + body +
           "  end " + kind + "\n";
}

std::string material(const std::string& name, const std::string& style, const std::string& colour,
                     double transparency = 0, const std::string& extra = "") {
    return "  begin MaterialX\n   name \"" + name + "\"\n   materialStyle \"" + style +
           "\"\n   begin MaterialChannelColor 0\n    color " + colour + " 1\n    useBaseColor 1\n    active 1\n" +
           "   end MaterialChannelColor\n   begin MaterialChannelTransparency 0\n    amount " +
           std::to_string(transparency) + "\n    active 1\n   end MaterialChannelTransparency\n" + extra +
           "  end MaterialX\n";
}

// One stack item; `options` are further item lines.
std::string item(const std::string& material, const std::string& options = "") {
    return "    begin MaterialStackItem\n     material \"" + material + "\"\n" + options +
           "    end MaterialStackItem\n";
}

// A style whose slot 0 holds `items`; the other slots keep "defaultMtl".
std::string style(const std::string& name, const std::string& items, double depth = 10) {
    return "  begin ObjectXStyle\n   name \"" + name +
           "\"\n   extrusionStyle \"ExtrusionOrvo\"\n   perim \"\"\n   depth " + std::to_string(depth) +
           "\n   begin MaterialStack 0\n" + items + "   end MaterialStack\n  end ObjectXStyle\n";
}

// A closed outline through `points` ("x y" each, the first repeated at the end).
std::string outline(const std::string& name, const std::vector<std::string>& points) {
    std::string lines;
    for (const std::string& p : points) lines += "      p " + p + "\n      pType ANCHOR\n";
    return "  begin ProfileI\n   name \"" + name + "\"\n   begin InputProfile2\n    begin CompositeCurve2\n" +
           "     closed 1\n     begin Curve2\n      type Linear\n" + lines +
           "      closed 1\n     end Curve2\n    end CompositeCurve2\n   end InputProfile2\n  end ProfileI\n";
}

// A square outline of side 2 * half about the origin.
std::string square(const std::string& name, double half) {
    std::string h = std::to_string(half), m = std::to_string(-half);
    return outline(name, {m + " " + m, h + " " + m, h + " " + h, m + " " + h, m + " " + m});
}

std::string solid(const std::string& name, const std::string& face, const std::string& styleName,
                  const std::string& translate = "0 0 0", const std::string& rotate = "0 0 0") {
    return node("ObjectX", name, "   translate " + translate + "\n   rotate " + rotate + "\n",
                "   face \"" + face + "\"\n   style \"" + styleName + "\"\n");
}

// An orthographic camera looking at the origin from `tumble` degrees above, `width` wide.
std::string camera(int tumble, int width) {
    return node("CameraX", "Front", "",
                "   mode ORBIT\n   projection ORTHOGRAPHIC\n   clip 1 2000\n   target 0 0 0\n   distance 500\n"
                "   tumble-left-right 0\n   tumble-up-down " +
                    std::to_string(tumble) + "\n   ortho-width " + std::to_string(width) + "\n");
}

// Looking down the Z axis onto the origin, 200 units wide; a white ambient light.
std::string project(const std::string& members, const std::string& settings = "", double ambientLight = 1,
                    const std::string& view = camera(0, 200)) {
    return " RenderSize 100 100\n BackgroundColor 0 0 1\n RenderShadows \"1\"\n" + settings + " begin SceneX\n" + view +
           node("LightX", "Ambient", "",
                "   type AMBIENT\n   color 1 1 1 1\n   intensity " + std::to_string(ambientLight) + "\n") +
           members + " end SceneX\n";
}

// A white directional light turned by `rotate`, with `shadow` lines.
std::string sun(const std::string& rotate, const std::string& shadow = "") {
    return node("LightX", "Sun", "   rotate " + rotate + "\n",
                "   type DIRECTIONAL\n   color 1 1 1 1\n   intensity 1\n" + shadow);
}
const std::string kHardShadow =
    "   shadow 1\n   shadow-softness 0\n   shadow-darkness 0.8\n   shadowmap-xres 512\n   shadowmap-yres 512\n";

const fw::test::TempDir& dir() {
    static const fw::test::TempDir folder;
    return folder;
}

// The picture, `width` pixels square; else a black one of that size, so that probes fail rather than read past it.
Pixels render(const std::string& name, const std::string& text, std::string* err = nullptr,
              const std::string& arguments = "", int width = 100) {
    Pixels p = fw::test::rendered(dir(), name, text, arguments, err);
    EXPECT_TRUE(p.width == width && p.height == width) << name << ": " << p.width << " x " << p.height;
    if (p.width != width || p.height != width) p = {width, width, 3, std::vector<int>(size_t(width) * width * 3)};
    return p;
}

// A 16 x 16 picture file, its left half `left` and its right half `right` (blue first).
std::string picture(const std::string& name, RGBQUAD left, RGBQUAD right) {
    const std::string path = dir().file(name);
    FIBITMAP* image = FreeImage_Allocate(16, 16, 24);
    for (unsigned y = 0; y < 16; ++y)
        for (unsigned x = 0; x < 16; ++x) FreeImage_SetPixelColor(image, x, y, x < 8 ? &left : &right);
    FreeImage_Save(FIF_PNG, image, path.c_str());
    FreeImage_Unload(image);
    return path;
}
// The left half black, the right half white.
std::string halves(const std::string& name) { return picture(name, {0, 0, 0, 0}, {255, 255, 255, 0}); }

// Dark-to-light changes along the middle row inside the square (x 30..69).
int stripesAcross(const Pixels& p) {
    int changes = 0;
    for (int x = 31; x < 70; ++x) changes += (p.at(x, 50)[0] < 128) != (p.at(x - 1, 50)[0] < 128);
    return changes;
}

struct Spot {
    int x, y, r, g, b, tolerance;
    const char* what;
};

// A shadow-catching floor under a lit square, a light from the side, blue media behind.
std::string catcherScene(const std::string& settings) {
    return project(material("Catcher", "ShadowCatcher", "1 1 1") + material("White", "Absolute", "1 1 1") +
                       style("Floor", item("Catcher"), 2) + style("Card", item("White"), 2) + square("Big", 100) +
                       square("Small", 15) + solid("Floor Solid", "Big", "Floor", "0 0 -2") +
                       solid("Card Solid", "Small", "Card", "0 0 40") + sun("0 30 0", kHardShadow),
                   " BackgroundColor 1 0 0\n UseBackgroundMedia 1\n BackgroundMedia \"" + dir().file("media.png") +
                       "\"\n" + settings);
}

// Pixels of the media's blue darkened by a shadow, and of anything else but the media and the white card.
std::pair<int, int> countShadow(const Pixels& p) {
    int shadowed = 0, other = 0;
    for (size_t i = 0; i < p.rgb.size(); i += 3) {
        const int* c = &p.rgb[i];
        if (c[0] == 0 && c[1] == 0 && c[2] == 255) continue;
        if (c[0] > 250 && c[1] > 250 && c[2] > 250) continue;
        ++(c[0] < 3 && c[1] < 3 && c[2] > 30 && c[2] < 80 ? shadowed : other);
    }
    return {shadowed, other};
}

const int kBlue[3] = {0, 0, 255};
bool same(const int* p, const int* c) { return p[0] == c[0] && p[1] == c[1] && p[2] == c[2]; }

// Stretches of `colour` (within a tolerance) down column x.
int runsDown(const Pixels& p, int x, const int* colour) {
    int runs = 0;
    bool inside = false;
    for (int y = 0; y < p.height; ++y) {
        const int* c = p.at(x, y);
        const bool match =
            std::abs(c[0] - colour[0]) < 40 && std::abs(c[1] - colour[1]) < 40 && std::abs(c[2] - colour[2]) < 40;
        runs += match && !inside;
        inside = match;
    }
    return runs;
}

// A cube of side 80 tipped 20 degrees about X: its front face, its top or bottom, and a back edge inside the front.
std::string tippedCube(const std::string& name, const std::string& style) {
    return material("Ink", style, "0 1 0", 0, "   respondToLighting 0\n   lineWidth 2\n") +
           ::style("Box Style", item("Ink"), 80) + square("Face", 40) +
           solid(name, "Face", "Box Style", "0 0 0", "20 0 0");
}

// A many-sided prism tilted towards the camera under a light from the side.
std::string roundPrism(const std::string& styleName) {
    std::vector<std::string> points;
    for (int i = 0; i <= 48; ++i) {
        double a = 2 * 3.14159265358979 * (i % 48) / 48;
        points.push_back(std::to_string(60 * std::cos(a)) + " " + std::to_string(60 * std::sin(a)));
    }
    return project(material("Paint", styleName, "1 0.6 0", 0, "   lineWidth 3\n") +
                       style("Prism Style", item("Paint"), 60) + outline("Disc", points) +
                       solid("Prism", "Disc", "Prism Style", "0 0 0", "-55 0 0") + sun("-30 -50 0", "   shadow 0\n"),
                   " RenderSize 160 160\n", 0.3);
}

// How many colours cover at least 2% of the object (all but the background) each, what share they cover together, and
// the box around it: left, bottom, right, top.
struct Shades {
    int main = 0;
    double share = 0;
    std::vector<int> box;
};
Shades shades(const Pixels& p) {
    std::map<int, int> counts;
    Shades s{0, 0, {p.width, p.height, -1, -1}};
    int object = 0, covered = 0;
    for (int y = 0; y < p.height; ++y)
        for (int x = 0; x < p.width; ++x) {
            const int* c = p.at(x, y);
            if (same(c, kBlue)) continue;
            ++object;
            ++counts[c[0] << 16 | c[1] << 8 | c[2]];
            s.box = {std::min(s.box[0], x), std::min(s.box[1], y), std::max(s.box[2], x), std::max(s.box[3], y)};
        }
    for (const auto& [colour, n] : counts)
        if (n * 50 >= object) ++s.main, covered += n;
    s.share = object ? static_cast<double>(covered) / object : 0;
    return s;
}

// Near-black pixels among the first `span` object pixels met walking row y from `x` by `step`.
int inkAtEdge(const Pixels& p, int y, int x, int step, int span) {
    while (x >= 0 && x < p.width && same(p.at(x, y), kBlue)) x += step;
    int ink = 0;
    for (int i = 0; i < span && x >= 0 && x < p.width; ++i, x += step) {
        const int* c = p.at(x, y);
        if (c[0] < 25 && c[1] < 25 && c[2] < 25) ++ink;
    }
    return ink;
}

}  // namespace

// One square solid over the blue background, at the colour its material makes.
TEST(RenderPictures, PlainSolidsShowExactlyTheColoursTheirMaterialsMake) {
    const std::string sq = square("Square", 50), sq40 = square("Square", 40), fixed = " FinalGLShaders 0\n";
    const std::string lighting = fixed + " AdvancedGLLighting ";
    const std::string mixed = material("Yellow", "Absolute", "1 1 0") + material("Cyan", "Absolute", "0 1 1") +
                              style("Mixed", item("Yellow") + item("Cyan", "     blendingStyle \"Multiply\"\n")) + sq +
                              solid("Tile", "Square", "Mixed");
    const std::string glossy =
        material("Black", "Standard", "0 0 0", 0,
                 "   begin MaterialChannelSpecular 0\n    brightness 1\n    sharpness 60\n    active 1\n"
                 "   end MaterialChannelSpecular\n") +
        style("Shiny", item("Black")) + square("Square", 90) + solid("Tile", "Square", "Shiny") +
        node("LightX", "Front Light", "   translate 0 0 400\n",
             "   type DIRECTIONAL\n   color 1 1 1 1\n   intensity 0.5\n");
    const struct {
        std::string name, members;
        std::vector<Spot> spots;
        std::string settings = "", says = "";
        double ambient = 1;
    } cases[] = {
        // Transparency 0.5 mixes evenly: the back cap wears the square's own material and is hidden behind its front.
        {"transparent",
         material("Red Glass", "Absolute", "1 0 0", 0.5) + style("Glass", item("Red Glass")) + sq +
             solid("Tile", "Square", "Glass"),
         {{50, 50, 128, 0, 128, 2, "the middle of the square"}, {3, 3, 0, 0, 255, 0, "the background"}}},
        // Turned about Y, the solid shows its back cap, which wears the object's material.
        {"spun",
         material("Red", "Absolute", "1 0 0") + style("Plain", item("Red")) + sq +
             solid("Tile", "Square", "Plain", "0 0 0", "0 180 0"),
         {{50, 50, 255, 0, 0, 1, "the back cap"}}},
        // Cyan multiplied onto yellow leaves green; the first item alone would be yellow.
        {"multiply", mixed, {{50, 50, 0, 255, 0, 2, "yellow times cyan"}}},
        // A matte card holds out the square behind it: the background shows through.
        {"matte",
         material("Red", "Absolute", "1 0 0") + material("Holdout", "Matte", "1 1 1") + style("Plain", item("Red")) +
             style("Hole", item("Holdout")) + sq + square("Small", 20) + solid("Back", "Square", "Plain") +
             solid("Front", "Small", "Hole", "0 0 30"),
         {{50, 50, 0, 0, 255, 0, "through the matte card"}, {50, 32, 255, 0, 0, 1, "the square around it"}}},
        // A Fresnel material whose second surface is clear blends: faced straight on it shows its first surface.
        {"fresnel",
         material("Sheen", "Fresnel", "1 0 0", 0.5,
                  "   fresnelStart 0\n   fresnelEnd 1\n   fresnelBlend 0\n   begin MaterialChannelColor 1\n"
                  "    color 0 1 0 1\n   end MaterialChannelColor\n   begin MaterialChannelTransparency 1\n"
                  "    amount 1\n   end MaterialChannelTransparency\n") +
             style("Sheen Style", item("Sheen")) + sq + solid("Tile", "Square", "Sheen Style"),
         {{50, 50, 128, 0, 128, 3, "half red over the blue background"}}},
        // "FinalGLShaders 0" draws with OpenGL's own lighting: only a stack's first item.
        {"fixed-stack", mixed, {{50, 50, 255, 255, 0, 2, "the first item alone"}}, fixed},
        // A wireframe square is its four edges in the material's colour, lineWidth pixels wide, with the background
        // showing through its middle. The edge runs between pixels 29 and 30; three pixels wide, the line covers both
        // whole and half of each neighbour, and nothing further.
        {"wireframe",
         material("Wire", "Wireframe", "1 0 0", 0, "   respondToLighting 0\n   lineWidth 3\n") +
             style("Wire Style", item("Wire")) + square("Frame Square", 40) +
             solid("Frame", "Frame Square", "Wire Style"),
         {{50, 50, 0, 0, 255, 0, "the middle of the square"},
          {40, 60, 0, 0, 255, 0, "inside the square, off its diagonal"},
          {30, 50, 255, 0, 0, 1, "the left edge"},
          {50, 69, 255, 0, 0, 1, "the top or bottom edge"},
          {29, 50, 255, 0, 0, 1, "just outside the left edge"},
          {28, 50, 128, 0, 128, 3, "half covered outside"},
          {31, 50, 128, 0, 128, 3, "half covered inside"},
          {27, 50, 0, 0, 255, 0, "well outside the square"},
          {33, 50, 0, 0, 255, 0, "well inside the square"}}},
        // A texture size above the limit (the context's or the program's, the smaller) is baked at it with a warning.
        {"limit",
         material(
             "Huge", "Absolute", "1 1 1", 0,
             "   shaderTextureWidth 100000\n   shaderTextureHeight 8\n   colorMap \"" + halves("limit.png") + "\"\n") +
             style("Huge Style", item("Huge")) + sq + solid("Tile", "Square", "Huge Style"),
         {{70, 50, 255, 255, 255, 2, "the white half"}},
         "",
         "formwright: Huge: the texture size 100000 x 8 is above the most a texture is baked at; it is baked at "
         "most 8192"},
        // A Camera mapping spreads the map over the frame, whatever the surface's own coordinates: the square (x 40..79
        // on screen) shows the map's seam at the frame's middle, x 50, softened as 16 texels span 100 pixels.
        {"camera-map",
         material("Halves", "Absolute", "1 1 1", 0, "   colorMap \"" + halves("camera.png") + "\"\n") +
             style("Projected", item("Halves", "     mappingStyle \"Camera\"\n     tilingStyle \"None\"\n")) + sq40 +
             solid("Tile", "Square", "Projected", "20 0 0"),
         {{42, 50, 0, 0, 0, 39, "black half"},
          {44, 40, 0, 0, 0, 39, "black half"},
          {56, 50, 255, 255, 255, 39, "white half"},
          {75, 60, 255, 255, 255, 39, "white half"}}},
        // Without shaders lighting is OpenGL's own, per vertex. A black glossy square facing the light: advanced
        // lighting adds the highlight after the texture, so it shows on black; simple lighting folds it in.
        {"advanced", glossy, {{50, 50, 255, 255, 255, 194, "a highlight over black"}}, lighting + "1\n", "", 0.2},
        {"simple", glossy, {{50, 50, 0, 0, 0, 7, "black"}}, lighting + "0\n", "", 0.2},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::string err;
        Pixels p = render(c.name, project(c.members, c.settings, c.ambient), &err);
        for (const Spot& s : c.spots) expectColour(p.at(s.x, s.y), s.r, s.g, s.b, s.tolerance, s.what);
        EXPECT_THAT(err, HasSubstr(c.says));  // an empty `says` matches anything
    }
}

// A planar map tiled four times across the square gives four black-and-white periods; Mirror tiling joins like halves.
TEST(RenderPictures, PlanarMapsTileAcrossTheSurface) {
    const std::string mtl =
        material("Halves", "Absolute", "1 1 1", 0, "   colorMap \"" + halves("halves.png") + "\"\n");
    auto tiled = [&](const std::string& name, const std::string& tiling) {
        const std::string placement =
            "     mappingStyle \"PlanarZ\"\n     applyWidth 80\n     applyHeight 80\n"
            "     tilingX 4\n     tilingY 4\n     tilingStyle \"" +
            tiling + "\"\n";
        return render(name, project(mtl + style("Tiled", item("Halves", placement)) + square("Square", 40) +
                                    solid("Tile", "Square", "Tiled")));
    };
    Pixels repeat = tiled("tiled", "Repeat"), mirror = tiled("mirrored", "Mirror");
    EXPECT_GE(stripesAcross(repeat), 7);
    EXPECT_GE(stripesAcross(mirror), 3);
    EXPECT_LT(stripesAcross(mirror), stripesAcross(repeat));
}

// The demo title, shadow and all, as the renderer drew it before its lighting program and shadow filter were made
// cheaper: the picture may move by a rounding or a softer shadow edge, never by a missing light, channel or shadow, as
// the same title without its shadow does.
TEST(RenderPictures, TheDemoTitleLooksAsItDidBeforeTheRendererWasSpedUp) {
    const std::string title = test::slurp(fw::test::example("title.kxp"));
    Pixels drawn = fw::test::rendered(dir(), "demo-title", title, "--size 480x270");
    Pixels before = test::readImage(FW_SOURCE_DIR "/tests/data/render/title-480x270.png");
    EXPECT_GE(test::psnr(before, drawn), 38.0);
    Pixels flat = fw::test::rendered(dir(), "demo-unshadowed",
                                     fw::test::edited(title, {{" RenderShadows \"1\"", " RenderShadows \"0\""}}),
                                     "--size 480x270");
    EXPECT_LT(test::psnr(before, flat), 38.0);
}

// Only the shadow darkens the media behind a shadow catcher; with final-frame shadows or the shaders off there is none.
TEST(RenderPictures, AShadowCatcherShowsOnlyItsShadowOverTheMedia) {
    picture("media.png", {255, 0, 0, 0}, {255, 0, 0, 0});  // blue
    Pixels p = render("catcher", catcherScene(""));
    expectColour(p.at(3, 3), 0, 0, 255, 0, "the media around the shadow");
    const auto [shadowed, other] = countShadow(p);
    EXPECT_GT(shadowed, 100);  // the card's shadow, 30 x 30 units, lands beside it
    EXPECT_LT(other, 300);     // the shadow's and the card's edges only
    EXPECT_EQ(countShadow(render("catcher-off", catcherScene(" FinalGLShaderShadows 0\n"))).first, 0);
    // Without shaders nothing is shadowed: the catcher shows nothing, the card is unlit.
    Pixels fixed = render("fixed-catcher", catcherScene(" FinalGLShaders 0\n"));
    expectColour(fixed.at(10, 10), 0, 0, 255, 2, "the media where the catcher stands");
    expectColour(fixed.at(50, 50), 255, 255, 255, 2, "the white card, unlit");
}

// Seen tipped, a wireframe cube shows all four of its horizontal edges across the middle column; in hidden-line style
// the back edge behind the front face is gone and the faces show the background.
TEST(RenderPictures, AHiddenLineCubeHidesItsBackEdges) {
    const int green[3] = {0, 255, 0};
    Pixels wire = render("cube-wire", project(tippedCube("Cube", "Wireframe")));
    Pixels hidden = render("cube-hidden", project(tippedCube("Cube", "HiddenLine")));
    EXPECT_EQ(runsDown(wire, 50, green), 4);
    EXPECT_EQ(runsDown(hidden, 50, green), 3);
    // The faces hold out: background inside, and a red square behind the cube hidden too.
    EXPECT_TRUE(same(hidden.at(50, 50), kBlue) || same(hidden.at(50, 45), kBlue));
    Pixels covering =
        render("cube-covering", project(tippedCube("Cube", "HiddenLine") + material("Red", "Absolute", "1 0 0") +
                                        style("Back Style", item("Red"), 2) + square("Card", 100) +
                                        solid("Card Solid", "Card", "Back Style", "0 0 -200")));
    expectColour(covering.at(2, 2), 255, 0, 0, 1, "the card around the cube");
    EXPECT_EQ(runsDown(covering, 50, green), 3);
    int background = 0;
    for (int y = 0; y < 100; ++y) background += same(covering.at(50, y), kBlue);
    EXPECT_GT(background, 20) << "the cube's faces hide the card and show the background";
}

// A cartoon prism is lit in a few flat bands and outlined in black; in Standard it shades smoothly and has no outline.
TEST(RenderPictures, ACartoonObjectHasFewShadesAndADarkOutline) {
    Pixels toon = render("cartoon", roundPrism("Cartoon"), nullptr, "", 160);
    Pixels plain = render("cartoon-standard", roundPrism("Standard"), nullptr, "", 160);
    const Shades cartoon = shades(toon), standard = shades(plain);
    EXPECT_THAT(cartoon.main, testing::AllOf(testing::Ge(3), testing::Le(6))) << "lit bands and the outline";
    EXPECT_GT(cartoon.share, 0.85);
    EXPECT_GE(inkAtEdge(toon, 80, 0, 1, 4), 2) << "outline on the left";
    EXPECT_GE(inkAtEdge(toon, 80, 159, -1, 4), 2) << "outline on the right";
    // Same place and size: only the outline, half outside the silhouette, adds to it.
    for (int i = 0; i < 4; ++i)
        EXPECT_NEAR(cartoon.box[i], standard.box[i], 3) << "side " << i << " of the object's box";
    EXPECT_LT(standard.share, 0.85) << "a smooth gradient spreads over many shades";
    EXPECT_EQ(inkAtEdge(plain, 80, 0, 1, 4), 0);
}

// A red sphere resting above a grey floor, seen from above the front, lit from the upper left: each wears its own
// slot's material, the sphere is shaded and throws its shadow onto the floor on the side away from the light.
TEST(RenderPictures, PrimitivesWearTheirSlotsMaterialsAndCastShadows) {
    auto primitive = [](const std::string& name, const std::string& shape, const std::string& place,
                        const std::string& look) {
        return node("ObjectP", name, "   translate " + place + "\n",
                    "   primitiveType " + shape + "   begin MaterialStack 0\n" + item(look) + "   end MaterialStack\n");
    };
    std::string text =
        project(material("Red", "Standard", "1 0 0") + material("Grey", "Standard", "0.6 0.6 0.6") +
                    primitive("Floor", "FLOOR\n   primVal1 400\n   primVal2 400\n", "0 -50 0", "Grey") +
                    primitive("Ball", "SPHERE\n   primVal1 100\n", "0 0 0", "Red") + sun("-45 35 0", kHardShadow),
                "", 0.25, camera(-30, 300));
    Pixels p = render("primitives", text);
    // Rows count from the bottom of the picture.
    const int *ball = p.at(50, 49), *left = p.at(5, 39), *right = p.at(95, 39), *shadow = p.at(27, 46);
    EXPECT_TRUE(ball[0] > 200 && ball[1] < 40 && ball[2] < 40) << ball[0] << " " << ball[1] << " " << ball[2];
    for (const int* c : {left, right})
        EXPECT_TRUE(c[0] > 100 && c[0] == c[1] && c[1] == c[2]) << "grey floor: " << c[0] << " " << c[1] << " " << c[2];
    EXPECT_EQ(shadow[0], shadow[2]);
    EXPECT_LT(shadow[0] * 2, left[0]);
    EXPECT_EQ(p.at(73, 46)[0], right[0]) << "the same place on the lit side";
    expectColour(p.at(50, 94), 0, 0, 255, 0, "the background above the floor");
}

// A mirror-like sphere seen from straight above, in the factory's reflective looks, by both renderers: at its pole the
// reflection looks straight up, where the environment map's columns all meet, and the pole must shade as its
// neighbourhood does, with no dot of the map blurred whole or of its nadir row blended in.
TEST(RenderPictures, AMirroredSpherePoleShadesLikeItsNeighbourhood) {
    const std::string text =
        " RenderSize 200 200\n BackgroundColor 0 0 0\n begin SceneX\n" + camera(-90, 120) + sun("-45 35 0") +
        node("ObjectP", "Ball", "   translate 0 0 0\n", "   primitiveType SPHERE\n   primVal1 100\n") + " end SceneX\n";
    for (const char* look : {"Chrome", "Polished Gold"})
        for (const char* renderer : {"gl", "raytrace"}) {
            SCOPED_TRACE(std::string(look) + ", " + renderer);
            Pixels p = render("mirrored", text, nullptr,
                              std::string("--renderer ") + renderer + " --material \"" + look + "\"", 200);
            // The pole lies between the four middle pixels. What its neighbourhood foretells there: the means of two
            // rings around it, taken on to radius 0 (the light's gradient cancels round a ring, its curvature grows
            // with radius squared).
            for (int c = 0; c < 3; ++c) {
                double mean[2] = {0, 0}, square[2] = {0, 0}, count[2] = {0, 0};
                for (int y = 88; y < 112; ++y)
                    for (int x = 88; x < 112; ++x) {
                        const double d2 = (x - 99.5) * (x - 99.5) + (y - 99.5) * (y - 99.5);
                        const int ring = d2 >= 9 && d2 < 25 ? 0 : d2 >= 36 && d2 < 64 ? 1 : -1;
                        if (ring < 0) continue;
                        mean[ring] += p.at(x, y)[c], square[ring] += d2, ++count[ring];
                    }
                for (int k = 0; k < 2; ++k) mean[k] /= count[k], square[k] /= count[k];
                const double foretold = (square[1] * mean[0] - square[0] * mean[1]) / (square[1] - square[0]);
                const double pole = (p.at(99, 99)[c] + p.at(100, 99)[c] + p.at(99, 100)[c] + p.at(100, 100)[c]) / 4.0;
                EXPECT_TRUE(c != 0 || pole > 20) << "the sphere is lit: " << pole;
                // A dot at the pole stood tens of levels off its neighbourhood.
                EXPECT_NEAR(pole, foretold, 4.0) << "channel " << c;
            }
        }
}
