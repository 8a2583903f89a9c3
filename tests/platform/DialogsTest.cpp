// What alerts print: readable lines whatever bytes a file put into the text.
#include "platform/Dialogs.h"

#include <gtest/gtest.h>

namespace fw {

TEST(Dialogs, PrintableTextEscapesControlBytesAndBrokenUtf8) {
    EXPECT_EQ(Dialogs::printable("\rUnable to open:\rC:\\x.kxp"), "Unable to open:\nC:\\x.kxp");
    EXPECT_EQ(Dialogs::printable("tab\tand caf\xc3\xa9 \xe2\x82\xac"), "tab\tand caf\xc3\xa9 \xe2\x82\xac");
    EXPECT_EQ(Dialogs::printable(std::string("<<\x1b[2J\x07", 7) + std::string(1, '\0') + ">>"),
              "<<\\x1b[2J\\x07\\x00>>");
    // Bytes that are not UTF-8: a lone continuation, a cut sequence, an overlong form.
    EXPECT_EQ(Dialogs::printable("\x80 \xc3 \xe0\x80\x80 \x7f"), "\\x80 \\xc3 \\xe0\\x80\\x80 \\x7f");
    EXPECT_EQ(Dialogs::escaped("a\rb"), "a\\x0db");
}

}  // namespace fw
