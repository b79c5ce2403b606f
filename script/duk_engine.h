#pragma once
// The Duktape heap behind every ScriptHost and JsonView of a thread. Only
// script/ sees this header.
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "duk_quillet_config.h"
#include "duktape.h"

namespace quillet::script_detail {

// What the allocator and the timeout hook consult; the heap's user data.
struct HeapBudget {
    std::chrono::steady_clock::time_point deadline = std::chrono::steady_clock::time_point::max();
    void* heap = nullptr;  // the main context, once the heap exists
    unsigned ticks = 0;
    std::size_t used = 0;
    std::size_t cap = 0;
    bool timed_out = false;
    bool refused = false;  // an allocation was refused for the cap
};

// What is left of a ScriptBudget's allowance.
struct BudgetState {
    std::chrono::steady_clock::duration left{};
};

// A user's values in the heap: an entry object kept alive by the heap stash,
// holding "v" (the value) and "g" (the user's own global environment, made
// when first needed). The pointers stay valid while the entry is reachable.
struct Slot {
    std::uint32_t id = 0;
    void* entry = nullptr;
    duk_context* environment = nullptr;
};

// One Duktape heap. Creating one costs hundreds of microseconds, so each
// thread keeps one and every view on that thread gets a slot in it; a slot
// that runs script gets a fresh global environment of its own, so nothing
// one answer defines is seen by another.
class Engine {
  public:
    // The calling thread's engine; null when none can be created.
    static std::shared_ptr<Engine> for_this_thread();

    Engine();
    ~Engine();
    Engine(const Engine&) = delete;
    Engine& operator=(const Engine&) = delete;

    bool ok() const { return ctx_ != nullptr; }
    duk_context* context() const { return ctx_; }

    // Runs fn as a protected call on ctx under the time budget and memory
    // cap, and within what is left of budget when one is given (the call's
    // time is taken from it). On success the nrets results are left on ctx's
    // stack; on failure nrets values are left too (the error first), and
    // false is returned. A spent budget fails the call without running it.
    bool call(duk_context* on, duk_safe_call_function fn, void* udata, duk_idx_t nargs,
              duk_idx_t nrets, BudgetState* budget = nullptr);

    bool open_slot(Slot& slot);
    void close_slot(Slot& slot);

    // Inside a protected call: push the slot's entry; push the slot's value.
    static void push_entry(duk_context* ctx, const Slot& slot);
    static void push_value(duk_context* ctx, const Slot& slot);
    // Inside a protected call: the slot's own global environment, made when
    // missing.
    static duk_context* environment(duk_context* ctx, Slot& slot);

  private:
    HeapBudget budget_;
    duk_context* ctx_ = nullptr;
    std::vector<std::uint32_t> free_ids_;
    std::uint32_t next_id_ = 1;
    bool retired_ = false;
};

// Texts cross into the engine as UTF-8 and come back as GBK.
std::string to_engine(std::string_view gbk);
std::string from_engine(const char* utf8, std::size_t size);
// UTF-8 with surrogate pairs written as two 3-byte sequences (the engine's
// internal form) rewritten as standard UTF-8; lone surrogates become U+FFFD.
std::string engine_utf8(const char* text, std::size_t size);

// Inside a protected call: replace the top value by its text as the script
// control gave it (null and undefined give the empty text).
void to_result_text(duk_context* ctx);
// Pops the top value (a string after a successful conversion) as GBK.
std::string pop_text(duk_context* ctx);

}  // namespace quillet::script_detail
