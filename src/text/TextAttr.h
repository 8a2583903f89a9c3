#pragma once
// The typographic settings of a run of characters: font, size, leading, tracking,
// scales, baseline shift, kerning and alignment, with the font metrics they give.

#include <string>

#include "persistence/CommandEnabler.h"

namespace fw {

namespace veltrane {
class Font;
}

class TextAttr : public CommandEnabler {
public:
    static constexpr double kLeadingNotSet = -1000.0;
    enum Alignment { kLeft = 0, kCentred = 1, kRight = 2, kJustified = 3, kJustifiedAll = 4 };

    TextAttr();
    int writeCommands(CommandIO& io) override;
    CommandTable& commandTable() override;
    const char* className() const override { return "TextAttr"; }

    // Equal when the font and every size and spacing value match exactly.
    bool operator==(const TextAttr& other) const;
    // The distance between baselines: the leading, or 1.2 x Size while it is not set.
    double lineSpacing() const { return leading == kLeadingNotSet ? 1.2 * size : leading; }
    // Ascent, descent and height at this size, and the width of "M", from the font.
    void updateFontMetrics(const veltrane::Font& font);

    std::string displayName;
    std::string name = "Times New Roman";
    int index = 0;
    int alignment = kLeft;
    double size = 72.0;
    double leading = kLeadingNotSet;
    double spacing = 0.0;
    double widthScale = 100.0;
    double heightScale = 100.0;
    double baseShift = 0.0;
    double kerning = 0.0;
    int emWidth = 72;
    // Metrics cache, device units at Size.
    double ascent = 0.8 * 72, descent = 0.2 * 72, height = 72;
};

}  // namespace fw
