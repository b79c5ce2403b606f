#include "script/json_view.h"

#include <cmath>
#include <cstring>
#include <vector>

#include "script/duk_engine.h"

namespace quillet {

using script_detail::Engine;
using script_detail::Slot;

// A view's value lives in its slot of the thread's engine. Plain JSON is
// decoded without running any script; anything else is evaluated as script
// in the view's own global environment, made on first need.
struct JsonView::State {
    std::shared_ptr<Engine> engine;
    Slot slot;
    ScriptBudget budget;
    bool own_budget = true;  // renewed at each load
    std::size_t text_size = 0;

    State() {
        engine = Engine::for_this_thread();
        if (engine && !engine->open_slot(slot)) engine.reset();
    }
    ~State() {
        if (engine) engine->close_slot(slot);
    }
    State(const State&) = delete;
    State& operator=(const State&) = delete;
};

namespace {

// One step of a member path: a name (".ret") or an array index ("[3]").
struct Step {
    const char* name = nullptr;
    std::size_t size = 0;
    std::uint32_t index = 0;
    bool is_index = false;
};

bool identifier_start(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_' || c == '$';
}
bool identifier_part(char c) {
    return identifier_start(c) || (c >= '0' && c <= '9');
}

// Splits a path of the plain form a.b[3].c (after the root) into steps.
// Anything else (quoted keys, expressions, spaces, leading zeros, names
// beyond ASCII) returns false and is left to the engine's own compiler, so
// its result, including a syntax error, is exactly the engine's.
bool plain_steps(std::string_view path, std::vector<Step>& steps) {
    std::size_t i = 0;
    bool first = true;
    while (i < path.size()) {
        char c = path[i];
        if (c == '[') {
            std::size_t start = ++i;
            while (i < path.size() && path[i] >= '0' && path[i] <= '9') ++i;
            std::size_t digits = i - start;
            if (digits == 0 || digits > 9 || (digits > 1 && path[start] == '0')) return false;
            if (i >= path.size() || path[i] != ']') return false;
            Step step;
            step.is_index = true;
            for (std::size_t k = start; k < i; ++k)
                step.index = step.index * 10 + static_cast<std::uint32_t>(path[k] - '0');
            steps.push_back(step);
            ++i;
        } else {
            if (!first) {
                if (c != '.') return false;
                ++i;
            }
            std::size_t start = i;
            if (i >= path.size() || !identifier_start(path[i])) return false;
            while (i < path.size() && identifier_part(path[i])) ++i;
            Step step;
            step.name = path.data() + start;
            step.size = i - start;
            steps.push_back(step);
        }
        first = false;
    }
    return true;
}

// The root's separator: a path that opens with "[" follows the root
// directly, any other after a ".".
const char* separator(std::string_view path) {
    return !path.empty() && path[0] == '[' ? "" : ".";
}

enum class Want { text, json, count };

struct ReadCall {
    Slot* slot;
    const std::vector<Step>* steps;  // null: compile `expression`
    const std::string* expression;
    Want want;
};

void walk(duk_context* ctx, const std::vector<Step>& steps) {
    for (const Step& step : steps) {
        if (duk_is_null_or_undefined(ctx, -1))
            (void)duk_error(ctx, DUK_ERR_TYPE_ERROR, "no member of an empty value");
        if (step.is_index)
            duk_get_prop_index(ctx, -1, step.index);
        else
            duk_get_prop_lstring(ctx, -1, step.name, step.size);
        duk_remove(ctx, -2);
    }
}

void finish(duk_context* ctx, Want want) {
    switch (want) {
        case Want::text:
            script_detail::to_result_text(ctx);
            break;
        case Want::json:
            duk_json_encode(ctx, -1);
            if (!duk_is_string(ctx, -1)) {  // undefined, functions
                duk_pop(ctx);
                duk_push_lstring(ctx, "", 0);
            }
            break;
        case Want::count:
            if (duk_is_null_or_undefined(ctx, -1))
                (void)duk_error(ctx, DUK_ERR_TYPE_ERROR, "no length of an empty value");
            duk_get_prop_string(ctx, -1, "length");
            duk_remove(ctx, -2);
            duk_to_number(ctx, -1);
            break;
    }
}

duk_ret_t read_plain(duk_context* ctx, void* udata) {
    auto* call = static_cast<ReadCall*>(udata);
    Engine::push_value(ctx, *call->slot);
    walk(ctx, *call->steps);
    finish(ctx, call->want);
    return 1;
}

// Compiled read, in the view's own global environment where "da" is the
// view's value, as the expression would see it there.
duk_ret_t read_compiled(duk_context* ctx, void* udata) {
    auto* call = static_cast<ReadCall*>(udata);
    duk_context* env = Engine::environment(ctx, *call->slot);
    Engine::push_value(env, *call->slot);
    duk_put_global_string(env, "da");
    duk_eval_lstring(env, call->expression->data(), call->expression->size());
    duk_xmove_top(ctx, env, 1);
    finish(ctx, call->want);
    return 1;
}

struct LoadCall {
    Slot* slot;
    const std::string* text;
    bool try_json;
    bool loaded;
};

duk_ret_t store_value(duk_context* ctx, LoadCall* call) {
    call->loaded = !duk_is_null_or_undefined(ctx, -1);
    Engine::push_entry(ctx, *call->slot);
    duk_swap_top(ctx, -2);
    duk_put_prop_string(ctx, -2, "v");
    duk_pop(ctx);
    return 0;
}

duk_ret_t load_json(duk_context* ctx, void* udata) {
    auto* call = static_cast<LoadCall*>(udata);
    duk_push_lstring(ctx, call->text->data(), call->text->size());
    duk_json_decode(ctx, -1);
    return store_value(ctx, call);
}

// "var da=null", then "var da=eval(" + text + ")" as one program: the text
// goes into the program unchanged, so whatever expression the server sent
// is evaluated as such (a string value is evaluated once more, by eval).
duk_ret_t load_script(duk_context* ctx, void* udata) {
    auto* call = static_cast<LoadCall*>(udata);
    duk_context* env = Engine::environment(ctx, *call->slot);
    Engine::push_entry(ctx, *call->slot);
    duk_push_null(ctx);
    duk_put_prop_string(ctx, -2, "v");
    duk_pop(ctx);
    duk_push_null(env);
    duk_put_global_string(env, "da");
    duk_push_string(env, "var da=eval(");
    duk_push_lstring(env, call->text->data(), call->text->size());
    duk_push_string(env, ")");
    duk_concat(env, 3);
    duk_size_t size = 0;
    const char* program = duk_get_lstring(env, -1, &size);
    duk_compile_lstring(env, 0, program, size);
    duk_call(env, 0);
    duk_pop_2(env);
    duk_get_global_string(env, "da");
    duk_xmove_top(ctx, env, 1);
    return store_value(ctx, call);
}

// Texts the JSON decoder may take instead of the script compiler: those
// whose value as JSON equals their value as an expression. A top-level
// string is not one (eval runs it as code), nor is a text holding U+2028 or
// U+2029, which JSON allows inside strings and a script literal does not.
bool json_candidate(const std::string& text) {
    std::size_t i = 0;
    while (i < text.size() &&
           (text[i] == ' ' || text[i] == '\t' || text[i] == '\r' || text[i] == '\n'))
        ++i;
    if (i == text.size()) return false;
    char c = text[i];
    if (!(c == '{' || c == '[' || c == '-' || (c >= '0' && c <= '9') || c == 't' || c == 'f' ||
          c == 'n'))
        return false;
    for (std::size_t k = 0; k + 2 < text.size(); ++k) {
        if (static_cast<unsigned char>(text[k]) == 0xE2 &&
            static_cast<unsigned char>(text[k + 1]) == 0x80 &&
            (static_cast<unsigned char>(text[k + 2]) == 0xA8 ||
             static_cast<unsigned char>(text[k + 2]) == 0xA9))
            return false;
    }
    return true;
}

}  // namespace

JsonView::JsonView() : state_(std::make_unique<State>()) {}
JsonView::JsonView(const ScriptBudget& budget) : state_(std::make_unique<State>()) {
    state_->budget = budget;
    state_->own_budget = false;
}
JsonView::~JsonView() = default;
JsonView::JsonView(JsonView&&) noexcept = default;
JsonView& JsonView::operator=(JsonView&&) noexcept = default;

bool JsonView::load(std::string_view text) {
    if (!state_ || !state_->engine) return false;
    Engine& engine = *state_->engine;
    state_->text_size = text.size();
    if (state_->own_budget) state_->budget.renew(script_limits().time_budget);
    script_detail::BudgetState* budget = state_->budget.state();
    std::string utf8 = script_detail::to_engine(text);
    LoadCall call{&state_->slot, &utf8, false, false};
    if (json_candidate(utf8)) {
        bool ok = engine.call(engine.context(), load_json, &call, 0, 0, budget);
        if (ok) return call.loaded;
    }
    call.loaded = false;
    if (!engine.call(engine.context(), load_script, &call, 0, 0, budget)) {
        // The failed program may have left the slot's value half-set. The
        // reset is no answer's work: it runs on the engine's own budget.
        static const std::string null_text = "null";
        LoadCall reset{&state_->slot, &null_text, true, false};
        engine.call(engine.context(), load_json, &reset, 0, 0);
        return false;
    }
    return call.loaded;
}

std::size_t JsonView::text_size() const {
    return state_ ? state_->text_size : 0;
}

bool JsonView::budget_spent() const {
    return !state_ || state_->budget.spent();
}

std::string JsonView::get_text(std::string_view path, bool as_json) const {
    // The root name followed by a bare "." is no expression.
    if (path.empty() || !state_ || !state_->engine) return {};
    Engine& engine = *state_->engine;
    std::vector<Step> steps;
    std::string utf8 = script_detail::to_engine(path);
    std::string expression;
    ReadCall call{&state_->slot, &steps, &expression, as_json ? Want::json : Want::text};
    if (!plain_steps(utf8, steps)) {
        expression = "da";
        expression += separator(utf8);
        expression += utf8;
        call.steps = nullptr;
    }
    bool ok = engine.call(engine.context(), call.steps ? read_plain : read_compiled, &call, 0, 1,
                          state_->budget.state());
    if (!ok) {
        duk_pop(engine.context());
        return {};
    }
    return script_detail::pop_text(engine.context());
}

int64_t JsonView::count(std::string_view path) const {
    if (!state_ || !state_->engine) return 0;
    Engine& engine = *state_->engine;
    std::vector<Step> steps;
    std::string utf8 = script_detail::to_engine(path);
    std::string expression;
    ReadCall call{&state_->slot, &steps, &expression, Want::count};
    if (!utf8.empty() && !plain_steps(utf8, steps)) {
        expression = "da";
        expression += separator(utf8);
        expression += utf8;
        call.steps = nullptr;
    }
    duk_context* ctx = engine.context();
    bool ok = engine.call(ctx, call.steps ? read_plain : read_compiled, &call, 0, 1,
                          state_->budget.state());
    double value = ok ? duk_get_number(ctx, -1) : 0;
    duk_pop(ctx);
    if (!std::isfinite(value)) return 0;
    value = std::trunc(value);
    if (value >= 9.2e18) return INT64_MAX;
    if (value <= -9.2e18) return INT64_MIN;
    return static_cast<int64_t>(value);
}

int64_t bounded_count(const JsonView& view, std::string_view path, int64_t maximum) {
    const int64_t n = view.count(path);
    if (n < 0 || n > maximum) return -1;
    if (static_cast<uint64_t>(n) > view.text_size()) return -1;
    return n;
}

}  // namespace quillet
