#include "common/TextDecode.h"

#include <cstdint>

namespace {

// The range the second byte of a sequence may take after lead byte `b`, and
// the sequence's length; 0 when `b` starts none (overlong forms, surrogates
// and values above U+10FFFF are not valid).
size_t SequenceLength(uint8_t b, uint8_t& lo, uint8_t& hi) {
    lo = 0x80;
    hi = 0xBF;
    if (b < 0x80) return 1;
    if (b >= 0xC2 && b <= 0xDF) return 2;
    if (b >= 0xE0 && b <= 0xEF) {
        if (b == 0xE0) lo = 0xA0;
        if (b == 0xED) hi = 0x9F;
        return 3;
    }
    if (b >= 0xF0 && b <= 0xF4) {
        if (b == 0xF0) lo = 0x90;
        if (b == 0xF4) hi = 0x8F;
        return 4;
    }
    return 0;
}

// How many of the bytes s[i] .. s[n - 1] continue the sequence led by s[i]
// correctly, the lead included, up to its length `len`.
size_t GoodPrefix(const uint8_t* s, size_t i, size_t n, size_t len, uint8_t lo, uint8_t hi) {
    size_t k = 1;
    for (; k < len && i + k < n; ++k) {
        const uint8_t c = s[i + k];
        if (k == 1 ? (c < lo || c > hi) : (c < 0x80 || c > 0xBF)) break;
    }
    return k;
}

// Length of the valid UTF-8 sequence starting at s[i], or 0.
size_t ValidSequence(const uint8_t* s, size_t i, size_t n) {
    uint8_t lo, hi;
    const size_t len = SequenceLength(s[i], lo, hi);
    if (len <= 1) return len;
    return GoodPrefix(s, i, n, len, lo, hi) == len ? len : 0;
}

// Where a text of n bytes ends once the tail of a character that the field
// cut off is dropped: n unless the text fills its field and is valid UTF-8
// up to an incomplete last character.
size_t TextEnd(const uint8_t* s, size_t n) {
    if (n < kTextFieldBytes) return n;
    size_t i = 0;
    while (i < n) {
        const size_t len = ValidSequence(s, i, n);
        if (len > 0) {
            i += len;
            continue;
        }
        uint8_t lo, hi;
        const size_t want = SequenceLength(s[i], lo, hi);
        const bool cutTail = want > 1 && i + want > n && GoodPrefix(s, i, n, want, lo, hi) == n - i;
        return cutTail ? i : n;
    }
    return n;
}

uint32_t CodePoint(const uint8_t* s, size_t len) {
    if (len == 1) return s[0];
    uint32_t cp = s[0] & (0x7F >> len);
    for (size_t k = 1; k < len; ++k) cp = (cp << 6) | (s[k] & 0x3F);
    return cp;
}

bool Hidden(uint32_t cp) {
    return cp < 0x20 || (cp >= 0x7F && cp <= 0x9F) || (cp >= 0x202A && cp <= 0x202E) ||
           (cp >= 0x2066 && cp <= 0x2069);
}

void AppendEscaped(std::string& out, const uint8_t* s, size_t len) {
    static const char kHex[] = "0123456789ABCDEF";
    for (size_t k = 0; k < len; ++k) {
        out += "\\x";
        out += kHex[s[k] >> 4];
        out += kHex[s[k] & 0x0F];
    }
}

std::string Decode(const char* text, size_t capacity, bool display) {
    const auto* s = reinterpret_cast<const uint8_t*>(text);
    size_t n = 0;
    while (n < capacity && s[n] != 0) ++n;
    n = TextEnd(s, n);

    std::string out;
    out.reserve(n * 2);
    for (size_t i = 0; i < n;) {
        size_t len = ValidSequence(s, i, n);
        const bool valid = len > 0;
        if (!valid) len = 1;
        const uint32_t cp = valid ? CodePoint(s + i, len) : s[i];  // U+0080..U+00FF
        if (display && Hidden(cp)) {
            AppendEscaped(out, s + i, len);
        } else if (valid) {
            out.append(text + i, len);
        } else {
            out.push_back(static_cast<char>(0xC0 | (s[i] >> 6)));
            out.push_back(static_cast<char>(0x80 | (s[i] & 0x3F)));
        }
        i += len;
    }
    return out;
}

}  // namespace

std::string DecodeByteText(const char* text, size_t capacity) {
    return Decode(text, capacity, false);
}

std::string DisplayByteText(const char* text, size_t capacity) {
    return Decode(text, capacity, true);
}
