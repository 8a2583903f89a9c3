// Text blocks: runs, variables, editor layout, character names, and the solids built from real fonts.
#include "text/TextBlock.h"

#include <gtest/gtest.h>

#include "EdgeProfile.h"
#include "GeometryHelpers.h"
#include "GlyphOutline.h"
#include "app/Registration.h"
#include "geometry/ObjectX.h"
#include "geometry/ObjectXStyle.h"
#include "mesh/PackedObjDB.h"
#include "platform/Dialogs.h"
#include "scene/Port.h"
#include "scene/Quality.h"
#include "scene/SceneX.h"
#include "text/ProfileT.h"
#include "text/TextChar.h"

namespace fw {
namespace {

TextAttr sized(double size, int alignment = TextAttr::kLeft, int spacing = 0, int kerning = 0) {
    TextAttr a;
    a.name = test::kDejaVuSans, a.size = size, a.alignment = alignment, a.spacing = spacing, a.kerning = kerning;
    return a;
}

// Blocks laid out and built in a scene with the default style.
class TextLayout : public ::testing::Test {
protected:
    void SetUp() override {
        Dialogs::instance().setQuiet(true);
        registerAllClasses();
        style = ObjectXStyle::ensureDefault(scene);
    }
    void TearDown() override { Dialogs::instance().setQuiet(false); }
    // A block the scene holds, laid out.
    TextBlock& laidOut(const char* name, const std::u16string& text, const TextAttr& attr, int maxWidth = 0) {
        auto* block = new TextBlock(scene, name);
        if (maxWidth > 0) block->maxWidth = maxWidth;
        block->appendText(text, attr);
        block->layout();
        return *block;
    }
    SceneX scene;
    ObjectXStyle* style = nullptr;
};

}  // namespace

TEST_F(TextLayout, RunsShareEqualAttributesAndSplitAroundADifferentOne) {
    TextBlock block(scene, "T");
    block.appendText(u"abcd", sized(72));
    block.insertChar(2, 'X', sized(72));  // same attribute: nothing new
    EXPECT_EQ(block.attrs.size(), 1u);
    block.insertChar(2, 'Y', sized(24));  // inside the run: the rest of the run gets its own copy
    ASSERT_EQ(block.chars.size(), 6u);
    EXPECT_EQ(block.attrs.size(), 3u);
    int before = block.chars[1]->attrIndex, inserted = block.chars[2]->attrIndex, after = block.chars[3]->attrIndex;
    EXPECT_TRUE(before != after && inserted != before) << before << " " << inserted << " " << after;
    EXPECT_TRUE(*block.attrs[static_cast<size_t>(before)] == *block.attrs[static_cast<size_t>(after)]);
    EXPECT_EQ(block.chars[5]->attrIndex, after);
}

TEST_F(TextLayout, VariablesAreReplacedByNumberAndKeptAsWordsOtherwise) {
    TextBlock editor(scene, "Editor"), objects(scene, "Objects");
    editor.appendText(u"Hi <<1>>, <<3>>!<<name:x>>", sized(72));
    std::string last = objects.resolveVariables(editor, {u"Ann", u"Bob"});
    std::u16string result;
    for (auto& c : objects.chars) result += static_cast<char16_t>(c->code);
    EXPECT_EQ(result, u"Hi Ann, !name:x");
    EXPECT_EQ(last, "<<name:x>>");
    EXPECT_EQ(objects.chars[3]->origIndex, -1);  // inserted from a value
    // Linked both ways: "," is the editor's ninth character and the object's seventh.
    EXPECT_EQ(std::pair(objects.chars[6]->origIndex, editor.chars[8]->origIndex), std::pair(8, 6));
    for (int k : {3, 4, 5, 6, 7})
        EXPECT_EQ(editor.chars[static_cast<size_t>(k)]->origIndex, TextChar::kConsumedByVariable);
    EXPECT_EQ(objects.editorTextBlock, "Editor");
    EXPECT_EQ(editor.objectTextBlock, "Objects");
    TextBlock empty(scene, "Blank"), emptyEditor(scene, "BlankEditor");
    emptyEditor.appendText(u"<<4>>", sized(72));
    empty.resolveVariables(emptyEditor, {u"one"});
    ASSERT_EQ(empty.chars.size(), 1u);
    EXPECT_EQ(empty.chars[0]->code, ' ');
    EXPECT_EQ(empty.characterName(0), "Blank Empty Placeholder");
}

TEST_F(TextLayout, CharacterNames) {
    TextBlock block(scene, "Title");
    block.appendText(u"A \r\"\x00e9", sized(72));
    const char* const names[] = {"Title A", "Title space", "Title Return", "Title ''", "Title Char"};
    for (int i = 0; i < 5; ++i) EXPECT_EQ(block.characterName(i), names[i]);
}

// One size's leading (1.2 x 72 = 86.4, rounded), left, right and centred lines and wrapping are
// CommandLine.TextRejectsWhatItCannotBuildAndItsMeshFollowsItsStyleAndLayoutOptions's, through the program.
TEST_F(TextLayout, LeadingSpacingKerningAndAlignment) {
    // A line mixing 72 and 24 points takes the larger spacing.
    TextBlock& mixed = *new TextBlock(scene, "Mixed");
    mixed.appendText(u"M", sized(24));
    mixed.appendText(u"M\rM", sized(72));
    mixed.layout();
    EXPECT_EQ(mixed.chars[3]->charPosY - mixed.chars[0]->charPosY, 86);
    EXPECT_EQ(mixed.chars[0]->charPosY, 86);  // the 24-point glyph sits on the 72-point line
    // Spacing and kerning in thousandths of the em (the width of "M").
    TextBlock& tracked = laidOut("Tracked", u"MM", sized(72, TextAttr::kLeft, 100));
    int em = tracked.attrs[0]->emWidth;
    EXPECT_NEAR(tracked.chars[0]->charWidth, em + 100.0 * em / 1000, 1e-9);
    EXPECT_NEAR(laidOut("Kerned", u"MM", sized(72, TextAttr::kLeft, 100, -100)).chars[0]->charWidth, em, 1e-9);
    // A justified line ends at the right edge with its last visible character; the white space after it takes no share
    // of the free space.
    for (int alignment : {TextAttr::kJustified, TextAttr::kJustifiedAll}) {
        const bool all = alignment == TextAttr::kJustifiedAll;
        TextBlock& justified =
            laidOut(all ? "JustifiedAll" : "Justified", all ? u"MMM \rM" : u"MM MM  \rM", sized(72, alignment), 600);
        const TextChar& end = *justified.chars[all ? 2 : 4];
        EXPECT_NEAR(end.charPosX + end.charWidth, 600 * 0.5 - 2.5, 1) << alignment;
    }
    // Right-aligned blocks move left by half their width when built.
    TextBlock& right = laidOut("Right", u"M", sized(72, TextAttr::kRight), 400);
    right.build(ObjectXStyle::kDefaultName);
    EXPECT_NEAR(right.chars[0]->profileOffset[0], right.chars[0]->charPosX - 200, 1e-9);
}

// Letters and digits built the way a render does (render flattening, the 0.03 face offset, "Bevel, Medium"): each front
// cap covers exactly the character's own area, so no notch is filled in, no counter covered and nothing left open.
TEST_F(TextLayout, RenderCapsCoverEachCharacterExactly) {
    style->setPerimeterProfile("Bevel, Medium");
    const std::u16string letters = u"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
    ASSERT_EQ(laidOut("Sharp", letters, sized(72)).build(ObjectXStyle::kDefaultName), static_cast<int>(letters.size()));
    for (char16_t letter : letters) {
        const std::string name = std::string("Sharp ") + static_cast<char>(letter);
        SCOPED_TRACE(name);
        auto* object = dynamic_cast<ObjectX*>(scene.findMember(name));
        auto* outline = dynamic_cast<Profile*>(scene.findMember(name + " Outline"));
        ASSERT_TRUE(object && outline);
        // The character's area and perimeter from its finely flattened outline (counters run the other way round, so
        // the signed areas subtract them).
        ProfileGeometry* flat = outline->previewFlattened(true, true, false, 0.01, 30);
        ASSERT_NE(flat, nullptr);
        double area = 0, perimeter = 0;
        for (const SolidBuilder::Contour& c : test::flatPolygons(*flat, 3))
            for (size_t i = 0; i < c.size(); ++i) {
                const glm::dvec2 a = c[i], b = c[(i + 1) % c.size()];
                area += (a.x * b.y - b.x * a.y) / 2;
                perimeter += glm::length(b - a);
            }
        area = std::fabs(area);
        PackedObjDB* mesh = object->displayGeometry(kRenderMode);
        ASSERT_NE(mesh, nullptr);
        const double cap = test::partArea(*mesh, ObjectX::kFrontPart);
        // The face sits 0.03 inside the outline; single-precision meshes round a little.
        EXPECT_NEAR(cap, area - 0.03 * perimeter, 0.002 * area);
    }
}

// A wide bevel fills the narrow notches where bowls and arches meet their stems; the corner at the bottom of such a
// notch must not stick out as a spike. Every point of each solid stays within the bevel's widest reach (a fifth of the
// depth) of its face.
TEST_F(TextLayout, AWideBevelFillsNotchesWithoutSpikes) {
    style->setPerimeterProfile("Bevel, Large");
    const double depth = 30, reach = depth * 0.20;
    style->setDepth(depth);
    ASSERT_EQ(laidOut("T", u"dhnupqa", sized(72)).build(ObjectXStyle::kDefaultName), 7);
    for (int i = 0; i < scene.memberCount(kObjectKind); ++i) {
        auto* object = dynamic_cast<ObjectX*>(scene.member(kObjectKind, i));
        if (!object) continue;
        PackedObjDB* mesh = object->displayGeometry(kRenderMode);
        ASSERT_NE(mesh, nullptr) << object->name();
        auto* face = object->findPortAs<ResultPort<ObjectX::Contours>>(qualityPortName(kRenderMode, "Face").c_str());
        ASSERT_TRUE(face && face->value()) << object->name();
        glm::dvec2 low(1e300), high(-1e300);
        for (const auto& contour : *face->value())
            for (const glm::dvec2& p : contour) low = glm::min(low, p), high = glm::max(high, p);
        const test::Box drawn = test::boxOf(*mesh);
        const double most = std::max({0.0, low.x - drawn.low.x, drawn.high.x - high.x, low.y - drawn.low.y,
                                      drawn.high.y - high.y});
        EXPECT_LE(most, reach * 1.01) << object->name();
        const test::SolidCheck r = test::checkSolid(*mesh);
        EXPECT_EQ(r.openEdges + r.overusedEdges + r.flippedEdges, 0) << object->name() << ": " << r.summary();
    }
}

}  // namespace fw
