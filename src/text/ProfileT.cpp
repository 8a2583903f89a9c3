#include "text/ProfileT.h"

#include "persistence/CommandIO.h"
#include "persistence/FieldTable.h"
#include "profile/InputProfile2.h"

namespace fw {

namespace {

int readContourCount(CommandIO& io, CommandEnabler& r) {
    int count;
    if (io.readInt(count) != 0 || count < 0 || count > 1 << 20) return -1;
    ProfileT& p = receiverAs<ProfileT>(r);
    p.outline().contours().clear();
    p.outline().contours().reserve(static_cast<size_t>(count));
    p.readingContour = p.readingSegment = -1;
    return 0;
}

int readContour(CommandIO& io, CommandEnabler& r) {
    int closed, segments;
    if (io.readInt(closed) != 0 || io.readInt(segments) != 0 || segments < 0 || segments > 1 << 20) return -1;
    ProfileT& p = receiverAs<ProfileT>(r);
    CompositeCurve2& contour = p.outline().addContour();
    contour.setClosed(closed == 1);
    contour.segments().reserve(static_cast<size_t>(segments));
    p.readingContour = static_cast<int>(p.outline().contours().size()) - 1;
    p.readingSegment = -1;
    return 0;
}

int readSegment(CommandIO& io, CommandEnabler& r) {
    int flags, type, points;
    if (io.readInt(flags) != 0 || io.readInt(type) != 0 || io.readInt(points) != 0) return -1;
    ProfileT& p = receiverAs<ProfileT>(r);
    if (p.readingContour < 0 || points < 0 || points > 1 << 16) return -1;
    CompositeCurve2& contour = p.outline().contours()[static_cast<size_t>(p.readingContour)];
    Curve2& segment = contour.addSegment(static_cast<uint16_t>(type));
    segment.flags = static_cast<uint16_t>(flags);
    for (int i = 0; i < points; ++i) segment.addPoint(CurvePoint::anchor(0, 0));
    p.readingSegment = static_cast<int>(contour.segments().size()) - 1;
    return 0;
}

int readPoint(CommandIO& io, CommandEnabler& r) {
    int index;
    double x, y;
    if (io.readInt(index) != 0 || io.readDouble(x) != 0 || io.readDouble(y) != 0) return -1;
    ProfileT& p = receiverAs<ProfileT>(r);
    if (p.readingContour < 0 || p.readingSegment < 0) return -1;
    Curve2& segment = p.outline().contours()[static_cast<size_t>(p.readingContour)].segments()[static_cast<size_t>(p.readingSegment)];
    if (index < 0 || index >= segment.pointCount()) return -1;
    segment.point(index).x = x;
    segment.point(index).y = y;
    if (index == segment.pointCount() - 1) segment.computeLength();
    return 0;
}

// The contour count, then each contour with its segments and their points.
int writeOutline(CommandIO& io, CommandEnabler& r, const char* keyword, Spelling) {
    const InputProfile2& o = receiverAs<ProfileT>(r).outline();
    if (io.writef("%s %d\n", keyword, static_cast<int>(o.contours().size())) != 0) return -1;
    for (const CompositeCurve2& contour : o.contours()) {
        if (io.writef("cc %d %d\n", contour.closed() ? 1 : 0, static_cast<int>(contour.segments().size())) != 0)
            return -1;
        for (const Curve2& segment : contour.segments()) {
            if (io.writef("c %d %d %d\n", segment.flags, segment.type, segment.pointCount()) != 0) return -1;
            for (int i = 0; i < segment.pointCount(); ++i)
                if (io.writef("p %d %f %f\n", i, segment.point(i).x, segment.point(i).y) != 0) return -1;
        }
    }
    return 0;
}

constexpr FieldTable::Line kProfileTLines[] = {
    field<&ProfileT::textBlock>("textBlock", Spelling::quoted),
    field<&ProfileT::charIndex>("charIndex"),
    {"ip", readContourCount, writeOutline},
    {"cc", readContour},
    {"c", readSegment},
    {"p", readPoint},
    {"end", &CommandEnabler::endCommand},
};
constexpr FieldTable kProfileTTable{kProfileTLines};

}  // namespace

ProfileT::ProfileT(Scene& scene, const char* name) : Profile(scene, name) {
    createOutlinePorts();
    registerCommands();
}

ProfileT::~ProfileT() = default;

CommandTable& ProfileT::commandTable() {
    static CommandTable table;
    return table;
}

void ProfileT::setOutline(const InputProfile2& outline) {
    *ownOutline() = outline;
    profileChanged();
}

void ProfileT::registerCommands() {
    Profile::registerCommands();
    kProfileTTable.registerInto(*this);
}

int ProfileT::writeCommands(CommandIO& io) {
    if (Profile::writeCommands(io) != 0) return -1;
    return kProfileTTable.write(io, *this);
}

}  // namespace fw
