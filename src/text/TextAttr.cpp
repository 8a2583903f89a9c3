#include "text/TextAttr.h"

#include <cmath>

#include "persistence/CommandIO.h"
#include "persistence/FieldReaders.h"
#include "text/Font.h"

namespace fw {

TextAttr::TextAttr() {
    registerCommand("DisplayName", readField<&TextAttr::displayName>);
    registerCommand("Name", readField<&TextAttr::name>);
    registerCommand("Index", readField<&TextAttr::index>);
    registerCommand("Alignment", readField<&TextAttr::alignment>);
    registerCommand("Size", readField<&TextAttr::size>);
    registerCommand("Leading", readField<&TextAttr::leading>);
    registerCommand("Spacing", readField<&TextAttr::spacing>);
    registerCommand("WidthScale", readField<&TextAttr::widthScale>);
    registerCommand("HeightScale", readField<&TextAttr::heightScale>);
    registerCommand("BaseShift", readField<&TextAttr::baseShift>);
    registerCommand("Kerning", readField<&TextAttr::kerning>);
    registerCommand("EmWidth", readField<&TextAttr::emWidth>);
    registerCommand("end", CommandEnabler::endCommand);
}

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

int TextAttr::writeCommands(CommandIO& io) {
    io.writef("DisplayName \"%s\"\n", escapeQuotes(displayName).c_str());
    io.writef("Name \"%s\"\n", escapeQuotes(name).c_str());
    io.writef("Index %d\n", index);
    io.writef("Alignment %d\n", alignment);
    io.writef("Size %f\n", size);
    io.writef("Leading %f\n", leading);
    io.writef("Spacing %f\n", spacing);
    io.writef("WidthScale %f\n", widthScale);
    io.writef("HeightScale %f\n", heightScale);
    io.writef("BaseShift %f\n", baseShift);
    io.writef("Kerning %f\n", kerning);
    io.writef("EmWidth %d\n", emWidth);
    return 0;
}

}  // namespace fw
