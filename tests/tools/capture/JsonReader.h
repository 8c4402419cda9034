// A strict reader for the JSON the tools write: objects, arrays, numbers,
// strings without escapes, true, false and null. Parse fails on anything
// else, on trailing text and on a repeated key, so that a test can tell
// well-formed output from output that merely looks right.
#pragma once

#include <cctype>
#include <cstdlib>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace sunvale {
namespace testsupport {

struct JsonValue {
    enum class Kind { Null, Bool, Number, String, Array, Object };
    Kind kind = Kind::Null;
    bool boolean = false;
    double number = 0.0;
    std::string text;
    std::vector<JsonValue> items;
    std::map<std::string, JsonValue> members;

    [[nodiscard]] bool Has(const std::string& key) const { return members.count(key) != 0; }
    // The member's value; a null value for a missing key.
    [[nodiscard]] const JsonValue& operator[](const std::string& key) const
    {
        static const JsonValue kNull;
        const auto found = members.find(key);
        return found == members.end() ? kNull : found->second;
    }
};

class JsonReader {
public:
    // Parses the whole text into *value; false on any fault.
    static bool Parse(const std::string& text, JsonValue* value)
    {
        JsonReader reader(text);
        if (!reader.ReadValue(value, 0)) return false;
        reader.SkipSpace();
        return reader.at_ == text.size();
    }

private:
    explicit JsonReader(const std::string& text) : text_(text) {}

    void SkipSpace()
    {
        while (at_ < text_.size() && std::isspace(static_cast<unsigned char>(text_[at_]))) ++at_;
    }
    bool Take(char c)
    {
        SkipSpace();
        if (at_ >= text_.size() || text_[at_] != c) return false;
        ++at_;
        return true;
    }
    bool TakeWord(const char* word)
    {
        const std::string w(word);
        if (text_.compare(at_, w.size(), w) != 0) return false;
        at_ += w.size();
        return true;
    }
    bool ReadString(std::string* out)
    {
        if (!Take('"')) return false;
        const size_t end = text_.find('"', at_);
        if (end == std::string::npos) return false;
        *out = text_.substr(at_, end - at_);
        if (out->find('\\') != std::string::npos) return false;
        at_ = end + 1;
        return true;
    }
    bool ReadNumber(double* out)
    {
        const char* start = text_.c_str() + at_;
        if (*start != '-' && !std::isdigit(static_cast<unsigned char>(*start))) return false;
        char* end = nullptr;
        *out = std::strtod(start, &end);
        if (end == start) return false;
        at_ += static_cast<size_t>(end - start);
        return true;
    }
    bool ReadValue(JsonValue* value, int depth)
    {
        if (depth > 64) return false;
        SkipSpace();
        if (at_ >= text_.size()) return false;
        const char c = text_[at_];
        if (c == '{') {
            value->kind = JsonValue::Kind::Object;
            ++at_;
            if (Take('}')) return true;
            do {
                std::string key;
                JsonValue member;
                if (!ReadString(&key) || !Take(':') || !ReadValue(&member, depth + 1)) return false;
                if (!value->members.emplace(key, member).second) return false;
            } while (Take(','));
            return Take('}');
        }
        if (c == '[') {
            value->kind = JsonValue::Kind::Array;
            ++at_;
            if (Take(']')) return true;
            do {
                value->items.emplace_back();
                if (!ReadValue(&value->items.back(), depth + 1)) return false;
            } while (Take(','));
            return Take(']');
        }
        if (c == '"') {
            value->kind = JsonValue::Kind::String;
            return ReadString(&value->text);
        }
        if (TakeWord("true") || TakeWord("false")) {
            value->kind = JsonValue::Kind::Bool;
            value->boolean = text_[at_ - 1] == 'e' && text_[at_ - 2] == 'u';
            return true;
        }
        if (TakeWord("null")) return true;
        value->kind = JsonValue::Kind::Number;
        return ReadNumber(&value->number);
    }

    const std::string& text_;
    size_t at_ = 0;
};

}  // namespace testsupport
}  // namespace sunvale
