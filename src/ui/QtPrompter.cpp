#include "ui/QtPrompter.h"

#include <QApplication>
#include <QMessageBox>
#include <QProgressDialog>

#include "ui/Theme.h"

namespace plenum::ui {

QMessageBox* MakeMessageBox(QWidget* parent, Icon icon, const std::string& title, const std::string& text,
                            bool question) {
    auto* box = new QMessageBox(parent);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setObjectName(QStringLiteral("MessageBox"));
    box->setWindowTitle(Q(title));
    box->setText(WithLineBreaks(Q(text)));
    switch (icon) {
        case Icon::Information: box->setIcon(QMessageBox::Information); break;
        case Icon::Exclamation: box->setIcon(QMessageBox::Warning); break;
        case Icon::Question: box->setIcon(QMessageBox::Question); break;
        case Icon::Critical: box->setIcon(QMessageBox::Critical); break;
    }
    if (question) {
        box->setStandardButtons(QMessageBox::Yes | QMessageBox::No);
        box->setDefaultButton(QMessageBox::Yes);
    } else {
        box->setStandardButtons(QMessageBox::Ok);
    }
    return box;
}

void QtPrompter::showMessage(Icon icon, const std::string& title, const std::string& text) {
    QMessageBox* box = MakeMessageBox(parent_, icon, title, text, false);
    box->setAttribute(Qt::WA_DeleteOnClose, false);
    box->exec();
    delete box;
}

bool QtPrompter::askYesNo(Icon icon, const std::string& title, const std::string& text) {
    QMessageBox* box = MakeMessageBox(parent_, icon, title, text, true);
    box->setAttribute(Qt::WA_DeleteOnClose, false);
    const bool yes = box->exec() == QMessageBox::Yes;
    delete box;
    return yes;
}

void QtPrompter::progress(int value, int maximum, const std::string& caption) {
    if (value == 0 && maximum == 0) {
        if (progress_) progress_->close();
        delete progress_;
        return;
    }
    if (!progress_) {
        progress_ = new QProgressDialog(parent_);
        progress_->setCancelButton(nullptr);
        progress_->setWindowModality(Qt::WindowModal);
        progress_->setMinimumDuration(0);
        progress_->setAutoClose(false);
        progress_->setAutoReset(false);
    }
    progress_->setLabelText(Q(caption));
    progress_->setMaximum(maximum);
    progress_->setValue(value);
    // The work that reports progress runs on this thread: let the bar paint between steps.
    QApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

}  // namespace plenum::ui
