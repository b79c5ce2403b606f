#include "script/script_host.h"

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>

#include "script/duk_engine.h"
#include "text/gbk.h"

namespace quillet {
namespace {

using Clock = std::chrono::steady_clock;
using script_detail::Engine;
using script_detail::HeapBudget;

std::atomic<std::int64_t> g_budget_ms{2000};
std::atomic<std::size_t> g_memory_cap{std::size_t{64} << 20};

// Every block carries its size in front, so the cap can be kept exactly.
constexpr std::size_t kHeader = 16;

bool may_grow(HeapBudget* budget, std::size_t more) {
    // Built-in functions run long loops without reaching the executor's
    // timeout check, but nearly all of them allocate: past the deadline an
    // allocation fails, which ends the built-in, and the check comes at the
    // next instruction.
    if (budget->deadline != Clock::time_point::max()) {
        if (!budget->timed_out && (++budget->ticks & 31) == 0 && Clock::now() >= budget->deadline)
            budget->timed_out = true;
        if (budget->timed_out) {
            quillet_duk_interrupt_soon(budget->heap);
            return false;
        }
    }
    if (budget->cap != 0 && budget->used + more > budget->cap) {
        budget->refused = true;
        return false;
    }
    return true;
}

void* heap_alloc(void* udata, duk_size_t size) {
    auto* budget = static_cast<HeapBudget*>(udata);
    if (!may_grow(budget, size)) return nullptr;
    auto* block = static_cast<unsigned char*>(std::malloc(size + kHeader));
    if (block == nullptr) return nullptr;
    std::memcpy(block, &size, sizeof size);
    budget->used += size;
    return block + kHeader;
}

void heap_free(void* udata, void* ptr) {
    if (ptr == nullptr) return;
    auto* budget = static_cast<HeapBudget*>(udata);
    auto* block = static_cast<unsigned char*>(ptr) - kHeader;
    std::size_t size = 0;
    std::memcpy(&size, block, sizeof size);
    budget->used -= size;
    std::free(block);
}

void* heap_realloc(void* udata, void* ptr, duk_size_t size) {
    if (ptr == nullptr) return heap_alloc(udata, size);
    auto* budget = static_cast<HeapBudget*>(udata);
    auto* block = static_cast<unsigned char*>(ptr) - kHeader;
    std::size_t old_size = 0;
    std::memcpy(&old_size, block, sizeof old_size);
    if (size > old_size && !may_grow(budget, size - old_size)) return nullptr;
    auto* grown = static_cast<unsigned char*>(std::realloc(block, size + kHeader));
    if (grown == nullptr) return nullptr;
    std::memcpy(grown, &size, sizeof size);
    budget->used = budget->used - old_size + size;
    return grown + kHeader;
}

// Reached only for an error outside every protected call, which the code
// here never makes; there is no way to continue.
void heap_fatal(void*, const char* message) {
    std::fprintf(stderr, "script engine: fatal error: %s\n", message ? message : "");
    std::abort();
}

}  // namespace

void set_script_limits(const ScriptLimits& limits) {
    g_budget_ms.store(limits.time_budget.count());
    g_memory_cap.store(limits.memory_cap);
}

ScriptLimits script_limits() {
    ScriptLimits limits;
    limits.time_budget = std::chrono::milliseconds(g_budget_ms.load());
    limits.memory_cap = g_memory_cap.load();
    return limits;
}

ScriptBudget::ScriptBudget() : ScriptBudget(std::chrono::milliseconds(g_budget_ms.load())) {}

ScriptBudget::ScriptBudget(std::chrono::milliseconds allowance)
    : state_(std::make_shared<script_detail::BudgetState>()) {
    renew(allowance);
}

void ScriptBudget::renew(std::chrono::milliseconds allowance) {
    state_->left = std::max<Clock::duration>(allowance, Clock::duration::zero());
}

std::chrono::milliseconds ScriptBudget::remaining() const {
    return std::chrono::duration_cast<std::chrono::milliseconds>(state_->left);
}

bool ScriptBudget::spent() const {
    return state_->left <= Clock::duration::zero();
}

}  // namespace quillet

extern "C" int quillet_duk_exec_timeout(void* udata) {
    auto* budget = static_cast<quillet::script_detail::HeapBudget*>(udata);
    if (budget->timed_out) return 1;  // keep failing until the error is out
    if (std::chrono::steady_clock::now() < budget->deadline) return 0;
    budget->timed_out = true;
    return 1;
}

namespace quillet::script_detail {
namespace {

// The engine's own global object reaches garbage-collector hooks
// (finalizers run when a heap ends, outside any budget) and internals no
// answer has a use for; every global scope goes without it.
duk_ret_t remove_engine_object(duk_context* ctx, void*) {
    duk_push_global_object(ctx);
    duk_del_prop_string(ctx, -1, "Duktape");
    duk_pop(ctx);
    return 0;
}

}  // namespace

Engine::Engine() {
    budget_.cap = g_memory_cap.load();
    ctx_ = duk_create_heap(heap_alloc, heap_realloc, heap_free, &budget_, heap_fatal);
    if (ctx_ == nullptr) return;
    budget_.heap = ctx_;
    if (!call(ctx_, remove_engine_object, nullptr, 0, 0)) {
        duk_destroy_heap(ctx_);
        ctx_ = nullptr;
    }
}

Engine::~Engine() {
    if (ctx_ == nullptr) return;
    budget_.heap = nullptr;  // its threads go away during the destruction
    budget_.deadline = Clock::now() + std::chrono::milliseconds(g_budget_ms.load());
    duk_destroy_heap(ctx_);
}

std::shared_ptr<Engine> Engine::for_this_thread() {
    thread_local std::shared_ptr<Engine> current;
    if (!current || current->retired_) {
        // Views still holding a retired engine keep it alive until they go.
        auto fresh = std::make_shared<Engine>();
        current = fresh->ok() ? fresh : nullptr;
    }
    return current;
}

bool Engine::call(duk_context* on, duk_safe_call_function fn, void* udata, duk_idx_t nargs,
                  duk_idx_t nrets, BudgetState* budget) {
    if (ctx_ == nullptr) return false;
    Clock::duration allowance = std::chrono::milliseconds(g_budget_ms.load());
    if (budget != nullptr) {
        if (budget->left <= Clock::duration::zero()) {
            // Nothing left: the call fails as a timed-out one would, leaving
            // its nrets values in place of the arguments.
            duk_pop_n(on, nargs);
            for (duk_idx_t i = 0; i < nrets; ++i) duk_push_undefined(on);
            return false;
        }
        allowance = std::min(allowance, budget->left);
    }
    budget_.cap = g_memory_cap.load();
    budget_.timed_out = false;
    budget_.refused = false;
    const Clock::time_point start = Clock::now();
    budget_.deadline = start + allowance;
    duk_int_t rc = duk_safe_call(on, fn, udata, nargs, nrets);
    const bool timed_out = budget_.timed_out;
    budget_.deadline = Clock::time_point::max();
    budget_.timed_out = false;
    if (budget != nullptr) {
        budget->left -= Clock::now() - start;
        if (timed_out || budget->left < Clock::duration::zero())
            budget->left = Clock::duration::zero();
    }
    if (rc == DUK_EXEC_SUCCESS) return true;
    // Whatever the failed evaluation built is garbage now; when even a full
    // collection leaves the heap near its cap, new views get a fresh engine
    // and this one ends with the last view using it.
    if (budget_.cap != 0 && budget_.used > budget_.cap / 4 * 3) {
        duk_gc(ctx_, 0);
        duk_gc(ctx_, 0);
        if (budget_.used > budget_.cap / 4 * 3) retired_ = true;
    }
    return false;
}

bool Engine::open_slot(Slot& slot) {
    std::uint32_t id;
    if (!free_ids_.empty()) {
        id = free_ids_.back();
        free_ids_.pop_back();
    } else {
        id = next_id_++;
    }
    struct Args {
        std::uint32_t id;
        void* entry;
    } args{id, nullptr};
    bool ok = call(
        ctx_,
        [](duk_context* ctx, void* udata) -> duk_ret_t {
            auto* a = static_cast<Args*>(udata);
            duk_push_heap_stash(ctx);
            duk_push_bare_object(ctx);
            duk_push_object(ctx);  // a fresh view's value is an empty object
            duk_put_prop_string(ctx, -2, "v");
            a->entry = duk_get_heapptr(ctx, -1);
            duk_put_prop_index(ctx, -2, a->id);
            duk_pop(ctx);
            return 0;
        },
        &args, 0, 0);
    if (!ok) {
        free_ids_.push_back(id);
        return false;
    }
    slot.id = id;
    slot.entry = args.entry;
    slot.environment = nullptr;
    return true;
}

void Engine::close_slot(Slot& slot) {
    if (slot.entry == nullptr || ctx_ == nullptr) return;
    std::uint32_t id = slot.id;
    bool ok = call(
        ctx_,
        [](duk_context* ctx, void* udata) -> duk_ret_t {
            duk_push_heap_stash(ctx);
            duk_del_prop_index(ctx, -1, *static_cast<std::uint32_t*>(udata));
            duk_pop(ctx);
            return 0;
        },
        &id, 0, 0);
    if (ok) free_ids_.push_back(id);  // else the id is simply never reused
    slot = Slot{};
}

void Engine::push_entry(duk_context* ctx, const Slot& slot) {
    duk_push_heapptr(ctx, slot.entry);
}

void Engine::push_value(duk_context* ctx, const Slot& slot) {
    duk_push_heapptr(ctx, slot.entry);
    duk_get_prop_string(ctx, -1, "v");
    duk_remove(ctx, -2);
}

duk_context* Engine::environment(duk_context* ctx, Slot& slot) {
    if (slot.environment == nullptr) {
        duk_push_heapptr(ctx, slot.entry);
        duk_push_thread_new_globalenv(ctx);
        slot.environment = duk_get_context(ctx, -1);
        remove_engine_object(slot.environment, nullptr);
        duk_put_prop_string(ctx, -2, "g");
        duk_pop(ctx);
    }
    return slot.environment;
}

namespace {

bool is_ascii(std::string_view text) {
    for (unsigned char c : text)
        if (c >= 0x80) return false;
    return true;
}

// The surrogate code unit encoded at text[i] as a 3-byte sequence, or 0.
std::uint32_t surrogate_at(const char* text, std::size_t size, std::size_t i) {
    if (i + 2 >= size) return 0;
    auto b0 = static_cast<unsigned char>(text[i]);
    auto b1 = static_cast<unsigned char>(text[i + 1]);
    auto b2 = static_cast<unsigned char>(text[i + 2]);
    if (b0 != 0xED || b1 < 0xA0 || b1 > 0xBF || (b2 & 0xC0) != 0x80) return 0;
    return 0xD000u | ((b1 & 0x3Fu) << 6) | (b2 & 0x3Fu);
}

}  // namespace

std::string engine_utf8(const char* text, std::size_t size) {
    if (std::memchr(text, 0xED, size) == nullptr) return std::string(text, size);
    std::string out;
    out.reserve(size);
    std::size_t i = 0;
    while (i < size) {
        std::uint32_t high = surrogate_at(text, size, i);
        if (high == 0) {
            out += text[i++];
            continue;
        }
        std::uint32_t low = surrogate_at(text, size, i + 3);
        if (high <= 0xDBFF && low >= 0xDC00) {
            append_utf8(out, 0x10000u + ((high - 0xD800u) << 10) + (low - 0xDC00u));
            i += 6;
        } else {
            append_utf8(out, 0xFFFD);
            i += 3;
        }
    }
    return out;
}

std::string to_engine(std::string_view gbk) {
    if (is_ascii(gbk)) return std::string(gbk);
    return gbk_to_utf8(gbk);
}

std::string from_engine(const char* utf8, std::size_t size) {
    std::string_view view(utf8, size);
    if (is_ascii(view)) return std::string(view);
    return utf8_to_gbk(engine_utf8(utf8, size));
}

void to_result_text(duk_context* ctx) {
    if (duk_is_null_or_undefined(ctx, -1)) {
        duk_pop(ctx);
        duk_push_lstring(ctx, "", 0);
    } else {
        duk_to_string(ctx, -1);
    }
}

std::string pop_text(duk_context* ctx) {
    duk_size_t size = 0;
    const char* text = duk_get_lstring(ctx, -1, &size);
    std::string out = text != nullptr ? from_engine(text, size) : std::string();
    duk_pop(ctx);
    return out;
}

}  // namespace quillet::script_detail

namespace quillet {

using script_detail::Slot;

struct ScriptHost::Impl {
    std::shared_ptr<Engine> engine;
    Slot slot;
    std::optional<ScriptBudget> budget;  // none: each call its own budget

    // Runs body on the host's own global environment with the UTF-8 text as
    // its one argument; leaves one result on the main stack.
    bool run(std::string_view text, duk_safe_call_function body, void* extra);
};

namespace {

struct HostCall {
    Slot* slot;
    const std::string* text;
    duk_safe_call_function body;
    void* extra;
};

// Switches to the host's environment: the body runs there as a nested
// protected call, and its one result comes back to the main stack.
duk_ret_t in_environment(duk_context* ctx, void* udata) {
    auto* call = static_cast<HostCall*>(udata);
    duk_context* env = Engine::environment(ctx, *call->slot);
    duk_push_lstring(env, call->text->data(), call->text->size());
    if (duk_safe_call(env, call->body, call->extra, 1, 1) != DUK_EXEC_SUCCESS) {
        duk_pop(env);
        return duk_error(ctx, DUK_ERR_ERROR, "evaluation failed");
    }
    duk_xmove_top(ctx, env, 1);
    return 1;
}

duk_ret_t body_execute(duk_context* ctx, void*) {
    duk_size_t size = 0;
    const char* text = duk_get_lstring(ctx, -1, &size);
    duk_compile_lstring(ctx, 0, text, size);
    duk_call(ctx, 0);
    return 1;
}

duk_ret_t body_eval(duk_context* ctx, void*) {
    duk_size_t size = 0;
    const char* text = duk_get_lstring(ctx, -1, &size);
    duk_compile_lstring(ctx, DUK_COMPILE_EVAL, text, size);
    duk_call(ctx, 0);
    return 1;
}

duk_ret_t body_eval_text(duk_context* ctx, void* udata) {
    body_eval(ctx, udata);
    script_detail::to_result_text(ctx);
    return 1;
}

duk_ret_t body_eval_number(duk_context* ctx, void* udata) {
    body_eval(ctx, udata);
    duk_to_number(ctx, -1);
    return 1;
}

duk_ret_t body_eval_bool(duk_context* ctx, void* udata) {
    body_eval(ctx, udata);
    duk_to_boolean(ctx, -1);
    return 1;
}

duk_ret_t body_run(duk_context* ctx, void*) {
    duk_size_t size = 0;
    const char* name = duk_get_lstring(ctx, -1, &size);
    duk_push_global_object(ctx);
    duk_get_prop_lstring(ctx, -1, name, size);
    duk_call(ctx, 0);
    script_detail::to_result_text(ctx);
    return 1;
}

}  // namespace

bool ScriptHost::Impl::run(std::string_view text, duk_safe_call_function body, void* extra) {
    if (!engine) return false;
    std::string utf8 = script_detail::to_engine(text);
    HostCall call{&slot, &utf8, body, extra};
    bool ok = engine->call(engine->context(), in_environment, &call, 0, 1,
                           budget ? budget->state() : nullptr);
    if (!ok) duk_pop(engine->context());
    return ok;
}

ScriptHost::ScriptHost() : impl_(std::make_unique<Impl>()) {
    impl_->engine = Engine::for_this_thread();
    if (impl_->engine && !impl_->engine->open_slot(impl_->slot)) impl_->engine.reset();
}

ScriptHost::ScriptHost(const ScriptBudget& budget) : ScriptHost() {
    impl_->budget = budget;
}

ScriptHost::~ScriptHost() {
    if (impl_->engine) impl_->engine->close_slot(impl_->slot);
}

bool ScriptHost::available() const {
    return impl_->engine != nullptr;
}

bool ScriptHost::execute(std::string_view program) {
    if (!impl_->run(program, body_execute, nullptr)) return false;
    duk_pop(impl_->engine->context());
    return true;
}

std::string ScriptHost::eval_text(std::string_view expression) {
    if (!impl_->run(expression, body_eval_text, nullptr)) return {};
    return script_detail::pop_text(impl_->engine->context());
}

double ScriptHost::eval_number(std::string_view expression) {
    if (!impl_->run(expression, body_eval_number, nullptr)) return 0;
    duk_context* ctx = impl_->engine->context();
    double value = duk_get_number(ctx, -1);
    duk_pop(ctx);
    return value == value ? value : 0;  // NaN gives 0
}

bool ScriptHost::eval_bool(std::string_view expression) {
    if (!impl_->run(expression, body_eval_bool, nullptr)) return false;
    duk_context* ctx = impl_->engine->context();
    bool value = duk_get_boolean(ctx, -1) != 0;
    duk_pop(ctx);
    return value;
}

std::string ScriptHost::run_text(std::string_view function_name) {
    if (!impl_->run(function_name, body_run, nullptr)) return {};
    return script_detail::pop_text(impl_->engine->context());
}

}  // namespace quillet
