#include "session/controls.h"

namespace quillet {

std::string_view window_name(Window w) {
    switch (w) {
        case Window::Version:
            return "VersionWindow";
        case Window::Login:
            return "LoginWindow";
        case Window::Main:
            return "MainWindow";
        case Window::ActivityBrowser:
            return "ActivityBrowserWindow";
        case Window::Notice:
            return "NoticeWindow";
    }
    return "";
}

namespace ctl::menu {

Control manual_group(int group) {
    static constexpr Control kGroups[kManualGroups] = {兑换活动, 幸运活动, 超值低价, 人品活动};
    if (group < 1 || group > kManualGroups) return Control{Window::Main, ""};
    return kGroups[group - 1];
}

Control manual_slot(int group, int position) {
    static constexpr std::string_view kNames[kManualGroups * kManualPositions] = {
        "手动活动/兑换活动/兑换1",  "手动活动/兑换活动/兑换2",  "手动活动/兑换活动/兑换3",
        "手动活动/兑换活动/兑换4",  "手动活动/兑换活动/兑换5",  "手动活动/兑换活动/兑换6",
        "手动活动/兑换活动/兑换7",  "手动活动/兑换活动/兑换8",  "手动活动/兑换活动/兑换9",
        "手动活动/兑换活动/兑换10", "手动活动/幸运活动/幸运1",  "手动活动/幸运活动/幸运2",
        "手动活动/幸运活动/幸运3",  "手动活动/幸运活动/幸运4",  "手动活动/幸运活动/幸运5",
        "手动活动/幸运活动/幸运6",  "手动活动/幸运活动/幸运7",  "手动活动/幸运活动/幸运8",
        "手动活动/幸运活动/幸运9",  "手动活动/幸运活动/幸运10", "手动活动/超值低价/超值1",
        "手动活动/超值低价/超值2",  "手动活动/超值低价/超值3",  "手动活动/超值低价/超值4",
        "手动活动/超值低价/超值5",  "手动活动/超值低价/超值6",  "手动活动/超值低价/超值7",
        "手动活动/超值低价/超值8",  "手动活动/超值低价/超值9",  "手动活动/超值低价/超值10",
        "手动活动/人品活动/人品1",  "手动活动/人品活动/人品2",  "手动活动/人品活动/人品3",
        "手动活动/人品活动/人品4",  "手动活动/人品活动/人品5",  "手动活动/人品活动/人品6",
        "手动活动/人品活动/人品7",  "手动活动/人品活动/人品8",  "手动活动/人品活动/人品9",
        "手动活动/人品活动/人品10"};
    if (group < 1 || group > kManualGroups || position < 1 || position > kManualPositions)
        return Control{Window::Main, ""};
    return Control{Window::Main, kNames[(group - 1) * kManualPositions + (position - 1)]};
}

}  // namespace ctl::menu
}  // namespace quillet
