#include "output/ObjWriter.h"

#include <cmath>
#include <cstdarg>

#include "mesh/GeometryInterface.h"
#include "persistence/AFile.h"

namespace fw {

namespace {

class Out {
public:
    explicit Out(AFile& file) : file_(file) {}
    void line(const char* format, ...) __attribute__((format(printf, 2, 3))) {
        char text[1024];
        va_list args;
        va_start(args, format);
        int n = std::vsnprintf(text, sizeof text, format, args);
        va_end(args);
        if (n > 0) ok_ = file_.write(text, static_cast<size_t>(n < static_cast<int>(sizeof text) ? n : sizeof text - 1)) && ok_;
    }
    // Element lines can be long: written as they are.
    void raw(const std::string& text) { ok_ = file_.write(text.data(), text.size()) && ok_; }
    bool ok() const { return ok_; }

private:
    AFile& file_;
    bool ok_ = true;
};

bool wanted(const GeometryInterface& g, int e, int part) {
    GeometryInterface::ElementInfo info;
    const int *p, *t, *n;
    return g.getElementRefs(e, info, &p, &t, &n) && (part < 0 || info.part == part);
}

}  // namespace

bool ObjWriter::write(const std::string& path, const std::vector<ExportUnit>& units, bool world, std::FILE* console,
                      const char* eol) {
    int total = 0;
    for (const ExportUnit& u : units)
        if (u.geometry) total += u.geometry->elementCount();
    if (total == 0) {
        if (console) std::fputs("write_obj: no geometry to export!\n", console);
        return false;
    }
    AFile file;
    if (!file.openWrite(path, 1 << 16)) {
        if (console) std::fprintf(console, "Cannot open '%s'.\n", path.c_str());
        return false;
    }
    Out out(file);
    out.line("#%s", eol);
    out.line("# *** Veltrane Orvostat generated OBJ file ***%s", eol);
    out.line("#%s", eol);
    int positionBase = 0, texBase = 0, normalBase = 0;
    for (const ExportUnit& u : units) {
        const GeometryInterface* g = u.geometry;
        if (!g || g->elementCount() == 0) continue;
        std::string title = u.label("-Frame %d", "-Section %d");
        std::string group = u.label("-Frm%d", "-Section %d");
        int polygons = 0;
        for (int e = 0; e < g->elementCount(); ++e) polygons += wanted(*g, e, u.section);
        out.line("# Object '%s'%s", title.c_str(), eol);
        out.line("#%s", eol);
        out.line("# %d vertices.%s", g->vertexCount(), eol);
        out.line("# %d texture vertices.%s", g->texCoordCount(), eol);
        out.line("# %d normals.%s", g->normalCount(), eol);
        out.line("# %d polygons.%s", polygons, eol);
        out.line("#%s", eol);
        for (int i = 0; i < g->vertexCount(); ++i) {
            glm::dvec3 p = u.position(i, world);
            out.line("v %lf %lf %lf%s", p.x, p.y, p.z, eol);
        }
        double v[3];
        for (int i = 0; i < g->texCoordCount(); ++i) {
            g->getTexCoord(v, i);
            out.line("vt %lf %lf %lf%s", v[0], v[1], v[2], eol);
        }
        for (int i = 0; i < g->normalCount(); ++i) {
            glm::dvec3 n = u.normal(i, world);
            out.line("vn %lf %lf %lf%s", n.x, n.y, n.z, eol);
        }
        out.line("#%s", eol);
        out.line("g %s%s", group.c_str(), eol);
        out.line("#%s", eol);
        for (int e = 0; e < g->elementCount(); ++e) {
            GeometryInterface::ElementInfo info;
            const int *p, *t, *n;
            if (!g->getElementRefs(e, info, &p, &t, &n) || !u.writes(info.part)) continue;
            std::string text = info.kind == GeometryInterface::Polyline ? "l" : info.kind == GeometryInterface::PointSet ? "p" : "f";
            bool hasTex = t && info.texCount == info.count, hasNormals = n && info.normalCount == info.count;
            for (int c = 0; c < info.count; ++c) {
                text += " " + std::to_string(p[c] + 1 + positionBase);
                if (hasTex) text += "/" + std::to_string(t[c] + 1 + texBase);
                if (hasNormals) text += (hasTex ? "/" : "//") + std::to_string(n[c] + 1 + normalBase);
            }
            text += eol;
            out.raw(text);
        }
        positionBase += g->vertexCount();
        texBase += g->texCoordCount();
        normalBase += g->normalCount();
    }
    if (!out.ok() || !file.close()) {
        if (console) std::fprintf(console, "Cannot open '%s'.\n", path.c_str());
        return false;
    }
    return true;
}

}  // namespace fw
