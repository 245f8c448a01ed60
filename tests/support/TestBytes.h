#pragma once
// Byte strings in tests, written and shown as whitespace separated hex.

#include <cstdint>
#include <string>
#include <vector>

using Bytes = std::vector<uint8_t>;

// "11 12 03" -> bytes. A token that is not hex throws, so that a typing
// mistake in a test fails loudly instead of cutting the bytes short.
Bytes Hex(const std::string& text);
// bytes -> "11 12 03"
std::string HexText(const Bytes& bytes);
