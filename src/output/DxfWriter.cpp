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
    int skipped = 0;
    char line[160];
    text += std::string("0") + eol + "SECTION" + eol + "  2" + eol + "ENTITIES" + eol;
    for (const ExportUnit& u : units) {
        const GeometryInterface* g = u.geometry;
        if (!g) continue;
        std::string layer = u.label("-Frm%d", "-Sec %d");
        for (int e = 0; e < g->elementCount(); ++e) {
            GeometryInterface::ElementInfo info;
            const int *p, *t, *n;
            if (!g->getElementRefs(e, info, &p, &t, &n) || !u.writes(info.part)) continue;
            if (info.kind != GeometryInterface::Polygon) continue;
            if (info.count < 3 || info.count > 4) {
                skipped += info.count > 4;
                continue;
            }
            text += std::string("0") + eol + "3DFACE" + eol + "  8" + eol + layer + eol;
            std::snprintf(line, sizeof line, "62%s   %d%s", eol, DxfColors::nearest(u.material(info.part).diffuse), eol);
            text += line;
            for (int c = 0; c < 4; ++c) {
                glm::dvec3 v = u.position(p[c < info.count ? c : 2], world);
                std::snprintf(line, sizeof line, "1%d%s%lf%s2%d%s%lf%s3%d%s%lf%s", c, eol, v.x, eol, c, eol, v.y, eol,
                              c, eol, v.z, eol);
                text += line;
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
    if (skipped > 0 && console)
        std::fprintf(console, "write_dxf: %d polygons with more than four corners have no 3DFACE and were left out\n",
                     skipped);
    return true;
}

}  // namespace fw
