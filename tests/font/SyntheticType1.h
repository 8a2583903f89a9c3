#pragma once
// Builds small Type 1 fonts for the cases the installed ones do not show: hand-written charstrings, other lenIV
// values, a font's own encoding, flex, damage. Encrypted as the format says, in the three layouts.

#include <cstdint>
#include <initializer_list>
#include <utility>

namespace fw::test::t1 {

using Bytes = std::string;

// Charstring numbers in their shortest encoding, then an operator (escaped ones as 1200 + second byte).
inline Bytes cs(std::initializer_list<int> numbers, int op = -1) {
    Bytes b;
    for (int v : numbers) {
        if (v >= -107 && v <= 107) {
            b += static_cast<char>(v + 139);
        } else if (v >= 108 && v <= 1131) {
            b += static_cast<char>((v - 108) / 256 + 247), b += static_cast<char>((v - 108) % 256);
        } else if (v <= -108 && v >= -1131) {
            b += static_cast<char>((-v - 108) / 256 + 251), b += static_cast<char>((-v - 108) % 256);
        } else {
            b += static_cast<char>(255);
            for (int shift = 24; shift >= 0; shift -= 8)
                b += static_cast<char>((static_cast<uint32_t>(v) >> shift) & 0xFF);
        }
    }
    if (op >= 1200) b += static_cast<char>(12), b += static_cast<char>(op - 1200);
    else if (op >= 0) b += static_cast<char>(op);
    return b;
}

enum Op {
    kRlineto = 5, kHlineto = 6, kVlineto = 7, kClosepath = 9, kCallsubr = 10, kReturn = 11, kHsbw = 13, kEndchar = 14,
    kRmoveto = 21, kHmoveto = 22, kVhcurveto = 30, kHvcurveto = 31, kSeac = 1206, kSbw = 1207, kDiv = 1212,
    kCallothersubr = 1216, kPop = 1217, kSetcurrentpoint = 1233,
};

// Encrypts with the format's cipher, `seed` bytes of zeros first.
inline Bytes encrypt(const Bytes& plain, uint16_t key, int seed) {
    Bytes out;
    uint16_t r = key;
    auto put = [&](uint8_t p) {
        uint8_t c = static_cast<uint8_t>(p ^ (r >> 8));
        r = static_cast<uint16_t>((c + r) * 52845 + 22719);
        out += static_cast<char>(c);
    };
    for (int i = 0; i < seed; ++i) put(0);
    for (char p : plain) put(static_cast<uint8_t>(p));
    return out;
}

enum class Layout { kText, kPfa, kPfb };

struct Font {
    int lenIV = 4;
    std::string encoding = "StandardEncoding";  // or the "dup CODE /name put" lines of an encoding of its own
    std::string matrix = "[0.001 0 0 0.001 0 0]";
    std::vector<Bytes> subrs;
    std::vector<std::pair<std::string, Bytes>> glyphs;
    // The four subroutines fonts carry for flex and hint replacement.
    void standardSubrs() {
        subrs = {cs({3, 0}, kCallothersubr) + cs({}, kPop) + cs({}, kPop) + cs({}, kSetcurrentpoint) +
                     cs({}, kReturn),
                 cs({0, 1}, kCallothersubr) + cs({}, kReturn), cs({0, 2}, kCallothersubr) + cs({}, kReturn),
                 cs({}, kReturn)};
    }
    Bytes charstring(const Bytes& plain) const { return lenIV < 0 ? plain : encrypt(plain, 4330, lenIV); }
    Bytes build(Layout layout) const {
        Bytes header = "%!PS-AdobeFont-1.0: Test-Regular 001.000\n10 dict begin\n/FontName /Test-Regular def\n"
                       "/FontMatrix " + matrix + " readonly def\n/FontBBox {0 -100 800 900} readonly def\n";
        if (encoding.find("dup") == std::string::npos)
            header += "/Encoding " + encoding + " def\n";
        else
            header += "/Encoding 256 array\n0 1 255 {1 index exch /.notdef put} for\n" + encoding + "readonly def\n";
        header += "currentdict end\ncurrentfile eexec\n";
        Bytes priv = "dup /Private 8 dict dup begin\n/RD{string currentfile exch readstring pop}executeonly def\n"
                     "/ND{noaccess def}executeonly def\n/NP{noaccess put}executeonly def\n";
        if (lenIV != 4) priv += "/lenIV " + std::to_string(lenIV) + " def\n";
        priv += "/Subrs " + std::to_string(subrs.size()) + " array\n";
        for (size_t i = 0; i < subrs.size(); ++i) {
            Bytes s = charstring(subrs[i]);
            // Both spellings of the entry's words occur in fonts.
            priv += "dup " + std::to_string(i) + " " + std::to_string(s.size()) + (i % 2 ? " -| " : " RD ") + s +
                    (i % 2 ? " |\n" : " NP\n");
        }
        priv += "ND\n2 index /CharStrings " + std::to_string(glyphs.size()) + " dict dup begin\n";
        for (const auto& [name, plain] : glyphs) {
            Bytes s = charstring(plain);
            priv += "/" + name + " " + std::to_string(s.size()) + " RD " + s + " ND\n";
        }
        priv += "end\nend\nreadonly put\nnoaccess put\ndup/FontName get exch definefont pop\n"
                "mark currentfile closefile\n";
        Bytes cipher = encrypt(priv, 55665, 4);
        Bytes trailer;
        for (int i = 0; i < 8; ++i) trailer += std::string(64, '0') + "\n";
        trailer += "cleartomark\n";
        if (layout == Layout::kText) return header + cipher + trailer;
        if (layout == Layout::kPfa) {
            Bytes hex;
            const char* digits = "0123456789abcdef";
            for (size_t i = 0; i < cipher.size(); ++i) {
                hex += digits[static_cast<uint8_t>(cipher[i]) >> 4], hex += digits[cipher[i] & 15];
                if (i % 32 == 31) hex += '\n';
            }
            return header + hex + "\n" + trailer;
        }
        auto segment = [](int type, const Bytes& body) {
            Bytes b = {static_cast<char>(0x80), static_cast<char>(type)};
            for (int shift = 0; shift < 32; shift += 8) b += static_cast<char>((body.size() >> shift) & 0xFF);
            return b + body;
        };
        return segment(1, header) + segment(2, cipher) + segment(1, trailer) + Bytes{static_cast<char>(0x80), 3};
    }
};

}  // namespace fw::test::t1
