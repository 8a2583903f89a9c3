#include "output/ObjWriter.h"

#include <algorithm>
#include <charconv>
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
        if (n > 0) buffer_.append(text, static_cast<size_t>(n < static_cast<int>(sizeof text) ? n : sizeof text - 1));
        spill();
    }
    // "tag x y z" with six decimals, as "%lf" gives them (to_chars rounds exactly as
    // printf does), without printf's cost on meshes of millions of numbers.
    void triple(const char* tag, const double v[3], const char* eol) {
        std::string& b = buffer_;
        b += tag;
        for (int i = 0; i < 3; ++i) {
            char digits[400];
            auto [end, error] = std::to_chars(digits, digits + sizeof digits, v[i], std::chars_format::fixed, 6);
            b += ' ';
            if (error == std::errc() && std::isfinite(v[i])) b.append(digits, end);
            else appendPrintf(v[i]);
        }
        b += eol;
        spill();
    }
    // An element line: the kind's letter, then each corner's numbers.
    void element(char kind, int count, const int* p, const int* t, const int* n, int pBase, int tBase, int nBase,
                 const char* eol) {
        buffer_ += kind;
        for (int c = 0; c < count; ++c) {
            buffer_ += ' ';
            number(p[c] + 1 + pBase);
            if (t) buffer_ += '/', number(t[c] + 1 + tBase);
            if (n) buffer_ += t ? "/" : "//", number(n[c] + 1 + nBase);
        }
        buffer_ += eol;
        spill();
    }
    bool finish() {
        ok_ = file_.write(buffer_.data(), buffer_.size()) && ok_;
        buffer_.clear();
        return ok_;
    }
    bool ok() const { return ok_; }

private:
    void number(int value) {
        char digits[16];
        auto end = std::to_chars(digits, digits + sizeof digits, value).ptr;
        buffer_.append(digits, end);
    }
    void appendPrintf(double value) {
        char text[64];
        int n = std::snprintf(text, sizeof text, "%lf", value);
        if (n > 0) buffer_.append(text, static_cast<size_t>(std::min(n, static_cast<int>(sizeof text) - 1)));
    }
    void spill() {
        if (buffer_.size() >= (1 << 16)) finish();
    }

    AFile& file_;
    bool ok_ = true;
    std::string buffer_;
};

bool wanted(const GeometryInterface& g, int e, int part) {
    GeometryInterface::ElementInfo info;
    const int *p, *t, *n;
    return g.getElementRefs(e, info, &p, &t, &n) && (part < 0 || info.part == part);
}

// The material library beside "logo.obj" is "logo.mtl"; "logo" alone gets "logo.mtl".
std::string libraryPath(const std::string& path) {
    size_t slash = path.find_last_of('/');
    size_t dot = path.find_last_of('.');
    std::string base =
        dot != std::string::npos && (slash == std::string::npos || dot > slash) ? path.substr(0, dot) : path;
    return base + ".mtl";
}

// Each material once, by name (the first look of a name wins). Ka repeats the diffuse
// colour, as the 3DS writer does; Ks is the highlight colour at its strength, Ns the
// tightness on the format's 0..1000 scale and d the opacity.
std::string materialLibrary(const std::vector<ExportMaterial>& looks, const char* eol) {
    std::string text = std::string("# Materials of the Veltrane Orvostat OBJ file") + eol;
    char line[512];
    for (const ExportMaterial& look : looks) {
        std::snprintf(line, sizeof line, "%snewmtl %s%s", eol, look.name.c_str(), eol);
        text += line;
        std::snprintf(line, sizeof line, "Ka %.6f %.6f %.6f%sKd %.6f %.6f %.6f%s", look.diffuse[0], look.diffuse[1],
                      look.diffuse[2], eol, look.diffuse[0], look.diffuse[1], look.diffuse[2], eol);
        text += line;
        const double amount = std::clamp(look.specularAmount, 0.0, 1.0);
        std::snprintf(line, sizeof line, "Ks %.6f %.6f %.6f%sNs %.6f%sd %.6f%sillum 2%s", look.specular[0] * amount,
                      look.specular[1] * amount, look.specular[2] * amount, eol,
                      std::clamp(look.shininess, 0.0, 1.0) * 1000.0, eol, 1.0 - std::clamp(look.transparency, 0.0, 1.0),
                      eol, eol);
        text += line;
    }
    return text;
}

std::string materialName(const ExportUnit& u, int part) {
    const std::string& name = u.material(part).name;
    return name.empty() ? "defaultMtl" : name;
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
    // Every material the file's elements wear, in the order they are first met.
    std::vector<ExportMaterial> looks;
    for (const ExportUnit& u : units) {
        const GeometryInterface* g = u.geometry;
        if (!g) continue;
        for (int e = 0; e < g->elementCount(); ++e) {
            GeometryInterface::ElementInfo info;
            const int *p, *t, *n;
            if (!g->getElementRefs(e, info, &p, &t, &n) || !u.writes(info.part)) continue;
            std::string name = materialName(u, info.part);
            if (std::none_of(looks.begin(), looks.end(), [&](const ExportMaterial& m) { return m.name == name; })) {
                looks.push_back(u.material(info.part));
                looks.back().name = name;
            }
        }
    }
    const std::string library = libraryPath(path);
    const size_t slash = library.find_last_of('/');
    const std::string libraryName = slash == std::string::npos ? library : library.substr(slash + 1);
    Out out(file);
    out.line("#%s", eol);
    out.line("# *** Veltrane Orvostat generated OBJ file ***%s", eol);
    out.line("#%s", eol);
    out.line("mtllib %s%s", libraryName.c_str(), eol);
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
        for (const glm::dvec3& p : u.positions(world)) {
            const double v[3] = {p.x, p.y, p.z};
            out.triple("v", v, eol);
        }
        double v[3];
        for (int i = 0; i < g->texCoordCount(); ++i) {
            g->getTexCoord(v, i);
            out.triple("vt", v, eol);
        }
        for (const glm::dvec3& n : u.normals(world)) {
            const double w[3] = {n.x, n.y, n.z};
            out.triple("vn", w, eol);
        }
        out.line("#%s", eol);
        out.line("g %s%s", group.c_str(), eol);
        out.line("#%s", eol);
        // A mirrored unit's polygons are written back to front so they still face out.
        const bool flip = u.mirrored(world);
        std::vector<int> reversed[3];
        std::string wearing;  // each group names its material again, for readers that reset it
        for (int e = 0; e < g->elementCount(); ++e) {
            GeometryInterface::ElementInfo info;
            const int *p, *t, *n;
            if (!g->getElementRefs(e, info, &p, &t, &n) || !u.writes(info.part)) continue;
            char kind = info.kind == GeometryInterface::Polyline ? 'l' : info.kind == GeometryInterface::PointSet ? 'p' : 'f';
            bool hasTex = t && info.texCount == info.count, hasNormals = n && info.normalCount == info.count;
            if (flip && kind == 'f') {
                const int* lists[3] = {p, hasTex ? t : nullptr, hasNormals ? n : nullptr};
                for (int l = 0; l < 3; ++l) {
                    reversed[l].clear();
                    if (lists[l])
                        for (int c = 0; c < info.count; ++c)
                            reversed[l].push_back(lists[l][ExportUnit::corner(c, info.count, true)]);
                }
                p = reversed[0].data(), t = reversed[1].data(), n = reversed[2].data();
            }
            if (std::string name = materialName(u, info.part); name != wearing) {
                out.line("usemtl %s%s", name.c_str(), eol);
                wearing = name;
            }
            out.element(kind, info.count, p, hasTex ? t : nullptr, hasNormals ? n : nullptr, positionBase, texBase,
                        normalBase, eol);
        }
        positionBase += g->vertexCount();
        texBase += g->texCoordCount();
        normalBase += g->normalCount();
    }
    if (!out.finish()) {
        if (console) std::fprintf(console, "Cannot open '%s'.\n", path.c_str());
        return false;
    }
    // The library goes first, so an OBJ file in place always finds its materials.
    const std::string materials = materialLibrary(looks, eol);
    if (!AFile::writeWhole(library, materials.data(), materials.size())) {
        file.abandon();
        if (console) std::fprintf(console, "Cannot open '%s'.\n", library.c_str());
        return false;
    }
    if (!file.close()) {
        if (console) std::fprintf(console, "Cannot open '%s'.\n", path.c_str());
        return false;
    }
    return true;
}

}  // namespace fw
