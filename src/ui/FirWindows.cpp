#include "ui/FirWindows.h"

#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QFileInfo>
#include <QGridLayout>
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

#include "dsp/FrequencyGrid.h"
#include "dsp/Smoothing.h"
#include "fir/FirResponse.h"
#include "fir/FirTexts.h"
#include "fir/FirWord.h"
#include "ui/FirGraph.h"
#include "ui/Theme.h"

namespace plenum::ui {

namespace {

// The import is shown, but could not be copied into the data folder for the next session.
constexpr MessageText kIrNotKept{{" Error", " 错误"},
                                 {"The imported IR could not be kept for the next session.", "导入的 IR 无法保存到下次使用."},
                                 Icon::Exclamation};

constexpr CurveStyle kCurrentStyle{{160, 160, 160}, 1};
constexpr CurveStyle kImportedStyle{{74, 222, 128}, 2};
constexpr CurveStyle kIrStyle{{244, 114, 182}, 2};

// The coefficients a way's table keeps, as the words read back.
std::vector<double> KeptCoefficients(const CoefficientTable<kFirTaps>& table) {
    std::vector<double> out;
    for (int i = 0; i < table.taps && i < kFirTaps; ++i) out.push_back(table.values[static_cast<std::size_t>(i)]);
    return out;
}

}  // namespace

// The filter list of an open dialog ("name|pattern|name|pattern") in Qt's form.
QString QtFilter(std::string_view filter) {
    const QStringList parts = Q(filter).split(QLatin1Char('|'));
    QStringList out;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) out << parts[i] + QStringLiteral(" (") + parts[i + 1] + QLatin1Char(')');
    return out.join(QStringLiteral(";;"));
}

void PostFirStore(CommThread& thread, QWidget* receiver, int slot, int way, std::vector<double> coefficients,
                  std::string name, std::function<void(device::FirStoreOutcome)> done, int languageFlag) {
    auto cancelled = std::make_shared<std::atomic<bool>>(false);
    QPointer<QProgressDialog> bar = new QProgressDialog(Pick(texts::kFirStoreCaption, languageFlag),
                                                        Pick(texts::kFirStoreCancel, languageFlag), 0,
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
    row->addWidget(load);
    row->addWidget(store);
    row->addStretch(1);
    row->addWidget(new QLabel(ctx_.LanguageFlag == 1 ? QStringLiteral("门限 [dB]") : QStringLiteral("Threshold [dB]"), this));
    row->addWidget(thresholdEntry_);
    layout->addLayout(row);
    graph_ = new ResponseGraph(DisplayGrid(), this);
    graph_->setView(FirGraphView());
    graphBar_ = new FirGraphBar(*graph_, ctx_.LanguageFlag, this);
    layout->addWidget(graphBar_);
    layout->addWidget(graph_, 1);
    connect(load, &QPushButton::clicked, this, [this] { this->load(); });
    connect(store, &QPushButton::clicked, this, [this] { this->store(); });
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
                 },
                 ctx_.LanguageFlag);
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
    // The phase and the delay mean nothing where the magnitude is below the threshold.
    for (GraphCurve& curve : curves) HoldWhereQuiet(curve, threshold_);
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

FrmImportFdt::FrmImportFdt(AppContext& ctx, Prompter& prompter, fir::IrLibrary& library, int slot, int way,
                           FirFilePicker pickFile, QWidget* parent)
    : QDialog(parent),
      ctx_(ctx),
      prompter_(prompter),
      library_(library),
      deviceKey_(fir::IrDeviceKey(ctx.device(slot))),
      device_(slot),
      way_(way),
      pickFile_(std::move(pickFile)) {
    for (int i = 0; i < kSlots; ++i) {
        const fir::KeptIr* kept = library_.find(deviceKey_, i);
        auto curve = library_.curve(deviceKey_, i);
        if (kept != nullptr && curve) slots_[static_cast<std::size_t>(i)] = ImportedIr{kept->name, kept->way, std::move(*curve)};
    }
    setObjectName(QStringLiteral("FrmImportFdt"));
    setWindowTitle(Pick(texts::kImportIrTitle, ctx_.LanguageFlag));
    auto* layout = new QGridLayout(this);
    smoothing_ = new QComboBox(this);
    smoothing_->setObjectName(QStringLiteral("SmoothingMenu"));
    smoothing_->addItem(ctx_.LanguageFlag == 1 ? QStringLiteral("无平滑") : QStringLiteral("No smoothing"));
    for (const auto text : kSmoothingWidthTexts) smoothing_->addItem(Q(text) + QStringLiteral(" Oct"));
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
    if (!library_.keep(deviceKey_, slot_, path.toStdString(), smoothingOctaves_, way_)) Tell(prompter_, ctx_.LanguageFlag, kIrNotKept);
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
