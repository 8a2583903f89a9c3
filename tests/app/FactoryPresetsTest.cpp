// The factory presets as a user meets them: every swatch rendered and measured, the presets put on projects in process
// and from the command line, and a contact sheet.
#include "AppFixture.h"
#include "AppHelpers.h"
#include "MovieProbe.h"
#include "app/ContactSheet.h"
#include "app/FactoryLibrary.h"
#include "app/PresetApply.h"
#include "app/SwatchRenderer.h"
#include "render/LightX.h"
#include "surface/Picture.h"

using testing::AllOf, testing::HasSubstr, testing::Not;

namespace fw {
namespace {

class FactoryPresets : public test::AppTest {
protected:
    test::Outcome run(const std::string& arguments) { return test::formwright(dir, arguments); }
};

// Every preset renders apart from the others of its kind (a name listed twice would render alike too), and every
// material swatch, over the sphere's middle where only the material shows, is neither black nor blown out.
TEST_F(FactoryPresets, EverySwatchShowsItsOwnLook) {
    SwatchRenderer renderer;
    const struct {
        FactoryLibrary::Kind kind;
        size_t count;  // 0: at least 24
        double apart;
        int w, h;
    } kinds[] = {{FactoryLibrary::kMaterials, 0, 4.0, 96, 72},
                 {FactoryLibrary::kObjectStyles, 12, 0.3, 80, 60},
                 {FactoryLibrary::kLights, 8, 2.0, 80, 60},
                 {FactoryLibrary::kLightingStyles, 6, 2.0, 80, 60}};
    for (const auto& k : kinds) {
        SCOPED_TRACE(FactoryLibrary::kindWord(k.kind));
        const std::vector<std::string> names = FactoryLibrary::names(k.kind);
        ASSERT_TRUE(k.count ? names.size() == k.count : names.size() >= 24) << names.size();
        std::vector<Picture> pictures(names.size());
        for (size_t n = 0; n < names.size(); ++n) {
            std::string error;
            EXPECT_TRUE(renderer.preset(k.kind, names[n], k.w, k.h, pictures[n], error)) << names[n] << ": " << error;
            EXPECT_EQ(std::pair(pictures[n].width(), pictures[n].height()), std::pair(k.w, k.h)) << names[n];
        }
        for (size_t n = 0; n < pictures.size() && k.kind == FactoryLibrary::kMaterials; ++n) {
            double sum = 0, blown = 0, count = 0;
            for (int y = 0; y < k.h; ++y)
                for (int x = 0; x < k.w; ++x) {
                    if (std::hypot(x + 0.5 - k.w / 2.0, y + 0.5 - k.h / 2.0) > 0.3 * k.h) continue;
                    const uint8_t* p = pictures[n].row(y) + x * 4;
                    sum += (p[0] + p[1] + p[2]) / 3.0, ++count;
                    blown += p[0] >= 250 && p[1] >= 250 && p[2] >= 250;
                }
            EXPECT_GT(sum / count, 12) << names[n] << " is black";
            EXPECT_LT(sum / count, 235) << names[n] << " is blown out";
            EXPECT_LT(blown / count, 0.2) << names[n] << " is blown out";
        }
        // The two presets of the kind that render most alike.
        std::string pair;
        double least = 1e9;
        for (size_t i = 0; i < pictures.size(); ++i)
            for (size_t j = i + 1; j < pictures.size(); ++j)
                if (double d = test::meanColourDifference(pictures[i].pixels(), pictures[j].pixels()); d < least)
                    least = d, pair = names[i] + " / " + names[j];
        EXPECT_GT(least, k.apart) << pair << " render alike";
    }
}

// The ambient rule: a style that brings ambient light replaces the project's; one without keeps it. Lights land where
// the project's camera needs them.
TEST_F(FactoryPresets, LightingReplacesTheLightsAndKeepsTheAmbientRule) {
    SceneX project;
    auto* ambient = new LightX(project, "Ambient");
    ambient->setType(Light::kAmbient);
    new LightX(project, "Light 1");
    new LightX(project, "Light 2");
    SceneX bare;  // a style of one directional light, no ambient
    auto* sun = new LightX(bare, "Sun");
    sun->setMode(Camera::kLookAt);
    sun->eye[1] = 1;
    PresetApply::lighting(project, bare, 300);
    ASSERT_EQ(project.memberCount(kLightKind), 2);
    EXPECT_EQ(project.member(kLightKind, 0), ambient);
    auto* copied = dynamic_cast<Light*>(project.findMember("Sun"));
    ASSERT_NE(copied, nullptr);
    EXPECT_DOUBLE_EQ(copied->eye[1], 300);
    FactoryLibrary::Preset style = FactoryLibrary::findPreset(FactoryLibrary::kLightingStyles, "Three-Point");
    ASSERT_TRUE(style);
    PresetApply::lighting(project, *style.lighting, 1);
    std::vector<std::string> now;
    for (int i = 0; i < project.memberCount(kLightKind); ++i) now.push_back(project.member(kLightKind, i)->name());
    EXPECT_EQ(now, (std::vector<std::string>{"Ambient", "Key", "Fill", "Rim"}));
}

TEST_F(FactoryPresets, CommandLinePutsPresetsOnTitlesImportsAndRenders) {
    // The project keeps the style's lights and only them.
    const std::string lit = dir.file("lit.kxp");
    ASSERT_EQ(test::ran(dir, "text Gold --lighting \"Backlit Rim\" --style \"Deep Bevel\" -o " + lit).status, 0);
    const std::string project = ::test::slurp(lit);
    for (const char* light : {"Rim Left", "Rim Right", "Front Glow", "Ambient"})
        EXPECT_THAT(project, HasSubstr(std::string("name \"") + light + "\"")) << light;
    EXPECT_THAT(project, AllOf(Not(HasSubstr("name \"Light 1\"")), HasSubstr("perim \"Bevel, Large\"")));
    ASSERT_EQ(run("render " + lit + " --lighting Sunset -o " + dir.file("sunset.png")).status, 0);
    ASSERT_EQ(run("render " + lit + " -o " + dir.file("rim.png")).status, 0);
    EXPECT_LT(::test::psnr(::test::readImage(dir.file("rim.png")), ::test::readImage(dir.file("sunset.png"))), 30);
    ASSERT_EQ(run("text Hi -o " + dir.file("hi.obj")).status, 0);
    ASSERT_EQ(test::ran(dir, "import " + dir.file("hi.obj") + " --material Chrome -o " + dir.file("hi.kxp")).status, 0);
    EXPECT_THAT(::test::slurp(dir.file("hi.kxp")),
                AllOf(HasSubstr("material \"Chrome\""), HasSubstr("name \"Chrome\"")));
    test::Outcome unknown = run("text Gold --lighting Sunrise -o " + dir.file("no.png"));
    EXPECT_EQ(unknown.status, 1);
    EXPECT_THAT(unknown.err, HasSubstr("formwright: Sunrise: no such lighting style; the closest are \"Sunset\""));
    EXPECT_EQ(::test::slurp(dir.file("no.png")), "");
    unknown = run("render " + lit + " --material Golld -o " + dir.file("no.png"));
    EXPECT_THAT(unknown.err, HasSubstr("Golld: no such material; the closest are \"Polished Gold\""));
}

TEST_F(FactoryPresets, ContactSheetWritesEachNameUnderItsSwatch) {
    std::string error;
    ASSERT_TRUE(ContactSheet::write(FactoryLibrary::kLightingStyles, dir.file("sheet.png"), error)) << error;
    ::test::Pixels sheet = ::test::readImage(dir.file("sheet.png"));
    const int gap = 10, caption = 22, cellW = ContactSheet::kSwatchWidth + gap,
              cellH = ContactSheet::kSwatchHeight + caption + gap;
    ASSERT_EQ(std::pair(sheet.width, sheet.height), std::pair(5 * cellW + gap, 2 * cellH + gap));
    // readImage rows run bottom-up: the band under row r's swatch, and the gap under it.
    auto ink = [&](int column, int top, int bottom) {
        int count = 0;
        for (int y = bottom; y < top; ++y)
            for (int x = gap + column * cellW; x < (column + 1) * cellW; ++x) count += sheet.at(x, y)[0] > 150;
        return count;
    };
    for (int n = 0; n < 6; ++n) {
        int column = n % 5, top = sheet.height - gap - (n / 5) * cellH - ContactSheet::kSwatchHeight;
        EXPECT_GT(ink(column, top, top - caption), 40) << "caption " << n;
        EXPECT_EQ(ink(column, top - caption, top - caption - gap), 0) << "gap " << n;
    }
    EXPECT_EQ(ink(1, sheet.height - gap - cellH - ContactSheet::kSwatchHeight, gap), 0) << "an empty cell";
}

}  // namespace
}  // namespace fw
