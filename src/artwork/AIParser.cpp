#include "artwork/AIParser.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <iterator>

#include "artwork/PdfArtwork.h"

namespace fw {

namespace {

bool startsWith(std::string_view text, std::string_view prefix) {
    return text.size() >= prefix.size() && text.compare(0, prefix.size(), prefix) == 0;
}

uint32_t littleEndian32(std::string_view data, size_t at) {
    uint32_t v = 0;
    for (int i = 3; i >= 0; --i) v = (v << 8) | static_cast<unsigned char>(data[at + i]);
    return v;
}

// An EPS file with a binary preview starts with a header giving where its PostScript
// section lies.
std::string_view postScriptSection(std::string_view data) {
    if (data.size() < 30 || static_cast<unsigned char>(data[0]) != 0xC5 ||
        static_cast<unsigned char>(data[1]) != 0xD0 || static_cast<unsigned char>(data[2]) != 0xD3 ||
        static_cast<unsigned char>(data[3]) != 0xC6)
        return data;
    uint64_t start = littleEndian32(data, 4), length = littleEndian32(data, 8);
    if (start >= data.size()) return {};
    return data.substr(start, std::min<uint64_t>(length, data.size() - start));
}

}  // namespace

AIParser::AIParser(LayerMode mode, std::string layer) : mode_(mode), wantedLayer_(std::move(layer)) {
    skipLayer_ = mode_ == LayerMode::kOneLayer;
}

AIParser::~AIParser() = default;

bool AIParser::readData(std::string_view data) {
    data = postScriptSection(data);
    if (startsWith(data, "%PDF-1.")) return readPdf(data);
    if (!startsWith(data, "%!PS-Adobe")) {
        error_ = kNoPathsMessage;
        return false;
    }
    return readPostScript(data);
}

bool AIParser::readPdf(std::string_view data) {
    struct Drawing : PdfArtwork::Sink {
        explicit Drawing(AIParser& p) : parser(p) {}
        void moveTo(double x, double y) override { parser.moveTo(x, y); }
        void lineTo(double x, double y) override { parser.lineTo(x, y); }
        void curveTo(double x1, double y1, double x2, double y2, double x3, double y3) override {
            const double xy[6] = {x1, y1, x2, y2, x3, y3};
            parser.curveTo(xy, 3);
        }
        void paint(PdfArtwork::Paint how, bool evenOdd) override {
            using P = PdfArtwork::Paint;
            parser.finishPath(how == P::kFill     ? Paint::kFill
                              : how == P::kStroke ? Paint::kStroke
                              : how == P::kNone   ? Paint::kNone
                                                  : Paint::kFillStroke,
                              evenOdd ? FillRule::kEvenOdd : FillRule::kNonZero);
        }
        void setColor(bool fill, float r, float g, float b) override { parser.setColor(fill, {r, g, b, 1}); }
        int colorIndex(bool fill) const override { return fill ? parser.fill_ : parser.stroke_; }
        void setColorIndex(bool fill, int index) override { (fill ? parser.fill_ : parser.stroke_) = index; }
        AIParser& parser;
    } drawing(*this);
    PdfArtwork::Result pdf = PdfArtwork::read(data, drawing);
    if (!pdf.error.empty()) {
        error_ = pdf.error;
        return false;
    }
    if (!pdf.illustratorText.empty()) return readPostScript(pdf.illustratorText);
    finish();
    return error_.empty();
}

bool AIParser::readPostScript(std::string_view text) {
    // Lines end in CR, LF or CR LF alike.
    std::vector<std::string_view> lines;
    for (size_t at = 0; at < text.size();) {
        size_t end = text.find_first_of("\r\n", at);
        if (end == std::string_view::npos) end = text.size();
        lines.push_back(text.substr(at, end - at));
        at = end + (end + 1 < text.size() && text[end] == '\r' && text[end + 1] == '\n' ? 2 : 1);
    }
    // The prolog defines the operators for PostScript interpreters; the drawing follows it.
    size_t first = 0;
    for (size_t i = 0; i < lines.size(); ++i)
        if (startsWith(lines[i], "%%EndSetup")) {
            first = i + 1;
            break;
        }
    for (size_t i = first; i < lines.size() && !ended_; ++i) readLine(lines[i]);
    finish();
    return error_.empty();
}

void AIParser::readLine(std::string_view line) {
    size_t start = line.find_first_not_of(" \t");
    if (start == std::string_view::npos) return;
    line.remove_prefix(start);
    if (line[0] == '%') {
        comment(line);
        return;
    }
    std::vector<std::string> tokens;
    for (size_t at = 0; at < line.size();) {
        size_t begin = line.find_first_not_of(" \t", at);
        if (begin == std::string_view::npos) break;
        size_t end = line.find_first_of(" \t", begin);
        if (end == std::string_view::npos) end = line.size();
        if (tokens.size() == kMaxTokens) return;  // no operator takes so many operands
        tokens.emplace_back(line.substr(begin, std::min(end - begin, kMaxToken)));
        at = end;
    }
    dispatch(tokens);
}

double AIParser::operand(const std::vector<std::string>& tokens, size_t i) const {
    if (i + 1 >= tokens.size()) return 0;
    const char* text = tokens[i].c_str();
    char* end = nullptr;
    double v = std::strtod(text, &end);
    return end == text || !std::isfinite(v) ? 0 : v;
}

void AIParser::dispatch(const std::vector<std::string>& tokens) {
    if (tokens.empty()) return;
    const std::string& op = tokens.back();
    const size_t operands = tokens.size() - 1;
    auto at = [&](size_t i) { return operand(tokens, i); };
    auto rgb = [&](bool fill) {
        // Spot and process colours carry their RGB after four CMYK operands.
        size_t base = operands > 3 ? 4 : 0;
        setColor(fill, {static_cast<float>(at(base)), static_cast<float>(at(base + 1)),
                        static_cast<float>(at(base + 2)), 1});
    };
    auto cmyk = [&](bool fill) {
        double k = at(3);
        auto channel = [&](double v) { return static_cast<float>(1 - std::min(1.0, v + k)); };
        setColor(fill, {channel(at(0)), channel(at(1)), channel(at(2)), 1});
    };
    auto gray = [&](bool fill) {
        float v = static_cast<float>(at(0));
        setColor(fill, {v, v, v, 1});
    };
    if (op == "m") {
        moveTo(at(0), at(1));
    } else if (op == "l" || op == "L") {
        lineTo(at(0), at(1));
    } else if (op == "c" || op == "C") {
        double xy[6] = {at(0), at(1), at(2), at(3), at(4), at(5)};
        curveTo(xy, 3);
    } else if (op == "v" || op == "V" || op == "y" || op == "Y") {
        double xy[4] = {at(0), at(1), at(2), at(3)};
        curveTo(xy, 2);
    } else if (op == "f" || op == "F") {
        finishPath(Paint::kFill);
    } else if (op == "s" || op == "S") {
        finishPath(Paint::kStroke);
    } else if (op == "b" || op == "B") {
        finishPath(Paint::kFillStroke);
    } else if (op == "n" || op == "N") {
        finishPath(Paint::kNone);
    } else if (op == "*") {
        finishPath(Paint::kDiscard);
    } else if (op == "u" || op == "*u" || op == "q") {
        beginContainer(op == "u" ? Container::kGroup : op == "q" ? Container::kClip : Container::kCompound);
    } else if (op == "U" || op == "*U" || op == "Q") {
        endContainer(op == "U" ? Container::kGroup : op == "Q" ? Container::kClip : Container::kCompound);
    } else if (op == "g" || op == "G") {
        gray(op == "g");
    } else if (op == "k" || op == "x" || op == "K" || op == "X") {
        cmyk(op == "k" || op == "x");
    } else if (op == "Xa" || op == "Xx" || op == "XA" || op == "XX") {
        rgb(op == "Xa" || op == "Xx");
    } else if (op == "Ln") {
        std::string name;
        for (size_t i = 0; i < operands; ++i) name += (i ? " " : "") + tokens[i];
        if (!name.empty() && name.front() == '(') name.erase(0, 1);
        if (!name.empty() && name.back() == ')') name.pop_back();
        layerName(name);
    } else if (op == "Lb") {
        layerBegin(operands == 0 || tokens[0] != "0");
    } else {
        unknownOperator(op);
    }
}

void AIParser::comment(std::string_view line) {
    // A layer begins with its Lb line; its end comment closes what it left open.
    if (startsWith(line, "%AI5_EndLayer")) {
        layerEnd();
    } else if (startsWith(line, "%AI3_BeginCrops")) {
        inCrops_ = true;
    } else if (startsWith(line, "%AI3_EndCrops")) {
        inCrops_ = false;
    } else if (startsWith(line, "%%PageTrailer")) {
        ended_ = true;
    }
}

void AIParser::moveTo(double x, double y) {
    finishContour();
    point_[0] = x, point_[1] = y;
}

void AIParser::lineTo(double x, double y) {
    if (!segmentOpen_) {
        segment_ = Curve2(Curve2::Linear);
        segment_.addPoint(CurvePoint::anchor(point_[0], point_[1]));
        segmentOpen_ = true;
    }
    segment_.addPoint(CurvePoint::anchor(x, y));
    point_[0] = x, point_[1] = y;
}

void AIParser::curveTo(const double* xy, int count) {
    finishSegment();
    Curve2& curve = contour_.addSegment(Curve2::Bezier);
    curve.addPoint(CurvePoint::anchor(point_[0], point_[1]));
    for (int i = 0; i + 1 < count; ++i) curve.addPoint(CurvePoint::handle(xy[2 * i], xy[2 * i + 1]));
    point_[0] = xy[2 * count - 2], point_[1] = xy[2 * count - 1];
    curve.addPoint(CurvePoint::anchor(point_[0], point_[1]));
}

void AIParser::finishSegment() {
    if (!segmentOpen_) return;
    segmentOpen_ = false;
    if (segment_.pointCount() >= 2) contour_.segments().push_back(segment_);
}

void AIParser::finishContour() {
    finishSegment();
    if (!contour_.segments().empty()) pathContours_.push_back(std::move(contour_));
    contour_ = CompositeCurve2();
}

void AIParser::finishPath(Paint paint, FillRule rule) {
    finishContour();
    std::vector<CompositeCurve2> contours = std::move(pathContours_);
    pathContours_.clear();
    // Inside a clip group an unpainted path is the clipping outline, which is shown.
    bool clipping = std::any_of(open_.begin(), open_.end(), [](const Open& o) { return o.kind == Container::kClip; });
    if (paint == Paint::kNone && clipping) paint = Paint::kFillStroke;
    if (paint == Paint::kNone || paint == Paint::kDiscard || skipping() || contours.empty()) return;
    // A path that never leaves its start point outlines nothing.
    std::erase_if(contours, [](const CompositeCurve2& contour) {
        const CurvePoint& first = contour.segments().front().point(0);
        for (const Curve2& segment : contour.segments())
            for (int i = 0; i < segment.pointCount(); ++i)
                if (std::fabs(segment.point(i).x - first.x) > CompositeCurve2::kLinkTolerance ||
                    std::fabs(segment.point(i).y - first.y) > CompositeCurve2::kLinkTolerance)
                    return false;
        return true;
    });
    if (contours.empty()) return;
    const bool filled = paint == Paint::kFill || paint == Paint::kFillStroke;
    linkContours(contours, filled);
    if (filled && rule != FillRule::kAsDrawn) applyFillRule(contours, rule == FillRule::kEvenOdd);
    int target;
    if (mode_ != LayerMode::kObjects && !layer_.empty()) {
        if (layerProfile_ < 0) layerProfile_ = newProfile(layer_);
        target = layerProfile_;
    } else if (!open_.empty()) {
        target = open_.front().profile;
    } else {
        target = newProfile(kObjectPrefix + std::to_string(++objectCount_));
    }
    if (target < 0) return;
    ArtworkProfile& profile = profiles_[target];
    if (profile.outline.contours().empty()) profile.fill = fill_, profile.stroke = stroke_;
    for (CompositeCurve2& contour : contours) profile.outline.contours().push_back(std::move(contour));
}

void AIParser::beginContainer(Container kind) {
    Open open{kind, -1, open_.empty()};
    // A layer gathers everything in it when outlines are made per layer.
    if (open.outermost && !(mode_ != LayerMode::kObjects && !layer_.empty())) open.profile = newProfile("");
    open_.push_back(open);
}

void AIParser::endContainer(Container) {
    if (open_.empty()) return;
    Open open = open_.back();
    open_.pop_back();
    if (!open.outermost || open.profile < 0) return;
    ArtworkProfile& profile = profiles_[open.profile];
    if (profile.outline.contours().empty()) {
        profile.name = std::string(kDoNotKeep).append("1");
        keep_[open.profile] = false;
        return;
    }
    switch (open.kind) {
        case Container::kGroup: profile.name = kGroupPrefix + std::to_string(++groupCount_); break;
        case Container::kCompound: profile.name = kObjectPrefix + std::to_string(++objectCount_); break;
        case Container::kClip: profile.name = kUnknownPrefix + std::to_string(++unknownCount_); break;
    }
}

void AIParser::setColor(bool fill, const ArtworkColor& color) { (fill ? fill_ : stroke_) = colorIndex(color); }

void AIParser::layerName(const std::string& name) {
    layer_ = name;
    if (mode_ == LayerMode::kOneLayer) {
        skipLayer_ = name != wantedLayer_;
        if (!skipLayer_ && !hiddenLayer_) wantedSeen_ = true;
    }
}

void AIParser::layerBegin(bool visible) {
    hiddenLayer_ = !visible;
    layerProfile_ = -1;
}

void AIParser::layerEnd() {
    // Groups left open at the end of a layer end with it.
    while (!open_.empty()) endContainer(open_.back().kind);
    hiddenLayer_ = false;
    skipLayer_ = mode_ == LayerMode::kOneLayer;
    layer_.clear();
    layerProfile_ = -1;
}

void AIParser::unknownOperator(std::string_view op) {
    // PostScript's own painting operators: a drawing that is not Illustrator artwork.
    for (const char* painting : {"moveto", "lineto", "curveto", "arc", "arcn", "rlineto", "rcurveto", "closepath",
                                 "fill", "eofill", "stroke"})
        if (op == painting) drawsWithPostScript_ = true;
}

int AIParser::newProfile(const std::string& name) {
    profiles_.emplace_back();
    profiles_.back().name = name;
    profiles_.back().layer = layer_;
    keep_.push_back(true);
    return static_cast<int>(profiles_.size()) - 1;
}

void AIParser::finish() {
    while (!open_.empty()) endContainer(open_.back().kind);
    // Empty groups are not kept.
    for (size_t i = 0; i < profiles_.size(); ++i)
        if (!keep_[i]) profiles_[i].outline.contours().clear();
    keep_.clear();
    const bool layerMissing = mode_ == LayerMode::kOneLayer && !wantedSeen_;
    if (!keepDrawnOutlines(layerMissing) && !layerMissing && drawsWithPostScript_)
        warnings_.emplace_back("it draws with PostScript's own operators, which are not read: turn it into "
                            "Illustrator artwork first (pstoedit -f ps2ai IN.ps OUT.ai)");
}

}  // namespace fw
