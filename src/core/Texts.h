// The bilingual text catalogue. Every text the user sees has an English and a Chinese form chosen
// by LanguageFlag (0 English, 1 Chinese). Message boxes are catalogued as title + text + icon.
// The texts are the device family's own wording and must stay exactly as written, blanks included.
// A "{0}", "{1}" ... in a text is filled by FillText with the caller's values.
#pragma once

#include <initializer_list>
#include <string>
#include <string_view>

namespace plenum {

// Critical is the stop-sign box of fatal set-up errors.
enum class Icon { Information, Exclamation, Question, Critical };

struct Bilingual {
    std::string_view en;
    std::string_view zh;
    std::string_view pick(int languageFlag) const { return languageFlag == 1 ? zh : en; }
};

struct MessageText {
    Bilingual title;
    Bilingual text;
    Icon icon = Icon::Exclamation;
};

// Replaces "{0}", "{1}" ... by the given values, in order.
std::string FillText(std::string_view pattern, std::initializer_list<std::string_view> values);

namespace texts {

// --- Start-up and language -------------------------------------------------------------------
inline constexpr MessageText kDisplayTooSmall{
    {"KARVO Plenum Rizevi", "KARVO Plenum Rizevi"},
    {"The size of the edit window exceed the size of the monitor\r\n"
     "please try to set the monitor resolution to 96dpi (small icon)",
     "编辑窗口的大小超过显示器的尺寸\r\n请尝试设置显示器的分辨率到 96dpi (小图标)"},
    Icon::Information};

// Asked while English is active (the label shows "EN"): switch to Chinese.
inline constexpr MessageText kSwitchToChinese{
    {"语言切换", "语言切换"},
    {"本软件显示语言将切换为中文，请您在确定后，关闭编辑窗口并重新打开。\r\n本软件下一次启动将默认为中文显示。",
     "本软件显示语言将切换为中文，请您在确定后，关闭编辑窗口并重新打开。\r\n本软件下一次启动将默认为中文显示。"},
    Icon::Information};

// Asked while Chinese is active (the label shows "CN"): switch to English.
inline constexpr MessageText kSwitchToEnglish{
    {"Switch Language", "Switch Language"},
    {"This software display language will be switch to English, after you confirm, please close the edit "
     "windows and re-open it.\r\nNext launch this software will use English as default display language.",
     "This software display language will be switch to English, after you confirm, please close the edit "
     "windows and re-open it.\r\nNext launch this software will use English as default display language."},
    Icon::Information};

inline constexpr MessageText kWrongValue{{"Warning", "警告"}, {"Wrong value", "  不正确的值"}, Icon::Exclamation};

// --- Device registry -------------------------------------------------------------------------
inline constexpr MessageText kCantAddMax{{"Add Device", "添加设备"},
                                         {"Can't add device, max {0} devices", "无法添加设备, 最多 {0} 个设备"},
                                         Icon::Information};
inline constexpr MessageText kDeviceAlreadyListed{{"Can't add device", "无法添加设备"},
                                                  {"Device already on the list!", "设备已经在列表中!"},
                                                  Icon::Exclamation};
inline constexpr MessageText kNoNewDevice{
    {"Search Device", "查找设备"}, {"No new Device(s) found", "没有发现新的设备"}, Icon::Information};
inline constexpr MessageText kRemoveInGroup{{"Remove Device", "删除设备"},
                                            {"Can't remove device, it is present in the Group",
                                             "无法删除设备, 该设备在编组中"},
                                            Icon::Exclamation};
inline constexpr MessageText kRemoveEditOpen{{"Remove Device", "删除设备"},
                                             {"Can't remove device, Edit window is open",
                                              "无法删除设备, 编辑窗口已经打开"},
                                             Icon::Exclamation};
inline constexpr MessageText kRemoveConfirm{
    {"Remove Device", "删除设备"}, {"Are you sure?", "您确定吗?"}, Icon::Question};

// --- Main window -----------------------------------------------------------------------------
inline constexpr MessageText kExitConfirm{{"Exit", "退出"},
                                          {"               Are you sure ? ", "               您确定吗 ? "},
                                          Icon::Question};
inline constexpr MessageText kMaxGroups{{"Add Group", "添加编组"},
                                        {"Can't add new group, max Group number reached",
                                         "无法添加新的编组, 已达到最大编组数"},
                                        Icon::Exclamation};

// --- Project files ---------------------------------------------------------------------------
inline constexpr MessageText kFileNotFound{
    {" Error", " 错误"}, {" File not found. Try again.", " 没有找到文件. 请再次尝试."}, Icon::Exclamation};
inline constexpr MessageText kFileWrong{{" Error", " 错误"}, {" File wrong ", " 错误的文件 "}, Icon::Exclamation};

// --- Device communication (comm) ------------------------------------------------------------
// Shown when a device is taken off-line after a failed transaction while its edit window is open.
inline constexpr MessageText kCommunicationProblem{
    {"Communication problem", "通信错误"},
    {" The system will close the communication with this device", " 系统将会关闭这个设备的连接"},
    Icon::Exclamation};
// The label of the reconnection window; {0} is the retry number 1..10. The device family's tool
// shows this label in English in both languages.
inline constexpr Bilingual kReconnectionRetry{"Reconnection retry {0} of 10", "Reconnection retry {0} of 10"};

// --- Desktop application: main window and device tiles ---------------------------------------
// Tile status texts and the tile menu entry that toggles them.
inline constexpr Bilingual kOnLine{"On-line", "在线"};
inline constexpr Bilingual kOffLine{"Off-line", "离线"};
inline constexpr Bilingual kSwitchOnOffLine{"Switch On-Line/Off-Line", "切换 在线/离线"};
// The main network object could not be set up; the application carries on without network links.
inline constexpr MessageText kWrongTcpInit{
    {"VOVUvuRizi", "VOVUvuRizi"}, {"Wrong TCP initialization!", "TCP 初始化错误!"}, Icon::Critical};
// Asked before an on-line device is taken off-line from its tile; {0} is the device name.
inline constexpr MessageText kDisconnectConfirm{{"Disconnect", "断开连接"},
                                                {"Disconnect Device: {0}\r\nare you sure?",
                                                 "断开设备: {0}\r\n您确定吗?"},
                                                Icon::Question};
// A network device cannot be connected while this computer has no LAN or WLAN address.
inline constexpr MessageText kLanNotFound{
    {"Connect", "连接"}, {"LAN or WLAN not found", "没有找到：LAN 或 WLAN"}, Icon::Exclamation};
// Connection failures: the link could not be opened (network, USB) and the identify check failed.
inline constexpr MessageText kConnectNotFound{
    {"Can't Connect", "无法连接"}, {"Device not found", "设备没有找到。"}, Icon::Exclamation};
inline constexpr MessageText kConnectMismatch{
    {"Can't Connect", "无法连接"}, {"Device mismatch", "设备不匹配。"}, Icon::Exclamation};
// The project file dialogs' filter.
inline constexpr Bilingual kProjectFileFilter{"file project (*.prj)", "file project (*.prj)"};

}  // namespace texts

// Names shown for LinkMode 0, 1, 2 (also stored beside removed devices' unique IDs).
std::string_view LinkModeName(int linkMode);

}  // namespace plenum
