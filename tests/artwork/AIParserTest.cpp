// The Illustrator reader on hand-written artwork: names, layers, colours, closing and the files it refuses; PDF-based
// Illustrator files built here with libqpdf, whose private text must give what the same text gives as a
// PostScript-based file; page drawings read operator by operator; damaged PDFs, which must end in an error or partial
// outlines (Ghostscript's own PDFs are ArtworkCoverageTest's); and the artwork fuzzers' corpora replayed.
#include <qpdf/Buffer.hh>
#include <qpdf/QPDF.hh>
#include <qpdf/QPDFObjectHandle.hh>
#include <qpdf/QPDFPageDocumentHelper.hh>
#include <qpdf/QPDFPageObjectHelper.hh>
#include <qpdf/QPDFWriter.hh>
#include <zlib.h>

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

struct Form {
    std::string name, matrix, content;  // matrix: "" for none, else "[a b c d e f]"
};

// Where the page's content goes on in a stream of its own (a comment, to PDF).
const std::string kNextStream = "%next stream\n";

// A one-page PDF: the page draws `content`; `blocks` become /AIPrivateData1..N.
struct PdfParts {
    std::string content;
    std::vector<std::string> blocks = {};
    bool flate = false;          // the blocks through Flate, /Filter /FlateDecode
    bool objectStreams = false;  // PDF 1.5 object and cross-reference streams
    std::vector<Form> forms = {};
};

// A zlib stream: what /FlateDecode and the compressed private text both hold.
std::string zlibCompressed(const std::string& text) {
    uLongf size = compressBound(text.size());
    std::string out(size, '\0');
    const Bytef* in = reinterpret_cast<const Bytef*>(text.data());
    EXPECT_EQ(compress2(reinterpret_cast<Bytef*>(out.data()), &size, in, text.size(), 9), Z_OK);
    out.resize(size);
    return out;
}

std::string buildPdf(const PdfParts& parts) {
    QPDF pdf;
    pdf.emptyPDF();
    QPDFObjectHandle page = pdf.makeIndirectObject(
        QPDFObjectHandle::parse("<< /Type /Page /MediaBox [0 0 300 300] /Resources << >> >>"));
    QPDFObjectHandle contents = QPDFObjectHandle::newArray();
    for (size_t at = 0; at <= parts.content.size();) {
        size_t end = parts.content.find(kNextStream, at);
        if (end == std::string::npos) end = parts.content.size();
        contents.appendItem(pdf.newStream(parts.content.substr(at, end - at)));
        at = end + kNextStream.size();
    }
    page.replaceKey("/Contents", contents.getArrayNItems() == 1 ? contents.getArrayItem(0) : contents);
    if (!parts.forms.empty()) {
        QPDFObjectHandle forms = QPDFObjectHandle::newDictionary();
        for (const Form& form : parts.forms) {
            QPDFObjectHandle stream = pdf.newStream(form.content);
            stream.replaceDict(QPDFObjectHandle::parse("<< /Type /XObject /Subtype /Form /BBox [0 0 300 300] " +
                                                       (form.matrix.empty() ? "" : "/Matrix " + form.matrix) + " >>"));
            forms.replaceKey(form.name, stream);
        }
        page.getKey("/Resources").replaceKey("/XObject", forms);
    }
    if (!parts.blocks.empty()) {
        page.replaceKey("/PieceInfo", QPDFObjectHandle::parse("<< /Illustrator << /Private << >> >> >>"));
        QPDFObjectHandle data = page.getKey("/PieceInfo").getKey("/Illustrator").getKey("/Private");
        const QPDFObjectHandle none = QPDFObjectHandle::newNull();
        const QPDFObjectHandle filter = parts.flate ? QPDFObjectHandle::newName("/FlateDecode") : none;
        for (size_t i = 0; i < parts.blocks.size(); ++i) {
            QPDFObjectHandle stream = pdf.newStream();
            stream.replaceStreamData(parts.flate ? zlibCompressed(parts.blocks[i]) : parts.blocks[i], filter, none);
            data.replaceKey("/AIPrivateData" + std::to_string(i + 1), stream);
        }
        data.replaceKey("/NumBlock", QPDFObjectHandle::newInteger(static_cast<long long>(parts.blocks.size())));
    }
    QPDFPageDocumentHelper(pdf).addPage(QPDFPageObjectHelper(page), false);
    QPDFWriter writer(pdf);
    writer.setOutputMemory();
    writer.setStaticID(true);
    writer.setStreamDataMode(qpdf_s_preserve);
    if (parts.objectStreams) writer.setObjectStreamMode(qpdf_o_generate);
    writer.write();
    std::unique_ptr<Buffer> buffer(writer.getBuffer());
    return std::string(reinterpret_cast<const char*>(buffer->getBuffer()), buffer->getSize());
}

// `text` cut into `n` nearly equal pieces.
std::vector<std::string> split(const std::string& text, size_t n) {
    std::vector<std::string> pieces;
    for (size_t i = 0; i < n; ++i)
        pieces.push_back(text.substr(text.size() * i / n, text.size() * (i + 1) / n - text.size() * i / n));
    return pieces;
}

// Everything a reader gave, as text that two readings can be compared by.
std::string described(const AIParser& parser) {
    std::string out;
    char number[64];
    for (const ArtworkProfile& p : parser.profiles()) {
        out += p.name + " [" + p.layer + "] fill " + std::to_string(p.fill) + " stroke " + std::to_string(p.stroke);
        out += "\n";
        for (const CompositeCurve2& contour : p.outline.contours()) {
            out += contour.closed() ? " closed" : " open";
            for (const Curve2& segment : contour.segments()) {
                out += segment.type == Curve2::Bezier ? " C" : " L";
                for (int i = 0; i < segment.pointCount(); ++i) {
                    std::snprintf(number, sizeof number, " %.4f,%.4f", segment.point(i).x, segment.point(i).y);
                    out += number;
                }
            }
            out += "\n";
        }
    }
    for (const ArtworkColor& c : parser.colors())
        out += "colour " + std::to_string(c.r) + " " + std::to_string(c.g) + " " + std::to_string(c.b) + "\n";
    return out;
}

// Illustrator text with CR line ends, as Illustrator writes it: a layer holding a group
// and a curved path, and two paths outside it in CMYK and RGB.
const std::string kIllustratorHead = "%!PS-Adobe-3.0 \r%%Creator: Adobe Illustrator(R) 24.0\r%%EndComments\r";
const std::string kIllustratorBody =
    "%%BeginSetup\r%%EndSetup\r"
    "%AI5_BeginLayer\r1 1 1 1 0 0 1 0 79 128 255 0 50 Lb\r(Badge) Ln\r"
    "u\r0 1 1 0 k\r0 0 m\r40 0 l\r40 40 l\r0 40 l\r0 0 l\rf\r10 10 m\r30 10 l\r20 30 l\rf\rU\r"
    "0 0 1 0 k\r50 0 m\r90 0 90 40 50 40 c\r60 20 l\rf\r"
    "LB\r%AI5_EndLayer--\r"
    "0.2 0.4 0.6 Xa\r100 0 m\r140 0 l\r140 40 l\rf\r"
    "0 1 1 0 k\r150 0 m\r190 0 l\r170 30 l\rf\r"
    "%%PageTrailer\r%%Trailer\r%%EOF\r";
// What the page draws for programs without Illustrator: one square, nothing like the text.
const std::string kPageDrawing = "0 0 1 rg 0 0 5 5 re f\n";

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

TEST(PdfArtwork, IllustratorPrivateDataGivesTheOutlinesOfItsText) {
    AIParser plain;
    ASSERT_TRUE(plain.readData(kIllustratorHead + kIllustratorBody)) << plain.error();
    const std::string expected = described(plain);
    ASSERT_EQ(plain.profiles().size(), 4u);  // the group, the curved path and two paths
    const std::string whole = kIllustratorHead + kIllustratorBody;
    const std::string compressed =
        kIllustratorHead + "%AI9_PrivateDataBegin\r%AI12_CompressedData" + zlibCompressed(kIllustratorBody);
    // Eleven plain blocks, joined in number order (11 after 10, not after 1); and Flate-encoded blocks of text
    // compressed behind the marker, in object and cross-reference streams.
    for (const PdfParts& parts :
         {PdfParts{kPageDrawing, split(whole, 11)}, PdfParts{kPageDrawing, split(compressed, 3), true, true}}) {
        AIParser parser;
        ASSERT_TRUE(parser.readData(buildPdf(parts))) << parser.error();
        EXPECT_EQ(described(parser), expected);
    }
    // The layer mode reaches the private text's reader (what each mode gives is AIParser.LayersBecomeOutlines...).
    AIParser oneLayer(AIParser::LayerMode::kOneLayer, "Badge");
    ASSERT_TRUE(oneLayer.readData(buildPdf({kPageDrawing, split(compressed, 2), true, true})));
    EXPECT_EQ(test::namesOf(oneLayer), (std::vector<std::string>{"Badge"}));
}

TEST(PdfArtwork, PageDrawingsFollowPdfOperators) {
    // Each row: what, the page, what described() gives (empty: nothing usable); these give its lines for object `n`,
    // and for a closed square drawn anticlockwise from (x, y).
    auto object = [](int n, int fill, int stroke) {
        return "Illustrator Object " + std::to_string(n) + " [] fill " + std::to_string(fill) + " stroke " +
               std::to_string(stroke) + "\n";
    };
    auto square = [](double x, double y, double side) {
        char line[160];
        std::snprintf(line, sizeof line, " closed L %.4f,%.4f %.4f,%.4f %.4f,%.4f %.4f,%.4f %.4f,%.4f\n", x, y,
                      x + side, y, x + side, y + side, x, y + side, x, y);
        return std::string(line);
    };
    const std::tuple<const char*, PdfParts, std::string> rows[] = {
        {"cm and q..Q place a square, and Q takes the colour back",
         {"0 0 1 rg q 2 0 0 2 10 10 cm 1 0 0 rg 0 0 5 5 re f Q\n" + kNextStream + "30 0 m 40 0 l 40 10 l h f\n"},
         object(1, 1, -1) + square(10, 10, 10) + object(2, 0, -1) +
             " closed L 30.0000,0.0000 40.0000,0.0000 40.0000,10.0000 30.0000,0.0000\n"
             "colour 0.000000 0.000000 1.000000\ncolour 1.000000 0.000000 0.000000\n"},
        {"v takes the current point as first control, y the end point as second",
         {"0 0 m 10 10 20 0 v 30 10 40 0 y h f\n"},
         object(1, -1, -1) +
             " closed C 0.0000,0.0000 0.0000,0.0000 10.0000,10.0000 20.0000,0.0000 C 20.0000,0.0000 30.0000,10.0000 "
             "40.0000,0.0000 40.0000,0.0000 L 40.0000,0.0000 0.0000,0.0000\n"},
        {"clips, text, images and patterns draw nothing; equal colours share",
         {"0 0 300 300 re W n q BT /F1 12 Tf (m l f) Tj ET Q "
          "q BI /W 1 /H 1 /BPC 8 /CS /G ID \x01 EI Q /P0 scn 0 0 1 0 k 0 0 1 1 re f "
          "/CS0 cs 1 1 0 sc 0 2 1 1 re b 0.5 G 1 0 0 RG 0 4 1 1 re S\n"},
         object(1, 0, -1) + square(0, 0, 1) + object(2, 0, -1) + square(0, 2, 1) + object(3, 0, 2) + square(0, 4, 1) +
             "colour 1.000000 1.000000 0.000000\ncolour 0.500000 0.500000 0.500000\n"
             "colour 1.000000 0.000000 0.000000\n"},
        {"a form is drawn in its matrix; one that draws itself, once",
         {"q 1 0 0 1 0 100 cm /Fm1 Do Q /Fm2 Do\n", {}, false, false,
          {{"/Fm1", "[1 0 0 1 100 0]", "0 0 2 2 re f"}, {"/Fm2", "", "/Fm2 Do 5 5 1 1 re f Q Q Q"}}},
         object(1, -1, -1) + square(100, 100, 2) + object(2, -1, -1) + square(5, 5, 1)},
        {"f* turns the inner of two same-way squares into a hole",
         {"0 0 10 10 re 2 2 6 6 re f*\n"},
         object(1, -1, -1) + square(0, 0, 10) +
             " closed L 2.0000,2.0000 2.0000,8.0000 8.0000,8.0000 8.0000,2.0000 2.0000,2.0000\n"},
        {"f fills through the inner of two same-way squares", {"0 0 10 10 re 2 2 6 6 re f\n"},
         object(1, -1, -1) + square(0, 0, 10)},
        {"only an unpainted path", {"0 0 m 10 0 l 10 10 l n\n"}, ""},
    };
    for (const auto& [name, parts, expected] : rows) {
        SCOPED_TRACE(name);
        AIParser parser;
        const bool read = parser.readData(buildPdf(parts));
        EXPECT_EQ(read, !expected.empty());
        EXPECT_EQ(parser.error(), read ? "" : AIParser::kNoPathsMessage);
        EXPECT_EQ(described(parser), expected);
    }
}

TEST(PdfArtwork, DamagedFilesGiveAnErrorOrPartialOutlinesNeverACrash) {
    const std::string compressed = kIllustratorHead + "%AI12_CompressedData" + zlibCompressed(kIllustratorBody);
    const std::string illustrator = buildPdf({kPageDrawing, split(compressed, 3), true, true});
    const std::string plain = buildPdf({kPageDrawing + "1 0 0 rg 10 10 m 20 10 l 15 20 l f\n"});
    std::string badZlib = compressed;
    const size_t marker = badZlib.find("%AI12_CompressedData") + 20;
    for (size_t i = marker + 2; i < badZlib.size(); i += 3) badZlib[i] = static_cast<char>(badZlib[i] ^ 0x5a);
    const std::string operands = test::times("1 ", 100000), huge = std::string(400, '9') + ".5";
    const std::string deep = test::times("q ", 100000) + "0 0 1 1 re f " + test::times("Q ", 100000);
    std::string garbageXref = plain;
    const size_t xref = garbageXref.rfind("\nxref\n") + 1, trailer = garbageXref.rfind("trailer");
    ASSERT_TRUE(xref != 0 && trailer != std::string::npos && xref < trailer);
    for (size_t i = xref; i < trailer; ++i) garbageXref[i] = "#z7\n"[i % 4];
    const std::string zstandard = zlibCompressed("%AI24_ZStandard_Data(\xb5/\xfd" + std::string(40, '\x07'));
    // What, the bytes, how many outlines must come back (-1: any, or an error).
    std::vector<std::tuple<std::string, std::string, int>> rows = {
        {"garbage cross-reference table", garbageXref, 2},
        {"private text that does not inflate: the page is read",
         buildPdf({kPageDrawing, split(badZlib, 2), true, true}), 1},
        {"Zstandard data behind the marker: the page is read",
         buildPdf({kPageDrawing, {kIllustratorHead + "%AI12_CompressedData" + zstandard}}), 1},
        {"an integer past 64 bits is read as a real",
         buildPdf({"1 0 0 rg 0 0 m 99999999999999999999999 0 l 9 0 l 0 9 l f 5 5 1 1 re f\n"}), 2},
        {"a damaged string and an endless inline image",
         buildPdf({"(abc 0 0 m 1 0 l f\n" + kNextStream + "0 0 1 1 re f BI /W 1 ID \x01\x02 0 0 m f"}), -1},
        {"100,000 operands on one content line", buildPdf({operands + "m\n" + kPageDrawing}), 1},
        {"enormous numbers",
         buildPdf({huge + " 0 m " + huge + " 0 l 0 " + huge + " l f " + huge + " 0 0 " + huge + " 0 0 cm " +
                   kPageDrawing}), -1},
        {"100,000 nested q", buildPdf({deep}), 1},
        {"no objects at all", "%PDF-1.7\n%%EOF\n", 0},
        {"a header and garbage", "%PDF-1.4\n" + std::string(5000, '\x9c'), 0},
    };
    for (const auto& [name, file] : {std::pair{"illustrator", illustrator}, std::pair{"plain", plain}})
        for (size_t cut : {size_t(9), file.size() / 4, file.size() / 2, file.size() * 3 / 4, file.size() - 12})
            rows.push_back({std::string(name) + " cut at " + std::to_string(cut), file.substr(0, cut), -1});
    for (const auto& [name, data, profiles] : rows) {
        SCOPED_TRACE(name);
        AIParser parser;
        const bool read = parser.readData(data);
        EXPECT_EQ(read, parser.error().empty());
        EXPECT_EQ(read, !parser.profiles().empty());
        EXPECT_EQ(parser.error().find('\n'), std::string::npos);
        EXPECT_EQ(profiles < 0 ? profiles : static_cast<int>(parser.profiles().size()), profiles) << parser.error();
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
