#include "ui/ConnectDialog.h"

#include <QButtonGroup>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QRadioButton>
#include <QVBoxLayout>

#include "core/Registry.h"
#include "ui/Controls.h"
#include "ui/Theme.h"
#include "ui/UiTexts.h"
#include "ui/logic/DeviceActions.h"

namespace plenum::ui {
namespace {

QString DialogTitle(const AppContext& ctx, int slot) {
    const int lang = ctx.LanguageFlag;
    if (slot == ConnectDialog::kAllDevices) return Pick(texts::kConnectAllTitle, lang);
    if (!ctx.device(slot).isNetwork()) return Pick(texts::kConnectUsbTitle, lang);
    return Pick(texts::kConnectTitle, lang) + Q(DisplayName(ctx, slot));
}

// A line naming the device (or the number of devices) the dialog acts on.
QString Subject(const AppContext& ctx, int slot) {
    const int lang = ctx.LanguageFlag;
    if (slot != ConnectDialog::kAllDevices)
        return QStringLiteral("<b>%1</b>&nbsp;&nbsp;<span style='color:%2'>%3 · %4</span>")
            .arg(Q(DisplayName(ctx, slot)).toHtmlEscaped(), colours::kTextDim.name(),
                 Q(TileModelText(ctx, slot)), Q(TileAddressText(ctx, slot)));
    int offline = 0;
    for (int other = kFirstUserSlot; other <= kLastUserSlot; ++other)
        offline += ctx.device(other).isPresent() && !ctx.device(other).isConnected() ? 1 : 0;
    return Q(FillText(captions::kConnectAllCount.pick(lang), {std::to_string(offline)}));
}

}  // namespace

ConnectDialog::ConnectDialog(AppContext& ctx, int slot, QWidget* parent)
    : QDialog(parent), ctx_(ctx), slot_(slot) {
    const double scale = ctx.ScreenScale;
    const int lang = ctx.LanguageFlag;
    ctx_.flags.CommBusy = kTrue16;
    setObjectName(QStringLiteral("FrmConnect"));
    setWindowTitle(DialogTitle(ctx, slot));

    auto* subject = new QLabel(Subject(ctx, slot), this);
    subject->setObjectName(QStringLiteral("LabelDevice"));
    subject->setFont(UiFont(scale, 10));

    load_ = new QRadioButton(Pick(texts::kLoadToDevice, lang), this);
    load_->setObjectName(QStringLiteral("OptLoadToDevice"));
    read_ = new QRadioButton(Pick(texts::kReadFromDevice, lang), this);
    read_->setObjectName(QStringLiteral("OptReadFromDevice"));
    // Reading is the safe default: it never changes what a loudspeaker is playing.
    read_->setChecked(true);
    auto* group = new QButtonGroup(this);
    group->addButton(load_);
    group->addButton(read_);
    auto* loadHint = new QLabel(Pick(captions::kLoadHint, lang), this);
    auto* readHint = new QLabel(Pick(captions::kReadHint, lang), this);
    for (QLabel* hint : {loadHint, readHint}) {
        hint->setStyleSheet(QStringLiteral("color: %1;").arg(colours::kTextDim.name()));
        hint->setFont(UiFont(scale, 8.5));
        hint->setContentsMargins(Px(scale, 26), 0, 0, Px(scale, 4));
    }

    const DialogButtons row =
        MakeDialogButtons(this, scale, Pick(captions::kOk, lang), Pick(captions::kCancel, lang), Glyph::Connect);
    ok_ = row.ok;
    auto* cancel = row.cancel;
    auto* buttons = row.row;

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(Px(scale, 22), Px(scale, 20), Px(scale, 22), Px(scale, 18));
    layout->setSpacing(Px(scale, 6));
    layout->addWidget(subject);
    layout->addSpacing(Px(scale, 12));
    layout->addWidget(read_);
    layout->addWidget(readHint);
    layout->addWidget(load_);
    layout->addWidget(loadHint);
    layout->addSpacing(Px(scale, 14));
    layout->addLayout(buttons);

    connect(ok_, &UCButton::clicked, this, [this] { connectNow(); });
    connect(cancel, &UCButton::clicked, this, &QDialog::reject);
    setMinimumWidth(Px(scale, 440));
}

ConnectDialog::~ConnectDialog() {
    ctx_.flags.CommBusy = kFalse16;
}

comm::TransferDirection ConnectDialog::direction() const {
    return load_->isChecked() ? comm::TransferDirection::LoadToDevice
                              : comm::TransferDirection::ReadFromDevice;
}

void ConnectDialog::connectNow() {
    ok_->setEnabled(false);
    accept();
}

}  // namespace plenum::ui
