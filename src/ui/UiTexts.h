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
inline constexpr Bilingual kSearchTip{"Search the network for devices", "在网络中查找设备"};
inline constexpr Bilingual kConnectAll{"Connect all", "全部连接"};
inline constexpr Bilingual kConnectAllTip{"Connect every listed device that is off-line", "连接列表中所有离线的设备"};
inline constexpr Bilingual kSave{"Save", "保存"};
inline constexpr Bilingual kSaveTip{"Save the project to a file", "将工程保存到文件"};
inline constexpr Bilingual kLoad{"Open", "打开"};
inline constexpr Bilingual kLoadTip{"Open a project file", "打开工程文件"};
inline constexpr Bilingual kGroup{"Group", "编组"};
inline constexpr Bilingual kGroupTip{"Add a group of loudspeakers", "添加扬声器编组"};
inline constexpr Bilingual kLanguageTip{"Switch language", "切换语言"};
inline constexpr Bilingual kDeviceCount{"{0} / 24 devices", "{0} / 24 个设备"};
inline constexpr Bilingual kOnlineCount{"{0} on-line", "{0} 个在线"};
inline constexpr Bilingual kEmptyHint{"No devices listed yet.\nAdd a device by model or search the network.",
                                      "设备列表为空。\n请按型号添加设备，或在网络中查找。"};
inline constexpr Bilingual kDataFolder{"Data folder: {0}", "数据文件夹: {0}"};
inline constexpr Bilingual kDemoMode{"Demo: simulated loudspeakers on 127.0.0.2-5, port {0}",
                                     "演示: 模拟扬声器位于 127.0.0.2-5, 端口 {0}"};
inline constexpr Bilingual kProjectSaved{"Project saved: {0}", "工程已保存: {0}"};
inline constexpr Bilingual kProjectSaveFailed{"The project could not be saved: {0}", "无法保存工程: {0}"};

// Drift window: the project against what the devices hold.
inline constexpr Bilingual kCompareWithDevice{"Compare project and device…", "比较工程与设备…"};
inline constexpr Bilingual kDriftTitle{"Project / Device", "工程 / 设备"};
inline constexpr Bilingual kDriftCompare{"Compare again", "重新比较"};
inline constexpr Bilingual kDriftDevice{"Device", "设备"};
inline constexpr Bilingual kDriftParam{"Parameter", "参数"};
inline constexpr Bilingual kDriftProject{"Project", "工程"};
inline constexpr Bilingual kDriftDeviceValue{"Device holds", "设备中的值"};
inline constexpr Bilingual kKeepProject{"keep project", "保留工程值"};
inline constexpr Bilingual kTakeDevice{"take device", "采用设备值"};
inline constexpr Bilingual kDriftReading{"Reading the devices…", "正在读取设备…"};
inline constexpr Bilingual kDriftNone{"Every device holds what the project says.", "所有设备与工程一致。"};
inline constexpr Bilingual kDriftFound{"{0} parameter(s) differ.", "{0} 个参数不一致。"};
inline constexpr Bilingual kDriftOffline{"{0}: off-line, not compared", "{0}: 离线, 未比较"};

// Device tile.
inline constexpr Bilingual kConnect{"Connect", "连接"};
inline constexpr Bilingual kDisconnect{"Disconnect", "断开"};
inline constexpr Bilingual kEditTip{"Open the edit window", "打开编辑窗口"};
inline constexpr Bilingual kRemoveTip{"Remove the device from the list", "从列表中删除设备"};
inline constexpr Bilingual kFirmwareTip{"Firmware update", "固件升级"};
inline constexpr Bilingual kMeterIn{"IN", "输入"};
inline constexpr Bilingual kMeterOut{"OUT", "输出"};
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

// Search window.
inline constexpr Bilingual kSearchTitle{"Search Device", "查找设备"};
inline constexpr Bilingual kHostAddress{"Host Address", "主机地址"};
inline constexpr Bilingual kFrom{"From", "从"};
inline constexpr Bilingual kTo{"To", "到"};
inline constexpr Bilingual kColumnAddress{"Address", "地址"};
inline constexpr Bilingual kColumnName{"Name", "名称"};
inline constexpr Bilingual kColumnModel{"Model", "型号"};
inline constexpr Bilingual kColumnUniqueId{"Unique ID", "唯一 ID"};
inline constexpr Bilingual kSearchHint{"Press OK to search the range. Devices already listed are skipped.",
                                       "按确定查找此范围。已在列表中的设备将被跳过。"};
inline constexpr Bilingual kNothingFound{"No new device answered in this range.", "此范围内没有新的设备应答。"};

// Connection dialog.
inline constexpr Bilingual kConnectAllCount{"{0} device(s) off-line", "{0} 个设备离线"};
inline constexpr Bilingual kConnectingDevice{"Connecting {0} ({1} of {2})", "正在连接 {0}（{1}/{2}）"};
inline constexpr Bilingual kReadHint{"The program takes the loudspeaker's settings; the sound does not change.",
                                     "程序读取扬声器的设置，声音保持不变。"};
inline constexpr Bilingual kLoadHint{"The loudspeaker takes the program's settings for it.", "扬声器将使用程序中的设置。"};

// Firmware window.
inline constexpr Bilingual kBrowse{"Browse…", "浏览…"};
inline constexpr Bilingual kUpdate{"Update", "升级"};

// Small windows.
inline constexpr Bilingual kRetryTitle{"Connection", "连接"};
inline constexpr Bilingual kRetryHint{"Hold Alt or give up to stop retrying", "按住 Alt 键或放弃以停止重试"};
inline constexpr Bilingual kRetryGiveUp{"Give up", "放弃"};
inline constexpr Bilingual kRetryAttempt{"No reply, trying again ({0} of 11)", "无应答，正在重试（{0}/11）"};
inline constexpr Bilingual kMaxWinTitle{"Edit windows", "编辑窗口"};
inline constexpr Bilingual kMaxWinText{"No more than 5 edit windows can be open at once.\nClose one of them to open another.",
                                       "最多只能同时打开 5 个编辑窗口。\n请关闭其中一个后再打开。"};
inline constexpr Bilingual kOk{"OK", "确定"};
inline constexpr Bilingual kClose{"Close", "关闭"};

}  // namespace plenum::ui::captions
