// Captions of the desktop windows that are this application's own (tool tips, dialog labels,
// placeholders). Message boxes and the device family's fixed texts live in core/Texts.h.
#pragma once

#include "core/Texts.h"

namespace plenum::ui::captions {

inline constexpr Bilingual kAppName{"Plenum", "Plenum"};
inline constexpr Bilingual kSubtitle{"Loudspeaker system control", "扬声器系统控制"};
inline constexpr Bilingual kVersion{"Version {0}", "版本 {0}"};
inline constexpr Bilingual kStarting{"Starting…", "正在启动…"};

// Tool area.
inline constexpr Bilingual kAdd{"Add", "添加"};
inline constexpr Bilingual kAddTip{"Add a device by model", "按型号添加设备"};
inline constexpr Bilingual kSearch{"Search", "查找"};
inline constexpr Bilingual kSearchTip{"Search the network for devices (coming with the discovery window)",
                                      "在网络中查找设备（查找窗口即将提供）"};
inline constexpr Bilingual kSave{"Save", "保存"};
inline constexpr Bilingual kSaveTip{"Save the project to a file", "将工程保存到文件"};
inline constexpr Bilingual kLoad{"Open", "打开"};
inline constexpr Bilingual kLoadTip{"Open a project file", "打开工程文件"};
inline constexpr Bilingual kGroup{"Group", "编组"};
inline constexpr Bilingual kGroupTip{"Add a group of loudspeakers", "添加扬声器编组"};
inline constexpr Bilingual kGroupLater{"The group editor comes with a later version.", "编组编辑器将在后续版本中提供。"};
inline constexpr Bilingual kLanguageTip{"Switch language", "切换语言"};
inline constexpr Bilingual kDeviceCount{"{0} / 24 devices", "{0} / 24 个设备"};
inline constexpr Bilingual kOnlineCount{"{0} on-line", "{0} 个在线"};
inline constexpr Bilingual kEmptyHint{"No devices listed yet.\nAdd a device by model or search the network.",
                                      "设备列表为空。\n请按型号添加设备，或在网络中查找。"};
inline constexpr Bilingual kDataFolder{"Data folder: {0}", "数据文件夹: {0}"};
inline constexpr Bilingual kDemoMode{"Demo: simulated loudspeakers on 127.0.0.2-4, port {0}",
                                     "演示: 模拟扬声器位于 127.0.0.2-4, 端口 {0}"};
inline constexpr Bilingual kProjectSaved{"Project saved: {0}", "工程已保存: {0}"};
inline constexpr Bilingual kProjectSaveFailed{"The project could not be saved: {0}", "无法保存工程: {0}"};

// Device tile.
inline constexpr Bilingual kConnect{"Connect", "连接"};
inline constexpr Bilingual kDisconnect{"Disconnect", "断开"};
inline constexpr Bilingual kEditTip{"Open the edit window", "打开编辑窗口"};
inline constexpr Bilingual kRemoveTip{"Remove the device from the list", "从列表中删除设备"};
inline constexpr Bilingual kFirmwareTip{"Firmware update (coming with the firmware window)", "固件升级（即将提供）"};
inline constexpr Bilingual kDragTip{"Drag to move the tile", "拖动以移动设备"};

// Add-device dialog.
inline constexpr Bilingual kAddTitle{"Add Device", "添加设备"};
inline constexpr Bilingual kModel{"Model", "型号"};
inline constexpr Bilingual kVariant{"Cabinet", "箱体"};
inline constexpr Bilingual kConnection{"Connection", "连接方式"};
inline constexpr Bilingual kAddress{"IP address", "IP 地址"};
inline constexpr Bilingual kUnnamedModel{"Model {0} ({1})", "型号 {0} ({1})"};
inline constexpr Bilingual kAddButton{"Add", "添加"};
inline constexpr Bilingual kCancel{"Cancel", "取消"};

// Small windows.
inline constexpr Bilingual kRetryTitle{"Connection", "连接"};
inline constexpr Bilingual kRetryHint{"Hold Alt to stop retrying", "按住 Alt 键停止重试"};
inline constexpr Bilingual kMaxWinTitle{"Edit windows", "编辑窗口"};
inline constexpr Bilingual kMaxWinText{"No more than 5 edit windows can be open at once.\nClose one of them to open another.",
                                       "最多只能同时打开 5 个编辑窗口。\n请关闭其中一个后再打开。"};
inline constexpr Bilingual kOk{"OK", "确定"};
inline constexpr Bilingual kEditLater{"The processing editor of this loudspeaker comes with a later version.",
                                      "此扬声器的处理编辑器将在后续版本中提供。"};
inline constexpr Bilingual kClose{"Close", "关闭"};

}  // namespace plenum::ui::captions
