// The wizard's graph control (UCWizard) and the EQ target editor (FrmFIREq).
#include <QButtonGroup>
#include <QCloseEvent>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QVBoxLayout>
#include <cmath>

#include "dsp/FrequencyGrid.h"
#include "fir/FirResponse.h"
#include "ui/Theme.h"
#include "ui/WizardWindows.h"
#include "ui/logic/WizardTexts.h"

namespace plenum::ui {

namespace {


constexpr CurveStyle kIrStyle{{244, 114, 182}, 2};
constexpr CurveStyle kFirStyle{{56, 189, 248}, 2};
constexpr CurveStyle kProductStyle{{74, 222, 128}, 2};
constexpr CurveStyle kTargetStyle{{250, 204, 21}, 1};
constexpr CurveStyle kAfterStyle{{74, 222, 128}, 2};


// The engine's magnitudes lie on 32769 bins of a 65536-point transform; the display grid's point
// k (k * 48000 / 16384 Hz) is bin 4 k of it.
std::vector<double> OnDisplayGrid(const std::vector<double>& engineDb) {
    std::vector<double> out;
    if (engineDb.empty()) return out;
    out.resize(static_cast<std::size_t>(FrequencyGrid::kPointCount));
    for (std::size_t k = 0; k < out.size(); ++k) out[k] = engineDb[std::min(engineDb.size() - 1, 4 * k)];
    return out;
}

struct PhaseAndDelay {
    std::vector<double> phaseDeg;
    std::vector<double> delayMs;
};

PhaseAndDelay PhaseOf(const std::vector<double>& taps) {
    PhaseAndDelay out;
    FirResponse response;
    if (taps.empty() || response.Compute(taps) != 0) return out;
    const auto n = static_cast<std::ptrdiff_t>(FrequencyGrid::kPointCount);
    out.phaseDeg.assign(response.phaseDeg().begin(), response.phaseDeg().begin() + n);
    out.delayMs.assign(response.groupDelayMs().begin(), response.groupDelayMs().begin() + n);
    return out;
}

GraphCurve Curve(std::vector<double> magnitudeDb, std::vector<double> phaseDeg, CurveStyle style, std::string name) {
    GraphCurve curve;
    curve.magnitudeDb = std::move(magnitudeDb);
    curve.phaseDeg = std::move(phaseDeg);
    curve.style = style;
    curve.name = std::move(name);
    return curve;
}

std::vector<double> Sum(const std::vector<double>& a, const std::vector<double>& b, bool wrap) {
    std::vector<double> out;
    if (a.size() != b.size()) return out;
    out.resize(a.size());
    for (std::size_t k = 0; k < a.size(); ++k) out[k] = wrap ? std::remainder(a[k] + b[k], 360.0) : a[k] + b[k];
    return out;
}

}  // namespace

// ---- UCWizard ---------------------------------------------------------------------------------

UCWizard::UCWizard(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("UCWizard"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    auto* row = new QHBoxLayout;
    views_ = new QButtonGroup(this);
    int id = 0;
    for (const std::string_view name : texts::kWizardViewNames) {
        auto* button = new QPushButton(Q(name), this);
        button->setCheckable(true);
        views_->addButton(button, id++);
        row->addWidget(button);
    }
    auto* beforeAfter = new QPushButton(Q(texts::kWizardBefore) + QLatin1Char('/') + Q(texts::kWizardAfter), this);
    beforeAfter->setCheckable(true);
    views_->addButton(beforeAfter, id);
    row->addWidget(beforeAfter);
    phase_ = new QPushButton(Q(texts::kWizardMagnPhase), this);
    phase_->setCheckable(true);
    row->addWidget(phase_);
    row->addStretch(1);
    row->addWidget(new QLabel(Q(texts::kWizardZoomHint), this));
    layout->addLayout(row);
    graph_ = new ResponseGraph(DisplayGrid(), this);
    GraphView view;
    view.zoomLevel = 1;
    graph_->setView(view);
    graph_->installEventFilter(this);
    layout->addWidget(graph_, 1);
    readout_ = new QLabel(this);
    readout_->setObjectName(QStringLiteral("LabelReadout"));
    layout->addWidget(readout_);
    views_->button(0)->setChecked(true);
    connect(views_, &QButtonGroup::idClicked, this, [this](int chosen) {
        setView(static_cast<View>(chosen));
        emit viewChosen(chosen);
    });
    connect(phase_, &QPushButton::toggled, this, &UCWizard::setShowPhase);
    connect(graph_, &ResponseGraph::cursorMoved, this,
            [this](double frequencyHz, double, const QString&) { readout_->setText(readoutAt(frequencyHz)); });
    connect(graph_, &ResponseGraph::cursorLeft, readout_, &QLabel::clear);
}

void UCWizard::setCurves(Curves curves) {
    curves_ = std::move(curves);
    redraw();
}

void UCWizard::setView(View view) {
    view_ = view;
    if (auto* button = views_->button(static_cast<int>(view))) button->setChecked(true);
    redraw();
}

void UCWizard::setShowPhase(bool on) {
    showPhase_ = on;
    if (phase_->isChecked() != on) phase_->setChecked(on);
    GraphView v = graph_->view();
    v.showPhase = on;
    graph_->setView(v);
}

void UCWizard::setZeroOffset(double offsetDb) {
    zeroOffsetDb_ = offsetDb;
    GraphView v = graph_->view();
    v.offsetDb = offsetDb;
    graph_->setView(v);
}

bool UCWizard::eventFilter(QObject* watched, QEvent* event) {
    // A right click steps the zoom through its levels and back to the first.
    if (watched == graph_ && event->type() == QEvent::MouseButtonPress &&
        static_cast<QMouseEvent*>(event)->button() == Qt::RightButton) {
        GraphView v = graph_->view();
        v.zoomLevel = static_cast<std::int16_t>((v.zoomLevel + 1) % kZoomLevelCount);
        graph_->setView(v);
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

void UCWizard::redraw() {
    const auto ir = OnDisplayGrid(curves_.irDb);
    const auto fir = OnDisplayGrid(curves_.firDb);
    const auto target = OnDisplayGrid(curves_.targetDb);
    const auto after = OnDisplayGrid(curves_.afterDb);
    const PhaseAndDelay irPhase = PhaseOf(curves_.irTaps);
    const PhaseAndDelay firPhase = PhaseOf(curves_.firTaps);
    std::vector<GraphCurve> curves;
    PhaseAndDelay readout;
    switch (view_) {
        case View::Ir:
            if (!ir.empty()) curves.push_back(Curve(ir, irPhase.phaseDeg, kIrStyle, "IR"));
            readout = irPhase;
            break;
        case View::Fir:
            if (!fir.empty()) curves.push_back(Curve(fir, firPhase.phaseDeg, kFirStyle, "FIR"));
            readout = firPhase;
            break;
        case View::IrxFir:
        case View::Target: {
            if (view_ == View::Target && !target.empty()) curves.push_back(Curve(target, {}, kTargetStyle, "Target"));
            else if (!ir.empty()) curves.push_back(Curve(ir, irPhase.phaseDeg, kIrStyle, "IR"));
            const auto product = Sum(ir, fir, false);
            readout.phaseDeg = Sum(irPhase.phaseDeg, firPhase.phaseDeg, true);
            readout.delayMs = Sum(irPhase.delayMs, firPhase.delayMs, false);
            if (!product.empty()) curves.push_back(Curve(product, readout.phaseDeg, kProductStyle, "IRxFIR"));
            break;
        }
        case View::BeforeAfter: {
            if (!target.empty()) curves.push_back(Curve(target, {}, kTargetStyle, "Target"));
            if (!ir.empty()) curves.push_back(Curve(ir, irPhase.phaseDeg, kIrStyle, std::string(texts::kWizardBefore)));
            readout = irPhase;
            if (!after.empty()) {
                readout = PhaseOf(curves_.afterTaps);
                curves.push_back(Curve(after, readout.phaseDeg, kAfterStyle, std::string(texts::kWizardAfter)));
            }
            break;
        }
    }
    readoutPhase_ = std::move(readout.phaseDeg);
    readoutDelayMs_ = std::move(readout.delayMs);
    const int shown = static_cast<int>(curves.size()) - 1;
    graph_->setCurves(std::move(curves));
    graph_->setReadoutCurve(std::max(0, shown));
}

QString UCWizard::readoutAt(double frequencyHz) const {
    const auto& curves = graph_->curves();
    if (curves.empty()) return {};
    const auto& shown = curves.back();
    const auto k = static_cast<std::size_t>(std::clamp<long>(
        std::lround(frequencyHz * FirResponse::kTransformLength / FirResponse::kSampleRateHz), 0,
        static_cast<long>(shown.magnitudeDb.size()) - 1));
    QString text = QStringLiteral("%1Hz  %2dB; ").arg(frequencyHz, 0, 'f', 0).arg(shown.magnitudeDb[k], 0, 'f', 1);
    if (k < readoutPhase_.size()) text += QStringLiteral("%1deg; ").arg(readoutPhase_[k], 0, 'f', 0);
    if (k < readoutDelayMs_.size()) text += QStringLiteral("%1ms; ").arg(readoutDelayMs_[k], 0, 'f', 2);
    return text;
}

QString UCWizard::readoutText() const { return readout_->text(); }

// ---- FrmFIREq ---------------------------------------------------------------------------------

FrmFIREq::FrmFIREq(AppContext& ctx, Prompter& prompter, std::vector<audio::EqBand> bands, FirFilePicker pickFile,
                   FirFilePicker pickSaveFile, QWidget* parent)
    : QDialog(parent),
      ctx_(ctx),
      rules_(prompter, ctx.LanguageFlag, ctx.DecimalComma, std::move(bands)),
      pickFile_(std::move(pickFile)),
      pickSaveFile_(std::move(pickSaveFile)) {
    setObjectName(QStringLiteral("FrmFIREq"));
    const int lang = ctx_.LanguageFlag;
    setWindowTitle(Q(texts::kEqTargetTitle.pick(lang)));
    auto* layout = new QVBoxLayout(this);
    auto* grid = new QGridLayout;
    for (int c = 0; c < 4; ++c) grid->addWidget(new QLabel(Q(texts::kEqColumnCaptions[static_cast<std::size_t>(c)].pick(lang)), this), 0, c + 1);
    for (int b = 0; b < kEqTargetBands; ++b) {
        Row& row = rows_[static_cast<std::size_t>(b)];
        row.type = new QComboBox(this);
        for (const auto& name : texts::kEqBandTypeNames) row.type->addItem(Q(name.pick(lang)));
        row.gain = new QLineEdit(this);
        row.frequency = new QLineEdit(this);
        row.q = new QLineEdit(this);
        grid->addWidget(new QLabel(QString::number(b + 1), this), b + 1, 0);
        grid->addWidget(row.type, b + 1, 1);
        grid->addWidget(row.gain, b + 1, 2);
        grid->addWidget(row.frequency, b + 1, 3);
        grid->addWidget(row.q, b + 1, 4);
        connect(row.type, &QComboBox::currentIndexChanged, this, [this, b](int type) {
            if (!filling_) chooseType(b, type);
        });
        connect(row.gain, &QLineEdit::editingFinished, this, [this, b] {
            if (!filling_) enterGain(b, rows_[static_cast<std::size_t>(b)].gain->text());
        });
        connect(row.frequency, &QLineEdit::editingFinished, this, [this, b] {
            if (!filling_) enterFrequency(b, rows_[static_cast<std::size_t>(b)].frequency->text());
        });
        connect(row.q, &QLineEdit::editingFinished, this, [this, b] {
            if (!filling_) enterQ(b, rows_[static_cast<std::size_t>(b)].q->text());
        });
    }
    layout->addLayout(grid);
    auto* buttons = new QHBoxLayout;
    auto* flatButton = new QPushButton(Q(texts::kEqFlatButton.pick(lang)), this);
    auto* save = new QPushButton(Q(texts::kEqSaveButton.pick(lang)), this);
    auto* load = new QPushButton(Q(texts::kEqLoadButton.pick(lang)), this);
    auto* applyButton = new QPushButton(Q(texts::kEqApplyButton.pick(lang)), this);
    for (QPushButton* button : {flatButton, save, load, applyButton}) buttons->addWidget(button);
    buttons->addStretch(1);
    layout->addLayout(buttons);
    graph_ = new ResponseGraph(DisplayGrid(), this);
    layout->addWidget(graph_, 1);
    const QString folder = QString::fromStdString((ctx_.dataDir / "TargetEq").string());
    connect(flatButton, &QPushButton::clicked, this, [this] { flat(); });
    connect(save, &QPushButton::clicked, this, [this, folder] {
        if (const QString path = pickSaveFile_ ? pickSaveFile_(folder, QtFilter(texts::kEqTargetFilter)) : QString();
            !path.isEmpty())
            saveFile(path);
    });
    connect(load, &QPushButton::clicked, this, [this, folder] {
        if (const QString path = pickFile_ ? pickFile_(folder, QtFilter(texts::kEqTargetFilter)) : QString(); !path.isEmpty())
            loadFile(path);
    });
    connect(applyButton, &QPushButton::clicked, this, [this] { apply(); });
    refresh();
}

void FrmFIREq::chooseType(int band, int type) {
    if (type >= 0 && type <= static_cast<int>(audio::EqBandType::Disabled))
        rules_.chooseType(band, static_cast<audio::EqBandType>(type));
    refresh();
}

bool FrmFIREq::enterGain(int band, const QString& text) {
    const bool ok = rules_.enterGain(band, text.toStdString());
    refresh();
    return ok;
}

bool FrmFIREq::enterFrequency(int band, const QString& text) {
    const bool ok = rules_.enterFrequency(band, text.toStdString());
    refresh();
    return ok;
}

bool FrmFIREq::enterQ(int band, const QString& text) {
    const bool ok = rules_.enterQ(band, text.toStdString());
    refresh();
    return ok;
}

bool FrmFIREq::flat() {
    const bool ok = rules_.flat();
    refresh();
    return ok;
}

bool FrmFIREq::saveFile(const QString& path) { return rules_.save(path.toStdString()); }

bool FrmFIREq::loadFile(const QString& path) {
    const bool ok = rules_.load(path.toStdString());
    refresh();
    return ok;
}

void FrmFIREq::apply() {
    rules_.applied(ctx_.dataDir);
    emit targetApplied();
}

void FrmFIREq::refresh() {
    filling_ = true;
    for (int b = 0; b < kEqTargetBands; ++b) {
        const audio::EqBand& band = rules_.band(b);
        Row& row = rows_[static_cast<std::size_t>(b)];
        row.type->setCurrentIndex(static_cast<int>(band.type));
        row.gain->setText(QString::number(band.gainDb, 'f', 1));
        row.frequency->setText(QString::number(band.frequencyHz, 'f', 0));
        row.q->setText(QString::number(band.q, 'f', 2));
    }
    filling_ = false;
    std::vector<GraphCurve> curves;
    curves.push_back(Curve(OnDisplayGrid(audio::TargetDb(rules_.bands())), {}, kTargetStyle, "Target"));
    graph_->setCurves(std::move(curves));
}

void FrmFIREq::closeEvent(QCloseEvent* event) {
    if (rules_.askApply()) apply();
    event->accept();
}

}  // namespace plenum::ui
