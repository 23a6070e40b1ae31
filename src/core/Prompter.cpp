#include "core/Prompter.h"

#include <algorithm>

namespace plenum {

void Tell(Prompter& prompter, int languageFlag, const MessageText& message,
          std::initializer_list<std::string_view> values) {
    prompter.showMessage(message.icon, std::string(message.title.pick(languageFlag)),
                         FillText(message.text.pick(languageFlag), values));
}

bool Ask(Prompter& prompter, int languageFlag, const MessageText& message,
         std::initializer_list<std::string_view> values) {
    return prompter.askYesNo(message.icon, std::string(message.title.pick(languageFlag)),
                             FillText(message.text.pick(languageFlag), values));
}

void ScriptedPrompter::showMessage(Icon icon, const std::string& title, const std::string& text) {
    entries_.push_back({icon, title, text, false});
}

bool ScriptedPrompter::askYesNo(Icon icon, const std::string& title, const std::string& text) {
    entries_.push_back({icon, title, text, true});
    if (answers_.empty()) return defaultAnswer;
    const bool yes = answers_.front();
    answers_.pop_front();
    return yes;
}

void ScriptedPrompter::progress(int value, int maximum, const std::string& caption) {
    (void)maximum, (void)caption;
    progress_.push_back(value);
}

std::size_t ScriptedPrompter::questionCount() const {
    return static_cast<std::size_t>(
        std::count_if(entries_.begin(), entries_.end(), [](const Entry& e) { return e.question; }));
}

}  // namespace plenum
