#include "ui/FirWindows.h"

#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QProgressDialog>
#include <QPushButton>
#include <QSignalBlocker>
#include <QVBoxLayout>
#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdio>

#include "dsp/Biquad.h"
#include "dsp/FrequencyGrid.h"
#include "dsp/Smoothing.h"
#include "fir/FirResponse.h"
#include "fir/FirTexts.h"
#include "fir/FirWord.h"

namespace plenum::ui {

namespace {

const FrequencyGrid& Grid() {
    static const FrequencyGrid grid;
    return grid;
}

constexpr CurveStyle kLowWayStyle{{250, 204, 21}, 2};
constexpr CurveStyle kHighWayStyle{{56, 189, 248}, 2};
constexpr CurveStyle kCurrentStyle{{160, 160, 160}, 1};
constexpr CurveStyle kImportedStyle{{74, 222, 128}, 2};
constexpr CurveStyle kIrStyle{{244, 114, 182}, 2};

QString Utf8(std::string_view text) { return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())); }

// The coefficients a way's table keeps, as the words read back.
std::vector<double> KeptCoefficients(const CoefficientTable<kFirTaps>& table) {
    std::vector<double> out;
    for (int i = 0; i < table.taps && i < kFirTaps; ++i) out.push_back(table.values[static_cast<std::size_t>(i)]);
    return out;
}

GraphCurve FirCurve(std::span<const double> coefficients, CurveStyle style, std::string name) {
    GraphCurve curve;
    curve.style = style;
    curve.name = std::move(name);
    FirResponse response;
    if (coefficients.empty() || response.Compute(coefficients) != 0) return curve;
    const auto n = static_cast<std::size_t>(FrequencyGrid::kPointCount);
    curve.magnitudeDb.assign(response.magnitudeDb().begin(), response.magnitudeDb().begin() + static_cast<std::ptrdiff_t>(n));
    curve.phaseDeg.assign(response.phaseDeg().begin(), response.phaseDeg().begin() + static_cast<std::ptrdiff_t>(n));
    return curve;
}

// The FIR graphs span +20 to -100 dB: the whole stop band of a steep design stays in view.
GraphView FirGraphView() {
    GraphView view;
    view.zoomLevel = 3;
    view.offsetDb = 40;
    return view;
}

}  // namespace

QString QtFilter(std::string_view filter) {
    const QStringList parts = Utf8(filter).split(QLatin1Char('|'));
    QStringList out;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) out << parts[i] + QStringLiteral(" (") + parts[i + 1] + QLatin1Char(')');
    return out.join(QStringLiteral(";;"));
}

void PostFirStore(CommThread& thread, QWidget* receiver, int slot, int way, std::vector<double> coefficients,
                  std::string name, std::function<void(device::FirStoreOutcome)> done) {
    auto cancelled = std::make_shared<std::atomic<bool>>(false);
    QPointer<QProgressDialog> bar = new QProgressDialog(QStringLiteral("FIR"), QStringLiteral("Cancel"), 0,
                                                        device::kFirBlocks, receiver);
    bar->setWindowModality(Qt::WindowModal);
    bar->setMinimumDuration(0);
    bar->setAttribute(Qt::WA_DeleteOnClose);
    QObject::connect(bar.data(), &QProgressDialog::canceled, bar.data(), [cancelled] { *cancelled = true; });
    thread.post(
        receiver,
        [&thread, slot, way, coefficients = std::move(coefficients), name = std::move(name), cancelled, bar]() {
            device::FirStore store(thread.comm(), thread.prompter(), slot, way);
            store.setProgress([cancelled, bar](int doneBlocks, int total) {
                // Drawn on the user-interface thread, where the pointer is checked.
                QMetaObject::invokeMethod(
                    qApp,
                    [bar, doneBlocks, total] {
                        if (!bar) return;
                        bar->setMaximum(total);
                        bar->setValue(doneBlocks);
                    },
                    Qt::QueuedConnection);
                return !cancelled->load();
            });
            return store.store(coefficients, name);
        },
        [bar, done = std::move(done)](device::FirStoreOutcome outcome) {
            if (bar) bar->close();
            done(outcome);
        });
}

// ---- The crossover-mode window --------------------------------------------------------------

FrmOutXoverMode::FrmOutXoverMode(AppContext& ctx, CommThread& thread, Prompter& prompter, int slot, QWidget* parent)
    : QDialog(parent), ctx_(ctx), thread_(thread), prompter_(prompter), slot_(slot) {
    setObjectName(QStringLiteral("FrmOutXoverMode"));
    setWindowTitle(pick("Output XOver Mode", "输出分频模式"));
    // A two-way cabinet's usual split: the low way protected at 40 Hz and crossed at 1.2 kHz, the
    // high way crossed at 1.2 kHz and open at the top.
    int lr24 = 0;
    for (int code = 0; code <= kXoverLastIirSlope; ++code)
        if (XoverSlopeLabel(code) == "-24dB/oct LR") lr24 = code;
    for (Side& s : sides_) s.slope = lr24;
    side(0, true).frequencyHz = 40;
    side(0, false).frequencyHz = 1200;
    side(1, true).frequencyHz = 1200;
    side(1, false).frequencyHz = 20000;
    side(1, false).slope = kXoverSlopeBypass;

    auto* layout = new QVBoxLayout(this);
    auto* top = new QHBoxLayout;
    modes_ = new QComboBox(this);
    modes_->setObjectName(QStringLiteral("XoverOutModeMenu"));
    for (const auto label : fir::kXoverModeLabels) modes_->addItem(Utf8(label));
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
    graph_ = new ResponseGraph(Grid(), this);
    graph_->setView(FirGraphView());
    layout->addWidget(graph_, 1);

    connect(modes_, &QComboBox::currentIndexChanged, this, [this](int index) {
        if (!filling_) chooseMode(index);
    });
    connect(ways_, &QComboBox::currentIndexChanged, this, [this](int index) {
        if (!filling_) chooseWay(index);
    });
    connect(store_, &QPushButton::clicked, this, [this] { storeWay(); });
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
    for (int code = 0; code <= kXoverLastIirSlope; ++code) p.slope->addItem(Utf8(XoverSlopeLabel(code)));
    p.window = new QComboBox(p.box);
    for (const auto& info : kFirWindows) p.window->addItem(Utf8(info.label));
    p.attenuation = new QComboBox(p.box);
    p.attenuation->setEditable(true);
    for (const auto label : fir::kFirAttenuationLabels) p.attenuation->addItem(Utf8(label));
    p.taps = new QComboBox(p.box);
    for (const int taps : fir::kAcceptedFirTaps)
        if (taps <= kCrossoverFirMaxTaps) p.taps->addItem(QString::number(taps), taps);
    p.latency = new QPushButton(p.box);
    p.latency->setCheckable(true);
    p.latencyCaption = new QLabel(p.box);
    int r = 0;
    grid->addWidget(new QLabel(pick("Frequency [Hz]", "频率 [Hz]"), p.box), r, 0);
    grid->addWidget(p.frequency, r++, 1);
    const char* const captions[4][2] = {
        {"Slope", "斜率"}, {"Window", "窗"}, {"Stop band [dB]", "阻带 [dB]"}, {"Taps", "抽头数"}};
    QWidget* const fields[4] = {p.slope, p.window, p.attenuation, p.taps};
    for (std::size_t i = 0; i < 4; ++i) {
        p.rowLabels[i] = new QLabel(pick(captions[i][0], captions[i][1]), p.box);
        grid->addWidget(p.rowLabels[i], r, 0);
        grid->addWidget(fields[i], r++, 1);
    }
    grid->addWidget(p.latencyCaption, r, 0);
    grid->addWidget(p.latency, r++, 1);
    grid->setRowStretch(r, 1);

    connect(p.frequency, &QLineEdit::editingFinished, this, [this, highPass] {
        if (!filling_) enterFrequency(highPass, panels_[highPass ? 0 : 1].frequency->text());
    });
    connect(p.slope, &QComboBox::currentIndexChanged, this, [this, highPass](int index) {
        if (filling_) return;
        side(way_, highPass).slope = index;
        refresh();
    });
    connect(p.window, &QComboBox::currentIndexChanged, this, [this, highPass](int index) {
        if (!filling_) chooseWindow(highPass, index);
    });
    connect(p.attenuation, &QComboBox::textActivated, this, [this, highPass](const QString& text) {
        if (filling_) return;
        // The list shows the stop band as a level ("-55"); "<-70" is the deepest entry.
        QString value = text;
        value.remove(QLatin1Char('<'));
        value.remove(QLatin1Char('-'));
        if (text.startsWith(QLatin1Char('<'))) value = QStringLiteral("75");
        enterAttenuation(highPass, value);
    });
    connect(p.taps, &QComboBox::currentIndexChanged, this, [this, highPass](int index) {
        if (!filling_) chooseTaps(highPass, panels_[highPass ? 0 : 1].taps->itemData(index).toInt());
    });
    connect(p.latency, &QPushButton::toggled, this, [this, highPass](bool on) {
        if (!filling_) setRemoveLatency(highPass, on);
    });
    return p;
}

void FrmOutXoverMode::chooseMode(int code) {
    if (const auto mode = fir::XoverModeFromCode(code)) mode_ = *mode;
    refresh();
}

void FrmOutXoverMode::chooseWay(int way) {
    if (way == 0 || way == 1) way_ = way;
    refresh();
}

bool FrmOutXoverMode::enterFrequency(bool highPass, const QString& text) {
    const auto value =
        fir::CheckXoverFrequency(text.toStdString(), fir::SideKind(mode_, highPass), prompter_, ctx_.LanguageFlag);
    if (value) {
        side(way_, highPass).frequencyHz = *value;
        side(way_, highPass).designed.clear();
    }
    refresh();
    return value.has_value();
}

bool FrmOutXoverMode::enterAttenuation(bool highPass, const QString& text) {
    const auto value = fir::CheckAttenuationSetting(text.toStdString(), prompter_, ctx_.LanguageFlag);
    if (value) {
        side(way_, highPass).attenuationSetting = *value;
        side(way_, highPass).designed.clear();
    }
    refresh();
    return value.has_value();
}

void FrmOutXoverMode::chooseWindow(bool highPass, int code) {
    if (const auto window = FirWindowFromCode(code)) {
        side(way_, highPass).window = *window;
        side(way_, highPass).designed.clear();
    }
    refresh();
}

void FrmOutXoverMode::chooseTaps(bool highPass, int taps) {
    side(way_, highPass).taps = taps;
    side(way_, highPass).designed.clear();
    refresh();
}

void FrmOutXoverMode::setRemoveLatency(bool highPass, bool on) {
    side(way_, highPass).removeLatency = on;
    side(way_, highPass).designed.clear();
    refresh();
}

FirDesignRequest FrmOutXoverMode::requestOf(bool highPass) const {
    const Side& s = sides_[static_cast<std::size_t>(way_ * 2 + (highPass ? 0 : 1))];
    FirDesignRequest request;
    request.window = s.window;
    request.attenuationDb = FirWindowAttenuationDb(s.window, s.attenuationSetting);
    request.taps = s.taps;
    request.frequencyHz = s.frequencyHz;
    request.highPass = highPass;
    request.minimumPhase = fir::SideKind(mode_, highPass) == fir::XoverSideKind::Mir;
    request.removeLatency = s.removeLatency;
    return request;
}

bool FrmOutXoverMode::design() {
    for (const bool highPass : {true, false}) {
        if (fir::SideKind(mode_, highPass) == fir::XoverSideKind::Iir) continue;
        const auto designed = fir::DesignSide(requestOf(highPass), prompter_, ctx_.LanguageFlag);
        if (!designed) return false;
        side(way_, highPass).designed = designed->quantised;
        side(way_, highPass).latencyMs = designed->latencyMs;
    }
    refresh();
    return true;
}

bool FrmOutXoverMode::storeWay() {
    if (mode_ == fir::XoverMode::Iir || thread_.busy()) return false;
    if (!design()) return false;
    std::vector<double> first, second;
    std::string name;
    for (const bool highPass : {true, false}) {
        if (fir::SideKind(mode_, highPass) == fir::XoverSideKind::Iir) continue;
        const Side& s = side(way_, highPass);
        (first.empty() ? first : second) = s.designed;
        if (!name.empty()) name += "+";
        char part[40];
        std::snprintf(part, sizeof part, "%s%.0f", highPass ? "HP" : "LP", s.frequencyHz);
        name += part;
    }
    std::vector<double> taps = fir::CascadeSides(first, second, kCrossoverFirMaxTaps);
    const int way = way_;
    store_->setEnabled(false);
    PostFirStore(thread_, this, slot_, way, std::move(taps), name, [this, way](device::FirStoreOutcome outcome) {
        store_->setEnabled(true);
        refresh();
        emit stored(way, static_cast<int>(outcome));
    });
    return true;
}

QString FrmOutXoverMode::panelCaption(bool highPass) const { return Utf8(fir::SideCaption(mode_, highPass)); }

QString FrmOutXoverMode::firLabelText() const {
    const auto& table = ctx_.satExtra[static_cast<std::size_t>(slot_)].fir[static_cast<std::size_t>(way_)];
    return QString::fromStdString(fir::FirLabel(table.name, table.taps));
}

QString FrmOutXoverMode::latencyText() const {
    double ms = 0;
    for (const bool highPass : {true, false}) {
        if (fir::SideKind(mode_, highPass) == fir::XoverSideKind::Iir) continue;
        const Side& s = sides_[static_cast<std::size_t>(way_ * 2 + (highPass ? 0 : 1))];
        ms += s.latencyMs;
    }
    return QString::fromStdString(fir::LatencyText(ms));
}

void FrmOutXoverMode::refresh() {
    filling_ = true;
    modes_->setCurrentIndex(static_cast<int>(mode_));
    ways_->setCurrentIndex(way_);
    for (const bool highPass : {true, false}) {
        Panel& p = panels_[highPass ? 0 : 1];
        const Side& s = side(way_, highPass);
        const auto kind = fir::SideKind(mode_, highPass);
        const bool isFir = kind != fir::XoverSideKind::Iir;
        p.box->setTitle(panelCaption(highPass));
        p.frequency->setText(QString::number(s.frequencyHz, 'f', 0));
        p.slope->setCurrentIndex(s.slope);
        p.window->setCurrentIndex(static_cast<int>(s.window));
        p.attenuation->setEditText(QStringLiteral("-") + QString::number(s.attenuationSetting, 'f', 0));
        p.taps->setCurrentIndex(p.taps->findData(s.taps));
        p.latency->setChecked(s.removeLatency);
        p.latency->setText(Utf8(fir::kLatencySwitchStates[s.removeLatency ? 1 : 0]));
        p.latencyCaption->setText(Utf8(fir::LatencySwitchCaption(kind)));
        // An IIR side shows its slope; a FIR side its window, stop band (adjustable windows only),
        // taps and latency switch.
        const bool adjustable = isFir && Info(s.window).adjustable;
        p.slope->setVisible(!isFir);
        p.rowLabels[0]->setVisible(!isFir);
        for (QWidget* w : {static_cast<QWidget*>(p.window), static_cast<QWidget*>(p.rowLabels[1]),
                           static_cast<QWidget*>(p.taps), static_cast<QWidget*>(p.rowLabels[3]),
                           static_cast<QWidget*>(p.latency), static_cast<QWidget*>(p.latencyCaption)})
            w->setVisible(isFir);
        p.attenuation->setVisible(adjustable);
        p.rowLabels[2]->setVisible(adjustable);
    }
    store_->setEnabled(mode_ != fir::XoverMode::Iir);
    firLabel_->setText(firLabelText());
    latency_->setText(latencyText());
    filling_ = false;
    redraw();
}

void FrmOutXoverMode::redraw() {
    std::vector<GraphCurve> curves;
    FirResponse response;
    for (int way = 0; way < kWays; ++way) {
        fir::WayCurve curve = fir::FlatWayCurve();
        for (const bool highPass : {true, false}) {
            const Side& s = sides_[static_cast<std::size_t>(way * 2 + (highPass ? 0 : 1))];
            if (fir::SideKind(mode_, highPass) == fir::XoverSideKind::Iir) {
                fir::AddIirSide(curve, s.slope, !highPass, s.frequencyHz);
                continue;
            }
            std::vector<double> taps = s.designed;
            if (taps.empty()) {
                // Not designed yet: draw what the settings would give (without a message).
                FirDesignRequest request;
                request.window = s.window;
                request.attenuationDb = FirWindowAttenuationDb(s.window, s.attenuationSetting);
                request.taps = s.taps;
                request.frequencyHz = s.frequencyHz;
                request.highPass = highPass;
                request.minimumPhase = fir::SideKind(mode_, highPass) == fir::XoverSideKind::Mir;
                request.removeLatency = s.removeLatency;
                FirDesign design;
                if (DesignFir(request, design) == FirDesignResult::Ok) taps = design.coefficients;
            }
            if (!taps.empty() && response.Compute(taps) == 0)
                fir::AddFirSide(curve, response.magnitudeDb(), response.phaseDeg());
        }
        fir::WrapWayPhase(curve);
        GraphCurve drawn;
        drawn.magnitudeDb = std::move(curve.magnitudeDb);
        drawn.phaseDeg = std::move(curve.phaseDeg);
        drawn.style = way == 0 ? kLowWayStyle : kHighWayStyle;
        drawn.name = way == 0 ? "LOW" : "HIGH";
        curves.push_back(std::move(drawn));
    }
    graph_->setCurves(std::move(curves));
    graph_->setReadoutCurve(way_);
}

// ---- The external FIR windows ---------------------------------------------------------------

FormExternalFIRPhaseOut::FormExternalFIRPhaseOut(AppContext& ctx, CommThread& thread, Prompter& prompter, int slot,
                                                 int way, FirFilePicker pickFile, QWidget* parent,
                                                 fir::ExternalFirTarget target)
    : QDialog(parent),
      ctx_(ctx),
      thread_(thread),
      prompter_(prompter),
      slot_(slot),
      way_(way),
      pickFile_(std::move(pickFile)),
      rules_(target, target == fir::ExternalFirTarget::Output ? kCrossoverFirMaxTaps : fir::kMaxFirTaps) {
    setObjectName(target == fir::ExternalFirTarget::Output ? QStringLiteral("FormExternalFIRPhaseOut")
                                                            : QStringLiteral("FormExternalFIRPhase"));
    setWindowTitle(QStringLiteral("External FIR"));
    const auto& table = ctx_.satExtra[static_cast<std::size_t>(slot_)].fir[static_cast<std::size_t>(way_)];
    rules_.setCurrent(KeptCoefficients(table), table.name);

    auto* layout = new QVBoxLayout(this);
    current_ = new QLabel(this);
    imported_ = new QLabel(this);
    announcement_ = new QLabel(this);
    layout->addWidget(current_);
    layout->addWidget(imported_);
    layout->addWidget(announcement_);
    auto* row = new QHBoxLayout;
    auto* load = new QPushButton(ctx_.LanguageFlag == 1 ? QStringLiteral("载入") : QStringLiteral("Load"), this);
    load->setObjectName(QStringLiteral("BtnLoad"));
    auto* store = new QPushButton(ctx_.LanguageFlag == 1 ? QStringLiteral("存储") : QStringLiteral("Store"), this);
    store->setObjectName(QStringLiteral("BtnStore"));
    thresholdEntry_ = new QLineEdit(QString::number(threshold_), this);
    thresholdEntry_->setObjectName(QStringLiteral("TextThreshold"));
    thresholdEntry_->setMaximumWidth(60);
    auto* phase = new QPushButton(ctx_.LanguageFlag == 1 ? QStringLiteral("相位") : QStringLiteral("Phase"), this);
    phase->setCheckable(true);
    row->addWidget(load);
    row->addWidget(store);
    row->addWidget(phase);
    row->addStretch(1);
    row->addWidget(new QLabel(QStringLiteral("Threshold [dB]"), this));
    row->addWidget(thresholdEntry_);
    layout->addLayout(row);
    graph_ = new ResponseGraph(Grid(), this);
    graph_->setView(FirGraphView());
    layout->addWidget(graph_, 1);
    connect(load, &QPushButton::clicked, this, [this] { this->load(); });
    connect(store, &QPushButton::clicked, this, [this] { this->store(); });
    connect(phase, &QPushButton::toggled, this, [this](bool on) {
        GraphView v = graph_->view();
        v.showPhase = on;
        graph_->setView(v);
    });
    connect(thresholdEntry_, &QLineEdit::editingFinished, this, [this] { enterThreshold(thresholdEntry_->text()); });
    refresh();
}

bool FormExternalFIRPhaseOut::loadFile(const QString& path) {
    const bool ok = rules_.load(path.toStdString(), prompter_, ctx_.LanguageFlag, false);
    refresh();
    return ok;
}

void FormExternalFIRPhaseOut::load() {
    if (!pickFile_) return;
    const QString path = pickFile_(QString::fromStdString((ctx_.dataDir / "FIR").string()), QtFilter(fir::kFirOpenFilter));
    if (!path.isEmpty()) loadFile(path);
}

bool FormExternalFIRPhaseOut::store() {
    if (thread_.busy() || !rules_.confirmStore(prompter_, ctx_.LanguageFlag)) return false;
    const auto& coefficients = rules_.imported().coefficients();
    PostFirStore(thread_, this, slot_, way_, coefficients, rules_.imported().name(),
                 [this](device::FirStoreOutcome outcome) {
                     const bool ok = outcome == device::FirStoreOutcome::Done;
                     rules_.storeFinished(ok, prompter_, ctx_.LanguageFlag);
                     refresh();
                     emit stored(ok);
                 });
    return true;
}

bool FormExternalFIRPhaseOut::enterThreshold(const QString& text) {
    const auto level = fir::EnterPhaseThreshold(text.toStdString(), prompter_, ctx_.LanguageFlag);
    if (level) threshold_ = *level;
    thresholdEntry_->setText(QString::number(threshold_));
    refresh();
    return level.has_value();
}

QString FormExternalFIRPhaseOut::currentText() const { return QString::fromStdString(rules_.currentCaption()); }
QString FormExternalFIRPhaseOut::importedText() const { return QString::fromStdString(rules_.importedCaption()); }
QString FormExternalFIRPhaseOut::announcementText() const {
    return rules_.hasImport() ? QString::fromStdString(rules_.announcement()) : QString();
}

void FormExternalFIRPhaseOut::refresh() {
    current_->setText(currentText());
    imported_->setText(importedText());
    announcement_->setText(announcementText());
    std::vector<GraphCurve> curves;
    curves.push_back(FirCurve(rules_.current(), kCurrentStyle, "Current FIR"));
    if (rules_.hasImport()) curves.push_back(FirCurve(rules_.imported().coefficients(), kImportedStyle, "Imported FIR"));
    // The phase means nothing where the magnitude is below the threshold: it is not drawn there
    // (the curve's last drawn value is held).
    for (GraphCurve& curve : curves) {
        for (std::size_t k = 0; k < curve.magnitudeDb.size() && k < curve.phaseDeg.size(); ++k)
            if (curve.magnitudeDb[k] < threshold_ && k > 0) curve.phaseDeg[k] = curve.phaseDeg[k - 1];
    }
    curves.erase(std::remove_if(curves.begin(), curves.end(), [](const GraphCurve& c) { return c.magnitudeDb.empty(); }),
                 curves.end());
    graph_->setCurves(std::move(curves));
    graph_->setReadoutCurve(rules_.hasImport() && !rules_.current().empty() ? 1 : 0);
}

void FormExternalFIRPhaseOut::closeEvent(QCloseEvent* event) {
    if (!rules_.mayClose(prompter_, ctx_.LanguageFlag)) {
        event->ignore();
        return;
    }
    event->accept();
}

FormExternalFIRPhase::FormExternalFIRPhase(AppContext& ctx, CommThread& thread, Prompter& prompter, int slot,
                                           FirFilePicker pickFile, QWidget* parent)
    : FormExternalFIRPhaseOut(ctx, thread, prompter, slot, 0, std::move(pickFile), parent,
                              fir::ExternalFirTarget::Input) {}

// ---- The IR import window ------------------------------------------------------------------

FrmImportFdt::FrmImportFdt(AppContext& ctx, Prompter& prompter, int slot, int way, FirFilePicker pickFile,
                           QWidget* parent)
    : QDialog(parent), ctx_(ctx), prompter_(prompter), device_(slot), way_(way), pickFile_(std::move(pickFile)) {
    setObjectName(QStringLiteral("FrmImportFdt"));
    setWindowTitle(QStringLiteral("Import IR"));
    auto* layout = new QGridLayout(this);
    smoothing_ = new QComboBox(this);
    smoothing_->setObjectName(QStringLiteral("SmoothingMenu"));
    smoothing_->addItem(ctx_.LanguageFlag == 1 ? QStringLiteral("无平滑") : QStringLiteral("No smoothing"));
    for (const auto text : kSmoothingWidthTexts) smoothing_->addItem(Utf8(text) + QStringLiteral(" Oct"));
    slotChoice_ = new QComboBox(this);
    for (int i = 1; i <= kSlots; ++i) slotChoice_->addItem(QStringLiteral("IR %1").arg(i));
    auto* open = new QPushButton(ctx_.LanguageFlag == 1 ? QStringLiteral("导入") : QStringLiteral("Import"), this);
    label_ = new QLabel(this);
    layout->addWidget(new QLabel(ctx_.LanguageFlag == 1 ? QStringLiteral("平滑") : QStringLiteral("Smoothing"), this), 0, 0);
    layout->addWidget(smoothing_, 0, 1);
    layout->addWidget(new QLabel(ctx_.LanguageFlag == 1 ? QStringLiteral("曲线") : QStringLiteral("Curve"), this), 1, 0);
    layout->addWidget(slotChoice_, 1, 1);
    layout->addWidget(open, 2, 1);
    layout->addWidget(label_, 3, 0, 1, 2);
    setMinimumWidth(320);
    connect(smoothing_, &QComboBox::currentIndexChanged, this, &FrmImportFdt::chooseSmoothing);
    connect(slotChoice_, &QComboBox::currentIndexChanged, this, &FrmImportFdt::chooseSlot);
    connect(open, &QPushButton::clicked, this, &FrmImportFdt::importPicked);
    chooseSlot(0);
}

void FrmImportFdt::chooseSmoothing(int index) {
    if (smoothing_->currentIndex() != index) {
        const QSignalBlocker blocker(smoothing_);
        smoothing_->setCurrentIndex(index);
    }
    smoothingOctaves_ = 0;
    if (index >= 1 && index <= static_cast<int>(std::size(kSmoothingWidthTexts)))
        smoothingOctaves_ = ParseSmoothingWidth(kSmoothingWidthTexts[static_cast<std::size_t>(index - 1)]).value_or(0);
}

void FrmImportFdt::chooseSlot(int index) {
    if (index >= 0 && index < kSlots) slot_ = index;
    label_->setText(labelText());
}

QString FrmImportFdt::labelText() const {
    const auto& held = slots_[static_cast<std::size_t>(slot_)];
    return held ? QString::fromStdString(FillText(texts::kExternalIrLabel.en, {held->name})) : QString();
}

bool FrmImportFdt::importFile(const QString& path) {
    const auto measurement = fir::ImportIrFile(path.toStdString(), prompter_, ctx_.LanguageFlag, false);
    if (!measurement) return false;
    auto curve = fir::ConditionIr(*measurement, smoothingOctaves_);
    if (!curve) {
        Tell(prompter_, ctx_.LanguageFlag, texts::kIrWrongFile);
        return false;
    }
    ImportedIr ir;
    ir.name = QFileInfo(path).fileName().toStdString();
    ir.way = way_;
    ir.curve = std::move(*curve);
    slots_[static_cast<std::size_t>(slot_)] = std::move(ir);
    label_->setText(labelText());
    emit imported(slot_, QString::fromStdString(slots_[static_cast<std::size_t>(slot_)]->name));
    return true;
}

void FrmImportFdt::importPicked() {
    if (!pickFile_) return;
    const QString path = pickFile_(QString::fromStdString((ctx_.dataDir / "IR").string()), QtFilter(fir::kIrOpenFilter));
    if (!path.isEmpty()) importFile(path);
}

GraphCurve ImportedIrCurve(const ImportedIr& ir) {
    GraphCurve curve;
    curve.magnitudeDb = ir.curve.magnitudeDb;
    curve.phaseDeg = ir.curve.phaseDeg;
    curve.style = kIrStyle;
    curve.name = FillText(texts::kExternalIrLabel.en, {ir.name});
    return curve;
}

}  // namespace plenum::ui
