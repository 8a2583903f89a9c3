// Imported meshes as users see them: rendered after `import`, they are lit by the
// normals they came with, or by normals smoothed across gentle edges when they came
// without; `info` counts what `export` writes.

#include <algorithm>
#include <cmath>
#include <regex>
#include <sstream>

#include "AppRun.h"

namespace fw {

namespace {

constexpr double kPi = 3.14159265358979323846;

test::Outcome run(const test::TempDir& dir, const std::string& arguments) { return test::formwright(dir, arguments); }

// Brightness (mean of r, g, b) of the pixels inside the mesh's picture: covered
// pixels whose eight neighbours are covered too, so edge smoothing is left out.
std::vector<double> inside(const ::test::Pixels& p) {
    auto covered = [&](int x, int y) {
        const int* c = p.at(x, y);
        return c[0] + c[1] + c[2] > 0;
    };
    std::vector<double> out;
    for (int y = 1; y + 1 < p.height; ++y)
        for (int x = 1; x + 1 < p.width; ++x) {
            bool all = true;
            for (int dy = -1; dy <= 1 && all; ++dy)
                for (int dx = -1; dx <= 1 && all; ++dx) all = covered(x + dx, y + dy);
            if (all) out.push_back((p.at(x, y)[0] + p.at(x, y)[1] + p.at(x, y)[2]) / 3.0);
        }
    return out;
}

// The spread of brightness from the 5th to the 95th percentile.
double spread(std::vector<double> v) {
    if (v.size() < 20) return 0;
    std::sort(v.begin(), v.end());
    return v[v.size() * 95 / 100] - v[v.size() * 5 / 100];
}

// Imports a mesh file into a new project and renders it; empty pixels on failure.
::test::Pixels importAndRender(const test::TempDir& dir, const std::string& mesh, const std::string& name) {
    test::Outcome r = run(dir, "import '" + mesh + "' -o " + dir.file(name + ".kxp"));
    EXPECT_EQ(r.status, 0) << r.err;
    r = run(dir, "render " + dir.file(name + ".kxp") + " --size 200x200 -o " + dir.file(name + ".png"));
    EXPECT_EQ(r.status, 0) << r.err;
    return ::test::readImage(dir.file(name + ".png"));
}

// One triangle facing +z, each corner with its own position and the given normals.
std::string triangle(const std::string& normals) {
    return "v -1 -1 0\nv 1 -1 0\nv 0 1 0\n" + normals + "f 1//1 2//2 3//3\n";
}

// A sphere as STL files hold it: every triangle with three positions of its own,
// outward facing; with normals pointing out from the centre when asked.
std::string unweldedSphere(bool withNormals) {
    const int rings = 24, segments = 48;
    auto point = [&](int i, int j, double out[3]) {
        double theta = kPi * i / rings, phi = 2 * kPi * j / segments;
        out[0] = std::sin(theta) * std::cos(phi), out[1] = std::cos(theta), out[2] = std::sin(theta) * std::sin(phi);
    };
    std::ostringstream v, f;
    int next = 1;
    auto add = [&](int i0, int j0, int i1, int j1, int i2, int j2) {
        for (auto [i, j] : {std::pair{i0, j0}, std::pair{i1, j1}, std::pair{i2, j2}}) {
            double p[3];
            point(i, j, p);
            v << "v " << p[0] << ' ' << p[1] << ' ' << p[2] << '\n';
            if (withNormals) v << "vn " << p[0] << ' ' << p[1] << ' ' << p[2] << '\n';
        }
        f << 'f';
        for (int k = 0; k < 3; ++k, ++next) {
            f << ' ' << next;
            if (withNormals) f << "//" << next;
        }
        f << '\n';
    };
    for (int i = 0; i < rings; ++i)
        for (int j = 0; j < segments; ++j) {
            if (i + 1 < rings) add(i, j, i + 1, j + 1, i + 1, j);
            if (i > 0) add(i, j, i, j + 1, i + 1, j + 1);
        }
    return v.str() + f.str();
}

}  // namespace

TEST(ImportedShading, AnUnweldedTriangleIsShadedByTheNormalsItCameWith) {
    test::TempDir dir;
    ::test::spill(dir.file("tilted.obj"), triangle("vn -0.6 -0.3 0.74\nvn 0.6 -0.3 0.74\nvn 0 0.6 0.8\n"));
    ::test::spill(dir.file("flat.obj"), triangle("vn 0 0 1\nvn 0 0 1\nvn 0 0 1\n"));
    std::vector<double> tilted = inside(importAndRender(dir, dir.file("tilted.obj"), "tilted"));
    std::vector<double> flat = inside(importAndRender(dir, dir.file("flat.obj"), "flat"));
    ASSERT_GT(tilted.size(), 2000u);
    ASSERT_EQ(tilted.size(), flat.size());  // the same triangle, only its normals differ
    EXPECT_GT(spread(tilted), 60) << "normals tilted apart at the corners give a gradient";
    EXPECT_LT(spread(flat), 25) << "equal normals give one even shade";
}

TEST(ImportedShading, AnUnweldedSphereIsLitSmoothlyWithOrWithoutNormals) {
    test::TempDir dir;
    for (bool withNormals : {true, false}) {
        SCOPED_TRACE(withNormals ? "with normals" : "without normals");
        std::string name = withNormals ? "given" : "smoothed";
        ::test::spill(dir.file(name + ".obj"), unweldedSphere(withNormals));
        ::test::Pixels p = importAndRender(dir, dir.file(name + ".obj"), name);
        std::vector<double> lit = inside(p);
        ASSERT_GT(lit.size(), 5000u);
        EXPECT_GT(spread(lit), 100) << "a sphere is bright towards the light and dark away from it";
        // Smooth: neighbouring pixels differ by little, where facets would step.
        double steps = 0;
        long pairs = 0;
        for (int y = 1; y + 1 < p.height; ++y)
            for (int x = 1; x + 2 < p.width; ++x) {
                const int *a = p.at(x, y), *b = p.at(x + 1, y);
                if (a[0] + a[1] + a[2] == 0 || b[0] + b[1] + b[2] == 0) continue;
                if (p.at(x - 1, y)[0] == 0 || p.at(x + 2, y)[0] == 0) continue;
                steps += std::abs((a[0] + a[1] + a[2]) - (b[0] + b[1] + b[2])) / 3.0;
                ++pairs;
            }
        ASSERT_GT(pairs, 0);
        EXPECT_LT(steps / static_cast<double>(pairs), 4.0);
    }
}

TEST(ImportedShading, AThreeDSModelWithoutNormalsIsLitFaceByFace) {
    const std::string model = "/usr/share/assimp/models/3DS/fels.3ds";
    if (!std::filesystem::exists(model)) GTEST_SKIP() << model << " is missing (Debian's assimp-testmodels)";
    test::TempDir dir;
    std::vector<double> lit = inside(importAndRender(dir, model, "rock"));
    ASSERT_GT(lit.size(), 5000u);
    // Unlit, the rock is one flat shade; lit, its faces turn from the light and its
    // highlight is near white.
    EXPECT_GT(spread(lit), 60);
    EXPECT_GT(*std::max_element(lit.begin(), lit.end()), 230);
}

TEST(ImportedShading, InfoCountsTheVerticesAndFacesThatExportWrites) {
    test::TempDir dir;
    ::test::spill(dir.file("ball.obj"), unweldedSphere(false));
    ASSERT_EQ(run(dir, "import " + dir.file("ball.obj") + " -o " + dir.file("p.kxp")).status, 0);
    // The imported mesh, and the demo title's extruded letters and primitive ground.
    for (const std::string& project : {dir.file("p.kxp"), std::string(FW_SOURCE_DIR) + "/examples/title.kxp"}) {
        SCOPED_TRACE(project);
        test::Outcome info = run(dir, "info " + project);
        ASSERT_EQ(info.status, 0) << info.err;
        long vertices = 0, faces = 0, objects = 0;
        std::regex line("\n  Object[A-Z] \"[^\"]*\": ([0-9]+) vertices, ([0-9]+) faces");
        for (std::sregex_iterator m(info.out.begin(), info.out.end(), line), end; m != end; ++m, ++objects) {
            vertices += std::stol((*m)[1]);
            faces += std::stol((*m)[2]);
        }
        ASSERT_GT(objects, 0) << info.out;
        ASSERT_EQ(run(dir, "export " + project + " -o " + dir.file("out.obj")).status, 0);
        std::istringstream obj(::test::slurp(dir.file("out.obj")));
        long written[2] = {0, 0};
        for (std::string l; std::getline(obj, l);) {
            if (l.rfind("v ", 0) == 0) ++written[0];
            if (l.rfind("f ", 0) == 0) ++written[1];
        }
        EXPECT_EQ(vertices, written[0]);
        EXPECT_EQ(faces, written[1]);
    }
}

}  // namespace fw
