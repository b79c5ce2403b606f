#pragma once
// A small JSON reader and writer for the scenario files and the answers the
// sandbox builds. Kept apart from the program's script engine on purpose: the
// simulator must not read or write texts the way the program does.
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace quillet::sandbox {

class Json {
  public:
    enum class Kind { Null, Bool, Number, String, Array, Object };

    Json() = default;
    static Json string(std::string s);
    static Json number(std::string digits);
    static Json boolean(bool b);
    static Json array();
    static Json object();

    Kind kind() const { return kind_; }
    bool is_null() const { return kind_ == Kind::Null; }
    bool is_array() const { return kind_ == Kind::Array; }
    bool is_object() const { return kind_ == Kind::Object; }

    // Member or element; a shared null value when absent.
    const Json& operator[](std::string_view key) const;
    const Json& operator[](size_t index) const;
    size_t size() const;  // elements or members
    const std::vector<std::pair<std::string, Json>>& members() const { return members_; }
    const std::vector<Json>& elements() const { return elements_; }

    // Text of a scalar: strings as they are, numbers as written, booleans
    // "true"/"false"; fallback for null, arrays and objects.
    std::string text(std::string_view fallback = "") const;
    long long integer(long long fallback = 0) const;
    bool truth(bool fallback = false) const;
    // Shorthands for members.
    std::string str(std::string_view key, std::string_view fallback = "") const {
        return (*this)[key].text(fallback);
    }
    long long num(std::string_view key, long long fallback = 0) const {
        return (*this)[key].integer(fallback);
    }

    void push(Json v);
    void set(std::string key, Json v);

    // Compact JSON text (UTF-8). Non-ASCII characters are written as they are,
    // or as \uXXXX escapes with ascii_only.
    std::string dump(bool ascii_only = false) const;

    // nullopt on a syntax error; error (when given) says where.
    static std::optional<Json> parse(std::string_view text, std::string* error = nullptr);

  private:
    Kind kind_ = Kind::Null;
    std::string scalar_;
    std::vector<Json> elements_;
    std::vector<std::pair<std::string, Json>> members_;
};

// A JSON string literal (with quotes) of UTF-8 text; ascii_only writes every
// non-ASCII character as \uXXXX (surrogate pairs above U+FFFF).
std::string json_quote(std::string_view utf8, bool ascii_only = false);

}  // namespace quillet::sandbox
