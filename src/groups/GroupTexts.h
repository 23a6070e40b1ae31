// The texts of the group windows: the chooser's refusals and questions, the synchronisation
// question, the group window's captions and its removal question. English texts are the device
// family's own wording and stay exactly as written, blanks included.
#pragma once

#include "core/Texts.h"

namespace plenum::texts {

inline constexpr MessageText kSelectLeft{
    {"Can't Add", "无法添加"}, {"Please select a device for the Left", "请为左声道选择一个设备"}, Icon::Exclamation};
inline constexpr MessageText kSelectRight{
    {"Can't Add", "无法添加"}, {"Please select a device for the Right", "请为右声道选择一个设备"}, Icon::Exclamation};
inline constexpr MessageText kSelectSub{
    {"Can't Add", "无法添加"}, {"Please select a device for the Sub", "请为超低音选择一个设备"}, Icon::Exclamation};
inline constexpr MessageText kSameLeftRight{{"Can't Add", "无法添加"},
                                            {"Please use different device for Left and Right",
                                             "请为左声道和右声道使用不同的设备"},
                                            Icon::Exclamation};
inline constexpr MessageText kGroupSyncWarning{
    {"Add", "添加"},
    {"All devices will be synchronized with the parameters of the Group\r\nDo you want to continue?",
     "所有设备都会同步编组的参数\r\n您想继续吗?"},
    Icon::Question};
// {0} is the group name; the device family's wording puts no blank after it.
inline constexpr MessageText kGroupNotSynchronized{
    {"Synchronize Group", "同步编组"},
    {"Device(s) on the Group {0}not synchronized.\r\n\r\nDo you want synchronize?",
     "编组 {0}中的设备没有同步.\r\n\r\n您要同步吗?"},
    Icon::Question};
inline constexpr MessageText kRemoveGroup{
    {"Remove Group", "删除编组"}, {"Remove Group: {0}\r\nAre you sure ? ", "删除编组: {0}\r\n您确定吗 ? "}, Icon::Question};
inline constexpr MessageText kGroupEqFlat{{"EQ Flat", "EQ 平直"}, {"Are you sure ?", "您确定吗 ?"}, Icon::Question};

inline constexpr Bilingual kSelectDevice{"SELECT DEVICE", "选择设备"};
inline constexpr Bilingual kEmptyChooser{"Empty", "空"};
inline constexpr Bilingual kDefaultGroupName{"DEFAULT", "DEFAULT"};
inline constexpr Bilingual kRoleLeft{"LEFT", "左"};
inline constexpr Bilingual kRoleRight{"RIGHT", "右"};
inline constexpr Bilingual kRoleSub{"SUB", "超低音"};
inline constexpr Bilingual kMemberOnLine{"ON-LINE", "在线"};
inline constexpr Bilingual kMemberOffLine{"OFF-LINE", "离线"};
inline constexpr Bilingual kDelayMs{"DELAY [ms]", "延时 [ms]"};
inline constexpr Bilingual kDelayMetres{"DELAY [m]", "延时 [m]"};
inline constexpr Bilingual kCustomPreset{"CUSTOM", "CUSTOM"};
inline constexpr Bilingual kEqFlatButton{"EQ Flat", "EQ 平直"};
// The group window's way to the drift window (the members against the project).
inline constexpr Bilingual kGroupMembers{"Members…", "成员…"};
inline constexpr Bilingual kGroupCompare{"Compare with devices…", "与设备比较…"};
inline constexpr Bilingual kEqOnSub{"EQ on Sub", "超低音 EQ"};
// The window's captions: levels, delays and the band's boxes.
inline constexpr Bilingual kGroupMute{"MUTE", "静音"};
inline constexpr Bilingual kGroupGainDb{"GAIN [dB]", "增益 [dB]"};
inline constexpr Bilingual kGroupSatDelay{"SAT", "卫星箱"};
inline constexpr Bilingual kGroupBand{"BAND", "频段"};
inline constexpr Bilingual kGroupType{"TYPE", "类型"};
inline constexpr Bilingual kGroupFreqHz{"FREQ [Hz]", "频率 [Hz]"};
inline constexpr Bilingual kGroupQ{"Q", "Q"};
inline constexpr Bilingual kGroupBandBypass{"BYPASS", "旁通"};
inline constexpr Bilingual kGroupEqBypass{"EQ BYPASS", "EQ 旁通"};
inline constexpr Bilingual kGroupSavePreset{"SAVE", "保存"};
// The graph's drag readout: "Freq=" value "Hz; Gain=" value "dB".
inline constexpr Bilingual kGroupBandReadout{"Freq={0}Hz; Gain={1}dB", "Freq={0}Hz; Gain={1}dB"};

}  // namespace plenum::texts
