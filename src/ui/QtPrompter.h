// Message boxes, questions and progress shown with Qt: the Prompter the desktop application
// hands to every controller.
#pragma once

#include <QPointer>

#include "core/AppContext.h"
#include "core/Prompter.h"

class QMessageBox;
class QProgressDialog;
class QWidget;

namespace plenum::ui {

// The message box of a catalogued message: title, text (line breaks as written), icon and, for a
// question, Yes and No with Yes as the default; the buttons speak the active language. Shared by
// the live prompter and the tour.
QMessageBox* MakeMessageBox(QWidget* parent, Icon icon, const std::string& title, const std::string& text,
                            bool question, int languageFlag, double screenScale);

class QtPrompter : public Prompter {
public:
    // The context gives the language of the buttons and the scale of the icons.
    explicit QtPrompter(const AppContext& ctx, QWidget* parent = nullptr) : ctx_(ctx), parent_(parent) {}
    void setParent(QWidget* parent) { parent_ = parent; }

    void showMessage(Icon icon, const std::string& title, const std::string& text) override;
    bool askYesNo(Icon icon, const std::string& title, const std::string& text) override;
    void progress(int value, int maximum, const std::string& caption) override;

private:
    const AppContext& ctx_;
    QPointer<QWidget> parent_;
    QPointer<QProgressDialog> progress_;
};

}  // namespace plenum::ui
