#include "app/ContactSheet.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "app/SwatchCaption.h"
#include "app/SwatchRenderer.h"
#include "output/ImageWriter.h"
#include "surface/Picture.h"

namespace fw {

namespace {

constexpr int kGap = 10, kCaption = 22;
constexpr double kTextSize = 13;
constexpr uint8_t kPaper[3] = {28, 28, 32}, kInk[3] = {225, 225, 228};

}  // namespace

bool ContactSheet::write(FactoryLibrary::Kind kind, const std::string& path, std::string& error) {
    if (!ImageWriter::supports(path)) {
        error = "unknown image type (use .png, .tga, .jpg, .tif, .bmp, .jp2 or .exr)";
        return false;
    }
    const std::vector<std::string> names = FactoryLibrary::names(kind);
    SwatchCaption caption;
    if (!caption.load("DejaVu Sans", error)) return false;
    const int columns = std::min<int>(kColumns, std::max<int>(1, static_cast<int>(names.size())));
    const int rows = (static_cast<int>(names.size()) + columns - 1) / columns;
    const int cellWidth = kSwatchWidth + kGap, cellHeight = kSwatchHeight + kCaption + kGap;
    const int width = columns * cellWidth + kGap, height = rows * cellHeight + kGap;
    std::vector<uint8_t> sheet(static_cast<size_t>(width) * height * 4);
    for (size_t i = 0; i < sheet.size(); i += 4) std::copy(kPaper, kPaper + 3, &sheet[i]), sheet[i + 3] = 255;
    SwatchRenderer renderer;
    Picture swatch;
    for (size_t n = 0; n < names.size(); ++n) {
        const int column = static_cast<int>(n) % columns, row = static_cast<int>(n) / columns;
        // Rows run bottom-up: the first row of swatches is the top of the sheet.
        const int left = kGap + column * cellWidth;
        const int top = height - kGap - row * cellHeight;
        if (!renderer.preset(kind, names[n], kSwatchWidth, kSwatchHeight, swatch, error)) {
            error = names[n] + ": " + error;
            return false;
        }
        for (int y = 0; y < kSwatchHeight; ++y)
            std::copy(swatch.row(y), swatch.row(y) + kSwatchWidth * 4,
                      &sheet[(static_cast<size_t>(top - kSwatchHeight + y) * width + left) * 4]);
        double size = kTextSize, textWidth = caption.width(names[n], size);
        if (textWidth > kSwatchWidth) size *= kSwatchWidth / textWidth, textWidth = kSwatchWidth;
        caption.draw(sheet, width, height, names[n], left + (kSwatchWidth - textWidth) / 2,
                     top - kSwatchHeight - kCaption + 7, size, kInk);
    }
    return ImageWriter::write(path, {width, height, sheet.data()}, false, error);
}

}  // namespace fw
