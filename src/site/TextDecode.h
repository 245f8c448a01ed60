#pragma once
// The system's texts are single bytes in fixed fields. For display and for
// JSON they become Unicode: runs that are valid UTF-8 stay as they are, and
// every other byte stands for the character of the same number (U+0080 to
// U+00FF), so no byte is ever lost or shown as a replacement character.

#include <cstddef>
#include <string>

// The bytes of `text` (up to the first NUL or `capacity`, whichever comes
// first) as UTF-8.
std::string DecodeByteText(const char* text, size_t capacity);

template <size_t N>
std::string DecodeByteText(const char (&field)[N]) {
    return DecodeByteText(field, N);
}
