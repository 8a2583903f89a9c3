// The Illustrator reader on hand-written artwork: names, layers, colours, closing and
// the files it refuses; and the artwork fuzzers' corpora replayed.
#include "ArtworkFuzzTargets.h"
#include "ArtworkProfiles.h"
#include "FuzzReplay.h"
#include "artwork/AIParser.h"

namespace fw {
namespace {

const std::string kHeader = "%!PS-Adobe-3.0\n%%EndSetup\n";
// A closed square of side 10 at (x, y), filled.
std::string square(double x, double y, const char* paint = "f") {
    auto n = [](double v) { return std::to_string(v); };
    return n(x) + " " + n(y) + " m\n" + n(x + 10) + " " + n(y) + " l\n" + n(x + 10) + " " + n(y + 10) + " L\n" +
           n(x) + " " + n(y + 10) + " l\n" + n(x) + " " + n(y) + " l\n" + paint + "\n";
}

}  // namespace

using test::namesOf;

TEST(AIParser, PathsGroupsCompoundsAndClipsAreNamedByTheirOwnCounters) {
    AIParser parser;
    std::string art = kHeader + square(0, 0) +           // a path: Object 1
                      "u\n" + square(20, 0) + "u\n" + square(40, 0, "S") + "U\nU\n" +  // Group 1, nested
                      "*u\n" + square(0, 20) + square(2, 22) + "*U\n" +  // compound: Object 2
                      "u\n" + square(0, 40, "n") + "U\n" +               // unpainted only: not kept
                      "q\n" + square(20, 40, "n") + "Q\n" +              // a clip outline is shown
                      square(40, 40);                                    // Object 3
    ASSERT_TRUE(parser.readData(art)) << parser.error();
    EXPECT_EQ(namesOf(parser), (std::vector<std::string>{"Illustrator Object 1", "Illustrator Group 1",
                                                         "Illustrator Object 2", "Illustrator Unknown 1",
                                                         "Illustrator Object 3"}));
    EXPECT_EQ(test::contourCounts(parser), (std::vector<size_t>{1, 2, 2, 1, 1}));
}

TEST(AIParser, HiddenLayersCropMarksAndUnpaintedPathsGiveNothing) {
    // What, the artwork, the names read (none: the no-paths message).
    const std::string hidden = "%AI5_BeginLayer\n0 1 1 1 0 0 1 0 79 128 255 0 50 Lb\n(Hidden) Ln\n" + square(0, 0) +
                               "LB\n%AI5_EndLayer--\n";
    const std::tuple<std::string, std::string, std::vector<std::string>> rows[] = {
        {"hidden layer", hidden + square(5, 5), {"Illustrator Object 1"}},
        {"only a hidden layer", hidden, {}},
        {"crop marks", "%AI3_BeginCrops\n" + square(0, 0) + "%AI3_EndCrops\n" + square(5, 5), {"Illustrator Object 1"}},
        {"all unpainted", square(0, 0, "n") + square(5, 5, "N") + square(9, 9, "*"), {}},
        {"after the page trailer", "%%PageTrailer\n" + square(0, 0), {}},
        {"a group left open ends with its layer",
         "%AI5_BeginLayer\n1 1 1 1 0 0 1 0 79 128 255 0 50 Lb\n(A) Ln\nu\n" + square(0, 0) + "%AI5_EndLayer--\n",
         {"Illustrator Group 1"}},
    };
    for (const auto& [name, art, names] : rows) {
        SCOPED_TRACE(name);
        AIParser parser;
        bool read = parser.readData(kHeader + art);
        EXPECT_EQ(namesOf(parser), names);
        EXPECT_EQ(read, !names.empty());
        EXPECT_EQ(parser.error(), names.empty() ? AIParser::kNoPathsMessage : "");
    }
}

TEST(AIParser, EqualColoursShareOneNameWhateverOperatorSetsThem) {
    AIParser parser;
    std::string art = kHeader + "0 1 1 0 k\n" + square(0, 0) + "0 1 1 0 k\n" + square(20, 0) +  // red twice
                      "0.5 g\n0 0 1 0 (Blue) 1 1 1 0.5 0.25 0 X\n" + square(40, 0) +          // gray fill
                      "1 0 0 Xa\n" + square(60, 0) +                                         // red again, as RGB
                      "0 0 0 0 0 0 1 (Spot) 1 Xx\n0.5 0.5 0.5 1 K\n" + square(80, 0);
    ASSERT_TRUE(parser.readData(art)) << parser.error();
    EXPECT_EQ(test::fillsOf(parser), (std::vector<int>{0, 0, 1, 0, 3}));
    EXPECT_EQ(test::strokesOf(parser), (std::vector<int>{-1, -1, 2, 2, 4}));
    // Yellow is the CMYK 0 0 1 0 of the X line, blue the RGB after the CMYK of Xx, black K 1 whatever the rest.
    EXPECT_EQ(parser.colors(), (std::vector<ArtworkColor>{{1, 0, 0, 1}, {0.5f, 0.5f, 0.5f, 1}, {1, 1, 0, 1},
                                                          {0, 0, 1, 1}, {0, 0, 0, 1}}));
}

TEST(AIParser, LayersBecomeOutlinesOrChooseWhatIsRead) {
    auto layer = [](const char* name, bool visible, const std::string& body) {
        return std::string("%AI5_BeginLayer\n") + (visible ? "1" : "0") + " 1 1 1 0 0 1 0 79 128 255 0 50 Lb\n(" +
               name + ") Ln\n" + body + "LB\n%AI5_EndLayer--\n";
    };
    const std::string art = kHeader + layer("Back Plate", true, square(0, 0) + "u\n" + square(20, 0) + "U\n") +
                            layer("Hidden", false, square(40, 0)) + layer("Word", true, square(60, 0)) + square(80, 0);
    AIParser perLayer(AIParser::LayerMode::kPerLayer);
    ASSERT_TRUE(perLayer.readData(art));
    EXPECT_EQ(namesOf(perLayer), (std::vector<std::string>{"Back Plate", "Word", "Illustrator Object 1"}));
    EXPECT_EQ(perLayer.profiles()[0].outline.contours().size(), 2u);
    EXPECT_EQ(perLayer.profiles()[0].layer, "Back Plate");
    AIParser one(AIParser::LayerMode::kOneLayer, "Word");
    ASSERT_TRUE(one.readData(art));
    EXPECT_EQ(namesOf(one), (std::vector<std::string>{"Word"}));
    for (const char* gone : {"Hidden", "Renamed"}) {
        AIParser missing(AIParser::LayerMode::kOneLayer, gone);
        EXPECT_FALSE(missing.readData(art));
        EXPECT_EQ(missing.error(), AIParser::kLayerGoneMessage);  // its words are LogoImport's
        EXPECT_TRUE(missing.profiles().empty());
    }
}

TEST(AIParser, PathsCloseWithinTheLinkToleranceAndThreePointCurvesBecomeCubics) {
    const std::string art = "0 0 m\n10 0 l\n10 10 l\n0.00005 0 l\nS\n"   // meets its start: closed
                            "0 0 m\n10 0 l\n10 10 l\n0.001 0 l\nS\n"     // a stroke that stops short: open
                            "0 0 m\n10 0 l\n10 10 l\nf\n"                // a fill closes its region
                            "0 0 m\n5 10 10 0 v\n10 -5 0 -5 0 0 c\nf\n";  // three-point and four-point curves
    for (const char* ending : {"\n", "\r", "\r\n"}) {
        std::string converted;
        for (char c : kHeader + art) converted += c == '\n' ? std::string(ending) : std::string(1, c);
        SCOPED_TRACE(testing::PrintToString(ending));
        AIParser parser;
        ASSERT_TRUE(parser.readData(converted)) << parser.error();
        auto closed = [](const ArtworkProfile& p) { return p.outline.contours().at(0).closed(); };
        ASSERT_EQ(test::eachProfile(parser, closed), (std::vector<bool>{true, false, true, true}));
        const auto& curves = parser.profiles()[3].outline.contours()[0].segments();
        ASSERT_EQ(curves.size(), 2u);
        for (const Curve2& c : curves) EXPECT_TRUE(c.type == Curve2::Bezier && c.pointCount() == 4) << c.type;
        // The quadratic 0,0 / 5,10 / 10,0 as a cubic: handles two thirds of the way to the control point.
        EXPECT_NEAR(curves[0].point(1).x, 10.0 / 3, 1e-9);
        EXPECT_NEAR(curves[0].point(1).y, 20.0 / 3, 1e-9);
        EXPECT_NEAR(curves[0].point(2).x, 20.0 / 3, 1e-9);
    }
}

TEST(AIParser, FilesItCannotReadAreRefusedWithAReasonAndDamagedLinesAreSkipped) {
    // What, the bytes, the error (none: read).
    std::string longLine = kHeader + std::string(5000, '7') + " " + std::string(5000, '1') + " m\n" + square(0, 0);
    const std::string manyOperands = kHeader + test::times("1 ", 100000) + "m\n" + square(0, 0);
    const std::string deep = kHeader + test::times("u\n", 200000) + square(0, 0);
    const std::tuple<std::string, std::string, std::string> rows[] = {
        {"no header", "0 0 m\n10 10 l\nf\n", AIParser::kNoPathsMessage},
        {"numbers that are not numbers", kHeader + "nan inf m\nx 10 l\n10 1e999 l\nf\n", ""},
        {"tokens past 260 characters", longLine, ""},
        {"absurd operand counts", manyOperands, ""},
        {"endless groups", deep, ""},
        {"operators without operands", kHeader + "m\nl\nc\nv\nf\nU\nQ\n*U\nLn\nLb\n", AIParser::kNoPathsMessage},
    };
    for (const auto& [name, data, error] : rows) {
        SCOPED_TRACE(name);
        AIParser parser;
        EXPECT_EQ(parser.readData(data), error.empty());
        EXPECT_EQ(parser.error(), error);
        test::expectFinite(parser);
    }
}

// The seed corpora and every input that once crashed an artwork fuzzer.
TEST(ArtworkFuzzRegression, EveryCorpusReplays) {
    EXPECT_GT(test::replayFuzzInputs("aiparser", fuzz::parseIllustratorArtwork), 0);
    EXPECT_GT(test::replayFuzzInputs("svgreader", fuzz::readSvgArtwork), 0);
    EXPECT_GT(test::replayFuzzInputs("pdfartwork", fuzz::parsePdfArtwork), 0);
}

}  // namespace fw
