#include "ui/AddDeviceDialog.h"

#include <QButtonGroup>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QRadioButton>
#include <QVBoxLayout>

#include "core/Registry.h"
#include "ui/Controls.h"
#include "ui/Glyphs.h"
#include "ui/Theme.h"
#include "ui/UiTexts.h"

namespace plenum::ui {
namespace {

// The picture beside the choices: the chosen cabinet with its name.
class ModelPreview final : public QWidget {
public:
    ModelPreview(const AddDeviceDialog& dialog, double scale, QWidget* parent)
        : QWidget(parent), dialog_(dialog), scale_(scale) {
        setFixedSize(Px(scale, 130), Px(scale, 170));
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(QPen(colours::kBorder, 1));
        painter.setBrush(colours::kWindow);
        painter.drawRoundedRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5), Px(scale_, 8), Px(scale_, 8));
        const ModelEntry entry = dialog_.currentEntry();
        const bool sub = entry.modelCode == kSubModelCode;
        const QColor family = sub ? colours::kSub : colours::kSat;
        PaintCabinet(painter, sub, QRectF(0, Px(scale_, 18), width(), Px(scale_, 96)), family, true);
        painter.setPen(colours::kText);
        painter.setFont(UiFont(scale_, 10, true));
        const std::string name = PickerName(entry, "{1} {0}");
        painter.drawText(QRectF(0, Px(scale_, 124), width(), Px(scale_, 20)), Qt::AlignCenter, Q(name));
        painter.setPen(family);
        painter.setFont(UiFont(scale_, 7.5, true));
        painter.drawText(QRectF(0, Px(scale_, 144), width(), Px(scale_, 16)), Qt::AlignCenter,
                         sub ? QStringLiteral("SUB") : QStringLiteral("SAT"));
    }

private:
    const AddDeviceDialog& dialog_;
    double scale_;
};

}  // namespace

AddDeviceDialog::AddDeviceDialog(AppContext& ctx, Prompter& prompter, int slot, const Octets& initialAddress,
                                 QWidget* parent)
    : QDialog(parent), ctx_(ctx), prompter_(prompter), slot_(slot) {
    const double scale = ctx.ScreenScale;
    const int lang = ctx.LanguageFlag;
    setObjectName(QStringLiteral("FrmAddDevice"));
    setWindowTitle(Pick(captions::kAddTitle, lang));

    model_ = new UCCombo(scale, this);
    model_->setObjectName(QStringLiteral("ComboModel"));
    const std::string unnamed(captions::kUnnamedModel.pick(lang));
    for (const int code : PickableModelCodes()) {
        const ModelEntry entry{static_cast<std::uint8_t>(code), static_cast<std::int16_t>(DefaultVariant(code))};
        model_->addItem(Q(PickerName(entry, unnamed)), code);
    }
    variant_ = new UCCombo(scale, this);
    variant_->setObjectName(QStringLiteral("ComboVariant"));
    variantLabel_ = new QLabel(Pick(captions::kVariant, lang), this);

    usb_ = new QRadioButton(QStringLiteral("USB"), this);
    usb_->setObjectName(QStringLiteral("OptUsb"));
    lan_ = new QRadioButton(QStringLiteral("LAN"), this);
    lan_->setObjectName(QStringLiteral("OptLan"));
    usb_->setChecked(true);
    auto* modes = new QButtonGroup(this);
    modes->addButton(usb_);
    modes->addButton(lan_);
    auto* modeRow = new QHBoxLayout;
    modeRow->addWidget(usb_);
    modeRow->addSpacing(Px(scale, 18));
    modeRow->addWidget(lan_);
    modeRow->addStretch();

    addressRow_ = new QWidget(this);
    auto* addressLayout = new QHBoxLayout(addressRow_);
    addressLayout->setContentsMargins(0, 0, 0, 0);
    addressLayout->setSpacing(Px(scale, 3));
    for (int i = 0; i < 4; ++i) {
        const OctetRange range = RangeOfOctet(i);
        auto* box = new UCTextUpDown(range.minimum, range.maximum, scale, addressRow_);
        box->setObjectName(QStringLiteral("TextIP%1").arg(i + 1));
        box->setFilter([i](const QString& typed) { return Q(ClampOctetText(i, typed.toStdString())); });
        box->setValue(initialAddress[static_cast<std::size_t>(i)]);
        box->setFixedWidth(Px(scale, 62));
        octets_[static_cast<std::size_t>(i)] = box;
        if (i > 0) addressLayout->addWidget(new QLabel(QStringLiteral("."), addressRow_));
        addressLayout->addWidget(box);
    }
    addressLayout->addStretch();

    auto* form = new QFormLayout;
    form->setHorizontalSpacing(Px(scale, 14));
    form->setVerticalSpacing(Px(scale, 10));
    form->setLabelAlignment(Qt::AlignRight | Qt::AlignVCenter);
    form->addRow(Pick(captions::kModel, lang), model_);
    form->addRow(variantLabel_, variant_);
    form->addRow(Pick(captions::kConnection, lang), modeRow);
    form->addRow(Pick(captions::kAddress, lang), addressRow_);

    preview_ = new ModelPreview(*this, scale, this);
    auto* body = new QHBoxLayout;
    body->setSpacing(Px(scale, 20));
    body->addWidget(preview_, 0, Qt::AlignTop);
    body->addLayout(form, 1);

    const DialogButtons row = MakeDialogButtons(this, scale, Pick(captions::kAddButton, lang), Pick(captions::kCancel, lang),
                                                Glyph::Add, QStringLiteral("CmdAdd"));
    auto* add = row.ok;
    auto* cancel = row.cancel;
    auto* buttons = row.row;

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(Px(scale, 22), Px(scale, 20), Px(scale, 22), Px(scale, 18));
    layout->setSpacing(Px(scale, 18));
    layout->addLayout(body);
    layout->addLayout(buttons);

    connect(model_, &QComboBox::currentIndexChanged, this, [this] {
        fillVariants();
        preview_->update();
    });
    connect(variant_, &QComboBox::currentIndexChanged, preview_, qOverload<>(&QWidget::update));
    connect(lan_, &QRadioButton::toggled, this, [this] { updateAddressRow(); });
    connect(add, &UCButton::clicked, this, [this] { tryAdd(); });
    connect(cancel, &UCButton::clicked, this, &QDialog::reject);
    fillVariants();
    updateAddressRow();
    setMinimumWidth(Px(scale, 560));
}

void AddDeviceDialog::fillVariants() {
    const int code = model_->currentData().toInt();
    const QSignalBlocker blocker(variant_);
    variant_->clear();
    for (const int variant : VariantsOf(code))
        variant_->addItem(Q(ModelName(code, variant)), variant);
    const bool has = HasVariants(code);
    variant_->setEnabled(has);
    variantLabel_->setEnabled(has);
    if (!has) variant_->addItem(QStringLiteral("—"), 0);
    variant_->setCurrentIndex(variant_->findData(DefaultVariant(code)));
}

void AddDeviceDialog::updateAddressRow() { addressRow_->setEnabled(lan_->isChecked()); }

void AddDeviceDialog::selectModel(int modelCode, int variant) {
    const int index = model_->findData(modelCode);
    if (index >= 0) model_->setCurrentIndex(index);
    const int variantIndex = variant_->findData(variant);
    if (variantIndex >= 0) variant_->setCurrentIndex(variantIndex);
}

void AddDeviceDialog::selectNetwork(bool lan) { (lan ? lan_ : usb_)->setChecked(true); }

ModelEntry AddDeviceDialog::currentEntry() const {
    const int code = model_->currentData().toInt();
    return {static_cast<std::uint8_t>(code),
            static_cast<std::int16_t>(HasVariants(code) ? variant_->currentData().toInt() : 0)};
}

bool AddDeviceDialog::networkChosen() const { return lan_->isChecked(); }

std::string AddDeviceDialog::typedAddress() const {
    Octets octets{};
    for (int i = 0; i < 4; ++i) {
        UCTextUpDown* box = octets_[static_cast<std::size_t>(i)];
        // An empty box counts as the lowest value its octet allows.
        octets[static_cast<std::size_t>(i)] = box->hasValue() ? ClampOctet(i, box->value()) : RangeOfOctet(i).minimum;
    }
    return JoinAddress(octets);
}

bool AddDeviceDialog::tryAdd() {
    AddDeviceChoice choice;
    const ModelEntry entry = currentEntry();
    choice.modelCode = entry.modelCode;
    choice.variant = entry.variant;
    choice.network = networkChosen();
    if (choice.network) choice.address = typedAddress();
    if (!CompleteAddDevice(ctx_, prompter_, slot_, choice)) return false;
    accept();
    return true;
}

}  // namespace plenum::ui
