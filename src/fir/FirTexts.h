// The texts of the FIR coefficient files and the IR import. The English texts are the device
// family's own wording and stay exactly as written, blanks and spelling included.
#pragma once

#include "core/Texts.h"

namespace plenum::texts {

// The accepted tap counts of a crossover FIR, as the message lists them.
inline constexpr std::string_view kFirTapList = "256, 288, 320, 352, 384, 416, 448, 480, 512, 1024";

inline constexpr Bilingual kImportIrTitle{"Import IR", "导入 IR"};
// The store's progress dialog: its caption and its button.
inline constexpr Bilingual kFirStoreCaption{"FIR", "FIR"};
inline constexpr Bilingual kFirStoreCancel{"Cancel", "取消"};
inline constexpr Bilingual kFirErrorTitle{"Error", " 错误"};

inline constexpr Bilingual kFirWrongFile{"Wrong File", "错误的文件"};
inline constexpr Bilingual kFirOutOfRange{"Wrong File, coefficients out of range (<=-4 or >=+4)",
                                          "错误的文件, 系数超出范围 (<=-4 或 >=+4)"};
inline constexpr Bilingual kFirMinTaps{"Wrong File, min num of Taps = 256", "错误的文件, 最小的抽头数 = 256"};
inline constexpr Bilingual kFirMaxTaps{"Wrong File, max num of Taps should be {0}", "错误的文件, 最大的抽头数应该为 {0}"};
inline constexpr Bilingual kFirTapChoice{"Wrong File, use one of the followings taps:\r\n{0}",
                                         "错误的文件, use one of the followings taps:\r\n{0}"};
// The phase designer's output window words three of them its own way in Chinese.
inline constexpr Bilingual kFirMinTapsOutput{"Wrong File, min num of Taps = 256", "错误的文件, 最小抽头数 = 256"};
inline constexpr Bilingual kFirMaxTapsOutput{"Wrong File, max num of Taps should be {0}", "错误的文件, 最大抽头数应该为 {0}"};
inline constexpr Bilingual kFirTapChoiceOutput{"Wrong File, use one of the followings taps:\r\n{0}",
                                               "错误的文件, 请使用这些抽头数当中的一个:\r\n{0}"};

inline constexpr Bilingual kFirLabel{"FIR: Name={0}; Taps={1}", "FIR: Name={0}; Taps={1}"};
inline constexpr Bilingual kFirNameLabel{"FIR: Name = {0}", "FIR: Name = {0}"};

inline constexpr MessageText kIrWrongFile{{" Error", " 错误"}, {"Wrong File", "错误的文件"}, Icon::Exclamation};
inline constexpr Bilingual kExternalIrLabel{"External IR: {0}", "External IR: {0}"};

}  // namespace plenum::texts
