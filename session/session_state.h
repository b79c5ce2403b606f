#pragma once
// The one record of the signed-in account. Texts are GBK; unset texts are
// empty, flags false, numbers 0. Control locking is what keeps two jobs from
// using it at once; the few values that unlocked jobs share (the cookie, the
// CDKEY panel's role and captcha session) are replaced whole under a lock.
#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

#include "net/cookie_var.h"
#include "session/role_info.h"

namespace quillet {

// The bindings confirmed during this run; only grows. A binding belongs to one
// QQ number, one activity and one area: after another area is bound, or
// another QQ signs in, the next claim checks the binding again.
class BoundIds {
  public:
    bool contains(const std::string& qq, const std::string& id, int32_t area) const;
    // Bound in any area (TGP: any bound zone counts).
    bool contains_any_area(const std::string& qq, const std::string& id) const;
    void add(const std::string& qq, const std::string& id, int32_t area);

  private:
    struct Binding {
        std::string qq;
        std::string id;
        int32_t area = 0;
        friend bool operator==(const Binding&, const Binding&) = default;
    };
    mutable std::mutex mutex_;
    std::vector<Binding> bindings_;
};

// A value read and replaced whole under a lock.
template <typename T>
class Guarded {
  public:
    T get() const {
        std::lock_guard lock(mutex_);
        return value_;
    }
    void set(T value) {
        std::lock_guard lock(mutex_);
        value_ = std::move(value);
    }
    template <typename F>
    void update(F&& f) {
        std::lock_guard lock(mutex_);
        f(value_);
    }

  private:
    mutable std::mutex mutex_;
    T value_{};
};

struct SessionState {
    std::atomic<bool> version_ok{false};
    std::atomic<bool> relogin_requested{false};
    std::atomic<bool> logged_in{false};
    CookieVar cookie;  // the login domain's cookie text, sent with publisher requests
    std::string skey;
    std::string g_tk;
    CookieVar pt_cookie;  // pt2gguin, RK, ptcz, uin and skey pairs, each + "; "
    std::string qq;
    std::string nickname;
    int32_t area_id = 0;
    std::string area_name;
    std::string role_name;
    std::string checkparam;
    std::string md5str;
    std::atomic<bool> area_bound{false};
    std::atomic<bool> catalogue_ready{false};
    std::string config_path;

    BoundIds ams_bound_ids;
    BoundIds tgp_bound_ids;
    BoundIds bang_bound_ids;
    Guarded<RoleInfo> cdk_role;
    Guarded<std::string> verify_session;
    // Whether the last redemption's answer said the key was redeemed (the
    // command line's exit status).
    std::atomic<bool> cdk_redeemed{false};
};

}  // namespace quillet
