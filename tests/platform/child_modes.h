#pragma once
// The test program doubles as the child the process tests start: with
// QUILLET_TEST_CHILD set, main() acts out that mode instead of running tests.
inline constexpr const char* kChildModeVariable = "QUILLET_TEST_CHILD";
inline constexpr const char* kChildFileVariable = "QUILLET_TEST_CHILD_FILE";
inline constexpr const char* kChildReportVariable = "QUILLET_TEST_CHILD_REPORT";
