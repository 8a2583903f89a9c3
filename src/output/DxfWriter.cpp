#include "output/DxfWriter.h"

#include "mesh/GeometryInterface.h"
#include "output/DxfColors.h"
#include "persistence/AFile.h"

namespace fw {

bool DxfWriter::write(const std::string& path, const std::vector<ExportUnit>& units, bool world, std::FILE* console,
                      const char* eol) {
    int total = 0;
    for (const ExportUnit& u : units)
        if (u.geometry) total += u.geometry->elementCount();
    if (total == 0) {
        if (console) std::fputs("write_dxf: no geometry to export!\n", console);
        return false;
    }
    AFile file;
    if (!file.openWrite(path, 1 << 16)) {
        if (console) std::fprintf(console, "Cannot open '%s'.\n", path.c_str());
        return false;
    }
    std::string text;
    auto flush = [&] {
        bool ok = file.write(text.data(), text.size());
        text.clear();
        return ok;
    };
    bool ok = true;
    char line[160];
    text += std::string("0") + eol + "SECTION" + eol + "  2" + eol + "ENTITIES" + eol;
    auto face = [&](const ExportUnit& u, const std::string& layer, int part, const glm::dvec3(&corner)[4]) {
        text += std::string("0") + eol + "3DFACE" + eol + "  8" + eol + layer + eol;
        std::snprintf(line, sizeof line, "62%s   %d%s", eol, DxfColors::nearest(u.material(part).diffuse), eol);
        text += line;
        for (int c = 0; c < 4; ++c) {
            // CAD drawings stand on z: our y-up axes turn a quarter about x, a rotation,
            // so faces keep their winding. DxfReader turns them back.
            const glm::dvec3& v = corner[c];
            std::snprintf(line, sizeof line, "1%d%s%lf%s2%d%s%lf%s3%d%s%lf%s", c, eol, v.x, eol, c, eol, 0.0 - v.z, eol,
                          c, eol, v.y, eol);
            text += line;
        }
    };
    for (const ExportUnit& u : units) {
        const GeometryInterface* g = u.geometry;
        if (!g) continue;
        std::string layer = u.label("-Frm%d", "-Sec %d");
        const bool flip = u.mirrored(world);
        for (int e = 0; e < g->elementCount(); ++e) {
            GeometryInterface::ElementInfo info;
            const int *p, *t, *n;
            if (!u.polygon(e, info, &p, &t, &n) || !u.cornersInRange(info, p, nullptr)) continue;
            auto at = [&](int k) { return u.position(p[ExportUnit::corner(k, info.count, flip)], world); };
            if (info.count <= 4) {
                // A triangle repeats its third corner as the fourth.
                const glm::dvec3 corners[4] = {at(0), at(1), at(2), at(info.count == 4 ? 3 : 2)};
                face(u, layer, info.part, corners);
            } else {
                // 3DFACE holds at most four corners: larger polygons go as a fan of
                // triangles from their first corner, as the other writers fan them.
                for (int c = 1; c + 1 < info.count; ++c) {
                    const glm::dvec3 corners[4] = {at(0), at(c), at(c + 1), at(c + 1)};
                    face(u, layer, info.part, corners);
                }
            }
            if (text.size() > (1 << 16)) ok = flush() && ok;
        }
    }
    text += std::string("0") + eol + "ENDSEC" + eol + "   0" + eol + "EOF" + eol;
    ok = flush() && ok;
    if (!ok || !file.close()) {
        if (console) std::fprintf(console, "Cannot open '%s'.\n", path.c_str());
        return false;
    }
    return true;
}

}  // namespace fw
