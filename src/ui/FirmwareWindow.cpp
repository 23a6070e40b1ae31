#include "ui/FirmwareWindow.h"

#include <QCloseEvent>
#include <QEventLoop>
#include <QFileDialog>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QVBoxLayout>

#include "ui/CommThread.h"
#include "ui/Controls.h"
#include "ui/Theme.h"
#include "ui/UiTexts.h"

namespace plenum::ui {

// Passes messages and questions on to the application's prompter and turns the loader's progress
// into the window's status line and bar. Called on the user-interface thread: the load's own
// prompter forwards here from the communication thread.
class FirmwareWindow::ProgressPrompter final : public Prompter {
  public:
    ProgressPrompter(Prompter& inner, FirmwareWindow& window) : inner_(inner), window_(window) {}
    void showMessage(Icon icon, const std::string& title, const std::string& text) override {
        inner_.showMessage(icon, title, text);
    }
    bool askYesNo(Icon icon, const std::string& title, const std::string& text) override {
        return inner_.askYesNo(icon, title, text);
    }
    void progress(int value, int maximum, const std::string&) override { window_.onProgress(value, maximum); }

  private:
    Prompter& inner_;
    FirmwareWindow& window_;
};

QString QtFileFilter(const std::string& filter) {
    const QString text = Q(filter);
    const qsizetype bar = text.indexOf(QLatin1Char('|'));
    if (bar < 0) return text;
    const QString pattern = text.mid(bar + 1);
    // Both spellings of the extension: the files come from Windows machines as often as not.
    return QStringLiteral("%1 (%2 %3)").arg(text.left(bar), pattern, pattern.toUpper());
}

FirmwareWindow::FirmwareWindow(AppContext& ctx, CommThread& thread, comm::FwLoader& loader, Prompter& prompter,
                               int slot, QWidget* parent)
    : QDialog(parent), thread_(thread), progressPrompter_(std::make_unique<ProgressPrompter>(prompter, *this)) {
    forwarding_ = std::make_unique<comm::ForwardingPrompter>(
        *progressPrompter_, [&thread](const std::function<void()>& function) { thread.runOnOwner(function); });
    controller_ = std::make_unique<comm::FwUpdateDemo>(ctx, thread.comm(), loader, *forwarding_, slot, thread.tileSink());
    const double scale = ctx.ScreenScale;
    const int lang = ctx.LanguageFlag;
    const comm::FwUpdateDemo& fw = *controller_;
    setObjectName(QStringLiteral("FwUpdateDemo"));
    setWindowTitle(Q(fw.title()));

    auto value = [&](const char* name, const std::string& text) {
        auto* label = new QLabel(Q(text), this);
        label->setObjectName(QString::fromLatin1(name));
        label->setFont(UiFont(scale, 10, true));
        label->setTextInteractionFlags(Qt::TextSelectableByMouse);
        return label;
    };
    auto caption = [&](const std::string& text) {
        auto* label = new QLabel(Q(text), this);
        label->setStyleSheet(QStringLiteral("color: %1;").arg(colours::kTextDim.name()));
        return label;
    };
    address_ = value("LabelIpDevice", fw.addressText());
    version_ = value("LabelFwVersion", fw.versionText());
    name_ = value("LabelName", fw.nameText());
    uniqueId_ = value("LabelUniqueId", fw.uniqueIdText());

    auto* form = new QFormLayout;
    form->setHorizontalSpacing(Px(scale, 14));
    form->setVerticalSpacing(Px(scale, 8));
    form->setLabelAlignment(Qt::AlignRight | Qt::AlignVCenter);
    form->addRow(caption(fw.addressCaption()), address_);
    form->addRow(caption(fw.versionCaption()), version_);
    form->addRow(caption(fw.nameCaption()), name_);
    form->addRow(caption(fw.uniqueIdCaption()), uniqueId_);

    file_ = new QLabel(this);
    file_->setObjectName(QStringLiteral("LabelFile"));
    file_->setMinimumWidth(Px(scale, 280));
    file_->setStyleSheet(
        QStringLiteral(
            "QLabel { background: %1; border: 1px solid %2; border-radius: %3px; padding: %4px %5px; }")
            .arg(colours::kWindow.name(), colours::kBorder.name(), QString::number(Px(scale, 6)),
                 QString::number(Px(scale, 5)), QString::number(Px(scale, 8))));
    browse_ = new UCButton(Glyph::Open, UCButton::Shape::Inline, scale, this);
    browse_->setObjectName(QStringLiteral("CmdBrowse"));
    browse_->setText(Pick(captions::kBrowse, lang));
    auto* fileRow = new QHBoxLayout;
    fileRow->setSpacing(Px(scale, 6));
    fileRow->addWidget(file_, 1);
    fileRow->addWidget(browse_);

    status_ = new QLabel(this);
    status_->setObjectName(QStringLiteral("LabelStatus"));
    bar_ = new QProgressBar(this);
    bar_->setObjectName(QStringLiteral("ProgressFw"));
    bar_->setRange(0, 100);
    bar_->setValue(0);
    bar_->setTextVisible(false);
    bar_->setFixedHeight(Px(scale, 6));
    bar_->setStyleSheet(
        QStringLiteral("QProgressBar { background: %1; border: none; border-radius: %3px; }"
                       "QProgressBar::chunk { background: %2; border-radius: %3px; }")
            .arg(colours::kWindow.name(), colours::kAccent.name(), QString::number(Px(scale, 3))));

    update_ = new UCButton(Glyph::Firmware, UCButton::Shape::Inline, scale, this);
    update_->setObjectName(QStringLiteral("CmdUpdate"));
    update_->setText(Pick(captions::kUpdate, lang));
    update_->setAccent(colours::kAccent);
    auto* close = new UCButton(Glyph::None, UCButton::Shape::Inline, scale, this);
    close->setObjectName(QStringLiteral("CmdClose"));
    close->setText(Pick(captions::kClose, lang));
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(status_, 1);
    buttons->addWidget(close);
    buttons->addWidget(update_);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(Px(scale, 22), Px(scale, 20), Px(scale, 22), Px(scale, 18));
    layout->setSpacing(Px(scale, 12));
    layout->addLayout(form);
    layout->addSpacing(Px(scale, 4));
    layout->addLayout(fileRow);
    layout->addWidget(bar_);
    layout->addLayout(buttons);

    pickFile_ = [this](const QString& filter) {
        return QFileDialog::getOpenFileName(this, QString(), QString(), filter);
    };
    connect(browse_, &UCButton::clicked, this, &FirmwareWindow::browse);
    connect(update_, &UCButton::clicked, this, [this] { Update_Click(); });
    connect(close, &UCButton::clicked, this, &QDialog::reject);
    setMinimumWidth(Px(scale, 520));
    refresh();
}

FirmwareWindow::~FirmwareWindow() = default;

void FirmwareWindow::browse() {
    const QString file = pickFile_(QtFileFilter(controller_->fileFilter()));
    controller_->chooseFile(file.toStdString());
    refresh();
}

comm::FwUpdateDemo::Outcome FirmwareWindow::Update_Click() {
    update_->setEnabled(false);
    browse_->setEnabled(false);
    loading_ = true;
    comm::FwUpdateDemo::Outcome outcome{};
    QEventLoop loop;
    thread_.post(
        this, [this] { return controller_->Update_Click(); },
        [&](comm::FwUpdateDemo::Outcome result) {
            outcome = result;
            loop.quit();
        });
    loop.exec();
    loading_ = false;
    // A full bar says the load went through; after a failure it starts again from empty.
    bar_->setValue(outcome == comm::FwUpdateDemo::Outcome::Loaded ? 100 : 0);
    update_->setEnabled(true);
    browse_->setEnabled(true);
    refresh();
    return outcome;
}

void FirmwareWindow::refresh() {
    const comm::FwUpdateDemo& fw = *controller_;
    file_->setText(Q(fw.fileLabel()));
    file_->setToolTip(Q(fw.fileLabel()));
    status_->setText(Q(fw.statusText()));
    version_->setText(Q(fw.versionText()));
}

void FirmwareWindow::onProgress(int value, int maximum) {
    bar_->setValue(maximum > 0 ? value * 100 / maximum : 0);
    status_->setText(Q(controller_->statusText()));
}

void FirmwareWindow::reject() {
    if (!loading_) QDialog::reject();
}

void FirmwareWindow::closeEvent(QCloseEvent* event) {
    if (loading_)
        event->ignore();
    else
        QDialog::closeEvent(event);
}

}  // namespace plenum::ui
