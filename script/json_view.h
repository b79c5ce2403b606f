#pragma once
// Reading structured answers (JSON, JSONP bodies after their wrapper is cut
// off, the vendor's script files) through the embedded script engine, by
// member path. Texts in and out are GBK.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "script/script_host.h"

namespace quillet {

class JsonView {
  public:
    // An empty view (its root holds an empty object) with a budget of its
    // own, renewed at each load: a load and the reads after it share one.
    JsonView();
    // A view of a reader that makes many calls: every load and read draws on
    // the reader's one budget, never renewed here.
    explicit JsonView(const ScriptBudget& budget);
    ~JsonView();
    // A view owns its value: no copies. A moved-from view is empty and every
    // call on it fails.
    JsonView(const JsonView&) = delete;
    JsonView& operator=(const JsonView&) = delete;
    JsonView(JsonView&&) noexcept;
    JsonView& operator=(JsonView&&) noexcept;

    // Evaluates text as an expression and makes it the view's value; true when
    // the result is neither null nor undefined. Hostile text (endless loops,
    // runaway allocation) fails within the engine's budget.
    bool load(std::string_view text);
    // The size in bytes of the text last given to load (0 before any).
    std::size_t text_size() const;
    // True when the view's budget has nothing left: reads fail from now on,
    // and a reader should give up rather than trust what it read.
    bool budget_spent() const;
    // The value at a member path ("ret", "modRet.sMsg", "[3].type"), as text;
    // with as_json its JSON text. Empty when absent or on any failure.
    std::string get_text(std::string_view path, bool as_json = false) const;
    // The length of the value at path (root when empty); 0 when it has none.
    int64_t count(std::string_view path = "") const;

  private:
    struct State;
    std::unique_ptr<State> state_;
};

// The length at path as a loop bound: the count when it is one the loaded
// answer can really hold (an array literal takes at least one byte of text
// per element) and at most maximum; -1 otherwise (a negative length, an
// object claiming {"length":1e12}, a script building Array(1e9)), which a
// reader takes for an unreadable answer.
int64_t bounded_count(const JsonView& view, std::string_view path, int64_t maximum);

// "0." followed by 15 digits, first and last non-zero: a cache-busting value.
std::string make_random_token();

// Decodes \uXXXX escapes of a server message; apostrophes and CR LF survive.
std::string unescape_unicode(std::string_view text);

}  // namespace quillet
