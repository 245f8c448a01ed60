#include "site/TextDecode.h"

#include <cstdint>

namespace {

// Length of the valid UTF-8 sequence starting at s[i], or 0 when the byte
// there does not start one (overlong forms, surrogates and values above
// U+10FFFF are not valid).
size_t ValidSequence(const uint8_t* s, size_t i, size_t n) {
    const uint8_t b = s[i];
    if (b < 0x80) return 1;
    size_t len;
    uint8_t lo = 0x80, hi = 0xBF;  // allowed range of the second byte
    if (b >= 0xC2 && b <= 0xDF) {
        len = 2;
    } else if (b >= 0xE0 && b <= 0xEF) {
        len = 3;
        if (b == 0xE0) lo = 0xA0;
        if (b == 0xED) hi = 0x9F;
    } else if (b >= 0xF0 && b <= 0xF4) {
        len = 4;
        if (b == 0xF0) lo = 0x90;
        if (b == 0xF4) hi = 0x8F;
    } else {
        return 0;
    }
    if (i + len > n) return 0;
    if (s[i + 1] < lo || s[i + 1] > hi) return 0;
    for (size_t k = 2; k < len; ++k) {
        if (s[i + k] < 0x80 || s[i + k] > 0xBF) return 0;
    }
    return len;
}

}  // namespace

std::string DecodeByteText(const char* text, size_t capacity) {
    const auto* s = reinterpret_cast<const uint8_t*>(text);
    size_t n = 0;
    while (n < capacity && s[n] != 0) ++n;

    std::string out;
    out.reserve(n * 2);
    for (size_t i = 0; i < n;) {
        const size_t len = ValidSequence(s, i, n);
        if (len > 0) {
            out.append(text + i, len);
            i += len;
        } else {
            // U+0080..U+00FF in UTF-8.
            out.push_back(static_cast<char>(0xC0 | (s[i] >> 6)));
            out.push_back(static_cast<char>(0x80 | (s[i] & 0x3F)));
            ++i;
        }
    }
    return out;
}
