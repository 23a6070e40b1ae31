// The pages of the FIR wizard's window: the controls of each step and where they lead.
#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "ui/WizardWindows.h"
#include "ui/logic/WizardTexts.h"

namespace plenum::ui {

QLineEdit* FrmWizardFIR::settingEntry(WizardSetting setting) {
    auto* entry = new QLineEdit(this);
    entry->setMaximumWidth(90);
    entries_[static_cast<std::size_t>(setting)] = entry;
    connect(entry, &QLineEdit::editingFinished, this, [this, setting, entry] { enter(setting, entry->text()); });
    return entry;
}

QWidget* FrmWizardFIR::buildWelcome() {
    auto* page = new QWidget(this);
    auto* grid = new QGridLayout(page);
    outputs_ = new QComboBox(page);
    outputs_->addItems({QStringLiteral("LOW"), QStringLiteral("HIGH")});
    auto* measureButton = new QPushButton(text(texts::kWizardMeasureIr), page);
    auto* open = new QPushButton(text(texts::kWizardOpenIr), page);
    auto* exit = new QPushButton(text(texts::kWizardExitButton), page);
    grid->addWidget(new QLabel(text(texts::kWizardSelectOutput), page), 0, 0);
    grid->addWidget(outputs_, 0, 1);
    grid->addWidget(measureButton, 1, 0);
    grid->addWidget(open, 2, 0);
    grid->addWidget(exit, 3, 0);
    grid->setColumnStretch(2, 1);
    connect(outputs_, &QComboBox::currentIndexChanged, this, [this](int way) { chooseOutput(way); });
    connect(measureButton, &QPushButton::clicked, this, [this] { next(); });
    connect(open, &QPushButton::clicked, this, [this] {
        const QString folder = QString::fromStdString((ctx_.dataDir / "IR").string());
        if (const QString path = pickFile_ ? pickFile_(folder, QtFilter(texts::kWizardIrOpenFilter)) : QString(); !path.isEmpty())
            openIr(path);
    });
    connect(exit, &QPushButton::clicked, this, &QDialog::close);
    return page;
}

QWidget* FrmWizardFIR::buildGeometry() {
    auto* page = new QWidget(this);
    auto* grid = new QGridLayout(page);
    auto* help = new QLabel(text(texts::kWizardGeometryHelp), page);
    help->setWordWrap(true);
    grid->addWidget(help, 0, 0, 1, 3);
    grid->addWidget(new QLabel(text(texts::kWizardSettingCaptions[static_cast<std::size_t>(WizardSetting::WindowMs)]), page), 1, 0);
    grid->addWidget(settingEntry(WizardSetting::WindowMs), 1, 1);
    grid->setColumnStretch(2, 1);
    return page;
}

QWidget* FrmWizardFIR::buildWiring() {
    auto* page = new QWidget(this);
    auto* grid = new QGridLayout(page);
    cardChoice_ = new QComboBox(page);
    cardChoice_->setObjectName(QStringLiteral("ComboCard"));
    QStringList names;
    for (const auto& card : cardList_) names << QString::fromStdString(card.name);
    if (virtualCardFirst_) names.prepend(text(texts::kWizardVirtualCard));
    else names.append(text(texts::kWizardVirtualCard));
    cardChoice_->addItems(names);
    cardChoice_->setCurrentIndex(-1);
    outChannel_ = new QComboBox(page);
    inChannel_ = new QComboBox(page);
    auto* test = new QPushButton(text(texts::kWizardTestMic), page);
    grid->addWidget(new QLabel(text(texts::kWizardSelectCard), page), 0, 0);
    grid->addWidget(cardChoice_, 0, 1);
    grid->addWidget(new QLabel(text(texts::kWizardSelectOutChannel), page), 1, 0);
    grid->addWidget(outChannel_, 1, 1);
    grid->addWidget(new QLabel(text(texts::kWizardSelectInChannel), page), 2, 0);
    grid->addWidget(inChannel_, 2, 1);
    grid->addWidget(test, 3, 0);
    grid->setColumnStretch(2, 1);
    connect(cardChoice_, &QComboBox::activated, this, [this](int index) { chooseCard(index); });
    connect(outChannel_, &QComboBox::activated, this, [this](int index) { chooseChannels(index, flow_.inputChannel()); });
    connect(inChannel_, &QComboBox::activated, this, [this](int index) { chooseChannels(flow_.outputChannel(), index); });
    connect(test, &QPushButton::clicked, this, [this] { testMic(); });
    return page;
}

QWidget* FrmWizardFIR::buildMeasure() {
    auto* page = new QWidget(this);
    auto* row = new QHBoxLayout(page);
    auto* start = new QPushButton(text(texts::kWizardMeasureIr), page);
    start->setObjectName(QStringLiteral("BtnMeasure"));
    row->addWidget(start);
    row->addStretch(1);
    connect(start, &QPushButton::clicked, this, [this] { measure(); });
    return page;
}

QWidget* FrmWizardFIR::buildViewIr() {
    auto* page = new QWidget(this);
    auto* row = new QHBoxLayout(page);
    auto* save = new QPushButton(text(texts::kWizardSaveIr), page);
    row->addWidget(save);
    connect(save, &QPushButton::clicked, this, [this] {
        const QString folder = QString::fromStdString((ctx_.dataDir / "IR").string());
        if (const QString path = pickSaveFile_ ? pickSaveFile_(folder, QtFilter(texts::kWizardIrSaveFilter)) : QString();
            !path.isEmpty())
            flow_.saveIr(path.toStdString());
    });
    return page;
}

QWidget* FrmWizardFIR::buildCalculate() {
    auto* page = new QWidget(this);
    auto* grid = new QGridLayout(page);
    smoothing_ = new QLineEdit(page);
    smoothing_->setMaximumWidth(90);
    connect(smoothing_, &QLineEdit::editingFinished, this, [this] { enterSmoothing(smoothing_->text()); });
    grid->addWidget(new QLabel(text(texts::kWizardSmoothingCaption), page), 0, 0);
    grid->addWidget(smoothing_, 0, 1);
    int cell = 1;
    for (const WizardSetting setting : {WizardSetting::Threshold, WizardSetting::LowerHz, WizardSetting::UpperHz,
                                        WizardSetting::LatencyMs, WizardSetting::Precision, WizardSetting::BoostDb}) {
        grid->addWidget(new QLabel(text(texts::kWizardSettingCaptions[static_cast<std::size_t>(setting)]), page), cell % 4,
                        (cell / 4) * 2);
        grid->addWidget(settingEntry(setting), cell % 4, (cell / 4) * 2 + 1);
        ++cell;
    }
    auto* mode = new QComboBox(page);
    for (const auto& name : texts::kWizardDesignModes) mode->addItem(text(name));
    auto* minimum = new QCheckBox(text(texts::kWizardMinimumPhase), page);
    grid->addWidget(mode, 3, 2);
    grid->addWidget(minimum, 3, 3);
    auto* buttons = new QHBoxLayout;
    auto* target = new QPushButton(text(texts::kWizardEditTarget), page);
    auto* calc = new QPushButton(text(texts::kWizardCalculate), page);
    auto* storeButton = new QPushButton(text(texts::kWizardStore), page);
    auto* save = new QPushButton(text(texts::kWizardSave), page);
    for (QPushButton* b : {target, calc, storeButton, save}) buttons->addWidget(b);
    buttons->addStretch(1);
    grid->addLayout(buttons, 4, 0, 1, 6);
    grid->setColumnStretch(5, 1);
    connect(mode, &QComboBox::currentIndexChanged, this,
            [this](int index) { flow_.chooseMode(index == 1 ? audio::DesignMode::MinimizeRipple : audio::DesignMode::Normal); });
    connect(minimum, &QCheckBox::toggled, this, [this](bool on) { flow_.setMinimumPhase(on); });
    connect(target, &QPushButton::clicked, this, [this] { editTarget(); });
    connect(calc, &QPushButton::clicked, this, [this] { calculate(); });
    connect(storeButton, &QPushButton::clicked, this, [this] { store(); });
    connect(save, &QPushButton::clicked, this, [this] {
        const QString folder = QString::fromStdString((ctx_.dataDir / "FIR").string());
        if (!flow_.correction()) {
            flow_.saveFir({});  // says "Can't save, please recalculate the FIR first"
            return;
        }
        if (const QString path = pickSaveFile_ ? pickSaveFile_(folder, QtFilter(texts::kWizardFirSaveFilter)) : QString();
            !path.isEmpty())
            saveFir(path);
    });
    return page;
}

QWidget* FrmWizardFIR::buildVerify() {
    auto* page = new QWidget(this);
    auto* row = new QHBoxLayout(page);
    auto* verifyButton = new QPushButton(text(texts::kWizardVerify), page);
    auto* storeButton = new QPushButton(text(texts::kWizardStore), page);
    row->addWidget(storeButton);
    row->addWidget(verifyButton);
    row->addStretch(1);
    connect(verifyButton, &QPushButton::clicked, this, [this] { verify(); });
    connect(storeButton, &QPushButton::clicked, this, [this] { store(); });
    return page;
}

}  // namespace plenum::ui
