#include "text/TextAttr.h"

#include <cmath>

#include "persistence/CommandIO.h"
#include "persistence/FieldTable.h"
#include "text/Font.h"

namespace fw {

namespace {

constexpr FieldTable::Line kTextAttrLines[] = {
    field<&TextAttr::displayName>("DisplayName", Spelling::quoted),
    field<&TextAttr::name>("Name", Spelling::quoted),
    field<&TextAttr::index>("Index"),
    field<&TextAttr::alignment>("Alignment"),
    field<&TextAttr::size>("Size", Spelling::fixed),
    field<&TextAttr::leading>("Leading", Spelling::fixed),
    field<&TextAttr::spacing>("Spacing", Spelling::fixed),
    field<&TextAttr::widthScale>("WidthScale", Spelling::fixed),
    field<&TextAttr::heightScale>("HeightScale", Spelling::fixed),
    field<&TextAttr::baseShift>("BaseShift", Spelling::fixed),
    field<&TextAttr::kerning>("Kerning", Spelling::fixed),
    field<&TextAttr::emWidth>("EmWidth"),
    {"end", &CommandEnabler::endCommand},
};
constexpr FieldTable kTextAttrTable{kTextAttrLines};

}  // namespace

TextAttr::TextAttr() { kTextAttrTable.registerInto(*this); }

CommandTable& TextAttr::commandTable() {
    static CommandTable table;
    return table;
}

bool TextAttr::operator==(const TextAttr& o) const {
    return name == o.name && index == o.index && size == o.size && leading == o.leading && spacing == o.spacing &&
           widthScale == o.widthScale && heightScale == o.heightScale && baseShift == o.baseShift && kerning == o.kerning;
}

void TextAttr::updateFontMetrics(const veltrane::Font& font) {
    // The font's box gives the line's extent; ascenders take the larger share.
    double box = font.bboxHeight() > 0 ? font.bboxHeight() : 1.0;
    height = std::round(box * size);
    ascent = std::round(0.78 * box * size);
    descent = height - ascent;
    emWidth = static_cast<int>(std::lround(font.advanceWidth(veltrane::Font::kCodeM) * size));
}

int TextAttr::writeCommands(CommandIO& io) { return kTextAttrTable.write(io, *this); }

}  // namespace fw
