#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <iterator>
#include <string>
#include <thread>

#include "platform/child_process.h"
#include "platform/folders.h"
#include "tests/platform/child_modes.h"

namespace {

using namespace quillet::platform;

// "input": copies standard input into the file named by the file variable,
// exits 4. "report": prints "out" on standard output, reports "summary",
// exits 7. "sleep": sleeps a minute.
int act_as_child(const std::string& mode) {
    if (mode == "input") {
        std::ios::sync_with_stdio(false);
        std::cin >> std::noskipws;
        const std::string text{std::istreambuf_iterator<char>(std::cin),
                               std::istreambuf_iterator<char>()};
        std::ofstream(path_from_utf8(env(kChildFileVariable).value_or("child-input")),
                      std::ios::binary)
            << text;
        return 4;
    }
    if (mode == "report") {
        std::fputs("out\n", stdout);
        std::fflush(stdout);
        return send_report(kChildReportVariable, "summary\n") ? 7 : 8;
    }
    if (mode == "sleep") {
        std::this_thread::sleep_for(std::chrono::seconds(60));
        return 0;
    }
    return 99;
}

}  // namespace

int main(int argc, char** argv) {
    if (const auto mode = env(kChildModeVariable); mode && !mode->empty())
        return act_as_child(*mode);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
