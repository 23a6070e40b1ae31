#include "device/Locks.h"

#include <algorithm>

#include "device/ProgramTexts.h"
#include "sat/DeviceMemory.h"

namespace plenum::device {
namespace {

ProgramBook& BookOf(AppContext& ctx, int slot) {
    const auto index = static_cast<std::size_t>(slot);
    if (ctx.device(slot).isSub()) return ctx.subExtra[index];
    return ctx.satExtra[index];
}

}  // namespace

std::string PasswordText(const DeviceStatusRecord& status, int offset) {
    std::string text;
    for (std::size_t i = 0; i < kPasswordLength; ++i) {
        const auto byte = status[static_cast<std::size_t>(offset) + i];
        if (byte == 0) break;
        text.push_back(static_cast<char>(byte));
    }
    return text;
}

void PutPassword(DeviceStatusRecord& status, int offset, std::string_view password) {
    for (std::size_t i = 0; i < kPasswordLength; ++i)
        status[static_cast<std::size_t>(offset) + i] =
            i < password.size() ? static_cast<std::uint8_t>(password[i]) : std::uint8_t{0};
}

bool GuiLocked(const AppContext& ctx, int slot) { return ctx.statusOf(slot)[status::kGuiLocked] != 0; }
bool PanelLocked(const AppContext& ctx, int slot) { return ctx.statusOf(slot)[status::kPanelLocked] != 0; }
bool AdminLogged(const AppContext& ctx, int slot) {
    const auto index = static_cast<std::size_t>(slot);
    return (ctx.device(slot).isSub() ? ctx.subExtra[index].AdminLogged : ctx.satExtra[index].AdminLogged) != 0;
}

std::string LockActionCaption(const AppContext& ctx, int slot, LockMode mode) {
    const int lang = ctx.LanguageFlag;
    switch (mode) {
        case LockMode::Gui:
            return std::string((GuiLocked(ctx, slot) ? texts::kUnlockGui : texts::kLockGui).pick(lang));
        case LockMode::Panel:
            return std::string((PanelLocked(ctx, slot) ? texts::kUnlockPanel : texts::kLockPanel).pick(lang));
        case LockMode::Admin:
            return std::string((AdminLogged(ctx, slot) ? texts::kAdminLogout : texts::kAdminLogin).pick(lang));
    }
    return {};
}

std::string LockPrompt(const AppContext& ctx, LockMode mode) {
    return std::string(
        (mode == LockMode::Admin ? texts::kInsertAdminPassword : texts::kInsertUserPassword).pick(ctx.LanguageFlag));
}

LockOutcome PasswordLock::submit(std::string_view entered) {
    AppContext& ctx = comm_.context();
    DeviceStatusRecord& status = ctx.statusOf(slot_);
    const int offset = mode_ == LockMode::Admin ? status::kAdminPassword : status::kUserPassword;
    if (entered != PasswordText(status, offset)) {
        Tell(prompter_, ctx.LanguageFlag, texts::kWrongPassword);
        return LockOutcome::WrongPassword;
    }
    switch (mode_) {
        case LockMode::Gui: {
            status[status::kGuiLocked] = status[status::kGuiLocked] != 0 ? 0 : 1;
            const auto result = WriteBlock(comm_, slot_, kGuiLockAddress,
                                           std::span<const std::uint8_t>(&status[status::kGuiLocked], 1));
            return result == 0 ? LockOutcome::Toggled : LockOutcome::Failed;
        }
        case LockMode::Panel: {
            status[status::kPanelLocked] = status[status::kPanelLocked] != 0 ? 0 : 1;
            const auto result = comm_.SendCommand(slot_, kPanelLockCode, {status[status::kPanelLocked]});
            return result == 0 ? LockOutcome::Toggled : LockOutcome::Failed;
        }
        case LockMode::Admin: {
            ProgramBook& book = BookOf(ctx, slot_);
            book.AdminLogged = book.AdminLogged != 0 ? 0 : 1;
            return LockOutcome::Toggled;
        }
    }
    return LockOutcome::WrongPassword;
}

}  // namespace plenum::device
