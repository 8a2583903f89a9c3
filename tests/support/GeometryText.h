#pragma once
// Stored text checked piece by piece, for blocks whose whole bytes other tests pin.
#include <gtest/gtest.h>

#include <initializer_list>
#include <string>
#include <string_view>

namespace fw::test {

// Every piece occurs in the text; a failure names the piece and shows the text.
inline void expectContains(const std::string& text, std::initializer_list<std::string_view> pieces) {
    for (std::string_view piece : pieces)
        EXPECT_NE(text.find(piece), std::string::npos) << piece << "\nnot in\n" << text;
}

// No piece occurs in the text.
inline void expectLacks(const std::string& text, std::initializer_list<std::string_view> pieces) {
    for (std::string_view piece : pieces) EXPECT_EQ(text.find(piece), std::string::npos) << piece << "\nin\n" << text;
}

}  // namespace fw::test
