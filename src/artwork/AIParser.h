#pragma once
// Reads the paths of Illustrator-format artwork (PostScript-based files, EPS files that
// use the same path operators, and PDF-based files through PdfArtwork) into outlines:
// one per object, group or layer, with the fill and stroke colours they were painted with.
//
// Only the path, paint, group, layer and colour operators are understood; every other
// line is skipped. Coordinates are taken as written: points, y upwards.

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "artwork/ArtworkReader.h"

namespace fw {

class AIParser : public ArtworkReader {
public:
    // How a path ends, by the operator that finishes it.
    enum class Paint { kFill, kStroke, kFillStroke, kNone, kDiscard };
    enum class Container { kGroup, kCompound, kClip };
    // Which fill rule a path's fill follows; Illustrator's own paths are taken as drawn.
    enum class FillRule { kAsDrawn, kNonZero, kEvenOdd };

    static constexpr const char* kObjectPrefix = "Illustrator Object ";
    static constexpr const char* kGroupPrefix = "Illustrator Group ";
    static constexpr const char* kUnknownPrefix = "Illustrator Unknown ";
    static constexpr const char* kDoNotKeep = "AIPARSER_donotkeep";
    static constexpr size_t kMaxToken = 260;
    // More operands than any operator takes: such a line is skipped unsplit.
    static constexpr size_t kMaxTokens = 64;

    explicit AIParser(LayerMode mode = LayerMode::kObjects, std::string layer = {});
    ~AIParser() override;

    // Reads artwork held in memory, header included.
    bool readData(std::string_view data) override;

protected:
    // One operation per operator family, so that a variant can take one over.
    virtual void comment(std::string_view line);
    virtual void moveTo(double x, double y);
    virtual void lineTo(double x, double y);
    // `count` control points after the current point: 3 for a cubic, 2 for the
    // three-point form (turned into a cubic when the outlines are normalised).
    virtual void curveTo(const double* xy, int count);
    virtual void finishPath(Paint paint, FillRule rule = FillRule::kAsDrawn);
    virtual void beginContainer(Container kind);
    virtual void endContainer(Container kind);
    virtual void setColor(bool fill, const ArtworkColor& color);
    virtual void layerName(const std::string& name);
    virtual void layerBegin(bool visible);
    virtual void layerEnd();
    virtual void unknownOperator(std::string_view op);

    bool skipping() const { return hiddenLayer_ || skipLayer_ || inCrops_; }

private:

    struct Open {
        Container kind;
        int profile;  // index of the outline it gathers into; -1 inside another container
        bool outermost;
    };

    bool readPostScript(std::string_view text);
    // PDF-based artwork: its Illustrator text, else its page through the same path,
    // paint and colour operations.
    bool readPdf(std::string_view data);
    void readLine(std::string_view line);
    void dispatch(const std::vector<std::string>& tokens);
    double operand(const std::vector<std::string>& tokens, size_t i) const;
    void finishSegment();
    void finishContour();
    int newProfile(const std::string& name);
    void finish();

    LayerMode mode_;
    std::string wantedLayer_;
    bool wantedSeen_ = false;

    std::vector<bool> keep_;  // per profile; empty groups are not kept
    bool ended_ = false;
    bool drawsWithPostScript_ = false;

    // The path being built: its finished contours, the contour and segment in hand.
    std::vector<CompositeCurve2> pathContours_;
    CompositeCurve2 contour_;
    Curve2 segment_;
    bool segmentOpen_ = false;
    double point_[2] = {0, 0};

    std::vector<Open> open_;
    std::string layer_;
    int layerProfile_ = -1;
    bool hiddenLayer_ = false, skipLayer_ = false, inCrops_ = false;
    int fill_ = -1, stroke_ = -1;
    int objectCount_ = 0, groupCount_ = 0, unknownCount_ = 0;
};

}  // namespace fw
