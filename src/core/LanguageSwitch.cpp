#include "core/LanguageSwitch.h"

namespace plenum {

std::string LanguageLabel(const AppContext& ctx) { return ctx.LanguageFlag == 1 ? "CN" : "EN"; }

bool SwitchLanguage(AppContext& ctx, Prompter& prompter, const AppPaths& paths) {
    const bool toChinese = ctx.LanguageFlag != 1;
    const MessageText& question = toChinese ? texts::kSwitchToChinese : texts::kSwitchToEnglish;
    // Each question is written in the language it switches to, whatever is active now.
    if (!Ask(prompter, toChinese ? 1 : 0, question)) return false;
    ctx.LanguageFlag = toChinese ? 1 : 0;
    SaveLanguage(paths, ctx.LanguageFlag);
    return true;
}

}  // namespace plenum
