#pragma once
// A small JSON reader for the simulator's access-point files: objects,
// arrays, strings (with \uXXXX escapes and surrogate pairs, kept as UTF-8),
// numbers, true, false, null. Depth and size are bounded; no state in statics.

#include <map>
#include <memory>
#include <string>
#include <vector>

struct JsonValue {
    enum class Kind { kNull, kBool, kNumber, kString, kArray, kObject };
    Kind kind = Kind::kNull;
    bool boolean = false;
    double number = 0;
    std::string text;
    std::vector<JsonValue> items;
    std::map<std::string, JsonValue> members;

    const JsonValue* Find(const std::string& key) const;
};

// false with a reason (and the byte offset) when the text is not valid JSON.
bool ParseJson(const std::string& text, JsonValue& out, std::string* error = nullptr);
