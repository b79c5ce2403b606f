#pragma once
// The program's own control names, one constant each, so that a typo fails to
// compile. A control is named by its window and its name; the Qt side gives
// every widget its name as objectName. Menu items carry no names of their own:
// they are addressed here as "menu/item" (and "手动活动/group/position").
#include <string_view>

namespace quillet {

enum class Window { Version, Login, Main, ActivityBrowser, Notice };

struct Control {
    Window window;
    std::string_view name;
    friend bool operator==(const Control&, const Control&) = default;
};

std::string_view window_name(Window w);

namespace ctl {
namespace main {
inline constexpr Control 外形框_头像{Window::Main, "外形框_头像"};
inline constexpr Control 按钮_更换账号{Window::Main, "按钮_更换账号"};
inline constexpr Control 按钮_绑定大区{Window::Main, "按钮_绑定大区"};
inline constexpr Control 按钮_一键领取{Window::Main, "按钮_一键领取"};
inline constexpr Control 按钮_手动活动{Window::Main, "按钮_手动活动"};
inline constexpr Control 按钮_Quillet{Window::Main, "按钮_Quillet"};
inline constexpr Control 外形框_提示{Window::Main, "外形框_提示"};
inline constexpr Control 列表框_大区{Window::Main, "列表框_大区"};
inline constexpr Control 外形框_日志{Window::Main, "外形框_日志"};
inline constexpr Control 外形框_滚动广告{Window::Main, "外形框_滚动广告"};
inline constexpr Control 图片框_QQ群{Window::Main, "图片框_QQ群"};
inline constexpr Control 标签_横线{Window::Main, "标签_横线"};
inline constexpr Control 标签_当前版本{Window::Main, "标签_当前版本"};
inline constexpr Control 超级链接框_CDK兑换{Window::Main, "超级链接框_CDK兑换"};
inline constexpr Control 标签_竖线1{Window::Main, "标签_竖线1"};
inline constexpr Control 超级链接框_支持{Window::Main, "超级链接框_支持"};
inline constexpr Control 标签_竖线2{Window::Main, "标签_竖线2"};
inline constexpr Control 超级链接框_反馈{Window::Main, "超级链接框_反馈"};
inline constexpr Control 图片框_广告{Window::Main, "图片框_广告"};
inline constexpr Control 外形框_广告{Window::Main, "外形框_广告"};
inline constexpr Control 标签7{Window::Main, "标签7"};
inline constexpr Control 标签8{Window::Main, "标签8"};
inline constexpr Control 超文本浏览框_统计{Window::Main, "超文本浏览框_统计"};
inline constexpr Control 外形框_活动列表{Window::Main, "外形框_活动列表"};
inline constexpr Control 外形框_消费列表{Window::Main, "外形框_消费列表"};
inline constexpr Control 外形框_CDK兑换{Window::Main, "外形框_CDK兑换"};
inline constexpr Control 外形框_支持{Window::Main, "外形框_支持"};
inline constexpr Control 外形框_我的资产{Window::Main, "外形框_我的资产"};
inline constexpr Control 外形框_战绩{Window::Main, "外形框_战绩"};
inline constexpr Control 外形框_月券{Window::Main, "外形框_月券"};
inline constexpr Control 外形框_配置{Window::Main, "外形框_配置"};
inline constexpr Control 外形框_领取记录{Window::Main, "外形框_领取记录"};
inline constexpr Control 图片框_头像{Window::Main, "图片框_头像"};
inline constexpr Control 标签_头像_大区{Window::Main, "标签_头像_大区"};
inline constexpr Control 图片框_CFVIP{Window::Main, "图片框_CFVIP"};
inline constexpr Control 标签_头像_昵称{Window::Main, "标签_头像_昵称"};
inline constexpr Control 标签_VIP等级{Window::Main, "标签_VIP等级"};
inline constexpr Control 标签_成长值{Window::Main, "标签_成长值"};
inline constexpr Control 标签_到期时间{Window::Main, "标签_到期时间"};
inline constexpr Control 超级编辑框_日志{Window::Main, "超级编辑框_日志"};
inline constexpr Control 标签_滚动广告{Window::Main, "标签_滚动广告"};
inline constexpr Control 链接框_广告1{Window::Main, "链接框_广告1"};
inline constexpr Control 链接框_广告2{Window::Main, "链接框_广告2"};
inline constexpr Control 链接框_广告3{Window::Main, "链接框_广告3"};
inline constexpr Control 链接框_广告4{Window::Main, "链接框_广告4"};
inline constexpr Control 链接框_广告5{Window::Main, "链接框_广告5"};
inline constexpr Control 链接框_广告6{Window::Main, "链接框_广告6"};
inline constexpr Control 链接框_广告7{Window::Main, "链接框_广告7"};
inline constexpr Control 链接框_广告8{Window::Main, "链接框_广告8"};
inline constexpr Control 链接框_广告9{Window::Main, "链接框_广告9"};
inline constexpr Control 链接框_广告10{Window::Main, "链接框_广告10"};
inline constexpr Control 标签_活动列表提示{Window::Main, "标签_活动列表提示"};
inline constexpr Control 按钮_活动列表返回日志{Window::Main, "按钮_活动列表返回日志"};
inline constexpr Control 标签_消费记录提示{Window::Main, "标签_消费记录提示"};
inline constexpr Control 按钮_消费记录返回日志{Window::Main, "按钮_消费记录返回日志"};
inline constexpr Control 标签_我的资产提示{Window::Main, "标签_我的资产提示"};
inline constexpr Control 按钮_我的资产返回日志{Window::Main, "按钮_我的资产返回日志"};
inline constexpr Control 标签_战绩提示{Window::Main, "标签_战绩提示"};
inline constexpr Control 按钮_战绩返回日志{Window::Main, "按钮_战绩返回日志"};
inline constexpr Control 外形框_战绩内层{Window::Main, "外形框_战绩内层"};
inline constexpr Control 标签_CDK兑换提示{Window::Main, "标签_CDK兑换提示"};
inline constexpr Control 按钮_CDK兑换返回日志{Window::Main, "按钮_CDK兑换返回日志"};
inline constexpr Control 外形框_CDK兑换内层{Window::Main, "外形框_CDK兑换内层"};
inline constexpr Control 标签_支持提示{Window::Main, "标签_支持提示"};
inline constexpr Control 按钮_支持返回日志{Window::Main, "按钮_支持返回日志"};
inline constexpr Control 外形框_支持内层{Window::Main, "外形框_支持内层"};
inline constexpr Control 标签_月券提示{Window::Main, "标签_月券提示"};
inline constexpr Control 按钮_月券返回日志{Window::Main, "按钮_月券返回日志"};
inline constexpr Control 外形框_月券内层{Window::Main, "外形框_月券内层"};
inline constexpr Control 标签_配置提示{Window::Main, "标签_配置提示"};
inline constexpr Control 按钮_配置返回日志{Window::Main, "按钮_配置返回日志"};
inline constexpr Control 外形框_配置内层{Window::Main, "外形框_配置内层"};
inline constexpr Control 标签_领取记录提示{Window::Main, "标签_领取记录提示"};
inline constexpr Control 按钮_领取记录返回日志{Window::Main, "按钮_领取记录返回日志"};
inline constexpr Control 超级列表框_活动列表{Window::Main, "超级列表框_活动列表"};
inline constexpr Control 超级列表框_消费列表{Window::Main, "超级列表框_消费列表"};
inline constexpr Control 超级列表框_领取记录{Window::Main, "超级列表框_领取记录"};
inline constexpr Control 按钮_我的资产_主武器{Window::Main, "按钮_我的资产_主武器"};
inline constexpr Control 按钮_我的资产_副武器{Window::Main, "按钮_我的资产_副武器"};
inline constexpr Control 按钮_我的资产_近身武器{Window::Main, "按钮_我的资产_近身武器"};
inline constexpr Control 按钮_我的资产_投掷武器{Window::Main, "按钮_我的资产_投掷武器"};
inline constexpr Control 超级列表框_我的资产{Window::Main, "超级列表框_我的资产"};
inline constexpr Control 标签5{Window::Main, "标签5"};
inline constexpr Control 标签_我的资产_CF点{Window::Main, "标签_我的资产_CF点"};
inline constexpr Control 标签6{Window::Main, "标签6"};
inline constexpr Control 标签_我的资产_GP点{Window::Main, "标签_我的资产_GP点"};
inline constexpr Control 标签4{Window::Main, "标签4"};
inline constexpr Control 标签_我的资产_总价值{Window::Main, "标签_我的资产_总价值"};
inline constexpr Control 标签_总战绩{Window::Main, "标签_总战绩"};
inline constexpr Control 标签_总战绩信息{Window::Main, "标签_总战绩信息"};
inline constexpr Control 标签_今日战绩{Window::Main, "标签_今日战绩"};
inline constexpr Control 标签_今日战绩信息{Window::Main, "标签_今日战绩信息"};
inline constexpr Control 标签1{Window::Main, "标签1"};
inline constexpr Control 编辑框_CDK{Window::Main, "编辑框_CDK"};
inline constexpr Control 标签2{Window::Main, "标签2"};
inline constexpr Control 组合框_大区列表{Window::Main, "组合框_大区列表"};
inline constexpr Control 标签_角色名{Window::Main, "标签_角色名"};
inline constexpr Control 标签3{Window::Main, "标签3"};
inline constexpr Control 编辑框_验证码{Window::Main, "编辑框_验证码"};
inline constexpr Control 超级链接框_更换验证码{Window::Main, "超级链接框_更换验证码"};
inline constexpr Control 图片框_验证码{Window::Main, "图片框_验证码"};
inline constexpr Control 按钮_确定兑换{Window::Main, "按钮_确定兑换"};
inline constexpr Control 图片框_微信转账{Window::Main, "图片框_微信转账"};
inline constexpr Control 图片框_QQ转账{Window::Main, "图片框_QQ转账"};
inline constexpr Control 标签_转账提示1{Window::Main, "标签_转账提示1"};
inline constexpr Control 标签_转账提示2{Window::Main, "标签_转账提示2"};
inline constexpr Control 标签_月券_月券{Window::Main, "标签_月券_月券"};
inline constexpr Control 组合框_月券_月券{Window::Main, "组合框_月券_月券"};
inline constexpr Control 按钮_月券_月券兑换{Window::Main, "按钮_月券_月券兑换"};
inline constexpr Control 标签_月券_聚豆{Window::Main, "标签_月券_聚豆"};
inline constexpr Control 组合框_月券_聚豆{Window::Main, "组合框_月券_聚豆"};
inline constexpr Control 按钮_月券_聚豆兑换{Window::Main, "按钮_月券_聚豆兑换"};
inline constexpr Control 按钮_月券_聚豆抽奖{Window::Main, "按钮_月券_聚豆抽奖"};
inline constexpr Control 标签_月券_帮豆{Window::Main, "标签_月券_帮豆"};
inline constexpr Control 组合框_月券_帮豆{Window::Main, "组合框_月券_帮豆"};
inline constexpr Control 按钮_月券_帮豆兑换{Window::Main, "按钮_月券_帮豆兑换"};
inline constexpr Control 按钮_月券_帮豆抽奖{Window::Main, "按钮_月券_帮豆抽奖"};
inline constexpr Control 标签_配置_优先模式{Window::Main, "标签_配置_优先模式"};
inline constexpr Control 组合框_配置_优先模式{Window::Main, "组合框_配置_优先模式"};
inline constexpr Control 标签_配置_优先道具{Window::Main, "标签_配置_优先道具"};
inline constexpr Control 组合框_配置_优先道具{Window::Main, "组合框_配置_优先道具"};
inline constexpr Control 按钮_配置_保存{Window::Main, "按钮_配置_保存"};
}  // namespace main

namespace version {
inline constexpr Control 外形框_检测{Window::Version, "外形框_检测"};
inline constexpr Control 标签_提示{Window::Version, "标签_提示"};
inline constexpr Control 按钮_下载1{Window::Version, "按钮_下载1"};
inline constexpr Control 按钮_下载2{Window::Version, "按钮_下载2"};
inline constexpr Control 按钮_下载3{Window::Version, "按钮_下载3"};
inline constexpr Control 按钮_重试{Window::Version, "按钮_重试"};
inline constexpr Control 按钮_更新详情{Window::Version, "按钮_更新详情"};
}  // namespace version

namespace login {
inline constexpr Control 超文本浏览框{Window::Login, "超文本浏览框"};
}  // namespace login

namespace browser {
inline constexpr Control 选择夹{Window::ActivityBrowser, "选择夹"};
inline constexpr Control 超文本浏览框{Window::ActivityBrowser, "超文本浏览框"};
}  // namespace browser

namespace notice {
inline constexpr Control 标签_标题{Window::Notice, "标签_标题"};
inline constexpr Control 标签_内容{Window::Notice, "标签_内容"};
inline constexpr Control 标签_横线{Window::Notice, "标签_横线"};
inline constexpr Control 超级链接框_查看详情{Window::Notice, "超级链接框_查看详情"};
}  // namespace notice

// The two pop-up menus and the items of the "Quillet" one.
namespace menu {
inline constexpr Control quillet{Window::Main, "Quillet"};
inline constexpr Control manual{Window::Main, "手动活动"};
inline constexpr Control 助手配置{Window::Main, "Quillet/助手配置"};
inline constexpr Control 活动列表{Window::Main, "Quillet/活动列表"};
inline constexpr Control 消费记录{Window::Main, "Quillet/消费记录"};
inline constexpr Control 战绩查询{Window::Main, "Quillet/战绩查询"};
inline constexpr Control 我的资产{Window::Main, "Quillet/我的资产"};
inline constexpr Control 月券聚豆{Window::Main, "Quillet/月券/聚豆"};
inline constexpr Control 扫描全区{Window::Main, "Quillet/扫描全区"};
inline constexpr Control 封号查询{Window::Main, "Quillet/封号查询"};
inline constexpr Control 领取记录{Window::Main, "Quillet/领取记录"};
// The four sub-menus of "手动活动".
inline constexpr Control 兑换活动{Window::Main, "手动活动/兑换活动"};
inline constexpr Control 幸运活动{Window::Main, "手动活动/幸运活动"};
inline constexpr Control 超值低价{Window::Main, "手动活动/超值低价"};
inline constexpr Control 人品活动{Window::Main, "手动活动/人品活动"};
// Sub-menu 1..4 in that order; an empty name outside.
Control manual_group(int group);
// Slot (group 1..4, position 1..10) of the "手动活动" menu: groups 兑换活动,
// 幸运活动, 超值低价, 人品活动, items 兑换1..兑换10 and so on.
Control manual_slot(int group, int position);
inline constexpr int kManualGroups = 4;
inline constexpr int kManualPositions = 10;
}  // namespace menu
}  // namespace ctl
}  // namespace quillet
