#pragma once
// The ledger read back for a person or a script: per day, a heading line and
// one line per attempt; or one JSON object per attempt. Times are shown in
// the reader's zone (the clock's), whatever zone wrote them.
#include <string>
#include <vector>

#include "ledger/ledger.h"

namespace quillet {

class Clock;

// "2016-10-19: 24 attempts, 3 given, 17 nothing given, 4 failed" then, per
// attempt, "  10:30:00 358791246 上海电信一区 AMS given 【group】【item】message"
// (the account's name after the QQ when it has one; the code after "nothing
// given" and "failed"; "(derived)" after the outcome of a row kept before
// outcomes were). Every line ends with "\n"; nothing for no rows.
std::string history_plain(const std::vector<LedgerRow>& rows, const Clock& clock);
// One line of JSON (no line end) with every column of the row.
std::string history_json(const LedgerRow& row, const Clock& clock);

// The "yyyy-MM-dd" that is days-1 days before today ("yyyy-MM-dd"): the first
// day of a history of days days.
std::string first_day_of(const std::string& today, int days);

}  // namespace quillet
