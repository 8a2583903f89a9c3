#pragma once
// A test-only object: a box of a set size centred on its node, one normal and one
// texture square per face, handed to the object's ports by its own geometry port.
#include "mesh/ObjDB.h"
#include "scene/Object.h"

namespace fw::test {

inline void buildBox(ObjDB& db, const double size[3]) {
    for (int i = 0; i < 8; ++i) {
        double p[3] = {(i & 1 ? 0.5 : -0.5) * size[0], (i & 2 ? 0.5 : -0.5) * size[1], (i & 4 ? 0.5 : -0.5) * size[2]};
        db.addVertex(p);
    }
    const double uv[4][3] = {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}};
    for (const auto& t : uv) db.addTexCoord(t);
    // Counter-clockwise seen from outside.
    const int faces[6][4] = {{0, 2, 3, 1}, {4, 5, 7, 6}, {0, 1, 5, 4}, {2, 6, 7, 3}, {0, 4, 6, 2}, {1, 3, 7, 5}};
    const double normals[6][3] = {{0, 0, -1}, {0, 0, 1}, {0, -1, 0}, {0, 1, 0}, {-1, 0, 0}, {1, 0, 0}};
    const int tex[4] = {0, 1, 2, 3};
    for (int f = 0; f < 6; ++f) {
        int n = db.addNormal(normals[f]);
        const int ns[4] = {n, n, n, n};
        db.addElement(GeometryInterface::Polygon, 0, 4, faces[f], 4, tex, 4, ns);
    }
}

class TestBox : public Object {
public:
    class BoxPort : public Port<GeometryInterface> {
    public:
        explicit BoxPort(TestBox* owner) : Port(owner, "Geometry"), box(owner) { setDirty(); }
        bool compute(const NoSettings*) override {
            ++computes;
            db.clear();
            buildBox(db, box->size);
            return true;
        }
        GeometryInterface* result() override { return &db; }
        TestBox* box;
        ObjDB db;
        int computes = 0;
    };

    TestBox(Scene& scene, const char* name, double sx = 2, double sy = 2, double sz = 2)
        : Object(scene, name), size{sx, sy, sz}, port(this) {
        registerCommands();
        for (int mode : {kPreviewMode, kRenderMode, kPreview2DMode})
            for (Input<GeometryInterface>* input :
                 {&boundsPort(mode).geometryInput, &displayGeometryPort(mode).geometryInput,
                  &worldVertexPort(mode).geometryInput, &worldNormalPort(mode).geometryInput,
                  &gradientsPort(mode).geometryInput})
                input->connect(nameReference(), "Geometry");
    }
    CommandTable& commandTable() override {
        static CommandTable table;
        return table;
    }
    const char* className() const override { return "TestBox"; }
    void markUsed() override { setUsed(true); }
    void localBounds2(int mode, double box[6]) override { localBounds(mode, box); }
    const Gradients* gradients(int mode) override { return gradientsPort(mode).value(); }
    void resize(double x, double y, double z) {
        size[0] = x, size[1] = y, size[2] = z;
        port.setDirty();
    }

    double size[3];
    BoxPort port;
};

}  // namespace fw::test
