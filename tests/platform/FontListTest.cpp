// The font list comes from fontconfig and finds the Debian fonts the tests rely on.
#include "platform/FontList.h"

namespace fw {

TEST(FontList, FindsInstalledFontsByFileFullNameAndFamily) {
    const FontList::Entry* byFamily = FontList::find("dejavu sans");
    ASSERT_NE(byFamily, nullptr);
    EXPECT_EQ(byFamily->style, "Book");
    EXPECT_EQ(byFamily->kind, FontList::kTrueType);
    const FontList::Entry* byName = FontList::find("FreeSerif");
    ASSERT_NE(byName, nullptr);
    const FontList::Entry* byFile = FontList::find("/usr/share/fonts/opentype/freefont/FreeSerif.otf");
    ASSERT_NE(byFile, nullptr);
    EXPECT_EQ(byFile->kind, FontList::kOpenTypeCff);
    EXPECT_EQ(FontList::find("No Such Font Family"), nullptr);
    bool type1 = false;
    for (const auto& e : FontList::installed()) type1 = type1 || e.kind == FontList::kType1;
    EXPECT_TRUE(type1);  // the URW fonts
}

}  // namespace fw
