// The texts of the FIR wizard (FrmWizardFIR, UCWizard) and of its EQ target editor (FrmFIREq).
// The English texts are the device family's own wording and stay exactly as written, blanks and
// spelling included.
#pragma once

#include <array>

#include "audio/Wizard.h"
#include "core/Texts.h"
#include "dsp/Smoothing.h"

namespace plenum::texts {

inline constexpr Bilingual kWizardTitle{"FIR Wizard", "FIR 向导"};

// The pages, in order.
inline constexpr std::array<Bilingual, 7> kWizardPageTitles{{
    {"Welcome to FIR Wizard", "欢迎使用 FIR 向导"},
    {"Measurement geometry", "测量几何"},
    {"Wiring and levels", "接线与电平"},
    {"Measure Impulse Response", "测量脉冲响应"},
    {"View Impulse Response", "查看脉冲响应"},
    {"Calculate FIR", "计算 FIR"},
    {"Verify", "验证"},
}};

inline constexpr Bilingual kWizardBack{"Back", "上一步"};
inline constexpr Bilingual kWizardNext{"Next", "下一步"};
inline constexpr Bilingual kWizardMeasureIr{"Measure IR", "测量 IR"};
inline constexpr Bilingual kWizardOpenIr{"Open existing IR", "打开已有 IR"};
inline constexpr Bilingual kWizardExitButton{"Exit", "退出"};
inline constexpr Bilingual kWizardSelectOutput{"Select an Output", "选择输出"};
inline constexpr Bilingual kWizardSelectCard{"Select ASIO Card", "选择 ASIO 声卡"};
inline constexpr Bilingual kWizardSelectOutChannel{"Select output channel", "选择输出通道"};
inline constexpr Bilingual kWizardSelectInChannel{"Select input channel", "选择输入通道"};
inline constexpr Bilingual kWizardTestMic{"Test Mic", "测试话筒"};
inline constexpr Bilingual kWizardVirtualCard{"Virtual sound card (simulated loudspeaker)", "虚拟声卡 (模拟音箱)"};
inline constexpr Bilingual kWizardMeasuring{"Measuring IR....", "正在测量 IR...."};
inline constexpr Bilingual kWizardComputing{"Computing IR ...", "正在计算 IR ..."};
inline constexpr Bilingual kWizardPeakLevel{"Peak Level = {0} dB", "峰值电平 = {0} dB"};
inline constexpr Bilingual kWizardNoPeakLevel{"Peak Level = --", "峰值电平 = --"};
inline constexpr Bilingual kWizardCalculate{"Calculate FIR", "计算 FIR"};
inline constexpr Bilingual kWizardStore{"Store FIR", "存储 FIR"};
inline constexpr Bilingual kWizardSave{"Save FIR", "保存 FIR"};
inline constexpr Bilingual kWizardSaveIr{"Save IR", "保存 IR"};
inline constexpr Bilingual kWizardVerify{"Verify", "验证"};
inline constexpr Bilingual kWizardEditTarget{"EQ Target", "EQ 目标"};
inline constexpr Bilingual kWizardCalculating{"Calculating FIR ...", "正在计算 FIR ..."};
inline constexpr Bilingual kWizardMinimumPhase{"Minimum phase", "最小相位"};
inline constexpr std::array<Bilingual, 2> kWizardDesignModes{{{"Normal", "正常"}, {"Minimize Ripple", "最小化纹波"}}};
inline constexpr Bilingual kWizardGeometryHelp{
    "Put the microphone on the loudspeaker's axis. The window keeps the direct sound and leaves the room "
    "out: make it shorter than the time the first reflection arrives after the direct sound.",
    "将话筒放在音箱的轴线上。窗口保留直达声并去除房间的影响: 请使窗口短于第一次反射声晚于直达声到达的时间。"};

// The captions of the settings, in the order of WizardSetting.
inline constexpr Bilingual kWizardSmoothingCaption{"Smoothing Width [Oct]", "平滑宽度 [Oct]"};
inline constexpr std::array<Bilingual, 8> kWizardSettingCaptions{{
    {"Smoothing Threshold", "平滑阈值"},
    {"Lower Frequency [Hz]", "下限频率 [Hz]"},
    {"Upper Frequency [Hz]", "上限频率 [Hz]"},
    {"Latency [ms]", "延时 [ms]"},
    {"Precision", "精度"},
    {"Boost Limit [dB]", "提升限制 [dB]"},
    {"Window Length [ms]", "窗口长度 [ms]"},
    {"Zero Offset", "零点偏移"},
}};

// The graph control.
inline constexpr std::array<std::string_view, 4> kWizardViewNames{"IR", "FIR", "IRxFIR", "Target"};
inline constexpr std::string_view kWizardBefore = "Before";
inline constexpr std::string_view kWizardAfter = "After";
inline constexpr std::string_view kWizardMagnPhase = "Magn && Phase";
inline constexpr std::string_view kWizardZoomHint = "Click Right button to Zoom";

// The dialog filters and folders.
inline constexpr std::string_view kWizardIrSaveFilter = "file program (*.Irw)|*.irw";
inline constexpr std::string_view kWizardIrOpenFilter = "IR (*.Irw)|*.irw|IR (*.Txt)|*.txt";
inline constexpr std::string_view kWizardFirSaveFilter = "FIR (*.Txt)|*.txt";
inline constexpr std::string_view kWizardConfigFilter = "file program (*.Wzn)|*.wzn|file program (*.Wiz)|*.wiz";
inline constexpr std::string_view kEqTargetFilter = "file target (*.Eqt)|*.eqt";

// Messages.
inline constexpr MessageText kWizardSetAllAsio{
    kWizardTitle, {"Please set all ASIO parameters", "请设置所有 ASIO 参数"}, Icon::Exclamation};
inline constexpr MessageText kWizardMeasureFailed{kWizardTitle,
                                                  {"Can't complete the measurement, please check your ASIO card settings",
                                                   "无法完成测量, 请检查 ASIO 声卡设置"},
                                                  Icon::Exclamation};
inline constexpr MessageText kWizardCommProblem{kWizardTitle, {"Communication Problem", "通讯故障"}, Icon::Exclamation};
inline constexpr MessageText kWizardCantStore{
    kWizardTitle, {"Can't store, please recalculate the FIR first", "无法存储, 请先重新计算 FIR"}, Icon::Exclamation};
inline constexpr MessageText kWizardAlreadyStored{
    kWizardTitle,
    {"The current FIR is already stored, do you want to continue?", "当前 FIR 已经存储, 是否继续?"},
    Icon::Question};
inline constexpr MessageText kWizardAreYouSure{kWizardTitle, {"Are you sure?", "确定吗?"}, Icon::Question};
inline constexpr MessageText kWizardStoreFailed{
    kWizardTitle, {"Communication problem, can't store FIR.", "通讯故障, 无法存储 FIR。"}, Icon::Exclamation};
inline constexpr MessageText kWizardCantSave{
    kWizardTitle, {"Can't save, please recalculate the FIR first", "无法保存, 请先重新计算 FIR"}, Icon::Exclamation};
inline constexpr MessageText kWizardCantWrite{kWizardTitle, {"Can't write the file.", "无法写入文件。"}, Icon::Exclamation};
inline constexpr MessageText kWizardVerifyNotStored{
    {"Verify FIR", "验证 FIR"},
    {"The actual FIR has not been stored.\r\nDo you want to proceed anyway ?", "当前 FIR 尚未存储。\r\n是否仍要继续 ?"},
    Icon::Question};
inline constexpr MessageText kWizardCantOpenVerify{
    kWizardTitle, {"Can't open IR verify file", "无法打开 IR 验证文件"}, Icon::Exclamation};
inline constexpr MessageText kWizardCantOpenIr{kWizardTitle, {"Can't open IR file", "无法打开 IR 文件"}, Icon::Exclamation};
inline constexpr MessageText kWizardExit{
    {"Wizard Exit", "退出向导"},
    {"Do you want to store all wizard configurations to PC?", "是否将所有向导配置保存到电脑?"},
    Icon::Question};
inline constexpr MessageText kWizardGainReduced{kWizardTitle, audio::kFilterGainReduced, Icon::Information};
inline constexpr MessageText kWizardSmoothingRefused{{"Warning", "警告"}, kSmoothingWidthRefused, Icon::Exclamation};

// The EQ target editor.
inline constexpr Bilingual kEqTargetTitle{"EQ Target", "EQ 目标"};
inline constexpr std::array<Bilingual, 4> kEqBandTypeNames{
    {{"Bell", "峰值"}, {"Hi Shv", "高架"}, {"Lo Shv", "低架"}, {"Disabled", "禁用"}}};
inline constexpr Bilingual kWizardCancel{"Cancel", "取消"};
inline constexpr Bilingual kEqFlatButton{"Flat", "平直"};
inline constexpr Bilingual kEqSaveButton{"Save", "保存"};
inline constexpr Bilingual kEqLoadButton{"Load", "载入"};
inline constexpr Bilingual kEqApplyButton{"Apply", "应用"};
inline constexpr std::array<Bilingual, 4> kEqColumnCaptions{
    {{"Type", "类型"}, {"Gain [dB]", "增益 [dB]"}, {"Freq [Hz]", "频率 [Hz]"}, {"Q", "Q"}}};
inline constexpr MessageText kEqFlat{{"EQ Flat", "EQ 平直"}, {"Are you sure ?", "确定吗 ?"}, Icon::Question};
inline constexpr MessageText kEqApplyChanges{
    kEqTargetTitle, {"Do you want to apply EQ target changes?", "是否应用 EQ 目标的更改?"}, Icon::Question};
inline constexpr MessageText kEqTargetCantWrite{kEqTargetTitle, {"Can't write the file.", "无法写入文件。"}, Icon::Exclamation};
inline constexpr MessageText kEqTargetWrongFile{{"Warning", "警告"}, {"Wrong File", "错误的文件"}, Icon::Exclamation};

}  // namespace plenum::texts
