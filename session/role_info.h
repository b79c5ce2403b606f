#pragma once
// The answer of the role query: whether the account has a role in a region,
// the role's name and the proof values later request bodies carry.
#include <cstdint>
#include <string>

namespace quillet {

struct RoleInfo {
    int32_t status = 0;       // 0 answered, -2 request failed (empty answer)
    std::string webplat_msg;  // "queryerr" when the service reports a query error
    int32_t ret_code = 0;     // the service's non-zero return code
    std::string msg;          // its message, set with ret_code
    int32_t area_id = 0;
    std::string role_name;    // GBK
    std::string checkparam;
    std::string md5str;

    bool ok() const { return status == 0 && webplat_msg != "queryerr" && ret_code == 0; }
};

}  // namespace quillet
