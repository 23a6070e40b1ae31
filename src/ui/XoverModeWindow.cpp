#include "ui/XoverModeWindow.h"

#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QShowEvent>
#include <QTimer>
#include <QVBoxLayout>
#include <cstdio>

#include "core/ImageLayout.h"
#include "core/ValueCodecs.h"
#include "dsp/Biquad.h"
#include "fir/FirFile.h"
#include "fir/FirResponse.h"
#include "sat/FirSettings.h"
#include "ui/FirGraph.h"
#include "ui/FirWindows.h"

namespace plenum::ui {

namespace {

constexpr CurveStyle kLowWayStyle{{250, 204, 21}, 2};
constexpr CurveStyle kHighWayStyle{{56, 189, 248}, 2};
// Below this level a way's phase and delay are held (a FIR's stop band lies at -40 dB and below).
constexpr double kQuietDb = -60.0;

}  // namespace

FrmOutXoverMode::FrmOutXoverMode(AppContext& ctx, CommThread& thread, Prompter& prompter,
                                 device::EditController& controller, QWidget* parent)
    : QDialog(parent),
      ctx_(ctx),
      thread_(thread),
      prompter_(prompter),
      controller_(controller),
      slot_(controller.slot()) {
    setObjectName(QStringLiteral("FrmOutXoverMode"));
    setWindowTitle(pick("Output XOver Mode", "输出分频模式"));
    way_ = std::max(0, controller_.way());

    auto* layout = new QVBoxLayout(this);
    auto* top = new QHBoxLayout;
    modes_ = new QComboBox(this);
    modes_->setObjectName(QStringLiteral("XoverOutModeMenu"));
    for (const auto label : fir::kXoverModeLabels) modes_->addItem(Q(label));
    ways_ = new QComboBox(this);
    ways_->setObjectName(QStringLiteral("XoverHpLpMenu"));
    ways_->addItems({QStringLiteral("LOW"), QStringLiteral("HIGH")});
    top->addWidget(modes_);
    top->addWidget(ways_);
    latency_ = new QLabel(this);
    latency_->setObjectName(QStringLiteral("LabelLatency"));
    top->addWidget(latency_);
    top->addStretch(1);
    layout->addLayout(top);
    auto* row = new QHBoxLayout;
    panels_[0] = buildPanel(true);
    panels_[1] = buildPanel(false);
    row->addWidget(panels_[0].box);
    row->addWidget(panels_[1].box);
    layout->addLayout(row);
    auto* bottom = new QHBoxLayout;
    firLabel_ = new QLabel(this);
    firLabel_->setObjectName(QStringLiteral("LabelFir"));
    store_ = new QPushButton(pick("Design and store FIR", "设计并存储 FIR"), this);
    store_->setObjectName(QStringLiteral("BtnStoreFir"));
    bottom->addWidget(firLabel_, 1);
    bottom->addWidget(store_);
    layout->addLayout(bottom);
    graph_ = new ResponseGraph(DisplayGrid(), this);
    graph_->setView(FirGraphView());
    graphBar_ = new FirGraphBar(*graph_, ctx_.LanguageFlag, this);
    layout->addWidget(graphBar_);
    layout->addWidget(graph_, 1);

    connect(modes_, &QComboBox::currentIndexChanged, this, [this](int index) {
        if (!filling_) chooseMode(index);
    });
    connect(ways_, &QComboBox::currentIndexChanged, this, [this](int index) {
        if (!filling_) chooseWay(index);
    });
    connect(store_, &QPushButton::clicked, this, [this] { storeWay(); });
    connectPanel(panels_[0], true);
    connectPanel(panels_[1], false);
    refresh();
}

void FrmOutXoverMode::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    refresh();
}

QString FrmOutXoverMode::pick(const char* en, const char* zh) const {
    return QString::fromUtf8(ctx_.LanguageFlag == 1 ? zh : en);
}

FrmOutXoverMode::Panel FrmOutXoverMode::buildPanel(bool highPass) {
    Panel p;
    p.box = new QGroupBox(this);
    p.box->setObjectName(highPass ? QStringLiteral("FrameHP") : QStringLiteral("FrameLP"));
    auto* grid = new QGridLayout(p.box);
    p.frequency = new QLineEdit(p.box);
    p.slope = new QComboBox(p.box);
    for (int code = 0; code <= kXoverLastIirSlope; ++code) p.slope->addItem(Q(XoverSlopeLabel(code)));
    p.stopBand = new QComboBox(p.box);
    for (const auto label : fir::kFirStopBandLabels) p.stopBand->addItem(Q(label));
    p.window = new QComboBox(p.box);
    for (const auto& info : kFirWindows) p.window->addItem(Q(info.label));
    p.attenuation = new QComboBox(p.box);
    p.attenuation->setEditable(true);
    // A typed level is an entry, not a new list item.
    p.attenuation->setInsertPolicy(QComboBox::NoInsert);
    for (const auto label : fir::kFirAttenuationLabels) p.attenuation->addItem(Q(label));
    p.taps = new QComboBox(p.box);
    for (const int taps : fir::kAcceptedFirTaps)
        if (FirTapsValid(taps)) p.taps->addItem(QString::number(taps), taps);
    p.latency = new QPushButton(p.box);
    p.latency->setCheckable(true);
    p.latencyCaption = new QLabel(p.box);
    int r = 0;
    grid->addWidget(new QLabel(pick("Frequency [Hz]", "频率 [Hz]"), p.box), r, 0);
    grid->addWidget(p.frequency, r++, 1);
    const char* const captions[5][2] = {{"Slope", "斜率"},
                                        {"Stop band", "阻带"},
                                        {"Window", "窗"},
                                        {"Attenuation [dB]", "衰减 [dB]"},
                                        {"Taps", "抽头数"}};
    QWidget* const fields[5] = {p.slope, p.stopBand, p.window, p.attenuation, p.taps};
    for (std::size_t i = 0; i < 5; ++i) {
        p.rowLabels[i] = new QLabel(pick(captions[i][0], captions[i][1]), p.box);
        grid->addWidget(p.rowLabels[i], r, 0);
        grid->addWidget(fields[i], r++, 1);
    }
    grid->addWidget(p.latencyCaption, r, 0);
    grid->addWidget(p.latency, r++, 1);
    grid->setRowStretch(r, 1);
    return p;
}

void FrmOutXoverMode::connectPanel(Panel& p, bool highPass) {
    connect(p.frequency, &QLineEdit::editingFinished, this, [this, highPass] {
        if (!filling_) enterFrequency(highPass, panels_[highPass ? 0 : 1].frequency->text());
    });
    connect(p.slope, &QComboBox::currentIndexChanged, this, [this, highPass](int index) {
        if (!filling_) chooseSlope(highPass, index);
    });
    connect(p.stopBand, &QComboBox::currentIndexChanged, this, [this, highPass](int index) {
        if (!filling_) chooseStopBand(highPass, index);
    });
    connect(p.window, &QComboBox::currentIndexChanged, this, [this, highPass](int index) {
        if (!filling_) chooseWindow(highPass, index);
    });
    auto attenuationEntered = [this, highPass](const QString& text) {
        if (filling_) return;
        // The list shows the stop band as a level ("-55"); "<-70" is the deepest entry.
        QString value = text;
        value.remove(QLatin1Char('<'));
        value.remove(QLatin1Char('-'));
        if (text.startsWith(QLatin1Char('<'))) value = QStringLiteral("75");
        enterAttenuation(highPass, value);
    };
    connect(p.attenuation, &QComboBox::textActivated, this, attenuationEntered);
    // A typed level that is not in the list is not activated (nothing is inserted): take it here.
    QComboBox* attenuation = p.attenuation;
    connect(attenuation->lineEdit(), &QLineEdit::returnPressed, this, [attenuation, attenuationEntered] {
        const QString text = attenuation->currentText();
        if (attenuation->findText(text) < 0) attenuationEntered(text);
    });
    connect(p.taps, &QComboBox::currentIndexChanged, this, [this, highPass](int index) {
        if (!filling_) chooseTaps(highPass, panels_[highPass ? 0 : 1].taps->itemData(index).toInt());
    });
    connect(p.latency, &QPushButton::toggled, this, [this, highPass](bool on) {
        if (!filling_) setRemoveLatency(highPass, on);
    });
}

// ---- The settings in the image --------------------------------------------------------------

fir::XoverMode FrmOutXoverMode::mode() const {
    return fir::XoverModeFromCode(XoverModeCode(ctx_.satImage[static_cast<std::size_t>(slot_)])).value_or(fir::XoverMode::Iir);
}

FrmOutXoverMode::SideSettings FrmOutXoverMode::settings(int way, bool highPass) const {
    const SatParamImage& image = ctx_.satImage[static_cast<std::size_t>(slot_)];
    const FirWaySettings fir = ReadFirWay(image, way);
    SideSettings s;
    s.kind = fir::SideKind(mode(), highPass);
    const int slopeAt = (highPass ? sat::kOutHpSlope : sat::kOutLpSlope) + way;
    const int highAt = (highPass ? sat::kOutHpFreqHigh : sat::kOutLpFreqHigh) + way;
    const int lowAt = (highPass ? sat::kOutHpFreqLow : sat::kOutLpFreqLow) + way;
    const int slope = image[static_cast<std::size_t>(slopeAt)];
    s.slope = slope <= kXoverLastIirSlope ? slope : kXoverSlopeBypass;
    s.stopBand = FirStopBand(image, way, !highPass);
    s.frequencyHz = s.kind == fir::XoverSideKind::Iir
                        ? JoinFrequency(image[static_cast<std::size_t>(highAt)], image[static_cast<std::size_t>(lowAt)])
                        : (highPass ? fir.highPassHz : fir.lowPassHz);
    s.window = FirWindowFromCode(fir.window).value_or(FirWindow::Hamming);
    s.attenuationSetting = fir.attenuationSetting;
    s.taps = fir.taps;
    s.removeLatency = fir.removeLatency;
    return s;
}

FirDesignRequest FrmOutXoverMode::requestOf(int way, bool highPass) const {
    const SideSettings s = settings(way, highPass);
    FirDesignRequest request;
    request.window = s.window;
    request.attenuationDb = FirWindowAttenuationDb(s.window, s.attenuationSetting);
    request.taps = s.taps;
    request.frequencyHz = s.frequencyHz;
    request.highPass = highPass;
    request.minimumPhase = s.kind == fir::XoverSideKind::Mir;
    request.removeLatency = s.removeLatency;
    return request;
}

// ---- User events ----------------------------------------------------------------------------

bool FrmOutXoverMode::chooseMode(int code) {
    const bool ok = controller_.setXoverMode(code);
    refresh();
    return ok;
}

void FrmOutXoverMode::chooseWay(int way) {
    if (way == 0 || way == 1) way_ = way;
    refresh();
}

bool FrmOutXoverMode::editFir(const ParamEditor::FirWayChange& change) {
    const bool ok = controller_.editFirWay(way_, change);
    refresh();
    return ok;
}

bool FrmOutXoverMode::enterFrequency(bool highPass, const QString& text) {
    const auto kind = fir::SideKind(mode(), highPass);
    const auto value = fir::CheckXoverFrequency(text.toStdString(), kind, prompter_, ctx_.LanguageFlag);
    if (!value) {
        refresh();
        return false;
    }
    if (kind == fir::XoverSideKind::Iir) {
        const bool ok = controller_.editOutputFilter(way_, !highPass, std::nullopt, *value);
        refresh();
        return ok;
    }
    ParamEditor::FirWayChange change;
    (highPass ? change.highPassHz : change.lowPassHz) = *value;
    return editFir(change);
}

bool FrmOutXoverMode::enterAttenuation(bool, const QString& text) {
    const auto value = fir::CheckAttenuationSetting(text.toStdString(), prompter_, ctx_.LanguageFlag);
    if (!value) {
        refresh();
        return false;
    }
    return editFir({.attenuationSetting = *value});
}

bool FrmOutXoverMode::chooseSlope(bool highPass, int code) {
    const bool ok = controller_.editOutputFilter(way_, !highPass, code, std::nullopt);
    refresh();
    return ok;
}

bool FrmOutXoverMode::chooseStopBand(bool highPass, int entry) {
    const bool ok = controller_.setFirStopBand(way_, !highPass, entry);
    refresh();
    return ok;
}

// The way's FIR sides share the window, taps and latency switch: either panel edits them.
bool FrmOutXoverMode::chooseWindow(bool, int code) { return editFir({.window = code}); }
bool FrmOutXoverMode::chooseTaps(bool, int taps) { return editFir({.taps = taps}); }
bool FrmOutXoverMode::setRemoveLatency(bool, bool on) { return editFir({.removeLatency = on}); }

bool FrmOutXoverMode::design() {
    for (const bool highPass : {true, false}) {
        if (fir::SideKind(mode(), highPass) == fir::XoverSideKind::Iir) continue;
        const FirDesignRequest request = requestOf(way_, highPass);
        const auto designed = fir::DesignSide(request, prompter_, ctx_.LanguageFlag);
        if (!designed) return false;
        Side& s = side(way_, highPass);
        s.designed = designed->quantised;
        s.latencyMs = designed->latencyMs;
        s.request = request;
    }
    refresh();
    return true;
}

namespace {
// How often a waiting store looks whether the communication thread has become idle.
constexpr int kStoreRetryMs = 20;
}  // namespace

bool FrmOutXoverMode::storeWay() {
    if (mode() == fir::XoverMode::Iir) return false;
    if (thread_.busy()) {
        // The edits just made are still on their way to the loudspeaker, and the design reads the
        // image they change: the store starts as soon as the communication thread is idle, so
        // the click is not lost.
        store_->setEnabled(false);
        if (!storePending_) {
            storePending_ = true;
            QTimer::singleShot(kStoreRetryMs, this, &FrmOutXoverMode::storeWhenIdle);
        }
        return true;
    }
    if (!design()) return false;
    std::vector<double> first, second;
    std::string name;
    for (const bool highPass : {true, false}) {
        if (fir::SideKind(mode(), highPass) == fir::XoverSideKind::Iir) continue;
        const Side& s = side(way_, highPass);
        (first.empty() ? first : second) = s.designed;
        if (!name.empty()) name += "+";
        char part[40];
        std::snprintf(part, sizeof part, "%s%.0f", highPass ? "HP" : "LP", s.request.frequencyHz);
        name += part;
    }
    std::vector<double> taps = fir::CascadeSides(first, second, kCrossoverFirMaxTaps);
    const int way = way_;
    store_->setEnabled(false);
    PostFirStore(
        thread_, this, slot_, way, std::move(taps), name,
        [this, way](device::FirStoreOutcome outcome) {
            store_->setEnabled(true);
            refresh();
            emit stored(way, static_cast<int>(outcome));
        },
        ctx_.LanguageFlag);
    return true;
}

void FrmOutXoverMode::storeWhenIdle() {
    if (!storePending_) return;
    if (thread_.busy()) {
        QTimer::singleShot(kStoreRetryMs, this, &FrmOutXoverMode::storeWhenIdle);
        return;
    }
    storePending_ = false;
    store_->setEnabled(true);
    storeWay();
}

// ---- Texts and drawing ----------------------------------------------------------------------

QString FrmOutXoverMode::panelCaption(bool highPass) const { return Q(fir::SideCaption(mode(), highPass)); }

QString FrmOutXoverMode::firLabelText() const {
    const auto& table = ctx_.satExtra[static_cast<std::size_t>(slot_)].fir[static_cast<std::size_t>(way_)];
    return QString::fromStdString(fir::FirLabel(table.name, table.taps));
}

QString FrmOutXoverMode::latencyText() const {
    double ms = 0;
    for (const bool highPass : {true, false}) {
        if (fir::SideKind(mode(), highPass) == fir::XoverSideKind::Iir) continue;
        const Side& s = sides_[static_cast<std::size_t>(way_ * 2 + (highPass ? 0 : 1))];
        if (s.request == requestOf(way_, highPass)) {
            ms += s.latencyMs;
            continue;
        }
        if (const FirDesign* design = currentDesign(way_, highPass)) ms += design->latencyMs;
    }
    return QString::fromStdString(fir::LatencyText(ms));
}

void FrmOutXoverMode::fillPanel(Panel& p, bool highPass) {
    const SideSettings s = settings(way_, highPass);
    const bool isFir = s.kind != fir::XoverSideKind::Iir;
    p.box->setTitle(panelCaption(highPass));
    p.frequency->setText(QString::number(s.frequencyHz, 'f', 0));
    p.slope->setCurrentIndex(s.slope);
    p.stopBand->setCurrentIndex(s.stopBand);
    p.window->setCurrentIndex(static_cast<int>(s.window));
    p.attenuation->setEditText(QStringLiteral("-") + QString::number(s.attenuationSetting, 'f', 0));
    p.taps->setCurrentIndex(p.taps->findData(s.taps));
    p.latency->setChecked(s.removeLatency);
    p.latency->setText(Q(fir::kLatencySwitchStates[s.removeLatency ? 1 : 0]));
    p.latencyCaption->setText(Q(fir::LatencySwitchCaption(s.kind)));
    // An IIR side shows its slope; a FIR side its stop band, window, attenuation (adjustable
    // windows only), taps and latency switch.
    const bool adjustable = isFir && Info(s.window).adjustable;
    p.slope->setVisible(!isFir);
    p.rowLabels[0]->setVisible(!isFir);
    for (QWidget* w : {static_cast<QWidget*>(p.stopBand), static_cast<QWidget*>(p.rowLabels[1]),
                       static_cast<QWidget*>(p.window), static_cast<QWidget*>(p.rowLabels[2]),
                       static_cast<QWidget*>(p.taps), static_cast<QWidget*>(p.rowLabels[4]),
                       static_cast<QWidget*>(p.latency), static_cast<QWidget*>(p.latencyCaption)})
        w->setVisible(isFir);
    p.attenuation->setVisible(adjustable);
    p.rowLabels[3]->setVisible(adjustable);
}

void FrmOutXoverMode::refresh() {
    filling_ = true;
    modes_->setCurrentIndex(static_cast<int>(mode()));
    ways_->setCurrentIndex(way_);
    fillPanel(panels_[0], true);
    fillPanel(panels_[1], false);
    store_->setEnabled(mode() != fir::XoverMode::Iir);
    firLabel_->setText(firLabelText());
    latency_->setText(latencyText());
    filling_ = false;
    redraw();
}

std::vector<double> FrmOutXoverMode::tapsForGraph(int way, bool highPass) const {
    const FirDesignRequest request = requestOf(way, highPass);
    const Side& s = sides_[static_cast<std::size_t>(way * 2 + (highPass ? 0 : 1))];
    if (!s.designed.empty() && s.request == request) return s.designed;
    const FirDesign* design = currentDesign(way, highPass);
    return design != nullptr ? design->coefficients : std::vector<double>{};
}

const FirDesign* FrmOutXoverMode::currentDesign(int way, bool highPass) const {
    const FirDesignRequest request = requestOf(way, highPass);
    CachedDesign& cached = designs_[static_cast<std::size_t>(way * 2 + (highPass ? 0 : 1))];
    if (!cached.made || !(cached.request == request)) {
        cached.made = true;
        cached.request = request;
        ++designsMade_;
        cached.ok = DesignFir(request, cached.design) == FirDesignResult::Ok;
    }
    return cached.ok ? &cached.design : nullptr;
}

void FrmOutXoverMode::redraw() {
    std::vector<GraphCurve> curves;
    FirResponse response;
    for (int way = 0; way < kWays; ++way) {
        fir::WayCurve curve = fir::FlatWayCurve();
        for (const bool highPass : {true, false}) {
            const SideSettings s = settings(way, highPass);
            if (s.kind == fir::XoverSideKind::Iir) {
                fir::AddIirSide(curve, s.slope, !highPass, s.frequencyHz);
                continue;
            }
            const std::vector<double> taps = tapsForGraph(way, highPass);
            if (!taps.empty() && response.Compute(taps) == 0)
                fir::AddFirSide(curve, response.magnitudeDb(), response.phaseDeg());
        }
        fir::WrapWayPhase(curve);
        GraphCurve drawn;
        drawn.magnitudeDb = std::move(curve.magnitudeDb);
        drawn.phaseDeg = std::move(curve.phaseDeg);
        drawn.delayMs = GroupDelayMsFromPhase(DisplayGrid(), drawn.phaseDeg);
        HoldWhereQuiet(drawn, kQuietDb);
        drawn.style = way == 0 ? kLowWayStyle : kHighWayStyle;
        drawn.name = way == 0 ? "LOW" : "HIGH";
        curves.push_back(std::move(drawn));
    }
    graph_->setCurves(std::move(curves));
    graph_->setReadoutCurve(way_);
}

}  // namespace plenum::ui
