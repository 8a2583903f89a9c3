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

bool ContactSheet::write(const std::vector<Swatch>& swatches, const std::string& path, std::string& error) {
    if (!ImageWriter::supports(path)) {
        error = "unknown image type (use " + ImageWriter::extensions() + ")";
        return false;
    }
    SwatchCaption caption;
    if (!caption.load("DejaVu Sans", error)) return false;
    const int count = static_cast<int>(swatches.size());
    const int columns = std::min<int>(kColumns, std::max<int>(1, count));
    const int rows = std::max(1, (count + columns - 1) / columns);
    const int cellWidth = kSwatchWidth + kGap, cellHeight = kSwatchHeight + kCaption + kGap;
    const int width = columns * cellWidth + kGap, height = rows * cellHeight + kGap;
    std::vector<uint8_t> sheet(static_cast<size_t>(width) * height * 4);
    for (size_t i = 0; i < sheet.size(); i += 4) std::copy(kPaper, kPaper + 3, &sheet[i]), sheet[i + 3] = 255;
    for (int n = 0; n < count; ++n) {
        const Swatch& swatch = swatches[static_cast<size_t>(n)];
        const int column = n % columns, row = n / columns;
        // Rows run bottom-up: the first row of swatches is the top of the sheet.
        const int left = kGap + column * cellWidth;
        const int top = height - kGap - row * cellHeight;
        if (const Picture* picture = swatch.picture) {
            // A smaller picture sits in the middle of its cell; a larger one is cut.
            const int w = std::min(picture->width(), kSwatchWidth), h = std::min(picture->height(), kSwatchHeight);
            const int x0 = left + (kSwatchWidth - w) / 2, y0 = top - kSwatchHeight + (kSwatchHeight - h) / 2;
            for (int y = 0; y < h; ++y)
                std::copy(picture->row(y), picture->row(y) + w * 4,
                          &sheet[(static_cast<size_t>(y0 + y) * width + x0) * 4]);
        }
        double size = kTextSize, textWidth = caption.width(swatch.name, size);
        if (textWidth > kSwatchWidth) size *= kSwatchWidth / textWidth, textWidth = kSwatchWidth;
        caption.draw(sheet, width, height, swatch.name, left + (kSwatchWidth - textWidth) / 2,
                     top - kSwatchHeight - kCaption + 7, size, kInk);
    }
    return ImageWriter::write(path, {width, height, sheet.data()}, false, error);
}

bool ContactSheet::write(FactoryLibrary::Kind kind, const std::string& path, std::string& error) {
    const std::vector<std::string> names = FactoryLibrary::names(kind);
    SwatchRenderer renderer;
    std::vector<Picture> pictures(names.size());
    std::vector<Swatch> swatches;
    for (size_t n = 0; n < names.size(); ++n) {
        if (!renderer.preset(kind, names[n], kSwatchWidth, kSwatchHeight, pictures[n], error)) {
            error = names[n] + ": " + error;
            return false;
        }
        swatches.push_back({names[n], &pictures[n]});
    }
    return write(swatches, path, error);
}

}  // namespace fw
