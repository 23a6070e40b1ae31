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

// Refused typed values. The satellite edit window says "Wrong value" and names a wrong Q or
// frequency in Chinese; the subwoofer edit window says "  Incorrect value" and names only a Q.
inline constexpr MessageText kWrongValue{{"Warning", "警告"}, {"Wrong value", "  不正确的值"}, Icon::Exclamation};
// A FIR window attenuation outside its range (the device family's own spelling).
inline constexpr MessageText kWrongAttenuation{{"Warning", "警告"}, {"Wong Value", "  不正确的值"}, Icon::Exclamation};
inline constexpr MessageText kWrongQ{{"Warning", "警告"}, {"Wrong value", "  不正确的 Q 值"}, Icon::Exclamation};
inline constexpr MessageText kWrongFrequency{{"Warning", "警告"}, {"Wrong value", "  不正确的频率值"}, Icon::Exclamation};
inline constexpr MessageText kIncorrectValue{{"Warning", "警告"}, {"  Incorrect value", "  不正确的值"}, Icon::Exclamation};
inline constexpr MessageText kIncorrectQ{{"Warning", "警告"}, {"  Incorrect value", "  不正确的 Q 值"}, Icon::Exclamation};

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
// The session project of the last run could not be read; it was renamed so nothing overwrites it.
inline constexpr MessageText kSessionSetAside{
    {"Session", "会话"},
    {"The last session could not be restored completely.\r\nThe damaged file was kept as {0}.",
     "无法完整恢复上次的会话。\r\n损坏的文件已保留为 {0}。"},
    Icon::Exclamation};

// --- Device communication (comm) ------------------------------------------------------------
// Shown when a device is taken off-line after a failed transaction while its edit window is open.
inline constexpr MessageText kCommunicationProblem{
    {"Communication problem", "通信错误"},
    {" The system will close the communication with this device", " 系统将会关闭这个设备的连接"},
    Icon::Exclamation};
// The label of the reconnection window; {0} is the retry number 1..10. The device family's tool
// shows this label in English in both languages.
inline constexpr Bilingual kReconnectionRetry{"Reconnection retry {0} of 10", "Reconnection retry {0} of 10"};


// --- Discovery and connection ----------------------------------------------------------------
inline constexpr MessageText kWrongTcpInit{
    {"VOVUvuRizi", "VOVUvuRizi"}, {"Wrong TCP initialization!", "TCP 初始化错误!"}, Icon::Critical};
inline constexpr Bilingual kSearchingDevice{"Searching Device, please wait.....", "正在查找设备, 请稍候....."};
inline constexpr Bilingual kSearchingIp{"Searching IP:", "查找 IP:"};
inline constexpr Bilingual kOnLine{"On-line", "在线"};
inline constexpr Bilingual kOffLine{"Off-line", "离线"};
inline constexpr Bilingual kSwitchOnOffLine{"Switch On-Line/Off-Line", "切换 在线/离线"};
// The connection error codes 1..4, 10 and 11 (code 5 has no message of its own).
inline constexpr Bilingual kCantConnectTitle{"Can't Connect", "无法连接"};
inline constexpr Bilingual kUsbAlreadyUsed{"USB already used", "USB 已经在使用中。"};
inline constexpr Bilingual kDeviceNotFoundText{"Device not found", "设备没有找到。"};
inline constexpr Bilingual kDeviceMismatch{"Device mismatch", "设备不匹配。"};
inline constexpr Bilingual kIpAlreadyUsed{"IP already used", "IP地址已经在使用中。"};
inline constexpr Bilingual kSettingsMismatch{"Current settings mismatch with the device settings",
                                             "Current settings mismatch with the device settings"};
inline constexpr MessageText kDevicesNotFound{
    {"Connect", "连接"}, {"Device(s) not found", "设备没有找到。"}, Icon::Exclamation};
inline constexpr MessageText kLanNotFound{
    {"Connect", "连接"}, {"LAN or WLAN not found", "没有找到：LAN 或 WLAN"}, Icon::Exclamation};
inline constexpr MessageText kDisconnectConfirm{
    {"Disconnect", "断开连接"}, {"Disconnect Device: {0}\r\nare you sure?", "断开设备: {0}\r\n您确定吗?"}, Icon::Question};
inline constexpr MessageText kDifferentUniqueId{{"Connect", "连接"},
                                               {"Found device with different Unique ID, do you want to continue?",
                                                "找到不同UDID的设备, 您想继续吗?"},
                                               Icon::Question};
inline constexpr MessageText kOldFirmware{{"Can't Connect", "无法连接"},
                                         {"An old firmware version has been detected.\r\n"
                                          "Please update the firmware with version >= v0.3.4",
                                          "检测到旧的固件版本.\r\n请将固件升级到 v0.3.4 或更高版本"},
                                         Icon::Exclamation};
// {0} the model the device reports, {1} the model listed.
inline constexpr MessageText kConvertModel{
    {"Connect", "连接"},
    {"Device mismatch:\r\nthe plate connected is the {0}.\r\nthe software device selected is the {1}.\r\n"
     "do you want to convert the {1} to a {0}?",
     "设备不匹配:\r\n连接的功放板是 {0}.\r\n软件中选择的设备是 {1}.\r\n您要把 {1} 转换为 {0} 吗?"},
    Icon::Question};
inline constexpr MessageText kSyncWithGroup{{"Connect", "连接"},
                                           {"Do you want to synchronize the device with the Group?",
                                            "您是否要将设备与编组同步?"},
                                           Icon::Question};
inline constexpr Bilingual kConnectTitle{"Connect Device ", "连接设备 "};
inline constexpr Bilingual kConnectUsbTitle{"USB - Connect Device", "USB - 连接设备"};
inline constexpr Bilingual kConnectAllTitle{"Connect All Device(s) added", "连接所有已添加的设备"};
inline constexpr Bilingual kLoadToDevice{"Load current settings to Device", "将当前设置载入设备"};
inline constexpr Bilingual kReadFromDevice{"Read current settings from Device", "从设备读取当前设置"};
// --- Firmware update -------------------------------------------------------------------------
// The firmware window. Texts the device family's tool shows in English in both languages keep
// their English form for Chinese too (the labels and "Status:").
inline constexpr Bilingual kFwTitleUsb{"Firmware Update - Only USB Mode", "固件升级 - 只工作在 USB 模式"};
inline constexpr Bilingual kFwTitleLan{"Firmware Update - Only LAN Mode", "固件升级 - 只工作在 LAN 模式"};
inline constexpr Bilingual kFwFileFilter{"Fw Update(*.Sfu)|*.sfu", "固件升级(*.Sfu)|*.sfu"};
inline constexpr Bilingual kFwNoFileLabel{"Search .sfu file", "查找 .sfu 文件"};
inline constexpr Bilingual kFwLabelAddress{"IP Device:", "IP Device:"};
inline constexpr Bilingual kFwLabelVersion{"Firmware Version:", "Firmware Version:"};
inline constexpr Bilingual kFwLabelName{"Name:", "Name:"};
inline constexpr Bilingual kFwLabelUniqueId{"Unique ID:", "Unique ID:"};
inline constexpr Bilingual kFwStatus{"Status:", "Status:"};

inline constexpr MessageText kFwNoFile{
    {"Search File", "查找文件"}, {"please insert a .sfu file", "请调入一个后缀为 .sfu 的文件"}, Icon::Exclamation};
inline constexpr MessageText kFwOnlyUsb{{"Fw Update", "Fw Update"},
                                        {"Can't update firmware\r\nUpdate available only in USB mode",
                                         "无法更新固件\r\n更新只在 USB 模式有效"},
                                        Icon::Exclamation};
inline constexpr MessageText kFwOnlyLan{{"Fw Update", "Fw Update"},
                                        {"Can't update firmware\r\nUpdate available only in LAN mode",
                                         "无法更新固件\r\n更新只在 LAN 模式有效"},
                                        Icon::Exclamation};
inline constexpr MessageText kFwLoadedUsb{
    {"Firmware Update", "固件升级"}, {"Firmware successfully loaded!", "固件升级成功!"}, Icon::Information};
inline constexpr MessageText kFwLoadedLan{
    {"Firmware Update", "固件升级"}, {"Firmware successfully loaded!", "固件被成功调入!"}, Icon::Information};
// The loader's error codes 1..8 (5 and 8 come in two forms each).
inline constexpr MessageText kFwWrongFile{
    {"Firmware Update", "固件升级"}, {"Wrong firmware file!", "错误的固件!"}, Icon::Exclamation};
inline constexpr MessageText kFwProtected{
    {"Firmware Update", "固件升级"}, {"Device FLASH is protected!", "设备 FLASH 写保护!"}, Icon::Exclamation};
inline constexpr MessageText kFwEraseFailed{
    {"Firmware Update", "固件升级"}, {"Device FLASH erase failed!", "设备 FLASH 擦除失败!"}, Icon::Exclamation};
inline constexpr MessageText kFwWriteFailed{
    {"Firmware Update", "固件升级"}, {"Device FLASH write failed!", "设备 FLASH 写入失败!"}, Icon::Exclamation};
inline constexpr MessageText kFwCantConnectDevice{
    {"Firmware Update", "固件升级"}, {"Can't connect device", "无法连接到设备"}, Icon::Exclamation};
// {0} is the host text (the device's address).
inline constexpr MessageText kFwCantConnectHost{
    {"Firmware Update", "固件升级"}, {"Can't connect host {0}", "无法连接到主机 {0}"}, Icon::Exclamation};
inline constexpr MessageText kFwTimeout{{"Firmware Update", "固件升级"},
                                        {"Command timeout expired. Please try again.", "命令超时. 请再次尝试."},
                                        Icon::Exclamation};
inline constexpr MessageText kFwChecksum{{"Firmware Update", "固件升级"},
                                         {"Command checksum error. Please try again.", "命令校验和出错. 请再次尝试."},
                                         Icon::Exclamation};
inline constexpr MessageText kFwNotInWlan{{"Firmware Update", "固件升级"},
                                          {"Firmware update not available in WLAN mode.",
                                           "WLAN 模式，固件升级功能不可用."},
                                          Icon::Exclamation};
inline constexpr MessageText kFwNotInUsb{{"Firmware Update", "固件升级"},
                                         {"Firmware update not available in USB mode.",
                                          "USB 模式，固件升级功能不可用."},
                                         Icon::Exclamation};
// A device may refuse an update over its wired LAN too: the message names that link as it is.
inline constexpr MessageText kFwNotInLan{{"Firmware Update", "固件升级"},
                                         {"Firmware update not available in LAN mode.",
                                          "LAN 模式，固件升级功能不可用."},
                                         Icon::Exclamation};
// --- Desktop application -------------------------------------------------------------------
// The project file dialogs' filter.
inline constexpr Bilingual kProjectFileFilter{"file project (*.prj)", "file project (*.prj)"};

}  // namespace texts

// Names shown for LinkMode 0, 1, 2 (also stored beside removed devices' unique IDs).
std::string_view LinkModeName(int linkMode);

}  // namespace plenum
