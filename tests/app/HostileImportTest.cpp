// Mesh files made to hurt: numbers a project cannot spell, names no project reader takes back, pipes and folders where
// files belong, material libraries elsewhere on the disk, and names that would drive the terminal. Import must refuse
// or mend them, and never leave the user a project that does not open.
#include <sys/stat.h>

#include <limits>

#include "AppHelpers.h"

using testing::HasSubstr, testing::Not;

namespace fw {
namespace {

using test::Outcome, test::be32, test::le16, test::le32;

// Every run has a time limit: a pipe read by mistake would otherwise hang the test.
Outcome formwright(const std::string& arguments, const test::TempDir& dir) {
    return fw::test::formwright(dir, arguments, "timeout 20 ");
}

// ---- 3DS: little-endian chunks
std::string chunk3ds(unsigned id, const std::string& body) {
    return le16(id) + le32(static_cast<uint32_t>(6 + body.size())) + body;
}
struct P3 {
    float x, y, z;
};
std::string threeDS(const std::string& name, const std::vector<P3>& points,
                    const std::vector<std::vector<unsigned>>& faces,
                    const std::vector<std::pair<float, float>>& uv = {}) {
    std::string v = le16(static_cast<unsigned>(points.size()));
    for (const P3& p : points) v += test::leFloat(p.x) + test::leFloat(p.y) + test::leFloat(p.z);
    std::string f = le16(static_cast<unsigned>(faces.size()));
    for (const auto& face : faces) f += le16(face[0]) + le16(face[1]) + le16(face[2]) + le16(0);
    std::string tri = chunk3ds(0x4110, v) + chunk3ds(0x4120, f);
    if (!uv.empty()) {
        std::string m = le16(static_cast<unsigned>(uv.size()));
        for (auto [s, t] : uv) m += test::leFloat(s) + test::leFloat(t);
        tri += chunk3ds(0x4140, m);
    }
    std::string object = chunk3ds(0x4000, name + std::string(1, '\0') + chunk3ds(0x4100, tri));
    return chunk3ds(0x4D4D, chunk3ds(0x3D3D, object));
}

// ---- LightWave: big-endian IFF
std::string iff(const std::string& id, const std::string& body) {
    std::string out = id + be32(static_cast<uint32_t>(body.size())) + body;
    if (body.size() & 1) out += '\0';
    return out;
}
std::string lwo(const std::string& chunks) {
    return "FORM" + be32(static_cast<uint32_t>(4 + chunks.size())) + "LWO2" + chunks;
}
std::string layer(const std::string& name) {  // the name ends in a NUL and pads to an even length
    return iff("LAYR", std::string(16, '\0') + name + std::string(2 - name.size() % 2, '\0'));
}
std::string points(const std::vector<P3>& ps) {
    std::string body;
    for (const P3& p : ps) body += test::beFloat(p.x) + test::beFloat(p.y) + test::beFloat(p.z);
    return iff("PNTS", body);
}
std::string faces(const std::vector<std::vector<unsigned>>& polys) {
    std::string body = "FACE";
    for (const auto& poly : polys) {
        body += test::be16(static_cast<unsigned>(poly.size()));
        for (unsigned i : poly) body += test::be16(i);
    }
    return iff("POLS", body);
}

const float kNaN = std::numeric_limits<float>::quiet_NaN(), kInf = std::numeric_limits<float>::infinity();
const std::vector<P3> kSquare = {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {1, 1, 0}};
const std::vector<std::vector<unsigned>> kTwoTriangles = {{0, 1, 2}, {1, 3, 2}};

// The object lines of the summary `formwright P.kxp` prints ("  ObjectP "name" ...").
std::vector<std::string> objectLines(const std::string& summary) {
    std::vector<std::string> out;
    for (size_t at = 0; (at = summary.find("  ObjectP \"", at)) != std::string::npos; ++at)
        out.push_back(summary.substr(at, summary.find('\n', at) - at));
    return out;
}

bool hasControlBytes(const std::string& text) {
    return std::any_of(text.begin(), text.end(),
                       [](unsigned char c) { return (c < 0x20 && c != '\n' && c != '\t') || c == 0x7F; });
}

// Numbers that are not finite cost their faces (or, in mapping coordinates, the face's mapping) and are named; names
// with a NUL and other control bytes, quotes, names longer than the project reader's token that differ only at their
// ends, and a name spelled as the program's unsaved helpers are (a leading "__", here after control bytes) become names
// the project keeps. Each project opens again, with its objects listed once each, short and printable, and no number it
// cannot spell. Every warning line is the program's, naming the file: a name that clears the screen and starts lines of
// its own (on a face past its vertices, so that a warning quotes it), and a chunk id with a NUL that claims more bytes
// than the file holds, are shown escaped, what follows the NUL included.
TEST(HostileImport, NumbersAndNamesFromTheFileBecomeAProjectThatOpensAndWarningsCannotDriveTheTerminal) {
    test::TempDir dir;
    std::vector<P3> bad = kSquare, far = kSquare;
    bad[3].x = kNaN;
    far[0].z = -kInf;
    const std::string longA = std::string(49990, 'N') + "A", longB = std::string(49990, 'N') + "B";
    const std::string names = "v 0 0 0\nv 1 0 0\nv 0 1 0\ng Na" + std::string(1, '\0') +
                              "me\nf 1 2 3\ng Q\"uo\x1b[2J\x01te\"\nf 1 2 3\ng " + longA + "\nf 1 2 3\ng " + longB +
                              "\nf 1 2 3\ng \x1d\x1d\x1dHelper\nf 1 2 3\n";
    const std::string finite = "not a finite number",
                      box = "formwright: " + dir.file("nan.3ds") + ": object 'Box': face 1 ";
    const std::string escape = "A\x1b[2J\rformwright: forged\nformwright: forged too",
                      quoted = "object 'A\\x1b[2J\\x0dformwright: forged\\x0Aformwright: forged too': face 1";
    const std::string nul = lwo(layer("L") + points(kSquare) + faces(kTwoTriangles) + "PN" + std::string(1, '\0') +
                                "S" + be32(1000) + "xxxx");
    const struct {
        std::string name, bytes;
        size_t objects;
        std::vector<std::string> says;
    } files[] = {
        {"nan.3ds", threeDS("Box", bad, kTwoTriangles), 1, {finite, box}},
        {"uv.3ds", threeDS("Mapped", kSquare, kTwoTriangles, {{0, 0}, {1, 0}, {0, kInf}, {1, 1}}), 1, {finite}},
        {"inf.lwo", lwo(layer("Plate") + points(far) + faces(kTwoTriangles)), 1, {finite}},
        {"names.obj", names, 5, {}},
        {"names.3ds", threeDS(std::string(49995, 'x'), kSquare, kTwoTriangles), 1, {}},
        {"esc.3ds", threeDS(escape, kSquare, {{0, 1, 2}, {1, 3, 9}}), 1, {quoted}},
        {"nul.lwo", nul, 1, {"chunk PN\\x00S at byte ", " claims 1000 bytes, only 4 are left"}}};
    for (const auto& f : files) {
        SCOPED_TRACE(f.name);
        test::writeFile(dir.file(f.name), f.bytes);
        std::string project = dir.file(f.name + ".kxp");
        Outcome r = formwright("import '" + dir.file(f.name) + "' -o '" + project + "'", dir);
        ASSERT_EQ(r.status, 0) << r.err;
        for (const std::string& said : f.says) EXPECT_THAT(r.err, HasSubstr(said));
        EXPECT_FALSE(hasControlBytes(r.err)) << r.err;
        EXPECT_TRUE(r.err.empty() || r.err.ends_with("\n")) << r.err;
        for (const std::string& line : test::linesOf(r.err))
            EXPECT_EQ(line.rfind("formwright: " + dir.file(f.name) + ": ", 0), 0u) << line;
        Outcome opened = formwright("'" + project + "'", dir);
        ASSERT_EQ(opened.status, 0) << opened.err;
        std::vector<std::string> lines = objectLines(opened.out);
        ASSERT_EQ(lines.size(), f.objects) << opened.out;
        for (size_t i = 0; i < lines.size(); ++i) {
            EXPECT_LT(lines[i].size(), 260u);
            EXPECT_FALSE(hasControlBytes(lines[i])) << lines[i];
            for (size_t j = 0; j < i; ++j) EXPECT_NE(lines[i], lines[j]);
        }
        const std::string text = test::readFile(project);
        EXPECT_FALSE(hasControlBytes(text));
        for (const char* word : {" nan", " -nan", " inf", " -inf"}) EXPECT_THAT(text, Not(HasSubstr(word))) << word;
    }
}

TEST(HostileImport, IntoReplacesTheProjectOnlyWithOneThatReadsBack) {
    test::TempDir dir;
    std::string project = dir.file("p.kxp");
    test::writeFile(dir.file("first.obj"), "v 0 0 0\nv 1 0 0\nv 0 1 0\ng First\nf 1 2 3\n");
    ASSERT_EQ(formwright("import '" + dir.file("first.obj") + "' -o '" + project + "'", dir).status, 0);
    ASSERT_EQ(::chmod(project.c_str(), 0640), 0);
    // Names and numbers that once made the project unreadable, added to a project the user has.
    std::vector<P3> bad = kSquare;
    bad[3].y = kNaN;
    test::writeFile(dir.file("bad.3ds"), threeDS("Bad" + std::string(1, '\x01'), bad, kTwoTriangles));
    test::writeFile(dir.file("nul.obj"), "v 0 0 0\nv 1 0 0\nv 0 1 0\ng Nu" + std::string(1, '\0') + "l\nf 1 2 3\n");
    for (const std::string mesh : {"bad.3ds", "nul.obj"}) {
        Outcome r = formwright("import '" + dir.file(mesh) + "' --into '" + project + "'", dir);
        ASSERT_EQ(r.status, 0) << mesh << ": " << r.err;
    }
    Outcome opened = formwright("'" + project + "'", dir);
    ASSERT_EQ(opened.status, 0) << opened.err;
    EXPECT_EQ(objectLines(opened.out).size(), 3u) << opened.out;
    EXPECT_EQ(std::filesystem::status(project).permissions(), std::filesystem::perms{0640});
    // An import that fails leaves the user's project byte for byte, and no file beside it.
    const std::string before = test::readFile(project);
    test::writeFile(dir.file("empty.obj"), "v 0 0 0\n");
    EXPECT_EQ(formwright("import '" + dir.file("empty.obj") + "' --into '" + project + "'", dir).status, 1);
    EXPECT_EQ(test::readFile(project), before);
    EXPECT_EQ(test::leftBeside(dir.file(""), "p.kxp"), std::vector<std::string>{});
}

TEST(HostileImport, PipesAndFoldersAreRefusedAsMeshesProjectsAndLibraries) {
    test::TempDir dir;
    test::writeFile(dir.file("ok.obj"), "v 0 0 0\nv 1 0 0\nv 0 1 0\nf 1 2 3\n");
    for (const std::string pipe : {"pipe.obj", "pipe.kxp", "pipe.kxm"})
        ASSERT_EQ(::mkfifo(dir.file(pipe).c_str(), 0600), 0);
    for (const std::string folder : {"folder.lwo", "folder.kxp", "folder.kxm"})
        std::filesystem::create_directory(dir.file(folder));
    auto importOf = [&](const std::string& mesh) {
        return "import '" + dir.file(mesh) + "' -o '" + dir.file("a.kxp") + "'";
    };
    const std::pair<std::string, std::string> cases[] = {
        // The check comes before any reader's: one format for pipes, another for folders.
        {importOf("pipe.obj"), "pipe.obj"},
        {importOf("folder.lwo"), "folder.lwo"},
        {"'" + dir.file("pipe.kxp") + "'", "pipe.kxp"},
        {"'" + dir.file("folder.kxp") + "'", "folder.kxp"},
        {"render '" + dir.file("pipe.kxp") + "' -o '" + dir.file("a.png") + "'", "pipe.kxp"},
        {"import '" + dir.file("ok.obj") + "' --into '" + dir.file("pipe.kxp") + "'", "pipe.kxp"},
        {"library import '" + dir.file("pipe.kxm") + "'", "pipe.kxm"},
        {"library import '" + dir.file("folder.kxm") + "'", "folder.kxm"},
    };
    for (const auto& [arguments, named] : cases) {
        SCOPED_TRACE(arguments);
        Outcome r = formwright(arguments, dir);
        EXPECT_EQ(r.status, 1) << r.err;
        EXPECT_THAT(r.err, HasSubstr("formwright: " + dir.file(named) + ": is not a regular file"));
    }
    EXPECT_FALSE(std::filesystem::exists(dir.file("a.kxp")));
}

TEST(HostileImport, MaterialLibrariesAreReadOnlyFromTheObjFolderAndOnlyWhenPlainFiles) {
    test::TempDir dir;
    std::filesystem::create_directory(dir.file("models"));
    test::writeFile(dir.file("outside.mtl"), "newmtl Paint\nKd 1 0 0\n");
    test::writeFile(dir.file("models/inside.mtl"), "newmtl Paint\nKd 0 0 1\n");
    ASSERT_EQ(::mkfifo(dir.file("models/pipe.mtl").c_str(), 0600), 0);
    const std::string mesh = "usemtl Paint\nv 0 0 0\nv 1 0 0\nv 0 1 0\nf 1 2 3\n", obj = dir.file("models/m.obj");
    const std::string project = dir.file("m.kxp");
    const std::pair<std::string, bool> cases[] = {{"../outside.mtl", false},
                                                  {dir.file("outside.mtl"), false},
                                                  {"../../../../../../../../dev/zero", false},
                                                  {"pipe.mtl", false},
                                                  {"inside.mtl", true}};
    for (const auto& [library, read] : cases) {
        SCOPED_TRACE(library);
        test::writeFile(obj, "mtllib " + library + "\n" + mesh);
        std::filesystem::remove(project);
        Outcome r = formwright("import '" + obj + "' -o '" + project + "'", dir);
        ASSERT_EQ(r.status, 0) << r.err;
        std::string text = test::readFile(project);
        // The material's colour shows which library was read: red outside, blue inside.
        EXPECT_THAT(text, Not(HasSubstr("color 1 0 0 ")));
        EXPECT_EQ(text.find("color 0 0 1 ") != std::string::npos, read);
        const size_t named = r.err.find("formwright: " + obj + ": OBJ Import: material library '" + library + "'");
        EXPECT_EQ(r.err.empty(), read) << r.err;
        EXPECT_EQ(named != std::string::npos && r.err.find("not read") != std::string::npos, !read) << r.err;
    }
}

}  // namespace
}  // namespace fw
