#pragma once
// The system's texts are single bytes in fixed fields. For display and for
// JSON they become Unicode: runs that are valid UTF-8 stay as they are, and
// every other byte stands for the character of the same number (U+0080 to
// U+00FF), so no byte is ever lost or shown as a replacement character.
//
// A field holds at most 31 bytes, and whoever filled it (the board, the
// adapter, the desktop) cut a longer UTF-8 text there, possibly in the middle
// of a character. A text of 31 bytes that is valid UTF-8 up to a last,
// incomplete character is shown without those last bytes: they are what is
// left of a character, not characters of their own ("ÄÄÄ" rather than
// "ÄÄÄÃ"). The field itself keeps every byte.

#include <cstddef>
#include <string>

// The longest text a 32-byte field holds (the NUL takes the last byte).
inline constexpr size_t kTextFieldBytes = 31;

// The bytes of `text` (up to the first NUL or `capacity`, whichever comes
// first) as UTF-8, exact: for JSON, where control characters are escaped by
// JSON's own rules.
std::string DecodeByteText(const char* text, size_t capacity);

// The same for people (the window, the report, the CSV export): every
// control character (U+0000..U+001F, U+007F, U+0080..U+009F) and every
// bidirectional override or isolate (U+202A..U+202E, U+2066..U+2069) is
// shown as the bytes that carry it, "\x11", "\xC2\x85": an SSID anyone can
// broadcast can neither break a line, nor ring, nor turn the text around it.
std::string DisplayByteText(const char* text, size_t capacity);

template <size_t N>
std::string DecodeByteText(const char (&field)[N]) {
    return DecodeByteText(field, N);
}
template <size_t N>
std::string DisplayByteText(const char (&field)[N]) {
    return DisplayByteText(field, N);
}
