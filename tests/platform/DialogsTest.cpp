// What alerts print: readable lines whatever bytes a file put into the text.
#include "platform/Dialogs.h"

namespace fw {

TEST(Dialogs, PrintableTextEscapesControlBytesAndBrokenUtf8) {
    EXPECT_EQ(Dialogs::printable("\rUnable to open:\rC:\\x.kxp"), "Unable to open:\nC:\\x.kxp");
    EXPECT_EQ(Dialogs::printable("tab\tand caf\xc3\xa9 \xe2\x82\xac"), "tab\tand caf\xc3\xa9 \xe2\x82\xac");
    EXPECT_EQ(Dialogs::printable(std::string("<<\x1b[2J\x07", 7) + std::string(1, '\0') + ">>"),
              "<<\\x1b[2J\\x07\\x00>>");
    // Bytes that are not UTF-8: a lone continuation, a cut sequence, an overlong form.
    EXPECT_EQ(Dialogs::printable("\x80 \xc3 \xe0\x80\x80 \x7f"), "\\x80 \\xc3 \\xe0\\x80\\x80 \\x7f");
    EXPECT_EQ(Dialogs::escaped("a\rb"), "a\\x0db");
    // The C1 controls as UTF-8 (U+009B is a one-character escape sequence); U+00A0 is not one.
    EXPECT_EQ(Dialogs::escaped("<\xc2\x9b" "2J\xc2\x85\xc2\xa0>"), "<\\xc2\\x9b2J\\xc2\\x85\xc2\xa0>");
}

}  // namespace fw
