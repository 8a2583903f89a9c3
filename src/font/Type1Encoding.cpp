#include "font/Type1Encoding.h"

namespace fw::veltrane {

namespace {

// Codes 32 to 126 are shared by both vectors but for the two quotes and the hyphen.
const char* const kAscii[95] = {
    "space",      "exclam",     "quotedbl",     "numbersign",  "dollar",      "percent",    "ampersand", "quoteright",
    "parenleft",  "parenright", "asterisk",     "plus",        "comma",       "hyphen",     "period",    "slash",
    "zero",       "one",        "two",          "three",       "four",        "five",       "six",       "seven",
    "eight",      "nine",       "colon",        "semicolon",   "less",        "equal",      "greater",   "question",
    "at",         "A",          "B",            "C",           "D",           "E",          "F",         "G",
    "H",          "I",          "J",            "K",           "L",           "M",          "N",         "O",
    "P",          "Q",          "R",            "S",           "T",           "U",          "V",         "W",
    "X",          "Y",          "Z",            "bracketleft", "backslash",   "bracketright", "asciicircum",
    "underscore", "quoteleft",  "a",            "b",           "c",           "d",          "e",         "f",
    "g",          "h",          "i",            "j",           "k",           "l",          "m",         "n",
    "o",          "p",          "q",            "r",           "s",           "t",          "u",         "v",
    "w",          "x",          "y",            "z",           "braceleft",   "bar",        "braceright", "asciitilde",
};

// StandardEncoding from 161 to 251.
const char* const kStandardHigh[91] = {
    "exclamdown", "cent", "sterling", "fraction", "yen", "florin", "section", "currency", "quotesingle",
    "quotedblleft", "guillemotleft", "guilsinglleft", "guilsinglright", "fi", "fl", nullptr,  // 161-176
    "endash", "dagger", "daggerdbl", "periodcentered", nullptr, "paragraph", "bullet", "quotesinglbase",
    "quotedblbase", "quotedblright", "guillemotright", "ellipsis", "perthousand", nullptr, "questiondown",
    nullptr,  // 177-192
    "grave", "acute", "circumflex", "tilde", "macron", "breve", "dotaccent", "dieresis", nullptr, "ring", "cedilla",
    nullptr, "hungarumlaut", "ogonek", "caron", "emdash",  // 193-208
    nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
    nullptr, nullptr, nullptr, nullptr,  // 209-224
    "AE", nullptr, "ordfeminine", nullptr, nullptr, nullptr, nullptr, "Lslash", "Oslash", "OE", "ordmasculine",
    nullptr, nullptr, nullptr, nullptr, nullptr,  // 225-240
    "ae", nullptr, nullptr, nullptr, "dotlessi", nullptr, nullptr, "lslash", "oslash", "oe", "germandbls",  // 241-251
};

// ISOLatin1Encoding from 144 to 255.
const char* const kLatin1High[112] = {
    "dotlessi", "grave", "acute", "circumflex", "tilde", "macron", "breve", "dotaccent", "dieresis", nullptr, "ring",
    "cedilla", nullptr, "hungarumlaut", "ogonek", "caron",  // 144-159
    "space", "exclamdown", "cent", "sterling", "currency", "yen", "brokenbar", "section", "dieresis", "copyright",
    "ordfeminine", "guillemotleft", "logicalnot", "hyphen", "registered", "macron",  // 160-175
    "degree", "plusminus", "twosuperior", "threesuperior", "acute", "mu", "paragraph", "periodcentered", "cedilla",
    "onesuperior", "ordmasculine", "guillemotright", "onequarter", "onehalf", "threequarters",
    "questiondown",  // 176-191
    "Agrave", "Aacute", "Acircumflex", "Atilde", "Adieresis", "Aring", "AE", "Ccedilla", "Egrave", "Eacute",
    "Ecircumflex", "Edieresis", "Igrave", "Iacute", "Icircumflex", "Idieresis",  // 192-207
    "Eth", "Ntilde", "Ograve", "Oacute", "Ocircumflex", "Otilde", "Odieresis", "multiply", "Oslash", "Ugrave",
    "Uacute", "Ucircumflex", "Udieresis", "Yacute", "Thorn", "germandbls",  // 208-223
    "agrave", "aacute", "acircumflex", "atilde", "adieresis", "aring", "ae", "ccedilla", "egrave", "eacute",
    "ecircumflex", "edieresis", "igrave", "iacute", "icircumflex", "idieresis",  // 224-239
    "eth", "ntilde", "ograve", "oacute", "ocircumflex", "otilde", "odieresis", "divide", "oslash", "ugrave",
    "uacute", "ucircumflex", "udieresis", "yacute", "thorn", "ydieresis",  // 240-255
};

}  // namespace

const char* standardEncodingName(int code) {
    if (code >= 32 && code <= 126) return kAscii[code - 32];
    if (code >= 161 && code <= 251) return kStandardHigh[code - 161];
    return nullptr;
}

const char* isoLatin1EncodingName(int code) {
    if (code == '\'') return "quoteright";
    if (code == '-') return "minus";
    if (code == '`') return "quoteleft";
    if (code >= 32 && code <= 126) return kAscii[code - 32];
    if (code >= 144 && code <= 255) return kLatin1High[code - 144];
    return nullptr;
}

}  // namespace fw::veltrane
