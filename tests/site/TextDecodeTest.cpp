#include <gtest/gtest.h>

#include "site/TextDecode.h"

TEST(DecodeByteText, KeepsValidUtf8AndMapsOtherBytesToTheirLatin1Character) {
    EXPECT_EQ(DecodeByteText("lab", 32), "lab");
    EXPECT_EQ(DecodeByteText("Caf\xC3\xA9", 32), "Caf\xC3\xA9");    // valid UTF-8 kept
    EXPECT_EQ(DecodeByteText("Caf\xE9", 32), "Caf\xC3\xA9");        // lone 0xE9 is é
    EXPECT_EQ(DecodeByteText("\xFF\x80", 32), "\xC3\xBF\xC2\x80");  // every byte survives
    EXPECT_EQ(DecodeByteText("\xC0\x80", 32), "\xC3\x80\xC2\x80");  // overlong NUL
    EXPECT_EQ(DecodeByteText("\xED\xA0\x80", 32), "\xC3\xAD\xC2\xA0\xC2\x80");  // surrogate
    EXPECT_EQ(DecodeByteText("\xE2\x82", 32), "\xC3\xA2\xC2\x82");              // cut-off sequence
    EXPECT_EQ(DecodeByteText("\xF0\x9F\x93\xB6x", 32), "\xF0\x9F\x93\xB6x");    // 4-byte kept
    EXPECT_EQ(DecodeByteText("\xF4\x90\x80\x80", 32), "\xC3\xB4\xC2\x90\xC2\x80\xC2\x80");
    EXPECT_EQ(DecodeByteText("abc\0def", 32), "abc");  // stops at the NUL
    const char field[4] = {'w', 'x', 'y', 'z'};        // no NUL inside the field
    EXPECT_EQ(DecodeByteText(field), "wxyz");
}
