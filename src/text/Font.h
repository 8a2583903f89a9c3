#pragma once
// One font file loaded for setting text: the outline of every character it was asked
// for as an InputProfile2 in em units, with advance widths and side bearings. The
// file is read by the font layer (FontFile and its parsers); what is kept here is
// the stored "Font" block and the outlines built from the raw glyph records.

#include <cstdint>
#include <vector>

#include "font/FontFile.h"
#include "persistence/CommandEnabler.h"
#include "profile/InputProfile2.h"

namespace fw::veltrane {

class Font : public CommandEnabler, public FontFile {
public:
    // A font read from a "Font" block: only its name, 256 empty slots.
    Font();
    Font(FontKind fileType, const char* fontName, const char* path, const uint16_t* codes = nullptr,
         int codeCount = 0);
    ~Font() override;

    int writeCommands(CommandIO& io) override;
    CommandTable& commandTable() override;
    const char* className() const override { return "Font"; }

    // Parses the file, converts the raw records into outlines and discards them.
    // Slots the parse did not reach keep empty outlines and zero metrics.
    bool load();
    // The outlines of the slots from the raw records (a slot without one stays empty).
    void buildProfiles();

    // Lookups by character code; codes 128 to 255 are translated as the slots were.
    // The first slot's outline when the code has no slot.
    const InputProfile2& outline(int code) const;
    float advanceWidth(int code) const;  // em units; 0 without a slot
    // Whether the file has a glyph of its own for the code: a code its character map
    // leaves out is drawn with glyph 0, the font's missing-glyph box.
    bool hasGlyph(int code) const;
    float leftSideBearing(int code) const;
    double emWidthM() const { return emWidthM_; }
    double bboxHeight() const { return bboxHeight_; }
    double bboxWidth() const { return bboxWidth_; }

    int32_t info[2] = {0, 0};  // the two numbers of "fontInfo"
    // The path a file gave; it never picks the font file, but is written back while
    // no file is loaded, so resaving loses nothing.
    std::string storedPath;

private:
    void registerCommands();
    void convertGlyph(const RawGlyph& raw, double scale, InputProfile2& profile) const;

    std::vector<InputProfile2> outlines_;
    std::vector<float> advances_;
    std::vector<float> lsbs_;
    std::vector<char> present_;
    double emWidthM_ = 0;
    double bboxHeight_ = 0;
    double bboxWidth_ = 0;
};

}  // namespace fw::veltrane
