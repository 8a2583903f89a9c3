#include "platform/FontList.h"

#include <fontconfig/fontconfig.h>

#include <algorithm>
#include <cctype>
#include <cstring>
#include <tuple>

namespace fw {

namespace {

std::string text(FcPattern* font, const char* property) {
    FcChar8* value = nullptr;
    return FcPatternGetString(font, property, 0, &value) == FcResultMatch && value
               ? std::string(reinterpret_cast<const char*>(value))
               : std::string();
}

std::string lower(std::string s) {
    std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return std::tolower(c); });
    return s;
}

std::vector<FontList::Entry> scan() {
    std::vector<FontList::Entry> list;
    if (!FcInit()) return list;
    FcPattern* pattern = FcPatternCreate();
    FcObjectSet* properties = FcObjectSetBuild(FC_FAMILY, FC_STYLE, FC_FULLNAME, FC_FILE, FC_INDEX, FC_FONTFORMAT,
                                               FC_OUTLINE, static_cast<char*>(nullptr));
    FcFontSet* fonts = FcFontList(nullptr, pattern, properties);
    for (int i = 0; fonts && i < fonts->nfont; ++i) {
        FcPattern* font = fonts->fonts[i];
        FcBool outline = FcFalse;
        if (FcPatternGetBool(font, FC_OUTLINE, 0, &outline) == FcResultMatch && !outline) continue;
        FontList::Entry e;
        e.family = text(font, FC_FAMILY);
        e.style = text(font, FC_STYLE);
        e.fullName = text(font, FC_FULLNAME);
        e.file = text(font, FC_FILE);
        FcPatternGetInteger(font, FC_INDEX, 0, &e.index);
        std::string format = text(font, FC_FONTFORMAT), ext = lower(e.file.substr(e.file.rfind('.') + 1));
        if (format == "Type 1" || ext == "pfb" || ext == "pfa" || ext == "t1")
            e.kind = FontKind::kType1;
        else if (format == "CFF" || ext == "otf")
            e.kind = FontKind::kOpenTypeCff;
        else if (format == "TrueType" || ext == "ttf" || ext == "ttc")
            e.kind = FontKind::kTrueType;
        else
            continue;  // bitmap and other formats cannot be extruded
        if (e.fullName.empty()) e.fullName = e.style.empty() ? e.family : e.family + " " + e.style;
        list.push_back(e);
    }
    if (fonts) FcFontSetDestroy(fonts);
    FcObjectSetDestroy(properties);
    FcPatternDestroy(pattern);
    FcFini();  // the list is copied out; fontconfig's own caches can go
    std::sort(list.begin(), list.end(), [](const FontList::Entry& a, const FontList::Entry& b) {
        return std::tie(a.family, a.style, a.file) < std::tie(b.family, b.style, b.file);
    });
    return list;
}

}  // namespace

const std::vector<FontList::Entry>& FontList::installed() {
    static const std::vector<Entry> list = scan();
    return list;
}

const FontList::Entry* FontList::find(const std::string& nameOrFile) {
    const auto& list = installed();
    std::string wanted = lower(nameOrFile);
    for (const Entry& e : list)
        if (e.file == nameOrFile) return &e;
    for (const Entry& e : list)
        if (lower(e.fullName) == wanted) return &e;
    const Entry* any = nullptr;
    for (const Entry& e : list) {
        if (lower(e.family) != wanted) continue;
        std::string style = lower(e.style);
        if (style == "regular" || style == "book" || style == "roman" || style == "medium") return &e;
        if (!any) any = &e;
    }
    return any;
}

}  // namespace fw
