#include "boardsim/SimJson.h"

#include <cstdlib>

namespace {

constexpr int kMaxDepth = 32;

class Parser {
public:
    explicit Parser(const std::string& text) : m_text(text) {}

    bool Document(JsonValue& out) {
        SkipSpace();
        if (!Value(out, 0)) return false;
        SkipSpace();
        if (m_pos != m_text.size()) return Fail("trailing characters");
        return true;
    }
    const std::string& Error() const { return m_error; }

private:
    bool Fail(const char* why) {
        if (m_error.empty()) m_error = std::string(why) + " at offset " + std::to_string(m_pos);
        return false;
    }
    void SkipSpace() {
        while (m_pos < m_text.size() && (m_text[m_pos] == ' ' || m_text[m_pos] == '\t' ||
                                         m_text[m_pos] == '\n' || m_text[m_pos] == '\r'))
            ++m_pos;
    }
    bool Literal(const char* word) {
        const std::string w(word);
        if (m_text.compare(m_pos, w.size(), w) != 0) return Fail("unknown literal");
        m_pos += w.size();
        return true;
    }

    bool Value(JsonValue& out, int depth) {
        if (depth > kMaxDepth) return Fail("nested too deeply");
        if (m_pos >= m_text.size()) return Fail("unexpected end");
        const char c = m_text[m_pos];
        if (c == '{') return Object(out, depth);
        if (c == '[') return Array(out, depth);
        if (c == '"') {
            out.kind = JsonValue::Kind::kString;
            return String(out.text);
        }
        if (c == 't' || c == 'f') {
            out.kind = JsonValue::Kind::kBool;
            out.boolean = c == 't';
            return Literal(c == 't' ? "true" : "false");
        }
        if (c == 'n') {
            out.kind = JsonValue::Kind::kNull;
            return Literal("null");
        }
        return Number(out);
    }

    bool Number(JsonValue& out) {
        const char* start = m_text.c_str() + m_pos;
        char* end = nullptr;
        out.number = std::strtod(start, &end);
        if (end == start) return Fail("expected a value");
        out.kind = JsonValue::Kind::kNumber;
        m_pos += static_cast<size_t>(end - start);
        return true;
    }

    bool Hex4(unsigned& code) {
        if (m_pos + 4 > m_text.size()) return Fail("short \\u escape");
        code = 0;
        for (int i = 0; i < 4; ++i) {
            const char h = m_text[m_pos++];
            code <<= 4;
            if (h >= '0' && h <= '9')
                code |= h - '0';
            else if (h >= 'a' && h <= 'f')
                code |= h - 'a' + 10;
            else if (h >= 'A' && h <= 'F')
                code |= h - 'A' + 10;
            else
                return Fail("bad \\u escape");
        }
        return true;
    }

    static void AppendUtf8(std::string& s, unsigned cp) {
        if (cp < 0x80) {
            s += static_cast<char>(cp);
        } else if (cp < 0x800) {
            s += static_cast<char>(0xC0 | (cp >> 6));
            s += static_cast<char>(0x80 | (cp & 0x3F));
        } else if (cp < 0x10000) {
            s += static_cast<char>(0xE0 | (cp >> 12));
            s += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
            s += static_cast<char>(0x80 | (cp & 0x3F));
        } else {
            s += static_cast<char>(0xF0 | (cp >> 18));
            s += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
            s += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
            s += static_cast<char>(0x80 | (cp & 0x3F));
        }
    }

    bool String(std::string& out) {
        ++m_pos;  // opening quote
        out.clear();
        while (m_pos < m_text.size()) {
            const char c = m_text[m_pos++];
            if (c == '"') return true;
            if (static_cast<unsigned char>(c) < 0x20) return Fail("control character in string");
            if (c != '\\') {
                out += c;
                continue;
            }
            if (m_pos >= m_text.size()) break;
            const char e = m_text[m_pos++];
            switch (e) {
                case '"':
                    out += '"';
                    break;
                case '\\':
                    out += '\\';
                    break;
                case '/':
                    out += '/';
                    break;
                case 'b':
                    out += '\b';
                    break;
                case 'f':
                    out += '\f';
                    break;
                case 'n':
                    out += '\n';
                    break;
                case 'r':
                    out += '\r';
                    break;
                case 't':
                    out += '\t';
                    break;
                case 'u': {
                    unsigned cp = 0;
                    if (!Hex4(cp)) return false;
                    if (cp >= 0xD800 && cp <= 0xDBFF && m_text.compare(m_pos, 2, "\\u") == 0) {
                        m_pos += 2;
                        unsigned low = 0;
                        if (!Hex4(low)) return false;
                        if (low < 0xDC00 || low > 0xDFFF) return Fail("bad surrogate pair");
                        cp = 0x10000 + ((cp - 0xD800) << 10) + (low - 0xDC00);
                    }
                    AppendUtf8(out, cp);
                    break;
                }
                default:
                    return Fail("bad escape");
            }
        }
        return Fail("unterminated string");
    }

    bool Array(JsonValue& out, int depth) {
        out.kind = JsonValue::Kind::kArray;
        ++m_pos;
        SkipSpace();
        if (m_pos < m_text.size() && m_text[m_pos] == ']') {
            ++m_pos;
            return true;
        }
        while (true) {
            out.items.emplace_back();
            SkipSpace();
            if (!Value(out.items.back(), depth + 1)) return false;
            SkipSpace();
            if (m_pos >= m_text.size()) return Fail("unterminated array");
            if (m_text[m_pos] == ',') {
                ++m_pos;
                continue;
            }
            if (m_text[m_pos] == ']') {
                ++m_pos;
                return true;
            }
            return Fail("expected , or ]");
        }
    }

    bool Object(JsonValue& out, int depth) {
        out.kind = JsonValue::Kind::kObject;
        ++m_pos;
        SkipSpace();
        if (m_pos < m_text.size() && m_text[m_pos] == '}') {
            ++m_pos;
            return true;
        }
        while (true) {
            SkipSpace();
            if (m_pos >= m_text.size() || m_text[m_pos] != '"') return Fail("expected a key");
            std::string key;
            if (!String(key)) return false;
            SkipSpace();
            if (m_pos >= m_text.size() || m_text[m_pos] != ':') return Fail("expected :");
            ++m_pos;
            SkipSpace();
            JsonValue value;
            if (!Value(value, depth + 1)) return false;
            out.members[key] = std::move(value);
            SkipSpace();
            if (m_pos >= m_text.size()) return Fail("unterminated object");
            if (m_text[m_pos] == ',') {
                ++m_pos;
                continue;
            }
            if (m_text[m_pos] == '}') {
                ++m_pos;
                return true;
            }
            return Fail("expected , or }");
        }
    }

    const std::string& m_text;
    size_t m_pos = 0;
    std::string m_error;
};

}  // namespace

const JsonValue* JsonValue::Find(const std::string& key) const {
    auto it = members.find(key);
    return it == members.end() ? nullptr : &it->second;
}

bool ParseJson(const std::string& text, JsonValue& out, std::string* error) {
    out = JsonValue{};
    Parser parser(text);
    if (parser.Document(out)) return true;
    if (error) *error = parser.Error();
    return false;
}
