#include "ui/QtPrompter.h"

#include <QApplication>
#include <QMessageBox>
#include <QPainter>
#include <QPushButton>
#include <QProgressDialog>

#include "ui/Theme.h"

namespace plenum::ui {

namespace {

inline constexpr Bilingual kYes{"Yes", "是"};
inline constexpr Bilingual kNo{"No", "否"};
inline constexpr Bilingual kOk{"OK", "确定"};

// Flat round badges in the theme's colours instead of the platform's pictures.
QPixmap MessageIcon(Icon icon, double scale) {
    const int side = Px(scale, 36);
    QPixmap picture(side, side);
    picture.fill(Qt::transparent);
    QPainter painter(&picture);
    painter.setRenderHint(QPainter::Antialiasing);
    QColor colour = colours::kAccent;
    QString mark = QStringLiteral("i");
    switch (icon) {
        case Icon::Information: break;
        case Icon::Question: mark = QStringLiteral("?"); break;
        case Icon::Exclamation: colour = colours::kSub, mark = QStringLiteral("!"); break;
        case Icon::Critical: colour = colours::kDanger, mark = QStringLiteral("!"); break;
    }
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(colour.red(), colour.green(), colour.blue(), 50));
    painter.drawEllipse(QRectF(0, 0, side, side));
    painter.setBrush(colour);
    painter.drawEllipse(QRectF(side * 0.16, side * 0.16, side * 0.68, side * 0.68));
    painter.setPen(colours::kWindow);
    painter.setFont(UiFont(scale, 13, true));
    painter.drawText(QRectF(0, 0, side, side), Qt::AlignCenter, mark);
    return picture;
}

}  // namespace

QMessageBox* MakeMessageBox(QWidget* parent, Icon icon, const std::string& title, const std::string& text,
                            bool question, int languageFlag, double screenScale) {
    auto* box = new QMessageBox(parent);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setObjectName(QStringLiteral("MessageBox"));
    box->setWindowTitle(Q(title));
    box->setText(WithLineBreaks(Q(text)));
    box->setIconPixmap(MessageIcon(icon, screenScale));
    if (question) {
        box->setStandardButtons(QMessageBox::Yes | QMessageBox::No);
        box->setDefaultButton(QMessageBox::Yes);
        box->button(QMessageBox::Yes)->setText(Pick(kYes, languageFlag));
        box->button(QMessageBox::No)->setText(Pick(kNo, languageFlag));
    } else {
        box->setStandardButtons(QMessageBox::Ok);
        box->button(QMessageBox::Ok)->setText(Pick(kOk, languageFlag));
    }
    return box;
}

void QtPrompter::showMessage(Icon icon, const std::string& title, const std::string& text) {
    QMessageBox* box = MakeMessageBox(parent_, icon, title, text, false, ctx_.LanguageFlag, ctx_.ScreenScale);
    box->setAttribute(Qt::WA_DeleteOnClose, false);
    box->exec();
    delete box;
}

bool QtPrompter::askYesNo(Icon icon, const std::string& title, const std::string& text) {
    QMessageBox* box = MakeMessageBox(parent_, icon, title, text, true, ctx_.LanguageFlag, ctx_.ScreenScale);
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
