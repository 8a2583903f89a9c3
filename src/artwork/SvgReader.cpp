#include "artwork/SvgReader.h"

#include <tinyxml2.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdlib>
#include <map>
#include <optional>

#include "artwork/AIParser.h"
#include "platform/MathConstants.h"

namespace fw {

using tinyxml2::XMLElement;

namespace {

bool isSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f'; }
bool isDigit(char c) { return c >= '0' && c <= '9'; }

std::string_view trim(std::string_view s) {
    while (!s.empty() && isSpace(s.front())) s.remove_prefix(1);
    while (!s.empty() && isSpace(s.back())) s.remove_suffix(1);
    return s;
}

std::string lower(std::string_view s) {
    std::string out(s);
    std::transform(out.begin(), out.end(), out.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return out;
}

// The element's name without a namespace prefix ("svg:path" is a path).
std::string_view localName(const XMLElement& e) {
    std::string_view name = e.Name() ? e.Name() : "";
    size_t colon = name.rfind(':');
    return colon == std::string_view::npos ? name : name.substr(colon + 1);
}

// Numbers as SVG writes them: no separator needed where the next number's sign or
// second point starts it ("1.5.5" is 1.5 and .5), and nothing strtod alone would take
// (hex, inf, nan).
struct Scanner {
    std::string_view s;
    size_t i = 0;

    void skipSpace() {
        while (i < s.size() && isSpace(s[i])) ++i;
    }
    void skipSeparator() {
        skipSpace();
        if (i < s.size() && s[i] == ',') {
            ++i;
            skipSpace();
        }
    }
    bool done() {
        skipSpace();
        return i >= s.size();
    }
    bool number(double& v) {
        skipSpace();
        size_t start = i, at = i;
        if (at < s.size() && (s[at] == '+' || s[at] == '-')) ++at;
        size_t digits = 0;
        while (at < s.size() && isDigit(s[at])) ++at, ++digits;
        if (at < s.size() && s[at] == '.') {
            ++at;
            while (at < s.size() && isDigit(s[at])) ++at, ++digits;
        }
        if (digits == 0) return false;
        if (at < s.size() && (s[at] == 'e' || s[at] == 'E')) {
            size_t e = at + 1;
            if (e < s.size() && (s[e] == '+' || s[e] == '-')) ++e;
            if (e < s.size() && isDigit(s[e])) {
                while (e < s.size() && isDigit(s[e])) ++e;
                at = e;
            }
        }
        std::string text(s.substr(start, at - start));
        v = std::strtod(text.c_str(), nullptr);
        if (!std::isfinite(v)) return false;
        i = at;
        skipSeparator();
        return true;
    }
    // An arc flag: one digit, 0 or 1, which needs no separator after it.
    bool flag(bool& f) {
        skipSpace();
        if (i >= s.size() || (s[i] != '0' && s[i] != '1')) return false;
        f = s[i++] == '1';
        skipSeparator();
        return true;
    }
    bool startsNumber() {
        skipSpace();
        return i < s.size() && (isDigit(s[i]) || s[i] == '-' || s[i] == '+' || s[i] == '.');
    }
};

// Builds contours as path commands draw them: runs of lines as one polyline segment,
// each curve a Bezier segment.
struct PathBuilder {
    std::vector<CompositeCurve2> contours;
    CompositeCurve2 contour;
    Curve2 line;
    bool lineOpen = false;
    double x = 0, y = 0, startX = 0, startY = 0;

    void finishLine() {
        if (!lineOpen) return;
        lineOpen = false;
        if (line.pointCount() >= 2) contour.segments().push_back(line);
    }
    void finishContour() {
        finishLine();
        if (!contour.segments().empty()) contours.push_back(std::move(contour));
        contour = CompositeCurve2();
    }
    void moveTo(double px, double py) {
        finishContour();
        x = startX = px, y = startY = py;
    }
    void lineTo(double px, double py) {
        if (!lineOpen) {
            line = Curve2(Curve2::Linear);
            line.addPoint(CurvePoint::anchor(x, y));
            lineOpen = true;
        }
        line.addPoint(CurvePoint::anchor(px, py));
        x = px, y = py;
    }
    void cubicTo(double x1, double y1, double x2, double y2, double px, double py) {
        finishLine();
        Curve2& curve = contour.addSegment(Curve2::Bezier);
        curve.addPoint(CurvePoint::anchor(x, y));
        curve.addPoint(CurvePoint::handle(x1, y1));
        curve.addPoint(CurvePoint::handle(x2, y2));
        curve.addPoint(CurvePoint::anchor(px, py));
        x = px, y = py;
    }
    // A quadratic is the cubic with handles two thirds of the way to its control point.
    void quadTo(double qx, double qy, double px, double py) {
        cubicTo(x + 2.0 / 3 * (qx - x), y + 2.0 / 3 * (qy - y), px + 2.0 / 3 * (qx - px), py + 2.0 / 3 * (qy - py), px,
                py);
    }
    void close() {
        if (x != startX || y != startY) lineTo(startX, startY);
        finishContour();
        x = startX, y = startY;
    }

    // The endpoint arc turned into its centre form, then drawn as cubics of at most a
    // quarter turn each.
    void arcTo(double rx, double ry, double rotation, bool large, bool sweep, double px, double py) {
        if (px == x && py == y) return;
        rx = std::fabs(rx), ry = std::fabs(ry);
        if (rx == 0 || ry == 0) {
            lineTo(px, py);
            return;
        }
        const double phi = rotation * kPi / 180, cosPhi = std::cos(phi), sinPhi = std::sin(phi);
        const double dx2 = (x - px) / 2, dy2 = (y - py) / 2;
        const double x1 = cosPhi * dx2 + sinPhi * dy2, y1 = -sinPhi * dx2 + cosPhi * dy2;
        // Radii too small to reach the end point grow until they just do.
        const double lambda = (x1 * x1) / (rx * rx) + (y1 * y1) / (ry * ry);
        if (lambda > 1) rx *= std::sqrt(lambda), ry *= std::sqrt(lambda);
        const double num = rx * rx * ry * ry - rx * rx * y1 * y1 - ry * ry * x1 * x1;
        const double den = rx * rx * y1 * y1 + ry * ry * x1 * x1;
        double coef = den > 0 ? std::sqrt(std::max(0.0, num / den)) : 0;
        if (large == sweep) coef = -coef;
        const double cxp = coef * rx * y1 / ry, cyp = -coef * ry * x1 / rx;
        const double cx = cosPhi * cxp - sinPhi * cyp + (x + px) / 2, cy = sinPhi * cxp + cosPhi * cyp + (y + py) / 2;
        auto angle = [](double ux, double uy, double vx, double vy) {
            return std::atan2(ux * vy - uy * vx, ux * vx + uy * vy);
        };
        const double ux = (x1 - cxp) / rx, uy = (y1 - cyp) / ry, vx = (-x1 - cxp) / rx, vy = (-y1 - cyp) / ry;
        const double theta = angle(1, 0, ux, uy);
        double delta = angle(ux, uy, vx, vy);
        if (!sweep && delta > 0) delta -= 2 * kPi;
        if (sweep && delta < 0) delta += 2 * kPi;
        if (!std::isfinite(theta) || !std::isfinite(delta) || !std::isfinite(cx) || !std::isfinite(cy)) {
            lineTo(px, py);
            return;
        }
        // A hair over a quarter turn (rounding in the file) stays one piece.
        const int pieces = std::clamp(static_cast<int>(std::ceil(std::fabs(delta) / (kPi / 2) - 1e-3)), 1, 4);
        const double step = delta / pieces, k = 4.0 / 3 * std::tan(step / 4);
        auto at = [&](double t, double& ox, double& oy, double& tx, double& ty) {
            const double c = std::cos(t), s = std::sin(t);
            ox = cx + cosPhi * rx * c - sinPhi * ry * s, oy = cy + sinPhi * rx * c + cosPhi * ry * s;
            tx = -cosPhi * rx * s - sinPhi * ry * c, ty = -sinPhi * rx * s + cosPhi * ry * c;
        };
        for (int i = 0; i < pieces; ++i) {
            double ax, ay, atx, aty, bx, by, btx, bty;
            at(theta + i * step, ax, ay, atx, aty);
            at(theta + (i + 1) * step, bx, by, btx, bty);
            if (i + 1 == pieces) bx = px, by = py;
            cubicTo(x + k * atx, y + k * aty, bx - k * btx, by - k * bty, bx, by);
        }
    }

    void ellipse(double cx, double cy, double rx, double ry) {
        const double h = CompositeCurve2::kCircleHandle;
        moveTo(cx + rx, cy);
        cubicTo(cx + rx, cy + h * ry, cx + h * rx, cy + ry, cx, cy + ry);
        cubicTo(cx - h * rx, cy + ry, cx - rx, cy + h * ry, cx - rx, cy);
        cubicTo(cx - rx, cy - h * ry, cx - h * rx, cy - ry, cx, cy - ry);
        cubicTo(cx + h * rx, cy - ry, cx + rx, cy - h * ry, cx + rx, cy);
        close();
    }
};

// A length in user units (px); a percentage of `reference` where that is known. False
// for what does not parse.
bool parseLength(const char* text, double& out, double reference = 0) {
    if (!text) return false;
    Scanner s{text};
    double v;
    if (!s.number(v)) return false;
    std::string unit = lower(trim(s.s.substr(s.i)));
    if (unit == "%") {
        if (!(reference > 0)) return false;
        out = v / 100 * reference;
        return true;
    }
    static const std::map<std::string, double> kUnits = {{"", 1},       {"px", 1},        {"pt", 96.0 / 72},
                                                         {"pc", 16},    {"mm", 96 / 25.4}, {"cm", 96 / 2.54},
                                                         {"in", 96},    {"em", 16},       {"ex", 8}};
    auto found = kUnits.find(unit);
    if (found == kUnits.end()) return false;
    out = v * found->second;
    return true;
}

double lengthOr(const XMLElement& e, const char* name, double otherwise, double reference = 0) {
    double v;
    return parseLength(e.Attribute(name), v, reference) ? v : otherwise;
}

std::vector<double> numberList(const char* text) {
    std::vector<double> out;
    if (!text) return out;
    Scanner s{text};
    double v;
    while (s.number(v)) out.push_back(v);
    return out;
}

}  // namespace

struct SvgReader::Paint {
    enum Kind { kNone, kColor, kUnknown } kind = kNone;
    ArtworkColor color;
    // A paint server (url(#id)): its id, and what stands for it when it is not found.
    std::string ref;
    Kind fallback = kUnknown;

    static Paint of(Kind kind, ArtworkColor color = {}) {
        Paint p;
        p.kind = kind, p.color = color;
        return p;
    }
};

namespace {

using Declarations = std::vector<std::pair<std::string, std::string>>;

// "name: value; ..." with names in lower case and !important dropped.
void addDeclarations(std::string_view text, Declarations& out) {
    while (!text.empty()) {
        size_t end = text.find(';');
        std::string_view item = text.substr(0, end);
        text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
        size_t colon = item.find(':');
        if (colon == std::string_view::npos) continue;
        std::string_view value = trim(item.substr(colon + 1));
        size_t important = value.find("!important");
        if (important != std::string_view::npos) value = trim(value.substr(0, important));
        out.emplace_back(lower(trim(item.substr(0, colon))), std::string(value));
    }
}

}  // namespace

// One rule of a style sheet whose selector is a single simple one: a tag, classes and
// an id ("rect", ".cls-1", "path.mark", "#logo"). Others are not matched.
struct SvgReader::CssRule {
    std::string tag, id;
    std::vector<std::string> classes;
    Declarations declarations;
    int specificity = 0;

    bool matches(const XMLElement& e) const {
        if (!tag.empty() && localName(e) != tag) return false;
        if (!id.empty() && (!e.Attribute("id") || id != e.Attribute("id"))) return false;
        if (classes.empty()) return true;
        const char* attribute = e.Attribute("class");
        if (!attribute) return false;
        std::vector<std::string_view> own;
        for (std::string_view rest = attribute; !rest.empty();) {
            size_t start = 0;
            while (start < rest.size() && isSpace(rest[start])) ++start;
            size_t end = start;
            while (end < rest.size() && !isSpace(rest[end])) ++end;
            if (end > start) own.push_back(rest.substr(start, end - start));
            rest.remove_prefix(end);
        }
        return std::all_of(classes.begin(), classes.end(),
                           [&](const std::string& c) { return std::find(own.begin(), own.end(), c) != own.end(); });
    }

    static bool parseSelector(std::string_view text, CssRule& rule) {
        text = trim(text);
        if (text.empty()) return false;
        size_t at = 0;
        auto word = [&] {
            size_t start = at;
            while (at < text.size() && (std::isalnum(static_cast<unsigned char>(text[at])) || text[at] == '-' ||
                                        text[at] == '_'))
                ++at;
            return std::string(text.substr(start, at - start));
        };
        rule.tag = word();
        while (at < text.size()) {
            const char kind = text[at++];
            std::string name = word();
            if (name.empty() || (kind != '.' && kind != '#')) return false;
            (kind == '.' ? rule.classes.emplace_back() : rule.id) = name;
        }
        rule.specificity = (rule.id.empty() ? 0 : 10000) + 100 * static_cast<int>(rule.classes.size()) +
                           (rule.tag.empty() ? 0 : 1);
        return true;
    }
};

namespace {

// The rules of every <style> element, comments and at-rules left out.
void readStyleSheet(std::string text, std::vector<SvgReader::CssRule>& rules) {
    for (size_t open = text.find("/*"); open != std::string::npos; open = text.find("/*", open)) {
        size_t close = text.find("*/", open + 2);
        text.erase(open, close == std::string::npos ? std::string::npos : close + 2 - open);
    }
    size_t at = 0;
    while (at < text.size()) {
        size_t brace = text.find('{', at);
        if (brace == std::string::npos) break;
        std::string_view selectors = trim(std::string_view(text).substr(at, brace - at));
        // The block runs to its matching brace, nested ones (in at-rules) included.
        size_t end = brace + 1;
        for (int depth = 1; end < text.size() && depth > 0; ++end) depth += text[end] == '{' ? 1 : text[end] == '}' ? -1 : 0;
        std::string_view body = std::string_view(text).substr(brace + 1, end - brace - 2 < text.size() ? end - brace - 2 : 0);
        at = end;
        if (!selectors.empty() && selectors[0] == '@') continue;
        Declarations declarations;
        addDeclarations(body, declarations);
        while (!selectors.empty()) {
            size_t comma = selectors.find(',');
            SvgReader::CssRule rule;
            if (SvgReader::CssRule::parseSelector(selectors.substr(0, comma), rule)) {
                rule.declarations = declarations;
                rules.push_back(std::move(rule));
            }
            selectors = comma == std::string_view::npos ? std::string_view() : selectors.substr(comma + 1);
        }
    }
    std::stable_sort(rules.begin(), rules.end(),
                     [](const SvgReader::CssRule& a, const SvgReader::CssRule& b) { return a.specificity < b.specificity; });
}

}  // namespace

SvgReader::Matrix SvgReader::Matrix::operator*(const Matrix& o) const {
    return {a * o.a + c * o.b, b * o.a + d * o.b, a * o.c + c * o.d, b * o.c + d * o.d, a * o.e + c * o.f + e,
            b * o.e + d * o.f + f};
}

void SvgReader::Matrix::apply(double& x, double& y) const {
    const double nx = a * x + c * y + e, ny = b * x + d * y + f;
    x = nx, y = ny;
}

bool SvgReader::parseTransform(std::string_view text, Matrix& out) {
    Matrix m;
    Scanner s{text};
    while (!s.done()) {
        if (s.s[s.i] == ',') {
            ++s.i;
            continue;
        }
        size_t start = s.i;
        while (s.i < text.size() && std::isalpha(static_cast<unsigned char>(text[s.i]))) ++s.i;
        const std::string name(text.substr(start, s.i - start));
        s.skipSpace();
        if (name.empty() || s.i >= text.size() || text[s.i] != '(') return false;
        ++s.i;
        std::vector<double> v;
        double n;
        while (v.size() < 6 && s.number(n)) v.push_back(n);
        s.skipSpace();
        if (s.i >= text.size() || text[s.i] != ')') return false;
        ++s.i;
        Matrix t;
        const size_t count = v.size();
        if (name == "matrix" && count == 6) {
            t = {v[0], v[1], v[2], v[3], v[4], v[5]};
        } else if (name == "translate" && (count == 1 || count == 2)) {
            t.e = v[0], t.f = count == 2 ? v[1] : 0;
        } else if (name == "scale" && (count == 1 || count == 2)) {
            t.a = v[0], t.d = count == 2 ? v[1] : v[0];
        } else if (name == "rotate" && (count == 1 || count == 3)) {
            const double r = v[0] * kPi / 180;
            Matrix turn{std::cos(r), std::sin(r), -std::sin(r), std::cos(r), 0, 0};
            if (count == 3) {
                Matrix to{1, 0, 0, 1, v[1], v[2]}, back{1, 0, 0, 1, -v[1], -v[2]};
                t = to * turn * back;
            } else {
                t = turn;
            }
        } else if ((name == "skewX" || name == "skewY") && count == 1) {
            (name == "skewX" ? t.c : t.b) = std::tan(v[0] * kPi / 180);
        } else {
            return false;
        }
        m = m * t;
    }
    out = m;
    return true;
}

bool SvgReader::parseColor(std::string_view text, ArtworkColor& out) {
    text = trim(text);
    auto hex = [](char c) -> int {
        if (isDigit(c)) return c - '0';
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        return c >= 'a' && c <= 'f' ? c - 'a' + 10 : -1;
    };
    if (!text.empty() && text[0] == '#') {
        std::string_view h = text.substr(1);
        if (std::any_of(h.begin(), h.end(), [&](char c) { return hex(c) < 0; })) return false;
        if (h.size() == 3) {
            out = {hex(h[0]) * 17 / 255.0f, hex(h[1]) * 17 / 255.0f, hex(h[2]) * 17 / 255.0f, 1};
            return true;
        }
        if (h.size() == 6) {
            out = {(hex(h[0]) * 16 + hex(h[1])) / 255.0f, (hex(h[2]) * 16 + hex(h[3])) / 255.0f,
                   (hex(h[4]) * 16 + hex(h[5])) / 255.0f, 1};
            return true;
        }
        return false;
    }
    const std::string name = lower(text);
    if (name.rfind("rgb(", 0) == 0 && name.back() == ')') {
        Scanner s{std::string_view(name).substr(4, name.size() - 5)};
        float channel[3];
        for (float& c : channel) {
            double v;
            if (!s.number(v)) return false;
            if (s.i < s.s.size() && s.s[s.i] == '%') {
                ++s.i;
                s.skipSeparator();
                v = v * 255 / 100;
            }
            c = static_cast<float>(std::clamp(v, 0.0, 255.0) / 255);
        }
        if (!s.done()) return false;
        out = {channel[0], channel[1], channel[2], 1};
        return true;
    }
    static const std::map<std::string, uint32_t> kNamed = {
        {"black", 0x000000},  {"silver", 0xc0c0c0}, {"gray", 0x808080},   {"grey", 0x808080},  {"white", 0xffffff},
        {"maroon", 0x800000}, {"red", 0xff0000},    {"purple", 0x800080}, {"fuchsia", 0xff00ff},
        {"magenta", 0xff00ff}, {"green", 0x008000}, {"lime", 0x00ff00},   {"olive", 0x808000}, {"yellow", 0xffff00},
        {"navy", 0x000080},   {"blue", 0x0000ff},   {"teal", 0x008080},   {"aqua", 0x00ffff},  {"cyan", 0x00ffff},
        {"orange", 0xffa500}};
    auto found = kNamed.find(name);
    if (found == kNamed.end()) return false;
    const uint32_t v = found->second;
    out = {((v >> 16) & 255) / 255.0f, ((v >> 8) & 255) / 255.0f, (v & 255) / 255.0f, 1};
    return true;
}

std::vector<CompositeCurve2> SvgReader::parsePath(std::string_view data) {
    PathBuilder b;
    Scanner s{data};
    char command = 0, previous = 0;
    double lastControlX = 0, lastControlY = 0;
    while (!s.done()) {
        const char c = s.s[s.i];
        if (std::isalpha(static_cast<unsigned char>(c))) {
            command = c;
            ++s.i;
        } else if (command == 0 || command == 'z' || command == 'Z') {
            break;  // numbers with no command to repeat
        }
        if (previous == 0 && command != 'M' && command != 'm') break;
        const bool relative = std::islower(static_cast<unsigned char>(command));
        const double ox = relative ? b.x : 0, oy = relative ? b.y : 0;
        double v[7];
        auto read = [&](int n) {
            for (int i = 0; i < n; ++i)
                if (!s.number(v[i])) return false;
            return true;
        };
        const char lowerCommand = static_cast<char>(std::tolower(static_cast<unsigned char>(command)));
        // The control point a smooth curve mirrors: the previous curve's, else the current point.
        const bool cubicBefore = previous == 'c' || previous == 's', quadBefore = previous == 'q' || previous == 't';
        bool ok = true;
        switch (lowerCommand) {
            case 'm':
                if (!(ok = read(2))) break;
                b.moveTo(ox + v[0], oy + v[1]);
                command = relative ? 'l' : 'L';  // later pairs are lines
                break;
            case 'l':
                if (!(ok = read(2))) break;
                b.lineTo(ox + v[0], oy + v[1]);
                break;
            case 'h':
                if (!(ok = read(1))) break;
                b.lineTo(ox + v[0], b.y);
                break;
            case 'v':
                if (!(ok = read(1))) break;
                b.lineTo(b.x, oy + v[0]);
                break;
            case 'c':
                if (!(ok = read(6))) break;
                b.cubicTo(ox + v[0], oy + v[1], ox + v[2], oy + v[3], ox + v[4], oy + v[5]);
                lastControlX = ox + v[2], lastControlY = oy + v[3];
                break;
            case 's': {
                if (!(ok = read(4))) break;
                const double x1 = cubicBefore ? 2 * b.x - lastControlX : b.x;
                const double y1 = cubicBefore ? 2 * b.y - lastControlY : b.y;
                b.cubicTo(x1, y1, ox + v[0], oy + v[1], ox + v[2], oy + v[3]);
                lastControlX = ox + v[0], lastControlY = oy + v[1];
                break;
            }
            case 'q':
                if (!(ok = read(4))) break;
                b.quadTo(ox + v[0], oy + v[1], ox + v[2], oy + v[3]);
                lastControlX = ox + v[0], lastControlY = oy + v[1];
                break;
            case 't': {
                if (!(ok = read(2))) break;
                const double qx = quadBefore ? 2 * b.x - lastControlX : b.x;
                const double qy = quadBefore ? 2 * b.y - lastControlY : b.y;
                b.quadTo(qx, qy, ox + v[0], oy + v[1]);
                lastControlX = qx, lastControlY = qy;
                break;
            }
            case 'a': {
                bool large = false, sweep = false;
                ok = s.number(v[0]) && s.number(v[1]) && s.number(v[2]) && s.flag(large) && s.flag(sweep) &&
                     s.number(v[3]) && s.number(v[4]);
                if (ok) b.arcTo(v[0], v[1], v[2], large, sweep, ox + v[3], oy + v[4]);
                break;
            }
            case 'z': b.close(); break;
            default: ok = false;
        }
        if (!ok) break;
        previous = lowerCommand == 'm' ? 'm' : lowerCommand;
    }
    b.finishContour();
    return std::move(b.contours);
}

// The painting properties an element inherits and may set.
struct SvgReader::Style {
    Paint fill = Paint::of(Paint::kColor, {0, 0, 0, 1});
    Paint stroke;
    ArtworkColor current{0, 0, 0, 1};
    bool evenOdd = false;
    bool hidden = false;  // visibility: a child may show itself again
    bool displayNone = false;  // not inherited: the element and all in it are not drawn

    // The element's presentation attributes, overridden by the style sheet's rules
    // (the more specific later), overridden by its own style declarations.
    Style childOf(const XMLElement& e, const std::vector<CssRule>& rules) const {
        Style out = *this;
        out.displayNone = false;
        Declarations declared;
        static const char* kNames[] = {"color", "fill", "stroke", "fill-rule", "visibility", "display"};
        for (const char* name : kNames)
            if (const char* value = e.Attribute(name)) declared.emplace_back(name, value);
        for (const CssRule& rule : rules)
            if (rule.matches(e)) declared.insert(declared.end(), rule.declarations.begin(), rule.declarations.end());
        if (const char* style = e.Attribute("style")) addDeclarations(style, declared);
        // color first: currentColor in the same element means the new one.
        std::stable_partition(declared.begin(), declared.end(), [](const auto& d) { return d.first == "color"; });
        for (const auto& [name, raw] : declared) {
            const std::string value = lower(trim(raw));
            if (value == "inherit") continue;
            if (name == "color") {
                parseColor(value, out.current);
            } else if (name == "fill" || name == "stroke") {
                paint(std::string(trim(raw)), name == "fill" ? out.fill : out.stroke, out.current);
            } else if (name == "fill-rule") {
                if (value == "evenodd") out.evenOdd = true;
                if (value == "nonzero") out.evenOdd = false;
            } else if (name == "visibility") {
                if (value == "hidden" || value == "collapse") out.hidden = true;
                if (value == "visible") out.hidden = false;
            } else if (name == "display") {
                out.displayNone = value == "none";
            }
        }
        return out;
    }

    // A paint that does not parse leaves the inherited one.
    static void paint(const std::string& raw, Paint& out, const ArtworkColor& current) {
        const std::string value = lower(raw);
        if (value == "none") {
            out = Paint::of(Paint::kNone);
        } else if (value == "currentcolor") {
            out = Paint::of(Paint::kColor, current);
        } else if (value.rfind("url(", 0) == 0) {
            // A gradient or pattern, found when the shape is drawn; the colour after it
            // stands in when it is not there.
            size_t close = value.find(')');
            if (close == std::string::npos) return;
            std::string_view ref = trim(std::string_view(raw).substr(4, close - 4));
            if (ref.size() >= 2 && (ref.front() == '\'' || ref.front() == '"')) ref = ref.substr(1, ref.size() - 2);
            if (!ref.empty() && ref.front() == '#') ref.remove_prefix(1);
            out = Paint::of(Paint::kUnknown);
            out.ref = std::string(ref);
            const std::string after(trim(std::string_view(value).substr(close + 1)));
            if (parseColor(after, out.color)) out.fallback = Paint::kColor;
            if (after == "none") out.fallback = Paint::kNone;
        } else {
            ArtworkColor color;
            if (parseColor(value, color)) out = Paint::of(Paint::kColor, color);
        }
    }
};

struct SvgReader::Walk {
    std::map<std::string, const XMLElement*> ids;
    std::vector<const XMLElement*> stack;  // the elements being drawn, uses included
    long elements = 0;
    int target = -1;  // the outline shapes gather into; -1: each its own object
    int objects = 0, groups = 0;
    bool tooDeep = false, tooMany = false, textSeen = false, imageSeen = false;
};


// The viewBox fitted into the viewport the element's width and height give (centred,
// aspect kept unless told not to); width and height come back as used, the viewBox's
// size where the element gives none. A missing width or height stays as passed in.
SvgReader::Matrix SvgReader::viewportMatrix(const XMLElement& e, double& width, double& height) {
    const std::vector<double> box = numberList(e.Attribute("viewBox"));
    const bool hasBox = box.size() == 4 && box[2] > 0 && box[3] > 0;
    const double given[2] = {lengthOr(e, "width", -1, width), lengthOr(e, "height", -1, height)};
    if (given[0] > 0 || !hasBox) width = given[0] > 0 ? given[0] : width;
    if (given[1] > 0 || !hasBox) height = given[1] > 0 ? given[1] : height;
    if (!hasBox) return {};
    if (given[0] <= 0 && given[1] <= 0) width = box[2], height = box[3];
    else if (given[0] <= 0) width = height * box[2] / box[3];
    else if (given[1] <= 0) height = width * box[3] / box[2];
    double sx = width / box[2], sy = height / box[3];
    const char* aspect = e.Attribute("preserveAspectRatio");
    if (!aspect || std::string_view(aspect).find("none") == std::string_view::npos) sx = sy = std::min(sx, sy);
    return {sx, 0, 0, sy, -box[0] * sx + (width - box[2] * sx) / 2, -box[1] * sy + (height - box[3] * sy) / 2};
}

SvgReader::SvgReader(LayerMode mode, std::string layer) : mode_(mode), wantedLayer_(std::move(layer)) {}

SvgReader::~SvgReader() = default;

int SvgReader::newProfile(const std::string& name, const std::string& layer) {
    profiles_.emplace_back();
    profiles_.back().name = name;
    profiles_.back().layer = layer;
    return static_cast<int>(profiles_.size()) - 1;
}

const XMLElement* SvgReader::parseDocument(std::string_view data, tinyxml2::XMLDocument& doc) {
    // Entity declarations can expand a few bytes into gigabytes; SVG artwork needs none.
    for (size_t at = data.find("<!"); at != std::string_view::npos; at = data.find("<!", at + 2)) {
        const std::string word = lower(data.substr(at + 2, 7));
        if (word == "doctype" || word.rfind("entity", 0) == 0) {
            error_ = "declares a DOCTYPE or entities, which are refused (they can expand without bound)";
            return nullptr;
        }
    }
    if (doc.Parse(data.data(), data.size()) != tinyxml2::XML_SUCCESS) {
        if (doc.ErrorID() == tinyxml2::XML_ELEMENT_DEPTH_EXCEEDED)
            error_ = "nests elements deeper than " + std::to_string(TINYXML2_MAX_ELEMENT_DEPTH) +
                     " levels, which is refused";
        else
            error_ = std::string("is not well-formed XML (") + doc.ErrorName() + " at line " +
                     std::to_string(doc.ErrorLineNum()) + ")";
        return nullptr;
    }
    const XMLElement* root = doc.RootElement();
    if (!root || localName(*root) != "svg") {
        error_ = "is not SVG artwork: its outermost element is not <svg>";
        return nullptr;
    }
    return root;
}

bool SvgReader::readData(std::string_view data) {
    profiles_.clear();
    colors_.clear();
    warnings_.clear();
    error_.clear();
    rules_.clear();
    tinyxml2::XMLDocument doc;
    const XMLElement* root = parseDocument(data, doc);
    if (!root) return false;

    Walk w;
    // Every id, for uses, and the style sheets; the parser bounds the nesting this walks.
    std::vector<const XMLElement*> pending{root};
    std::string sheet;
    while (!pending.empty()) {
        const XMLElement* e = pending.back();
        pending.pop_back();
        if (const char* id = e->Attribute("id")) w.ids.emplace(id, e);
        if (localName(*e) == "style" && e->GetText()) sheet += std::string(e->GetText()) + "\n";
        for (const XMLElement* child = e->FirstChildElement(); child; child = child->NextSiblingElement())
            pending.push_back(child);
    }

    // The viewport in user units with the viewBox fitted into it, and y turned upwards.
    const std::vector<double> box = numberList(root->Attribute("viewBox"));
    const bool hasBox = box.size() == 4 && box[2] > 0 && box[3] > 0;
    double width = -1, height = -1;
    const Matrix view = viewportMatrix(*root, width, height);
    readStyleSheet(sheet, rules_);
    viewWidth_ = hasBox ? box[2] : std::max(width, 0.0);
    viewHeight_ = hasBox ? box[3] : std::max(height, 0.0);
    viewDiagonal_ = std::sqrt((viewWidth_ * viewWidth_ + viewHeight_ * viewHeight_) / 2);
    const Matrix flip{1, 0, 0, -1, 0, std::max(height, 0.0)};
    const Matrix rootMatrix = flip * view;
    const Style rootStyle = Style().childOf(*root, rules_);
    if (rootStyle.displayNone) {
        error_ = kNoPathsMessage;
        return false;
    }
    w.stack.push_back(root);

    bool wantedSeen = false;
    for (const XMLElement* child = root->FirstChildElement(); child; child = child->NextSiblingElement()) {
        std::string_view name = localName(*child);
        bool container = name == "g" || name == "a" || name == "switch" || name == "svg";
        if (name == "use") {
            const char* href = child->Attribute("href");
            if (!href) href = child->Attribute("xlink:href");
            if (href && href[0] == '#') {
                auto found = w.ids.find(href + 1);
                if (found != w.ids.end()) {
                    std::string_view refName = localName(*found->second);
                    container = refName == "g" || refName == "symbol" || refName == "svg" || refName == "a";
                }
            }
        }
        const char* label = child->Attribute("inkscape:label");
        if (!label) label = child->Attribute("id");
        const bool layer = mode_ != LayerMode::kObjects && name == "g" && label && *label;
        if (layer) {
            const Style style = rootStyle.childOf(*child, rules_);
            if (style.displayNone || (style.hidden && mode_ == LayerMode::kOneLayer)) continue;
            if (mode_ == LayerMode::kOneLayer && label != wantedLayer_) continue;
            wantedSeen = true;
            w.target = newProfile(label, label);
            walk(*child, rootStyle, rootMatrix, w, 1);
            continue;
        }
        if (mode_ == LayerMode::kOneLayer) continue;  // outside every layer
        if (container) {
            w.target = newProfile("", "");
            const int at = w.target;
            walk(*child, rootStyle, rootMatrix, w, 1);
            if (!profiles_[at].outline.contours().empty())
                profiles_[at].name = AIParser::kGroupPrefix + std::to_string(++w.groups);
        } else {
            w.target = -1;
            walk(*child, rootStyle, rootMatrix, w, 1);
        }
    }

    if (w.tooDeep)
        warnings_.push_back("nests groups and uses deeper than " + std::to_string(kMaxDepth) +
                            " levels; what lies deeper is not imported");
    if (w.tooMany)
        warnings_.push_back("draws more than " + std::to_string(kMaxElements) +
                            " elements (uses of uses multiply); the rest is not imported");
    return keepDrawnOutlines(mode_ == LayerMode::kOneLayer && !wantedSeen);
}

void SvgReader::walk(const XMLElement& element, const Style& parent, const Matrix& ctm, Walk& w, int depth) {
    if (++w.elements > kMaxElements) {
        w.tooMany = true;
        return;
    }
    if (depth > kMaxDepth) {
        w.tooDeep = true;
        return;
    }
    const std::string_view name = localName(element);
    static const char* kNotDrawn[] = {"defs",  "symbol", "clipPath", "mask",  "pattern",  "marker",
                                      "linearGradient", "radialGradient", "style", "script", "title",
                                      "desc",  "metadata", "filter",  "foreignObject"};
    for (const char* skip : kNotDrawn)
        if (name == skip) return;
    const Style style = parent.childOf(element, rules_);
    if (style.displayNone) return;
    Matrix m = ctm;
    if (const char* transform = element.Attribute("transform")) {
        Matrix own;
        if (parseTransform(transform, own)) m = ctm * own;
    }
    w.stack.push_back(&element);
    if (name == "g" || name == "a") {
        drawChildren(element, style, m, w, depth);
    } else if (name == "switch") {
        // Conditions are not evaluated: the first choice stands for all.
        if (const XMLElement* first = element.FirstChildElement()) walk(*first, style, m, w, depth + 1);
    } else if (name == "svg") {
        // A nested viewport: placed at its x and y, its viewBox fitted into it.
        Matrix at{1, 0, 0, 1, lengthOr(element, "x", 0, viewWidth_), lengthOr(element, "y", 0, viewHeight_)};
        double width = viewWidth_, height = viewHeight_;
        drawChildren(element, style, m * at * viewportMatrix(element, width, height), w, depth);
    } else if (name == "use") {
        const char* href = element.Attribute("href");
        if (!href) href = element.Attribute("xlink:href");
        auto found = href && href[0] == '#' ? w.ids.find(href + 1) : w.ids.end();
        // A use of itself or of what holds it would never end.
        if (found != w.ids.end() && std::find(w.stack.begin(), w.stack.end(), found->second) == w.stack.end()) {
            const Matrix at{1, 0, 0, 1, lengthOr(element, "x", 0), lengthOr(element, "y", 0)};
            const XMLElement& used = *found->second;
            if (localName(used) == "symbol") {
                w.stack.push_back(&used);
                drawChildren(used, style.childOf(used, rules_), m * at, w, depth + 1);
                w.stack.pop_back();
            } else {
                walk(used, style, m * at, w, depth + 1);
            }
        }
    } else if (name == "text") {
        if (!style.hidden && !w.textSeen) {
            w.textSeen = true;
            warnings_.push_back(kTextWarning);
        }
    } else if (name == "image") {
        if (!style.hidden && !w.imageSeen) {
            w.imageSeen = true;
            warnings_.push_back(kImageWarning);
        }
    } else if (!style.hidden) {
        drawShape(element, style, m, w);
    }
    w.stack.pop_back();
}

// A gradient paints in the colour of its first stop (a gradient without stops takes
// those of the one it refers to); a pattern, or a gradient not there, in the fallback.
SvgReader::Paint SvgReader::resolve(const Paint& paint, const Walk& w) const {
    if (paint.kind != Paint::kUnknown || paint.ref.empty()) return paint;
    auto found = w.ids.find(paint.ref);
    const XMLElement* server = found == w.ids.end() ? nullptr : found->second;
    for (int hops = 0; server && hops < 16; ++hops) {
        const std::string_view name = localName(*server);
        if (name != "linearGradient" && name != "radialGradient") break;
        for (const XMLElement* stop = server->FirstChildElement(); stop; stop = stop->NextSiblingElement()) {
            if (localName(*stop) != "stop") continue;
            Declarations declared;
            if (const char* value = stop->Attribute("stop-color")) declared.emplace_back("stop-color", value);
            if (const char* style = stop->Attribute("style")) addDeclarations(style, declared);
            Paint out = Paint::of(Paint::kColor, {0, 0, 0, 1});
            for (const auto& [property, value] : declared)
                if (property == "stop-color") parseColor(value, out.color);
            return out;
        }
        const char* href = server->Attribute("href");
        if (!href) href = server->Attribute("xlink:href");
        found = href && href[0] == '#' ? w.ids.find(href + 1) : w.ids.end();
        server = found == w.ids.end() ? nullptr : found->second;
    }
    Paint out = paint;
    out.kind = paint.fallback;
    return out;
}

void SvgReader::drawChildren(const XMLElement& element, const Style& style, const Matrix& ctm, Walk& w, int depth) {
    for (const XMLElement* child = element.FirstChildElement(); child; child = child->NextSiblingElement())
        walk(*child, style, ctm, w, depth + 1);
}

void SvgReader::drawShape(const XMLElement& e, const Style& style, const Matrix& ctm, Walk& w) {
    const std::string_view name = localName(e);
    PathBuilder b;
    bool fillable = true;
    if (name == "path") {
        const char* d = e.Attribute("d");
        if (!d) return;
        b.contours = parsePath(d);
    } else if (name == "rect") {
        const double x = lengthOr(e, "x", 0, viewWidth_), y = lengthOr(e, "y", 0, viewHeight_);
        const double width = lengthOr(e, "width", 0, viewWidth_), height = lengthOr(e, "height", 0, viewHeight_);
        if (!(width > 0 && height > 0)) return;
        double rx = lengthOr(e, "rx", -1, viewWidth_), ry = lengthOr(e, "ry", -1, viewHeight_);
        if (rx < 0) rx = ry;
        if (ry < 0) ry = rx;
        rx = std::clamp(rx, 0.0, width / 2), ry = std::clamp(ry, 0.0, height / 2);
        if (rx > 0 && ry > 0) {
            const double h = 1 - CompositeCurve2::kCircleHandle;
            b.moveTo(x + rx, y);
            b.lineTo(x + width - rx, y);
            b.cubicTo(x + width - h * rx, y, x + width, y + h * ry, x + width, y + ry);
            b.lineTo(x + width, y + height - ry);
            b.cubicTo(x + width, y + height - h * ry, x + width - h * rx, y + height, x + width - rx, y + height);
            b.lineTo(x + rx, y + height);
            b.cubicTo(x + h * rx, y + height, x, y + height - h * ry, x, y + height - ry);
            b.lineTo(x, y + ry);
            b.cubicTo(x, y + h * ry, x + h * rx, y, x + rx, y);
            b.close();
        } else {
            b.moveTo(x, y);
            b.lineTo(x + width, y);
            b.lineTo(x + width, y + height);
            b.lineTo(x, y + height);
            b.close();
        }
    } else if (name == "circle" || name == "ellipse") {
        const double cx = lengthOr(e, "cx", 0, viewWidth_), cy = lengthOr(e, "cy", 0, viewHeight_);
        const double rx = name == "circle" ? lengthOr(e, "r", 0, viewDiagonal_) : lengthOr(e, "rx", 0, viewWidth_);
        const double ry = name == "circle" ? rx : lengthOr(e, "ry", 0, viewHeight_);
        if (!(rx > 0 && ry > 0)) return;
        b.ellipse(cx, cy, rx, ry);
    } else if (name == "polygon" || name == "polyline") {
        const std::vector<double> points = numberList(e.Attribute("points"));
        if (points.size() < 4) return;
        b.moveTo(points[0], points[1]);
        for (size_t i = 2; i + 1 < points.size(); i += 2) b.lineTo(points[i], points[i + 1]);
        if (name == "polygon") b.close();
    } else if (name == "line") {
        b.moveTo(lengthOr(e, "x1", 0, viewWidth_), lengthOr(e, "y1", 0, viewHeight_));
        b.lineTo(lengthOr(e, "x2", 0, viewWidth_), lengthOr(e, "y2", 0, viewHeight_));
        fillable = false;  // a line has no inside to fill
    } else {
        return;
    }
    b.finishContour();
    std::vector<CompositeCurve2> contours = std::move(b.contours);

    const Paint fill = resolve(style.fill, w), stroke = resolve(style.stroke, w);
    const bool filled = fillable && fill.kind != Paint::kNone;
    const bool stroked = stroke.kind != Paint::kNone;
    if (!filled && !stroked) return;
    // Into place; contours with broken numbers and those that never leave their start go.
    std::erase_if(contours, [&](CompositeCurve2& contour) {
        bool moves = false;
        const CurvePoint first = contour.segments().front().point(0);
        double fx = first.x, fy = first.y;
        ctm.apply(fx, fy);
        for (Curve2& segment : contour.segments())
            for (int i = 0; i < segment.pointCount(); ++i) {
                CurvePoint& p = segment.point(i);
                ctm.apply(p.x, p.y);
                if (!std::isfinite(p.x) || !std::isfinite(p.y) || std::fabs(p.x) > kMaxCoordinate ||
                    std::fabs(p.y) > kMaxCoordinate)
                    return true;
                if (std::fabs(p.x - fx) > CompositeCurve2::kLinkTolerance ||
                    std::fabs(p.y - fy) > CompositeCurve2::kLinkTolerance)
                    moves = true;
            }
        return !moves;
    });
    if (contours.empty()) return;
    linkContours(contours, filled);
    if (filled) applyFillRule(contours, style.evenOdd);
    if (contours.empty()) return;

    int target = w.target;
    if (target < 0) target = newProfile(AIParser::kObjectPrefix + std::to_string(++w.objects), "");
    ArtworkProfile& profile = profiles_[target];
    if (profile.outline.contours().empty()) {
        profile.fill = filled && fill.kind == Paint::kColor ? colorIndex(fill.color) : -1;
        profile.stroke = stroked && stroke.kind == Paint::kColor ? colorIndex(stroke.color) : -1;
    }
    for (CompositeCurve2& contour : contours) profile.outline.contours().push_back(std::move(contour));
}

}  // namespace fw
