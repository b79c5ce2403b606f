#include "sandbox/json.h"

#include "text/gbk.h"

#include <cctype>
#include <cstdio>
#include <cstdlib>

namespace quillet::sandbox {

namespace {

const Json& null_json() {
    static const Json n;
    return n;
}

class Parser {
  public:
    explicit Parser(std::string_view t) : t_(t) {}

    std::optional<Json> run(std::string* error) {
        auto v = value();
        skip();
        if (!v || i_ != t_.size()) {
            if (error) *error = "JSON syntax error at offset " + std::to_string(i_);
            return std::nullopt;
        }
        return v;
    }

  private:
    void skip() {
        while (i_ < t_.size()) {
            char c = t_[i_];
            if (c == ' ' || c == '\t' || c == '\r' || c == '\n') {
                ++i_;
            } else if (c == '/' && i_ + 1 < t_.size() && t_[i_ + 1] == '/') {
                // Comments are allowed in scenario files.
                while (i_ < t_.size() && t_[i_] != '\n') ++i_;
            } else {
                break;
            }
        }
    }

    bool literal(std::string_view word) {
        if (t_.substr(i_, word.size()) != word) return false;
        i_ += word.size();
        return true;
    }

    std::optional<unsigned> hex4() {
        if (i_ + 4 > t_.size()) return std::nullopt;
        unsigned v = 0;
        for (int k = 0; k < 4; ++k) {
            char c = t_[i_++];
            v <<= 4;
            if (c >= '0' && c <= '9')
                v |= static_cast<unsigned>(c - '0');
            else if (c >= 'a' && c <= 'f')
                v |= static_cast<unsigned>(c - 'a' + 10);
            else if (c >= 'A' && c <= 'F')
                v |= static_cast<unsigned>(c - 'A' + 10);
            else
                return std::nullopt;
        }
        return v;
    }

    std::optional<std::string> str() {
        if (i_ >= t_.size() || t_[i_] != '"') return std::nullopt;
        ++i_;
        std::string out;
        while (i_ < t_.size()) {
            char c = t_[i_++];
            if (c == '"') return out;
            if (c != '\\') {
                out += c;
                continue;
            }
            if (i_ >= t_.size()) return std::nullopt;
            char e = t_[i_++];
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
                    auto cp = hex4();
                    if (!cp) return std::nullopt;
                    unsigned c1 = *cp;
                    if (c1 >= 0xD800 && c1 < 0xDC00 && t_.substr(i_, 2) == "\\u") {
                        i_ += 2;
                        auto lo = hex4();
                        if (!lo) return std::nullopt;
                        c1 = 0x10000 + ((c1 - 0xD800) << 10) + (*lo - 0xDC00);
                    }
                    append_utf8(out, c1);
                    break;
                }
                default:
                    return std::nullopt;
            }
        }
        return std::nullopt;
    }

    std::optional<Json> value() {
        if (++depth_ > 200) return std::nullopt;
        skip();
        std::optional<Json> r;
        if (i_ >= t_.size()) {
            r = std::nullopt;
        } else if (t_[i_] == '{') {
            ++i_;
            Json o = Json::object();
            skip();
            if (i_ < t_.size() && t_[i_] == '}') {
                ++i_;
                r = o;
            } else {
                while (true) {
                    skip();
                    auto k = str();
                    if (!k) break;
                    skip();
                    if (i_ >= t_.size() || t_[i_] != ':') break;
                    ++i_;
                    auto v = value();
                    if (!v) break;
                    o.set(*k, std::move(*v));
                    skip();
                    if (i_ < t_.size() && t_[i_] == ',') {
                        ++i_;
                        continue;
                    }
                    if (i_ < t_.size() && t_[i_] == '}') {
                        ++i_;
                        r = std::move(o);
                    }
                    break;
                }
            }
        } else if (t_[i_] == '[') {
            ++i_;
            Json a = Json::array();
            skip();
            if (i_ < t_.size() && t_[i_] == ']') {
                ++i_;
                r = a;
            } else {
                while (true) {
                    auto v = value();
                    if (!v) break;
                    a.push(std::move(*v));
                    skip();
                    if (i_ < t_.size() && t_[i_] == ',') {
                        ++i_;
                        continue;
                    }
                    if (i_ < t_.size() && t_[i_] == ']') {
                        ++i_;
                        r = std::move(a);
                    }
                    break;
                }
            }
        } else if (t_[i_] == '"') {
            auto s = str();
            if (s) r = Json::string(std::move(*s));
        } else if (literal("true")) {
            r = Json::boolean(true);
        } else if (literal("false")) {
            r = Json::boolean(false);
        } else if (literal("null")) {
            r = Json();
        } else {
            size_t start = i_;
            while (i_ < t_.size() &&
                   (std::isdigit(static_cast<unsigned char>(t_[i_])) || t_[i_] == '-' ||
                    t_[i_] == '+' || t_[i_] == '.' || t_[i_] == 'e' || t_[i_] == 'E')) {
                ++i_;
            }
            if (i_ > start) r = Json::number(std::string(t_.substr(start, i_ - start)));
        }
        --depth_;
        return r;
    }

    std::string_view t_;
    size_t i_ = 0;
    int depth_ = 0;
};

void dump_to(const Json& j, std::string& out, bool ascii_only) {
    switch (j.kind()) {
        case Json::Kind::Null:
            out += "null";
            break;
        case Json::Kind::Bool:
        case Json::Kind::Number:
            out += j.text();
            break;
        case Json::Kind::String:
            out += json_quote(j.text(), ascii_only);
            break;
        case Json::Kind::Array: {
            out += '[';
            bool first = true;
            for (const auto& e : j.elements()) {
                if (!first) out += ',';
                first = false;
                dump_to(e, out, ascii_only);
            }
            out += ']';
            break;
        }
        case Json::Kind::Object: {
            out += '{';
            bool first = true;
            for (const auto& [k, v] : j.members()) {
                if (!first) out += ',';
                first = false;
                out += json_quote(k, ascii_only);
                out += ':';
                dump_to(v, out, ascii_only);
            }
            out += '}';
            break;
        }
    }
}

}  // namespace

Json Json::string(std::string s) {
    Json j;
    j.kind_ = Kind::String;
    j.scalar_ = std::move(s);
    return j;
}

Json Json::number(std::string digits) {
    Json j;
    j.kind_ = Kind::Number;
    j.scalar_ = std::move(digits);
    return j;
}

Json Json::boolean(bool b) {
    Json j;
    j.kind_ = Kind::Bool;
    j.scalar_ = b ? "true" : "false";
    return j;
}

Json Json::array() {
    Json j;
    j.kind_ = Kind::Array;
    return j;
}

Json Json::object() {
    Json j;
    j.kind_ = Kind::Object;
    return j;
}

const Json& Json::operator[](std::string_view key) const {
    if (kind_ != Kind::Object) return null_json();
    for (const auto& [k, v] : members_) {
        if (k == key) return v;
    }
    return null_json();
}

const Json& Json::operator[](size_t index) const {
    if (kind_ != Kind::Array || index >= elements_.size()) return null_json();
    return elements_[index];
}

size_t Json::size() const {
    if (kind_ == Kind::Array) return elements_.size();
    if (kind_ == Kind::Object) return members_.size();
    return 0;
}

std::string Json::text(std::string_view fallback) const {
    if (kind_ == Kind::String || kind_ == Kind::Number || kind_ == Kind::Bool) return scalar_;
    return std::string(fallback);
}

long long Json::integer(long long fallback) const {
    if (kind_ != Kind::String && kind_ != Kind::Number) return fallback;
    char* end = nullptr;
    long long v = std::strtoll(scalar_.c_str(), &end, 10);
    return end == scalar_.c_str() ? fallback : v;
}

bool Json::truth(bool fallback) const {
    if (kind_ == Kind::Bool) return scalar_ == "true";
    if (kind_ == Kind::Number) return integer() != 0;
    return fallback;
}

void Json::push(Json v) {
    kind_ = Kind::Array;
    elements_.push_back(std::move(v));
}

void Json::set(std::string key, Json v) {
    kind_ = Kind::Object;
    for (auto& [k, old] : members_) {
        if (k == key) {
            old = std::move(v);
            return;
        }
    }
    members_.emplace_back(std::move(key), std::move(v));
}

std::string Json::dump(bool ascii_only) const {
    std::string out;
    dump_to(*this, out, ascii_only);
    return out;
}

std::optional<Json> Json::parse(std::string_view text, std::string* error) {
    return Parser(text).run(error);
}

std::string json_quote(std::string_view s, bool ascii_only) {
    std::string out = "\"";
    char buf[16];
    for (size_t i = 0; i < s.size(); ++i) {
        unsigned char c = static_cast<unsigned char>(s[i]);
        switch (c) {
            case '"':
                out += "\\\"";
                continue;
            case '\\':
                out += "\\\\";
                continue;
            case '\n':
                out += "\\n";
                continue;
            case '\r':
                out += "\\r";
                continue;
            case '\t':
                out += "\\t";
                continue;
            default:
                break;
        }
        if (c < 0x20) {
            std::snprintf(buf, sizeof buf, "\\u%04x", c);
            out += buf;
            continue;
        }
        if (c < 0x80 || !ascii_only) {
            out += static_cast<char>(c);
            continue;
        }
        // Decode one UTF-8 sequence and write it as \u escapes.
        unsigned cp = 0;
        int extra = 0;
        if ((c & 0xE0) == 0xC0)
            cp = c & 0x1F, extra = 1;
        else if ((c & 0xF0) == 0xE0)
            cp = c & 0x0F, extra = 2;
        else if ((c & 0xF8) == 0xF0)
            cp = c & 0x07, extra = 3;
        else
            cp = '?';
        for (int k = 0; k < extra && i + 1 < s.size(); ++k) {
            cp = (cp << 6) | (static_cast<unsigned char>(s[++i]) & 0x3F);
        }
        if (cp >= 0x10000) {
            unsigned v = cp - 0x10000;
            std::snprintf(buf, sizeof buf, "\\u%04x\\u%04x", 0xD800 + (v >> 10),
                          0xDC00 + (v & 0x3FF));
        } else {
            std::snprintf(buf, sizeof buf, "\\u%04x", cp);
        }
        out += buf;
    }
    out += '"';
    return out;
}

}  // namespace quillet::sandbox
