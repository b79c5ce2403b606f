#pragma once
// The window side of the text layer: the program's GBK texts as QStrings and
// back. Line breaks inside a caption are CR LF in the program and LF on screen.
#include <QString>
#include <string>
#include <string_view>

namespace quillet {

QString qt_text(std::string_view gbk);
std::string gbk_text(const QString& text);
// A caption for a label: CR LF pairs become the widget's line breaks.
QString qt_caption(std::string_view gbk);
// A control name (UTF-8 in the program) as an object name.
QString qt_name(std::string_view utf8);

}  // namespace quillet
