// Every message box, Yes/No question and progress indication goes through a Prompter, so that the
// rules that decide what to say stay free of any toolkit. The Qt application shows dialogs, the
// command-line tool answers from --yes/--no and writes to stderr, tests script the answers.
#pragma once

#include <deque>
#include <string>
#include <vector>

#include "core/Texts.h"

namespace plenum {

class Prompter {
public:
    virtual ~Prompter() = default;
    virtual void showMessage(Icon icon, const std::string& title, const std::string& text) = 0;
    virtual bool askYesNo(Icon icon, const std::string& title, const std::string& text) = 0;
    // Long work reports progress as value of maximum with a short caption; 0 of 0 ends it.
    virtual void progress(int value, int maximum, const std::string& caption) {
        (void)value, (void)maximum, (void)caption;
    }
};

// Shows a catalogued message in the chosen language, filling its "{n}" markers.
void Tell(Prompter& prompter, int languageFlag, const MessageText& message,
          std::initializer_list<std::string_view> values = {});
bool Ask(Prompter& prompter, int languageFlag, const MessageText& message,
         std::initializer_list<std::string_view> values = {});

// A prompter for tests: records every message and question and answers from a script.
class ScriptedPrompter : public Prompter {
public:
    struct Entry {
        Icon icon;
        std::string title;
        std::string text;
        bool question;
    };

    void showMessage(Icon icon, const std::string& title, const std::string& text) override;
    bool askYesNo(Icon icon, const std::string& title, const std::string& text) override;
    void progress(int value, int maximum, const std::string& caption) override;

    // Answers given to the next questions, in order; when the script runs out, defaultAnswer.
    void answer(bool yes) { answers_.push_back(yes); }
    bool defaultAnswer = true;

    const std::vector<Entry>& entries() const { return entries_; }
    const std::vector<int>& progressValues() const { return progress_; }
    std::size_t questionCount() const;
    std::size_t messageCount() const { return entries_.size() - questionCount(); }
    // The text of the last entry, or "" when nothing was said.
    std::string lastText() const { return entries_.empty() ? std::string() : entries_.back().text; }
    void clear() { entries_.clear(), progress_.clear(); }

private:
    std::vector<Entry> entries_;
    std::deque<bool> answers_;
    std::vector<int> progress_;
};

}  // namespace plenum
