#include "json_text.h"

#include <charconv>
#include <cmath>
#include <limits>
#include <utility>

#include "name_quoting.h"
#include "number_text.h"

namespace varnoke_las {

void append_json_string(std::string &out, const std::string &text) {
    out += '"';
    for (std::size_t i = 0; i < text.size();) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        if (c >= 0x80) {
            const std::size_t length = utf8_sequence_length(text, i);
            if (length == 0) {
                out += "\xEF\xBF\xBD";
                ++i;
            } else {
                out.append(text, i, length);
                i += length;
            }
            continue;
        }
        if (c == '"' || c == '\\') {
            out += '\\';
            out += static_cast<char>(c);
        } else if (c < 0x20) {
            constexpr char kHex[] = "0123456789abcdef";
            out += "\\u00";
            out += kHex[c >> 4];
            out += kHex[c & 15];
        } else {
            out += static_cast<char>(c);
        }
        ++i;
    }
    out += '"';
}

void append_json_number(std::string &out, double value) {
    const bool finite = std::isfinite(value);
    if (!finite) out += '"';
    append_number(out, value);
    if (!finite) out += '"';
}

const JsonValue *JsonValue::member(std::string_view name) const {
    if (kind != Kind::object) return nullptr;
    // The last of a name wins, as a reader that kept one value per name would see it.
    for (auto member = members.rbegin(); member != members.rend(); ++member) {
        if (member->name == name) return &member->value;
    }
    return nullptr;
}

namespace {

// A number's whole text as an integer of type T, if it is one that T holds.
template <typename T>
std::optional<T> whole_integer(const std::string &text) {
    T value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size()) return std::nullopt;
    return value;
}

}  // namespace

std::optional<uint64_t> JsonValue::unsigned_number() const {
    if (kind != Kind::number) return std::nullopt;
    return whole_integer<uint64_t>(text);
}

std::optional<int64_t> JsonValue::signed_number() const {
    if (kind != Kind::number) return std::nullopt;
    return whole_integer<int64_t>(text);
}

std::optional<double> JsonValue::real() const {
    if (kind == Kind::string) {
        constexpr double kInf = std::numeric_limits<double>::infinity();
        if (text == "inf") return kInf;
        if (text == "-inf") return -kInf;
        if (text.starts_with("nan") || text.starts_with("-nan")) {
            return std::numeric_limits<double>::quiet_NaN();
        }
        return std::nullopt;
    }
    double value = 0;
    if (kind != Kind::number) return std::nullopt;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size()) return std::nullopt;
    return value;
}

namespace {

constexpr int kDeepest = 64;

class Reader {
public:
    explicit Reader(std::string_view text) : text_(text) {}

    bool whole(JsonValue &out) {
        if (!value(out, 0)) return false;
        space();
        return at_ == text_.size();
    }

private:
    void space() {
        while (at_ < text_.size() && (text_[at_] == ' ' || text_[at_] == '\t' ||
                                      text_[at_] == '\n' || text_[at_] == '\r'))
            ++at_;
    }
    bool word(std::string_view w) {
        if (text_.substr(at_, w.size()) != w) return false;
        at_ += w.size();
        return true;
    }
    bool value(JsonValue &out, int depth) {
        if (depth > kDeepest) return false;
        space();
        if (at_ >= text_.size()) return false;
        const char c = text_[at_];
        if (c == '{') return object(out, depth);
        if (c == '[') return array(out, depth);
        if (c == '"') {
            out.kind = JsonValue::Kind::string;
            return string(out.text);
        }
        if (word("true") || word("false")) {
            out.kind = JsonValue::Kind::boolean;
            out.boolean = c == 't';
            return true;
        }
        if (word("null")) {
            out.kind = JsonValue::Kind::null;
            return true;
        }
        return number(out);
    }
    bool number(JsonValue &out) {
        const std::size_t from = at_;
        while (at_ < text_.size() &&
               (std::string_view("+-.eE0123456789").find(text_[at_]) != std::string_view::npos))
            ++at_;
        if (at_ == from) return false;
        out.kind = JsonValue::Kind::number;
        out.text.assign(text_.substr(from, at_ - from));
        return true;
    }
    bool object(JsonValue &out, int depth) {
        out.kind = JsonValue::Kind::object;
        ++at_;
        space();
        if (at_ < text_.size() && text_[at_] == '}') {
            ++at_;
            return true;
        }
        for (;;) {
            space();
            std::string name;
            if (at_ >= text_.size() || text_[at_] != '"' || !string(name)) return false;
            space();
            if (at_ >= text_.size() || text_[at_] != ':') return false;
            ++at_;
            JsonValue member;
            if (!value(member, depth + 1)) return false;
            out.members.push_back({std::move(name), std::move(member)});
            space();
            if (at_ >= text_.size()) return false;
            if (text_[at_++] == '}') return true;
            if (text_[at_ - 1] != ',') return false;
        }
    }
    bool array(JsonValue &out, int depth) {
        out.kind = JsonValue::Kind::array;
        ++at_;
        space();
        if (at_ < text_.size() && text_[at_] == ']') {
            ++at_;
            return true;
        }
        for (;;) {
            out.items.emplace_back();
            if (!value(out.items.back(), depth + 1)) return false;
            space();
            if (at_ >= text_.size()) return false;
            if (text_[at_++] == ']') return true;
            if (text_[at_ - 1] != ',') return false;
        }
    }
    static void utf8(std::string &out, uint32_t code) {
        if (code < 0x80) {
            out += static_cast<char>(code);
        } else if (code < 0x800) {
            out += static_cast<char>(0xC0 | code >> 6);
            out += static_cast<char>(0x80 | (code & 0x3F));
        } else if (code < 0x10000) {
            out += static_cast<char>(0xE0 | code >> 12);
            out += static_cast<char>(0x80 | (code >> 6 & 0x3F));
            out += static_cast<char>(0x80 | (code & 0x3F));
        } else {
            out += static_cast<char>(0xF0 | code >> 18);
            out += static_cast<char>(0x80 | (code >> 12 & 0x3F));
            out += static_cast<char>(0x80 | (code >> 6 & 0x3F));
            out += static_cast<char>(0x80 | (code & 0x3F));
        }
    }
    bool hex4(uint32_t &code) {
        if (at_ + 4 > text_.size()) return false;
        const auto [end, error] =
            std::from_chars(text_.data() + at_, text_.data() + at_ + 4, code, 16);
        if (error != std::errc() || end != text_.data() + at_ + 4) return false;
        at_ += 4;
        return true;
    }
    bool string(std::string &out) {
        ++at_;
        while (at_ < text_.size()) {
            // The characters up to the next quote, escape or control character, at once.
            std::size_t plain = at_;
            while (plain < text_.size() && text_[plain] != '"' && text_[plain] != '\\' &&
                   static_cast<unsigned char>(text_[plain]) >= 0x20) {
                ++plain;
            }
            out.append(text_.data() + at_, plain - at_);
            at_ = plain;
            if (at_ >= text_.size()) return false;
            const char c = text_[at_++];
            if (c == '"') return true;
            if (static_cast<unsigned char>(c) < 0x20) return false;
            if (c != '\\') {
                out += c;
                continue;
            }
            if (at_ >= text_.size()) return false;
            const char e = text_[at_++];
            switch (e) {
                case '"':
                case '\\':
                case '/':
                    out += e;
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
                    uint32_t code = 0;
                    if (!hex4(code)) return false;
                    // A surrogate pair is one character; a lone half stands for U+FFFD.
                    if (code >= 0xD800 && code < 0xDC00 && word("\\u")) {
                        uint32_t low = 0;
                        if (!hex4(low)) return false;
                        code = low >= 0xDC00 && low < 0xE000
                                   ? 0x10000 + ((code - 0xD800) << 10) + (low - 0xDC00)
                                   : 0xFFFD;
                    } else if (code >= 0xD800 && code < 0xE000) {
                        code = 0xFFFD;
                    }
                    utf8(out, code);
                    break;
                }
                default:
                    return false;
            }
        }
        return false;
    }

    std::string_view text_;
    std::size_t at_ = 0;
};

}  // namespace

bool parse_json(std::string_view text, JsonValue &out) {
    out = JsonValue{};
    return Reader(text).whole(out);
}

}  // namespace varnoke_las
