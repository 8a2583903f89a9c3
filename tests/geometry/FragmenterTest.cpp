// Bevelled letters of real fonts broken into fragments: every fragment of a closed solid is a closed solid, the
// pieces add up to the whole, and the same seeds break a letter the same way.
#include "geometry/Fragmenter.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <glm/gtc/matrix_transform.hpp>
#include <limits>
#include <string>
#include <vector>

#include "EdgeProfile.h"
#include "GeometryHelpers.h"
#include "GlyphOutline.h"
#include "SolidCheck.h"
#include "TestBox.h"
#include "geometry/SolidBuilder.h"
#include "mesh/ObjDB.h"
#include "platform/MathConstants.h"
#include "scene/FragmentationParams.h"

namespace fw {
namespace {

using Fragments = std::vector<std::unique_ptr<PackedObjDB>>;

// A letter about 15 units tall with "Bevel, Medium" edges, as the title builds it; failing, the test fails.
std::unique_ptr<PackedObjDB> letter(const char* font, char16_t code) {
    auto mesh = std::make_unique<PackedObjDB>();
    const std::vector<SolidBuilder::Contour> face = test::glyphOutline(font, code, 0.01, 6);
    if (face.empty() || !SolidBuilder::build(face, test::libraryEdgeProfile("Bevel, Medium"), {}, {}, *mesh))
        ADD_FAILURE() << "no letter '" << char(code) << "' in " << font;
    mesh->finish();
    return mesh;
}

// Passes 1 to `passes` on, tilted and shifted at random from `seed`.
FragmentationParams shatter(int passes, unsigned long seed) {
    FragmentationParams f;
    f.enabled = true;
    for (int k = 0; k < 3; ++k) {
        ChopParams& c = f.chops[k];
        c.enabled = k < passes;
        c.sliceCount = 2;
        c.rotationOffsetStyle = ChopParams::kRandom;
        c.rotationOffset2 = 25;
        c.rotationOffsetSeed = seed + static_cast<unsigned long>(k);
        c.positionOffsetStyle = ChopParams::kRandom;
        c.positionOffsetSeed = seed * 3 + static_cast<unsigned long>(k);
    }
    return f;
}

// Passes 1 to `passes` of `slices` slices each, square to their axes and evenly spaced.
FragmentationParams even(int passes, int slices) {
    FragmentationParams f = shatter(passes, 1);
    for (ChopParams& c : f.chops)
        c.sliceCount = slices, c.rotationOffsetStyle = c.positionOffsetStyle = ChopParams::kNone;
    return f;
}

// The fragments of `mesh` where it stands, as letter `index` of its title.
Fragments cut(const FragmentationParams& f, const PackedObjDB& mesh, int index = 0,
              Fragmenter::Result* result = nullptr) {
    Fragments out;
    const Fragmenter::Result r = Fragmenter::fragment(f, mesh, glm::dmat4(1), index, out);
    if (result) *result = r;
    return out;
}

std::string checkFragments(const PackedObjDB& whole, const Fragments& fragments, size_t first = 0) {
    const double volume = test::checkSolid(whole).volume;
    double sum = 0;
    std::string problems;
    for (size_t k = first; k < fragments.size(); ++k) {
        const test::SolidCheck r = test::checkSolid(*fragments[k]);
        sum += r.volume;
        if (r.openEdges || r.overusedEdges || r.flippedEdges || r.degenerate || !(r.volume > volume * 1e-7) ||
            fragments[k]->elementCount() < 4)
            problems += " fragment " + std::to_string(k - first) + ": " + r.summary() + ";";
    }
    if (std::fabs(sum - volume) > volume * 1e-3)
        problems += " volumes add to " + std::to_string(sum) + " of " + std::to_string(volume) + ";";
    return problems;
}

bool sameFragments(const Fragments& as, const Fragments& bs) {
    if (as.size() != bs.size()) return false;
    for (size_t k = 0; k < as.size(); ++k) {
        const PackedObjDB &a = *as[k], &b = *bs[k];
        bool same = a.vertexCount() == b.vertexCount() && a.indexCount() == b.indexCount() &&
                    a.elementCount() == b.elementCount();
        for (int e = 0; same && e < a.elementCount(); ++e)
            same = a.element(e).count == b.element(e).count && a.element(e).part == b.element(e).part;
        const size_t floats = PackedObjDB::kFloatsPerVertex * static_cast<size_t>(a.vertexCount());
        if (!same || std::memcmp(a.vertexData(), b.vertexData(), sizeof(float) * floats) ||
            std::memcmp(a.indexData(), b.indexData(), sizeof(int32_t) * static_cast<size_t>(a.indexCount())))
            return false;
    }
    return true;
}

TEST(Fragmenter, EveryFragmentOfEveryLetterIsAClosedSolid) {
    const char* serif = "/usr/share/fonts/truetype/liberation/LiberationSerif-Regular.ttf";
#ifdef FW_SANITIZED_BUILD
    const std::u16string text = u"S8&@";
    const std::vector<int> passCounts = {2};
    const std::vector<unsigned long> seeds = {5};
#else
    const std::u16string text = u"Shatter 8&@";
    const std::vector<int> passCounts = {1, 2, 3};
    const std::vector<unsigned long> seeds = {5, 77};
#endif
    int letters = 0;
    for (const char* font : {test::kDejaVuSans, serif})
        for (char16_t code : text) {
            if (code == u' ') continue;
            std::unique_ptr<PackedObjDB> whole = letter(font, code);
            const test::SolidCheck w = test::checkSolid(*whole);
            ASSERT_TRUE(w.openEdges == 0 && w.flippedEdges == 0 && w.volume > 0) << char(code) << " " << w.summary();
            ++letters;
            for (int passes : passCounts)
                for (unsigned long seed : seeds) {
                    Fragmenter::Result r;
                    const Fragments out = cut(shatter(passes, seed), *whole, letters, &r);
                    EXPECT_EQ(r.fragments, static_cast<int>(out.size()));
                    EXPECT_GT(out.size(), static_cast<size_t>(passes)) << font << " " << char(code);
                    EXPECT_EQ(checkFragments(*whole, out), "")
                        << font << " '" << char(code) << "' passes " << passes << " seed " << seed;
                }
        }
}

TEST(Fragmenter, RadialAndRandomStylesAndBricksCloseTheirPiecesToo) {
    std::unique_ptr<PackedObjDB> whole = letter(test::kDejaVuSans, u'&');
#ifdef FW_SANITIZED_BUILD
    const std::vector<int> divisions = {FragmentationParams::kRecursive};
#else
    const std::vector<int> divisions = {FragmentationParams::kNormal, FragmentationParams::kBrick,
                                        FragmentationParams::kRecursive};
#endif
    for (int style : {FragmentationParams::kRadial, FragmentationParams::kRandom})
        for (int division : divisions) {
            FragmentationParams f = shatter(3, 9);
            f.style = style, f.divisionType = division;
            f.centerOffset[0] = 6, f.centerOffset[1] = 5;  // about the middle of the letter
            Fragments out = cut(f, *whole);
            EXPECT_GT(out.size(), 4u) << style << " " << division;
            EXPECT_EQ(checkFragments(*whole, out), "") << "style " << style << " division " << division;
        }
    // Bricks: odd pieces of the first pass are cut half a spacing apart from even ones.
    FragmentationParams brick = even(2, 2);
    brick.divisionType = FragmentationParams::kBrick;
    const Fragments staggered = cut(brick, *whole);
    EXPECT_EQ(checkFragments(*whole, staggered), "");
    EXPECT_GT(staggered.size(), cut(even(2, 2), *whole).size());
}

TEST(Fragmenter, GlobalPassesCutAlongTheWorldsAxes) {
    std::unique_ptr<PackedObjDB> whole = letter(test::kDejaVuSans, u'O');
    FragmentationParams f = even(1, 1);
    // The object turned a quarter about Z and moved: the world's X is the object's Y.
    const glm::dmat4 placed = glm::rotate(glm::translate(glm::dmat4(1), glm::dvec3(40, -7, 3)), kPi / 2,
                                          glm::dvec3(0, 0, 1));
    for (int frame : {FragmentationParams::kLocal, FragmentationParams::kGlobal}) {
        SCOPED_TRACE(frame);
        f.frame = frame;
        Fragments out;
        Fragmenter::fragment(f, *whole, placed, 0, out);
        ASSERT_EQ(out.size(), 2u);
        EXPECT_EQ(checkFragments(*whole, out), "");
        // Local cuts across the object's X, Global across the world's X: the object's Y.
        const int cut = frame == FragmentationParams::kLocal ? 0 : 1;
        const test::Box all = test::boxOf(*whole);
        const double span = all.high[cut] - all.low[cut], middle = (all.low[cut] + all.high[cut]) / 2;
        for (const auto& fragment : out) {
            const test::Box b = test::boxOf(*fragment);
            EXPECT_NEAR(b.high[cut] - b.low[cut], span / 2, span * 1e-3);
            EXPECT_TRUE(std::fabs(b.low[cut] - middle) < span * 1e-3 || std::fabs(b.high[cut] - middle) < span * 1e-3);
        }
    }
}

TEST(Fragmenter, SameSeedsGiveTheSameBytesAndOtherSeedsOtherCuts) {
    std::unique_ptr<PackedObjDB> whole = letter(test::kDejaVuSans, u'B');
    const Fragments a = cut(shatter(3, 11), *whole, 2);
    EXPECT_TRUE(sameFragments(a, cut(shatter(3, 11), *whole, 2)));
    EXPECT_FALSE(sameFragments(a, cut(shatter(3, 12), *whole, 2)));
    EXPECT_FALSE(sameFragments(a, cut(shatter(3, 11), *whole, 3)));  // another letter of the title
}

TEST(Fragmenter, PassesThatCutNothingLeaveTheMeshWhole) {
    std::unique_ptr<PackedObjDB> whole = letter(test::kDejaVuSans, u'a');
    const double volume = test::checkSolid(*whole).volume;
    // Fragmentation off, or every pass off: one fragment, the whole.
    FragmentationParams off = shatter(0, 1);
    FragmentationParams disabled = off;
    off.enabled = false;
    for (const FragmentationParams* f : {&off, &disabled}) {
        Fragments out;
        EXPECT_EQ(Fragmenter::fragment(*f, *whole, glm::dmat4(1), 0, out).cuts, 0);
        ASSERT_EQ(out.size(), 1u);
        EXPECT_NEAR(test::checkSolid(*out[0]).volume, volume, volume * 1e-9);
    }
    // A linear pass of no slices hands the mesh to the next pass unchanged; a radial one ends there.
    FragmentationParams skipFirst = shatter(3, 4), withoutFirst = skipFirst;
    skipFirst.chops[0].sliceCount = 0;
    withoutFirst.chops[0].enabled = false;
    const Fragments a = cut(skipFirst, *whole);
    EXPECT_GT(a.size(), 1u);
    EXPECT_TRUE(sameFragments(a, cut(withoutFirst, *whole)));
    skipFirst.style = FragmentationParams::kRadial;
    EXPECT_EQ(cut(skipFirst, *whole).size(), 1u);
    // A plane beside the letter cuts nothing.
    FragmentationParams beside = even(1, 1);
    beside.style = FragmentationParams::kRadial;
    beside.centerOffset[0] = 500;
    EXPECT_EQ(cut(beside, *whole).size(), 1u);
}

TEST(Fragmenter, CutFacesWearTheSolidSlotAndSurfacesKeepTheirMapping) {
    // A box whose texture coordinates follow x and y: split points must land on the same mapping.
    ObjDB box, planar;
    const double size[3] = {4, 3, 2};
    test::buildBox(box, size);
    for (int i = 0; i < box.vertexCount(); ++i) {
        double p[3], uv[3];
        box.getVertex(p, i);
        planar.addVertex(p);
        uv[0] = p[0] / 4, uv[1] = p[1] / 3, uv[2] = 0;
        planar.addTexCoord(uv);
    }
    test::eachElement(box, [&](const auto&, const int* p, auto...) {
        planar.addElement(GeometryInterface::Polygon, 0, 4, p, 4, p, 0, nullptr);
    });
    PackedObjDB mapped;
    mapped.pack(planar);
    mapped.finish();
    FragmentationParams f = shatter(3, 3);
    f.solidMaterialIndex = 5;
    const Fragments out = cut(f, mapped);
    ASSERT_GT(out.size(), 6u);
    EXPECT_EQ(checkFragments(mapped, out), "");
    int cutFaces = 0;
    for (const auto& fragment : out)
        test::eachElement(*fragment, [&](const auto& info, const int* p, const int* t, auto...) {
            EXPECT_TRUE(info.part == 0 || info.part == 5) << info.part;
            cutFaces += info.part == 5;
            for (int k = 0; info.part == 0 && k < info.count; ++k) {
                double at[3], uv[3];
                fragment->getVertex(at, p[k]);
                fragment->getTexCoord(uv, t[k]);
                EXPECT_NEAR(uv[0], at[0] / 4, 1e-5);
                EXPECT_NEAR(uv[1], at[1] / 3, 1e-5);
            }
        });
    EXPECT_GT(cutFaces, 0);
    // "Shell" leaves the cuts open: no cut faces, and open edges.
    f.shellSolid = FragmentationParams::kShell;
    const Fragments shells = cut(f, mapped);
    ASSERT_GT(shells.size(), 6u);
    int open = 0;
    for (const auto& fragment : shells) {
        open += test::checkSolid(*fragment).openEdges;
        for (int e = 0; e < fragment->elementCount(); ++e) EXPECT_EQ(fragment->element(e).part, 0);
    }
    EXPECT_GT(open, 0);
}

TEST(Fragmenter, MalformedParametersAreHeldOrNamed) {
    std::unique_ptr<PackedObjDB> whole = letter(test::kDejaVuSans, u'o');
    FragmentationParams f = shatter(3, 2), many = f, odd = f;
    f.centerOffset[1] = f.chops[1].direction[2] = f.chops[2].sliceSkip = std::numeric_limits<double>::quiet_NaN();
    f.chops[0].rotationOffset2 = std::numeric_limits<double>::infinity();
    Fragmenter::Result r;
    const Fragments out = cut(f, *whole, 0, &r);
    ASSERT_FALSE(r.notes.empty());
    EXPECT_NE(r.notes[0].find("not a number"), std::string::npos) << r.notes[0];
    EXPECT_EQ(checkFragments(*whole, out), "");
    // Absurd slice counts are held, and the pieces never pass the limit.
    ObjDB unpacked;
    const double size[3] = {4, 3, 2};
    test::buildBox(unpacked, size);
    PackedObjDB box, empty;
    box.pack(unpacked);
    many.sliceIncrease = 2000000000;
    const Fragments lots = cut(many, box, 0, &r);
    EXPECT_EQ(lots.size(), static_cast<size_t>(Fragmenter::kMaxFragments));
    ASSERT_GE(r.notes.size(), 2u);  // each pass's count once, and the limit
    EXPECT_NE(r.notes[0].find("asks for 2000000002 slices; 512 are used"), std::string::npos) << r.notes[0];
    EXPECT_TRUE(std::any_of(r.notes.begin(), r.notes.end(), [](const std::string& note) {
        return note.find("the limit of 4096 fragments is reached") != std::string::npos;
    }));
#ifndef FW_SANITIZED_BUILD
    EXPECT_EQ(checkFragments(box, lots), "");
#endif
    // Negative counts, unknown styles and a slot out of range cut nothing or stay in range.
    odd.sliceIncrease = -100, odd.style = 99, odd.solidMaterialIndex = -4;
    EXPECT_EQ(cut(odd, *whole).size(), 1u);
    EXPECT_TRUE(cut(shatter(3, 2), empty, 0, &r).empty());
    EXPECT_EQ(r.fragments, 0);
}

}  // namespace
}  // namespace fw
