#include "ui/GroupWindow.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QMoveEvent>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QSlider>
#include <QVBoxLayout>

#include "core/ValueCodecs.h"
#include "dsp/GridEvaluation.h"
#include "groups/GroupTexts.h"
#include "ui/ResponseGraph.h"

namespace plenum::ui {
namespace {

QString Text(const std::string& text) { return QString::fromStdString(text); }
QString Pick(const AppContext& ctx, const Bilingual& text) { return Text(std::string(text.pick(ctx.LanguageFlag))); }

QLineEdit* Box(const char* name, QWidget* parent) {
    auto* box = new QLineEdit(parent);
    box->setObjectName(name);
    box->setMaximumWidth(90);
    return box;
}

}  // namespace

GroupWindow::GroupWindow(AppContext& ctx, int group, GroupPresets& presets, Prompter& prompter, GroupSink& sink,
                         EditWindowRefresher* windows, QWidget* parent)
    : QWidget(parent), ctx_(ctx), editor_(ctx, group, presets, prompter, sink, windows), presets_(presets) {
    setObjectName("FrmEditVelmarGroup");
    build();
    refresh();
}

void GroupWindow::build() {
    auto* layout = new QVBoxLayout(this);
    auto* rows = new QVBoxLayout;
    for (int i = 0; i < 3; ++i) {
        members_.push_back(new QLabel(this));
        members_.back()->setObjectName(QString("LabelMember%1").arg(i));
        rows->addWidget(members_.back());
    }
    auto* drift = new QPushButton(Pick(ctx_, texts::kGroupCompare), this);
    drift->setObjectName("ButtonDrift");
    connect(drift, &QPushButton::clicked, this, [this] { emit driftRequested(editor_.group()); });
    // FrmSelGroup in edit mode: other loudspeakers for the roles.
    auto* members = new QPushButton(Pick(ctx_, texts::kGroupMembers), this);
    members->setObjectName("ButtonMembers");
    connect(members, &QPushButton::clicked, this, [this] { emit membersRequested(editor_.group()); });
    auto* top = new QHBoxLayout;
    top->addLayout(rows, 1);
    top->addWidget(members, 0, Qt::AlignTop);
    top->addWidget(drift, 0, Qt::AlignTop);
    layout->addLayout(top);

    auto* levels = new QGridLayout;
    mute_ = new QPushButton(Pick(ctx_, texts::kGroupMute), this);
    mute_->setObjectName("LabelMute");
    mute_->setCheckable(true);
    gainSlider_ = new QSlider(Qt::Horizontal, this);
    gainSlider_->setObjectName("SliderGain");
    gainSlider_->setRange(0, kGainIndexMax);
    gain_ = Box("TextGain", this);
    unit_ = new QPushButton(this);
    unit_->setObjectName("LabelDelayUnit");
    unit_->setFlat(true);
    satDelay_ = Box("TextDly", this);
    subDelay_ = Box("TextDlySub", this);
    levels->addWidget(mute_, 0, 0);
    levels->addWidget(new QLabel(Pick(ctx_, texts::kGroupGainDb), this), 0, 1);
    levels->addWidget(gainSlider_, 0, 2);
    levels->addWidget(gain_, 0, 3);
    levels->addWidget(unit_, 1, 0);
    levels->addWidget(new QLabel(Pick(ctx_, texts::kGroupSatDelay), this), 1, 1);
    levels->addWidget(satDelay_, 1, 2);
    levels->addWidget(new QLabel(Pick(ctx_, texts::kRoleSub), this), 1, 3);
    levels->addWidget(subDelay_, 1, 4);
    // Fine (1/48 ms) and coarse (1 ms) up-down buttons under each delay box: SAT, then SUB.
    const std::array<std::pair<const char*, std::pair<int, bool>>, 4> steps{
        {{"-1", {-1, true}}, {"-", {-1, false}}, {"+", {1, false}}, {"+1", {1, true}}}};
    for (const bool sub : {false, true}) {
        auto* row = new QHBoxLayout;
        row->setSpacing(2);
        for (std::size_t i = 0; i < steps.size(); ++i) {
            auto* button = new QPushButton(steps[i].first, this);
            button->setObjectName(QString(sub ? "UpDownDlySub%1" : "UpDownDly%1").arg(i));
            button->setMaximumWidth(40);
            row->addWidget(button);
            if (sub) subSteps_.push_back(button);
            const auto [count, coarse] = steps[i].second;
            connect(button, &QPushButton::clicked, this, [this, sub, count, coarse] {
                editor_.stepDelay(sub, count, coarse);
                refresh();
            });
        }
        levels->addLayout(row, 2, sub ? 4 : 2);
    }
    layout->addLayout(levels);

    auto* eq = new QGridLayout;
    bandBox_ = new QComboBox(this);
    bandBox_->setObjectName("ComboBand");
    for (int b = 0; b < kGroupBands; ++b) bandBox_->addItem(QString::number(b + 1));
    type_ = new QComboBox(this);
    type_->setObjectName("ComboType");
    for (int t = 0; t < kPeqTypeCount; ++t) type_->addItem(Text(std::string(PeqTypeLabel(static_cast<PeqType>(t)))));
    frequency_ = Box("TextFreq", this);
    bandGain_ = Box("TextPeqGain", this);
    q_ = Box("TextQ", this);
    bandBypass_ = new QCheckBox(Pick(ctx_, texts::kGroupBandBypass), this);
    bandBypass_->setObjectName("LabelBandByp");
    eqBypass_ = new QCheckBox(Pick(ctx_, texts::kGroupEqBypass), this);
    eqBypass_->setObjectName("LabelEqByp");
    eqOnSub_ = new QCheckBox(Pick(ctx_, texts::kEqOnSub), this);
    eqOnSub_->setObjectName("CheckEqOnSub");
    auto* flat = new QPushButton(Pick(ctx_, texts::kEqFlatButton), this);
    flat->setObjectName("ButtonEqFlat");
    preset_ = new QComboBox(this);
    preset_->setObjectName("ComboPreset");
    for (int p = 0; p < kGroupPresetCount; ++p) preset_->addItem(Text(std::string(GroupPresets::name(p))));
    // A curve that is none of the presets shows no preset in the list, only "CUSTOM".
    preset_->setPlaceholderText(Pick(ctx_, texts::kCustomPreset));
    auto* save = new QPushButton(Pick(ctx_, texts::kGroupSavePreset), this);
    save->setObjectName("ButtonSavePreset");
    presetCaption_ = new QLabel(this);
    presetCaption_->setObjectName("LabelPreset");
    // Captions over the band's boxes, so that each number says what it is.
    const Bilingual* heads[] = {&texts::kGroupBand, &texts::kGroupType, &texts::kGroupFreqHz, &texts::kGroupGainDb,
                                &texts::kGroupQ};
    for (int column = 0; column < 5; ++column) eq->addWidget(new QLabel(Pick(ctx_, *heads[column]), this), 0, column);
    eq->addWidget(bandBox_, 1, 0);
    eq->addWidget(type_, 1, 1);
    eq->addWidget(frequency_, 1, 2);
    eq->addWidget(bandGain_, 1, 3);
    eq->addWidget(q_, 1, 4);
    eq->addWidget(bandBypass_, 1, 5);
    eq->addWidget(eqBypass_, 2, 0);
    eq->addWidget(flat, 2, 1);
    eq->addWidget(preset_, 2, 2);
    eq->addWidget(save, 2, 3);
    eq->addWidget(presetCaption_, 2, 4);
    eq->addWidget(eqOnSub_, 2, 5);
    layout->addLayout(eq);

    graph_ = new ResponseGraph(grid_, this);
    graph_->setObjectName("PicGraph");
    layout->addWidget(graph_, 1);
    readout_ = new QLabel(this);
    readout_->setObjectName("LabelReadout");
    layout->addWidget(readout_);

    // Every event goes to the editor, then the controls are filled again from the record.
    auto after = [this](auto&& change) {
        return [this, change](auto&&...) {
            if (filling_) return;
            change();
            refresh();
        };
    };
    connect(mute_, &QPushButton::toggled, this, after([this] { editor_.setMute(mute_->isChecked()); }));
    connect(gainSlider_, &QSlider::valueChanged, this, after([this] { editor_.setGainCode(gainSlider_->value()); }));
    connect(gain_, &QLineEdit::returnPressed, this, after([this] { editor_.setGainText(gain_->text().toStdString()); }));
    connect(unit_, &QPushButton::clicked, this, after([this] { editor_.toggleDelayUnit(); }));
    connect(satDelay_, &QLineEdit::returnPressed, this,
            after([this] { editor_.setDelayText(false, satDelay_->text().toStdString()); }));
    connect(subDelay_, &QLineEdit::returnPressed, this,
            after([this] { editor_.setDelayText(true, subDelay_->text().toStdString()); }));
    connect(bandBox_, &QComboBox::currentIndexChanged, this, after([this] { band_ = bandBox_->currentIndex(); }));
    connect(type_, &QComboBox::currentIndexChanged, this,
            after([this] { editor_.setBand(band_, {.type = type_->currentIndex()}); }));
    connect(frequency_, &QLineEdit::returnPressed, this,
            after([this] { editor_.setBandText(band_, "freq", frequency_->text().toStdString()); }));
    connect(bandGain_, &QLineEdit::returnPressed, this,
            after([this] { editor_.setBandText(band_, "gain", bandGain_->text().toStdString()); }));
    connect(q_, &QLineEdit::returnPressed, this, after([this] { editor_.setBandText(band_, "q", q_->text().toStdString()); }));
    connect(bandBypass_, &QCheckBox::toggled, this, after([this] { editor_.toggleBandBypass(band_); }));
    connect(eqBypass_, &QCheckBox::toggled, this, after([this] { editor_.setEqBypass(eqBypass_->isChecked()); }));
    connect(eqOnSub_, &QCheckBox::toggled, this, after([this] { editor_.setEqOnSub(eqOnSub_->isChecked()); }));
    connect(flat, &QPushButton::clicked, this, after([this] { editor_.eqFlat(); }));
    connect(preset_, &QComboBox::activated, this, after([this] { editor_.loadPreset(preset_->currentIndex()); }));
    // SaveGrpEQMenu: the curve goes into one of the three user presets.
    auto* saveMenu = new QMenu(save);
    saveMenu->setObjectName("SaveGrpEQMenu");
    for (int index = kFirstUserPreset; index < kGroupPresetCount; ++index) {
        QAction* item = saveMenu->addAction(Text(std::string(GroupPresets::name(index))));
        item->setObjectName(QString("SaveGrpEQItem%1").arg(index));
        connect(item, &QAction::triggered, this, after([this, index] {
                    editor_.savePreset(index);
                    preset_->setCurrentIndex(index);
                }));
    }
    save->setMenu(saveMenu);
    connect(graph_, &ResponseGraph::bandPicked, this, [this](int band) { selectBand(band); });
    connect(graph_, &ResponseGraph::bandDragged, this, [this](int band, double hz, double db) {
        readout_->setText(Text(editor_.dragBand(band, hz, db)));
        band_ = band;
        refresh();
    });
}

void GroupWindow::selectBand(int band) {
    if (band < 0 || band >= kGroupBands) return;
    band_ = band;
    refresh();
}

QString GroupWindow::readout() const { return readout_->text(); }

void GroupWindow::refresh(bool keepTyping) {
    filling_ = true;
    // A box the user is typing in (modified, not yet entered) keeps its text on a periodic refresh.
    auto fill = [keepTyping](QLineEdit* box, const QString& text) {
        if (!(keepTyping && box->isModified())) box->setText(text);
    };
    const GroupRecord& g = editor_.record();
    setWindowTitle(Text(g.Name));
    const auto rows = editor_.memberRows();
    for (std::size_t i = 0; i < members_.size(); ++i) {
        members_[i]->setVisible(i < rows.size());
        if (i < rows.size())
            members_[i]->setText(Text(rows[i].label + "  " + rows[i].deviceName + "  " + rows[i].state));
    }
    mute_->setChecked(g.Mute != 0);
    gainSlider_->setValue(g.Gain);
    fill(gain_, Text(GainText(g.Gain)));
    unit_->setText(Text(editor_.delayCaption()));
    fill(satDelay_, Text(editor_.delayText(false)));
    fill(subDelay_, Text(editor_.delayText(true)));
    subDelay_->setEnabled(editor_.hasSub());
    for (QPushButton* step : subSteps_) step->setEnabled(editor_.hasSub());
    eqOnSub_->setVisible(editor_.hasSub());
    eqOnSub_->setChecked(g.EqOnSub != 0);
    const std::vector<PeqBand> bands = editor_.graphBands();
    const PeqBand& b = bands[static_cast<std::size_t>(band_)];
    bandBox_->setCurrentIndex(band_);
    type_->setCurrentIndex(b.typeCode);
    fill(frequency_, QString::number(b.frequencyHz, 'f', 0));
    fill(bandGain_, QString::number(b.gainDb, 'f', 1));
    fill(q_, QString::number(b.q, 'f', 2));
    bandBypass_->setChecked((g.Peq[static_cast<std::size_t>(20 + band_)] & 0x80) != 0);
    eqBypass_->setChecked(g.EqBypass != 0);
    presetCaption_->setText(Text(editor_.presetCaption()));
    const int presetIndex = ctx_.groupState[static_cast<std::size_t>(editor_.group())].PresetIndex;
    preset_->setCurrentIndex(presetIndex >= 0 && presetIndex < kGroupPresetCount ? presetIndex : -1);
    filling_ = false;
    redrawGraph();
}

void GroupWindow::redrawGraph() {
    GraphCurve curve;
    curve.magnitudeDb.assign(FrequencyGrid::kPointCount, 0.0);
    std::vector<double> magnitude(FrequencyGrid::kPointCount), phase(FrequencyGrid::kPointCount);
    std::vector<BandHandle> handles;
    const std::vector<PeqBand> bands = editor_.graphBands();
    for (std::size_t i = 0; i < bands.size(); ++i) {
        const PeqBand& b = bands[i];
        handles.push_back(BandHandleOf(static_cast<int>(i), b.frequencyHz, b.gainDb, b.typeCode, b.isBypassed()));
        if (b.isBypassed()) continue;
        const auto design = DesignPeq(b);
        if (!design) continue;
        EvaluateSectionOnGrid(grid_, *design, MagnitudeRule::Evaluate, magnitude, phase);
        for (std::size_t k = 0; k < magnitude.size(); ++k) curve.magnitudeDb[k] += magnitude[k];
    }
    curve.name = "EQ";
    graph_->setCurves({curve});
    graph_->setHandles(handles, band_);
}

void GroupWindow::moveEvent(QMoveEvent* event) {
    QWidget::moveEvent(event);
    rememberPosition();
}

void GroupWindow::rememberPosition() {
    if (!editor_.record().isInUse()) return;
    GroupState& state = ctx_.groupState[static_cast<std::size_t>(editor_.group())];
    state.windowLeft = pos().x();
    state.windowTop = pos().y();
}

void GroupWindow::closeEvent(QCloseEvent* event) {
    rememberPosition();
    if (!editor_.record().isInUse() || editor_.removeGroup()) {
        emit removed(editor_.group());
        event->accept();
    } else {
        event->ignore();
    }
}

}  // namespace plenum::ui
