#pragma once
// What an artwork reader gave, in forms the tests compare: one value per profile, and every point; and repeated input.

#include <gtest/gtest.h>

#include "artwork/ArtworkReader.h"

namespace fw::test {

// `piece` `count` times over: the long and deep inputs of damaged files.
inline std::string times(const std::string& piece, int count) {
    std::string out;
    for (int i = 0; i < count; ++i) out += piece;
    return out;
}

template <class F>
auto eachProfile(const ArtworkReader& reader, F value) {
    std::vector<decltype(value(ArtworkProfile{}))> out;
    for (const ArtworkProfile& p : reader.profiles()) out.push_back(value(p));
    return out;
}
inline std::vector<std::string> namesOf(const ArtworkReader& reader) {
    return eachProfile(reader, [](const ArtworkProfile& p) { return p.name; });
}
inline std::vector<int> fillsOf(const ArtworkReader& reader) {
    return eachProfile(reader, [](const ArtworkProfile& p) { return p.fill; });
}
inline std::vector<int> strokesOf(const ArtworkReader& reader) {
    return eachProfile(reader, [](const ArtworkProfile& p) { return p.stroke; });
}
inline std::vector<size_t> contourCounts(const ArtworkReader& reader) {
    return eachProfile(reader, [](const ArtworkProfile& p) { return p.outline.contours().size(); });
}

// Every point of every outline, anchors and handles, must be a finite number.
inline void expectFinite(const ArtworkReader& reader) {
    for (const ArtworkProfile& p : reader.profiles())
        for (const CompositeCurve2& contour : p.outline.contours())
            for (const Curve2& segment : contour.segments())
                for (int i = 0; i < segment.pointCount(); ++i)
                    ASSERT_TRUE(std::isfinite(segment.point(i).x) && std::isfinite(segment.point(i).y)) << p.name;
}

}  // namespace fw::test
