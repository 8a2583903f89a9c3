#pragma once
// The toolkit's colour: 16-bit RGB and 16-bit HSV kept side by side, so a colour
// picked in either space keeps its exact components. Gradient stops hold one.

#include <cstdint>

namespace fw {

class kxColor {
public:
    static constexpr double kMax = 65535.0;

    kxColor() { setRGB(32896, 32896, 32896); }
    static kxColor fromRGB(uint16_t r, uint16_t g, uint16_t b);
    static kxColor fromHSV(uint16_t h, uint16_t s, uint16_t v);
    // Components in 0..1, rounded to 16 bits.
    static kxColor fromUnitRGB(double r, double g, double b);

    // Sets one space exactly and derives the other.
    void setRGB(uint16_t r, uint16_t g, uint16_t b);
    void setHSV(uint16_t h, uint16_t s, uint16_t v);

    // Conversions in 0..1 (hue too: 1 is a full turn).
    static void rgbToHsv(double r, double g, double b, double& h, double& s, double& v);
    static void hsvToRgb(double h, double s, double v, double& r, double& g, double& b);

    bool operator==(const kxColor& o) const;

    uint16_t red = 0, green = 0, blue = 0;
    uint16_t hue = 0, saturation = 0, value = 0;
    bool hsvSet = false;   // the HSV components are the ones last set, RGB derived
    uint8_t alpha = 255;   // kept for the toolkit; gradients take opacity from opacity stops
};

}  // namespace fw
