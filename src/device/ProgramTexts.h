// The texts of the program memory, backup, restore, password and device settings windows. The
// English texts are the device family's own wording and stay exactly as written, blanks and
// spelling included.
#pragma once

#include "core/Texts.h"

namespace plenum::texts {

// --- Program memory ---------------------------------------------------------------------------
inline constexpr Bilingual kStoreProgramTitle{"Store Program", "存储预设"};
inline constexpr Bilingual kRecallProgramTitle{"Recall Program", "调入预设"};
inline constexpr Bilingual kMemoryProgram{"Memory Program", "预设存储器"};
inline constexpr Bilingual kEditName{"Edit Name", "编辑名称"};
inline constexpr Bilingual kSelectPosition{"Select position", "选择位置"};
inline constexpr Bilingual kLockProgram{"Lock Program", "锁定预设"};
inline constexpr Bilingual kLockedProgram{"Locked Program", "预设已锁定"};
inline constexpr Bilingual kStoreButton{"STORE", "存储"};
inline constexpr Bilingual kRecallButton{"RECALL", "调入"};
inline constexpr Bilingual kCancelButton{"CANCEL", "取消"};

inline constexpr MessageText kInvalidProgramName{
    {"Edit Names", "编辑名称"}, {"Please input a valid name.", "请输入一个有效的名称."}, Icon::Exclamation};
inline constexpr MessageText kNameNotAdmitted{
    {"Store", "存储"}, {"The following name {0} is not admitted", "名称 {0} 不被允许"}, Icon::Exclamation};
inline constexpr MessageText kProgramLocked{
    {"Store Program", "存储预设"}, {"Program locked", "预设已锁定"}, Icon::Exclamation};
inline constexpr MessageText kStoreConfirm{
    {"Store Program", "存储预设"}, {"               Are you sure ? ", "               您确定吗 ? "}, Icon::Question};
inline constexpr MessageText kRecallMismatch{
    {"Can't Recall Program", "无法调入预设"},
    {"The selected program mismatch with the System settings.", "所选的预设与系统设置不匹配."},
    Icon::Exclamation};
inline constexpr MessageText kRecallConfirm{
    {"Recall Program", "调入预设"},
    {"The system will overwrite the current settings.\r\nDo you want to continue ?",
     "系统将会覆盖当前的参数设置.\r\n您想继续吗 ?"},
    Icon::Question};
inline constexpr MessageText kRecallLinked{
    {"Recall Program", "调入预设"}, {"Recall the program also to the linked device(s)?", "也将预设调入链接的设备吗?"},
    Icon::Question};

// --- Backup and restore -----------------------------------------------------------------------
inline constexpr Bilingual kBackupHeader{"Backup ", "备份 "};
inline constexpr Bilingual kBackupActualProgram{"BACKUP ACTUAL PROGRAM", "备份当前预设"};
inline constexpr Bilingual kBackupSystemData{"BACKUP SYSTEM DATA", "备份系统数据"};
inline constexpr Bilingual kBackupPrograms{"BACKUP PROGRAMS", "备份预设"};
inline constexpr Bilingual kSelectAll{"Select ALL", "全选"};
inline constexpr Bilingual kUnselectAll{"Unselect ALL", "全不选"};
inline constexpr Bilingual kSelectBackupFileCaption{"select a backup file", "选择一个备份文件"};
inline constexpr Bilingual kBackupFileName{"BACKUP FILE NAME", "备份文件名"};
inline constexpr Bilingual kSaveButton{"SAVE", "保存"};
inline constexpr Bilingual kRestoreButton{"RESTORE", "恢复"};
inline constexpr Bilingual kCloseButton{"CLOSE", "关闭"};
inline constexpr Bilingual kYes{"YES", "是"};
inline constexpr Bilingual kNo{"NO", "否"};
inline constexpr Bilingual kBackupFilter{"file Bck (*.Bck)|*.bck", "file Bck (*.Bck)|*.bck"};

inline constexpr MessageText kBackupOffline{
    {"Backup", "备份"}, {"Can't backup, Device off-line", "无法备份, 设备离线"}, Icon::Exclamation};
inline constexpr MessageText kBackupNoItem{
    {"can't Backup", "无法备份"}, {"Please select an item", "请选择一个项目"}, Icon::Exclamation};
inline constexpr MessageText kBackupFailed{{"Backup", "备份"}, {"Can't do Backup", "无法备份"}, Icon::Exclamation};
inline constexpr MessageText kBackupSaved{
    {"Backup", "备份"}, {"Backup file successfully saved", "备份文件保存成功"}, Icon::Information};
inline constexpr MessageText kCloseConfirm{{"Close", "关闭"}, {"Are you sure?", "您确定吗?"}, Icon::Question};
inline constexpr MessageText kWrongFormatFile{
    {"Restore", "恢复"}, {"Wrong format file", "错误的文件格式"}, Icon::Exclamation};
// A file that starts right but cannot be read to its end: this program's own text.
inline constexpr MessageText kDamagedBackupFile{
    {"Restore", "恢复"}, {"The backup file is damaged, nothing restored", "备份文件已损坏, 没有恢复任何内容"},
    Icon::Exclamation};
inline constexpr MessageText kRestoreModeMismatch{
    {"Restore", "恢复"},
    {"the {0} is set as {1}\r\nthe selected backup file is set as {2}\r\nDo you want to continue?",
     "{0}设置为 {1}\r\n所选的备份文件设置为 {2}\r\n您想继续吗?"},
    Icon::Question};
inline constexpr Bilingual kCurrentSystemData{"current system data", "当前系统数据"};
inline constexpr Bilingual kActualProgram{"actual program", "当前预设"};
inline constexpr MessageText kRestoreNoFile{
    {"can't Restore", "无法恢复"}, {"Please select a backup file", "请选择一个备份文件"}, Icon::Exclamation};
inline constexpr MessageText kRestoreOffline{
    {"can't Restore", "无法恢复"}, {"Can't restore, Device off-line", "无法恢复, 设备离线"}, Icon::Exclamation};
inline constexpr MessageText kRestoreNoItem{
    {"can't Restore", "无法恢复"}, {"Please select an item", "请选择一个项目"}, Icon::Exclamation};
inline constexpr MessageText kRestoreConfirm{{"Restore", "恢复"}, {"Are you sure?", "您确定吗?"}, Icon::Question};
inline constexpr MessageText kRestoreDone{
    {"Restore", "恢复"}, {"Backup file successfully loaded", "备份文件载入成功"}, Icon::Information};
// A restore that a failed transaction stopped: this program's own text (what was written stays).
inline constexpr MessageText kRestoreInterrupted{
    {"Restore", "恢复"}, {"Restore interrupted, the device did not answer", "恢复中断, 设备没有应答"},
    Icon::Exclamation};

// --- Locks ------------------------------------------------------------------------------------
inline constexpr Bilingual kInsertUserPassword{"Insert User Password", "输入用户密码"};
inline constexpr Bilingual kInsertAdminPassword{"Insert Admin Password", "输入管理员密码"};
inline constexpr Bilingual kLockGui{"Lock GUI", "锁定界面"};
inline constexpr Bilingual kUnlockGui{"Unlock GUI", "解锁界面"};
inline constexpr Bilingual kLockPanel{"Lock Panel", "锁定面板"};
inline constexpr Bilingual kUnlockPanel{"Unlock Panel", "解锁面板"};
inline constexpr Bilingual kAdminLogin{"Admin Login", "管理员登录"};
inline constexpr Bilingual kAdminLogout{"Admin Logout", "管理员注销"};
inline constexpr Bilingual kOk{"OK", "确定"};
inline constexpr Bilingual kCancel{"Cancel", "取消"};
inline constexpr MessageText kWrongPassword{
    {"Insert Password", "输入密码"}, {"Wrong Password", "密码错误"}, Icon::Exclamation};

// --- Device settings --------------------------------------------------------------------------
inline constexpr MessageText kBadIpAddress{
    {"Settings", "设置"}, {"Please insert a correct IP Address", "请输入一个正确的 IP 地址"}, Icon::Exclamation};
inline constexpr MessageText kBadSubnetMask{
    {"Settings", "设置"}, {"Please insert a correct Subnet Mask", "请输入一个正确的子网掩码"}, Icon::Exclamation};
inline constexpr MessageText kBadGateway{
    {"Settings", "设置"}, {"Please insert a correct Gateway", "请输入一个正确的网关"}, Icon::Exclamation};
inline constexpr MessageText kIpOutOfRange{
    {"Settings", "设置"},
    {"Wrong IP Address, the range of the IP address is from 1.0.0.1 to 223.255.255.254",
     "错误的 IP 地址, IP 地址的范围是 1.0.0.1 到 223.255.255.254"},
    Icon::Exclamation};
inline constexpr MessageText kGatewayOutOfRange{
    {"Settings", "设置"},
    {"Wrong Gateway Address, the range of the Gateway address is from 1.0.0.1 to 223.255.255.254",
     "错误的网关地址, 网关地址的范围是 1.0.0.1 到 223.255.255.254"},
    Icon::Exclamation};
inline constexpr MessageText kMissingSsid{{"Settings", "设置"}, {"Please insert a SSID", "请输入一个 SSID"}, Icon::Exclamation};
inline constexpr MessageText kApKeyTooShort{
    {"Settings", "设置"}, {"Key has to be min 8 digits", "密钥至少需要 8 位"}, Icon::Exclamation};
inline constexpr MessageText kWlanKeyTooShort{
    {"Settings", "设置"}, {"Key has to be min 1 digits", "密钥至少需要 1 位"}, Icon::Exclamation};
inline constexpr MessageText kSsidNotAdmitted{
    {"Store", "存储"}, {"The following name {0} is not admitted", "名称 {0} 不被允许"}, Icon::Exclamation};
inline constexpr MessageText kLanOffline{
    {"Apply", "应用"}, {"Can't update LAN, device off-line", "无法更新 LAN, 设备离线"}, Icon::Exclamation};
inline constexpr MessageText kWlanOffline{
    {"Apply", "应用"}, {"Can't update WLAN, device off-line", "无法更新 WLAN, 设备离线"}, Icon::Exclamation};
inline constexpr MessageText kApOffline{
    {"Apply", "应用"}, {"Can't update ACCESS POINT, device off-line", "无法更新接入点, 设备离线"},
    Icon::Exclamation};
inline constexpr MessageText kRebootConfirm{
    {"Apply", "应用"},
    {"The settings will be applied after reboot the device,\r\ndo you want to continue?",
     "设置改动将在设备重启后才会被应用,\r\n您想继续吗?"},
    Icon::Question};
inline constexpr MessageText kBridgeConfirm{
    {"Bridge", "桥接"},
    {"Changing the Bridge mode will mute the device.\r\nPlease check your current preset and the speakers "
     "connection before unmuting.\r\nDo you want to continue?",
     "改变桥接模式将会使设备静音.\r\n在取消静音前请检查您当前的预设和扬声器的连接.\r\n您想继续吗?"},
    Icon::Question};
inline constexpr MessageText kWrongUserPassword{
    {"Password", "密码"}, {"Wrong User password", "错误的用户密码"}, Icon::Exclamation};
inline constexpr MessageText kWrongAdminPassword{
    {"Password", "密码"}, {"Wrong Admin password", "错误的管理员密码"}, Icon::Exclamation};
inline constexpr MessageText kPasswordTooLong{
    {"Password", "密码"}, {"Wrong password lenght, max 6 characters", "错误的密码长度, 最大6个字符"},
    Icon::Exclamation};
inline constexpr MessageText kPasswordRefused{{"Password", "密码"}, {"Wrong password", "错误的密码"}, Icon::Exclamation};
inline constexpr MessageText kGroupResetRefused{
    {"Reset", "复位"}, {"Can't reset Group parameters\r\nDevice used in a group", "无法复位群组参数\r\n设备正在群组中使用"},
    Icon::Exclamation};
inline constexpr MessageText kGroupResetConfirm{
    {"Reset", "复位"}, {"Reset Group parameter(s), are you sure?", "复位群组参数, 您确定吗?"}, Icon::Question};

}  // namespace plenum::texts
