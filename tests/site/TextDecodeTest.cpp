#include <gtest/gtest.h>

#include <string>

#include "common/TextDecode.h"

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

// A full field (31 bytes) whose last character was cut loses only that
// character's bytes; anything else keeps every byte. Control characters are
// shown as their bytes for people and kept for JSON.
TEST(DecodeByteText, DropsOnlyACutLastCharacterAndDisplayShowsControlsAsTheirBytes) {
    const std::string a15 = [] {
        std::string s;
        for (int i = 0; i < 15; ++i) s += "\xC3\x84";  // Ä, 30 bytes
        return s;
    }();
    const struct {
        std::string in, exact, shown;
    } rows[] = {
        {a15 + "\xC3", a15, a15},  // Ä cut after its first byte
        {a15.substr(4) + "xy\xE2\x82\xAC", a15.substr(4) + "xy\xE2\x82\xAC",
         a15.substr(4) + "xy\xE2\x82\xAC"},  // 31 bytes ending in a whole euro sign: kept
        {a15.substr(4) + "xyz\xE2\x82", a15.substr(4) + "xyz", a15.substr(4) + "xyz"},
        {std::string(29, 'a') + "\xF0\x9F", std::string(29, 'a'), std::string(29, 'a')},
        {"\xE9" + a15.substr(2) + "a\xC3", "\xC3\xA9" + a15.substr(2) + "a\xC3\x83",
         "\xC3\xA9" + a15.substr(2) + "a\xC3\x83"},  // not UTF-8 before it: Latin-1
        {std::string(30, 'a') + "\xC3", std::string(30, 'a'),
         std::string(30, 'a')},  // a full field's last lead byte
        {std::string(29, 'a') + "\xC3", std::string(29, 'a') + "\xC3\x83",
         std::string(29, 'a') + "\xC3\x83"},  // 30 bytes: not cut, Latin-1 Ã
        {"a\021b", "a\021b", "a\\x11b"},      // 0x11
        {"\tx\r\n", "\tx\r\n", "\\x09x\\x0D\\x0A"},
        {"\x7F", "\x7F", "\\x7F"},
        {"x\x85", "x\xC2\x85", "x\\x85"},           // C1 from a lone byte
        {"x\xC2\x85", "x\xC2\x85", "x\\xC2\\x85"},  // C1 in UTF-8
        {"abc\xE2\x80\xAEgpj.exe", "abc\xE2\x80\xAEgpj.exe", "abc\\xE2\\x80\\xAEgpj.exe"},
        {"caf\xC3\xA9 \xE2\x80\x94 ok", "caf\xC3\xA9 \xE2\x80\x94 ok",
         "caf\xC3\xA9 \xE2\x80\x94 ok"},  // é and an em dash are text
    };
    for (const auto& r : rows) {
        EXPECT_EQ(DecodeByteText(r.in.c_str(), 32), r.exact) << r.in;
        EXPECT_EQ(DisplayByteText(r.in.c_str(), 32), r.shown) << r.in;
    }
}
