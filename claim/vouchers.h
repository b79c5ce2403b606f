#pragma once
// The voucher panel (外形框_月券): the vendor's offer file month.js, the 聚豆
// and 帮豆 balances, the three exchange lists, and the five exchange and
// lottery actions paid in 月券, 聚豆 and 帮豆.
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "session/session_state.h"

namespace quillet {

struct Session;

struct VoucherItem {
    std::string t;    // item name
    std::string fId;  // AMS flow id of its exchange
};

// One offer of month.js; every member is kept as text.
struct VoucherOffer {
    std::string aId, actId, saId, sfId0, sfId1, cxId, cjId, rK, cjTicket;
    std::vector<VoucherItem> items;
};

// The three offers kept for the run, one per currency; each is replaced by the
// last readable offer of its type in the most recent file.
struct VoucherOffers {
    VoucherOffer month;  // type "1" 月券
    VoucherOffer judou;  // type "2" 聚豆
    VoucherOffer bang;   // type "3" 帮豆
};

// The job of the menu item "月券/聚豆": loads the offers, shows both balances
// (binding 帮豆 first, with s.state.bang_bound_ids), fills the three lists and
// shows the panel. Every failure is one red line. Ends with
// unlock_controls(logged_in).
void load_vouchers(Session& s, Guarded<VoucherOffers>& offers);

// Reads an offer file into offers (offers of unknown types and offers without
// a readable "list" are skipped). False, with offers left as they were, when
// the text is not a script value or cannot be read within its limits.
// after_each runs once per offer (the job lets the window breathe there).
bool read_voucher_offers(const std::string& text, VoucherOffers& offers,
                         const std::function<void()>& after_each = {});

// The five buttons of the panel; the number is the digit of their messages.
enum class VoucherAction {
    MonthExchange = 1,  // 按钮_月券_月券兑换
    JudouExchange = 2,  // 按钮_月券_聚豆兑换
    JudouLottery = 3,   // 按钮_月券_聚豆抽奖
    BangExchange = 4,   // 按钮_月券_帮豆兑换
    BangLottery = 5,    // 按钮_月券_帮豆抽奖
};

// What one action sends: decided on the user-interface thread, where the
// selection is read and the lottery's confirmation asked.
struct VoucherRequest {
    VoucherAction action = VoucherAction::MonthExchange;
    std::string aId;   // the offer's activity
    std::string flow;  // the item's flow, or the lottery's
};
// nullopt when there is nothing to send: an exchange with "选择兑换道具" (or
// nothing) selected, or a lottery whose confirmation was cancelled.
std::optional<VoucherRequest> prepare_voucher_action(Session& s, const VoucherOffers& offers,
                                                     VoucherAction action);
// How the service answered an exchange or a lottery.
enum class VoucherAnswer {
    None,      // nothing was sent (nothing chosen, the lottery not confirmed)
    Accepted,  // "ret" and "flowRet.iRet" are "0"
    Refused,   // any other code (a balance too low, an item gone...)
    Failed,    // no answer, or one that does not read
};

// Sends it and reports the answer in a message box (a worker's part); returns
// how it was answered.
VoucherAnswer send_voucher_action(Session& s, const VoucherRequest& request);
// Both, one after the other, on the calling thread.
void run_voucher_action(Session& s, const VoucherOffers& offers, VoucherAction action);

// The mall's exchange body for activity aId and flow fId, as sent.
std::string mall_exchange_body(const Session& s, const std::string& aId, const std::string& fId);

}  // namespace quillet
