// The font list comes from fontconfig and finds the Debian fonts the tests rely on.
#include "platform/FontList.h"

namespace fw {

TEST(FontList, FindsInstalledFontsByFileFullNameAndFamily) {
    const FontList::Entry* byFamily = FontList::find("dejavu sans");
    ASSERT_NE(byFamily, nullptr);
    EXPECT_EQ(std::pair(byFamily->style, byFamily->kind), std::pair(std::string("Book"), FontList::kTrueType));
    EXPECT_NE(FontList::find("FreeSerif"), nullptr);
    const FontList::Entry* byFile = FontList::find("/usr/share/fonts/opentype/freefont/FreeSerif.otf");
    ASSERT_NE(byFile, nullptr);
    EXPECT_EQ(byFile->kind, FontList::kOpenTypeCff);
    EXPECT_EQ(FontList::find("No Such Font Family"), nullptr);
    EXPECT_GT(std::ranges::count(FontList::installed(), FontList::kType1, &FontList::Entry::kind), 0);  // the URW fonts
}

}  // namespace fw
