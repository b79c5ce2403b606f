#pragma once
// Reading structured answers (JSON, JSONP bodies after their wrapper is cut
// off, the vendor's script files) through the embedded script engine, by
// member path. Texts in and out are GBK.
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

namespace quillet {

class ScriptHost;

class JsonView {
public:
    JsonView();  // an empty view: its root holds an empty object
    ~JsonView();
    JsonView(const JsonView&);  // shares the engine: copies are cheap and read the same value
    JsonView& operator=(const JsonView&);

    // Evaluates text as an expression and makes it the view's value; true when
    // the result is neither null nor undefined. Hostile text (endless loops,
    // runaway allocation) fails within the engine's budget.
    bool load(std::string_view text);
    // The value at a member path ("ret", "modRet.sMsg", "[3].type"), as text;
    // with as_json its JSON text. Empty when absent or on any failure.
    std::string get_text(std::string_view path, bool as_json = false) const;
    // The length of the value at path (root when empty); 0 when it has none.
    int64_t count(std::string_view path = "") const;

private:
    struct State;
    std::shared_ptr<State> state_;
};

// "0." followed by 15 digits, first and last non-zero: a cache-busting value.
std::string make_random_token();

// Decodes \uXXXX escapes of a server message; apostrophes and CR LF survive.
std::string unescape_unicode(std::string_view text);

}  // namespace quillet
