// The texts of the device edit windows: captions, questions and the refusals of the button bar.
// The English texts are the device family's own wording and stay exactly as written.
#pragma once

#include "core/Texts.h"

namespace plenum::texts {

inline constexpr Bilingual kPageInput{"INPUT", "输入"};
inline constexpr Bilingual kPageOutput{"OUTPUT", "输出"};
inline constexpr Bilingual kPageRoom{"ROOM", "房间"};
inline constexpr Bilingual kPagePreXover{"PRE X-OVER", "分频前"};

inline constexpr MessageText kAeqOldFirmware{
    {"AEQ", "AEQ"},
    {"Detect an old version, please update the firmware with release >= v0.2.9 to use the QORVIL",
     "检测到旧版本固件, 请将固件升级到 v0.2.9 或更高版本以使用 QORVIL"},
    Icon::Exclamation};
inline constexpr MessageText kAeqCantOpen{{"AEQ", "AEQ"}, {"Can't open", "无法打开"}, Icon::Exclamation};

inline constexpr MessageText kFlatPeq{{"Flat PEQ", "PEQ 平直"}, {"Are you sure?", "您确定吗?"}, Icon::Question};
inline constexpr MessageText kLhLink{
    {"L/H Link", "L/H 链接"},
    {"Link function will copy the low output Makeup Gain to high output, do you want to continue?",
     "链接功能会将低音输出的补偿增益复制到高音输出, 您想继续吗?"},
    Icon::Question};
inline constexpr MessageText kRecallFactory{
    {"Recall factory program", "调入工厂预设"},
    {"The system will overwrite the current settings. Do you want to continue?",
     "系统将会覆盖当前的参数设置. 您想继续吗?"},
    Icon::Question};
inline constexpr MessageText kRecallFactoryLinked{
    {"Recall Factory", "调入工厂预设"},
    {"Recall factory program also to the linked device(s)?", "也将工厂预设调入链接的设备吗?"},
    Icon::Question};
inline constexpr MessageText kLoadProgramLinked{
    {"Load Program", "载入程序"},
    {"Load the program also to the linked device(s)?", "也将程序载入链接的设备吗?"},
    Icon::Question};

// Program files of the satellite window.
inline constexpr MessageText kCantLoadSat{{"Can't Load", "无法载入"}, {"Can't Load", "无法载入"}, Icon::Exclamation};
inline constexpr MessageText kWrongExtension{
    {"Can't Load", "无法载入"}, {"Wrong File extension", "错误的文件扩展名"}, Icon::Exclamation};
// Program files of the subwoofer window.
inline constexpr MessageText kCantLoadSub{
    {"Can't load File", "无法载入文件"}, {"Can't load File", "无法载入文件"}, Icon::Exclamation};
inline constexpr MessageText kWrongFileSub{{"Can't load File", "无法载入文件"}, {"Wrong file", "错误的文件"}, Icon::Exclamation};
inline constexpr MessageText kCantSave{
    {"Can't save the file.", "无法保存文件."}, {"Can't save the file.", "无法保存文件."}, Icon::Exclamation};
inline constexpr MessageText kBadFileNameCharacter{
    {"Didn’t support the character of the file name.", "不支持文件名中的字符."},
    {"Please change the file name.", "请更改文件名."},
    Icon::Exclamation};
inline constexpr MessageText kImportGeqWrong{
    {"Import GEQ", "导入 GEQ"}, {"Wrong File format", "错误的文件格式"}, Icon::Exclamation};

inline constexpr Bilingual kSatProgramFilter{"file program (*.Sat)", "file program (*.Sat)"};
inline constexpr Bilingual kSubProgramFilter{"file program (*.Sub)", "file program (*.Sub)"};
inline constexpr Bilingual kGeqFilter{"file GEQ (*.Txt)", "file GEQ (*.Txt)"};

// The readout beside the pointer while a band is dragged on the graph.
inline constexpr Bilingual kGraphReadout{"Freq={0}Hz; Gain={1}dB", "Freq={0}Hz; Gain={1}dB"};

// The caption's mark of a group member: the group's name.
inline constexpr Bilingual kMemberOfGroup{"  [Group {0}]", "  [编组 {0}]"};

}  // namespace plenum::texts
