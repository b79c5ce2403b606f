#include "platform/daily_task.h"

#include <gtest/gtest.h>

#include "platform/child_process.h"

namespace quillet::platform {
namespace {

TEST(DailyTask, WindowsArgumentsReadBackAsTyped) {
    struct Case {
        std::string arg, quoted;
    };
    const Case cases[] = {
        {"claim", "claim"},
        {"", "\"\""},
        {"C:\\Program Files\\quillet", "\"C:\\Program Files\\quillet\""},
        {"ends\\ in \\", "\"ends\\ in \\\\\""},
        {"say \"hi\"", "\"say \\\"hi\\\"\""},
        {"a\\\"b c", "\"a\\\\\\\"b c\""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.arg);
        EXPECT_EQ(windows_argument(c.arg), c.quoted);
    }
}

TEST(DailyTask, TheTaskSchedulerDefinitionCarriesTheTimerOptions) {
    DailyTimer t;
    t.hour = 7;
    t.minute = 5;
    t.program = "C:\\Games\\Quillet & Co\\quillet-cli.exe";
    t.args = {"--account", "main", "--notify-cmd", "echo <done> \"now\"", "claim"};
    const std::string xml = task_scheduler_xml(t);
    for (const char* part : {
             "<?xml version=\"1.0\" encoding=\"UTF-16\"?>",
             "<StartBoundary>2024-01-01T07:05:00</StartBoundary>",
             "<ScheduleByDay>\n        <DaysInterval>1</DaysInterval>",
             "<RandomDelay>PT300S</RandomDelay>",
             "<StartWhenAvailable>true</StartWhenAvailable>",
             "<LogonType>InteractiveToken</LogonType>",
             "<Command>C:\\Games\\Quillet &amp; Co\\quillet-cli.exe</Command>",
             "<Arguments>--account main --notify-cmd &quot;echo &lt;done&gt; "
             "\\&quot;now\\&quot;&quot; claim</Arguments>",
         }) {
        EXPECT_NE(xml.find(part), std::string::npos) << part << "\nin\n" << xml;
    }
    EXPECT_EQ(schtasks_create_command("C:\\Users\\me\\AppData\\Local\\quillet\\daily-task.xml"),
              "schtasks /Create /XML C:\\Users\\me\\AppData\\Local\\quillet\\daily-task.xml /TN "
              "\"Quillet Daily Claim\" /F");
}

}  // namespace
}  // namespace quillet::platform
