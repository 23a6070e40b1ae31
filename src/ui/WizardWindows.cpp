// The FIR wizard's window: seven pages with Back and Next over one graph control. The measurement
// and the design run on a thread of their own (BackgroundWork) so that the window keeps drawing
// and its Cancel works; the store goes to the communication thread like every other FIR store.
#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QElapsedTimer>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QProgressDialog>
#include <QPushButton>
#include <QStackedWidget>
#include <QVBoxLayout>

#include "audio/PortAudioCard.h"
#include "audio/VirtualCard.h"
#include "ui/Theme.h"
#include "ui/WizardWindows.h"
#include "ui/logic/WizardTexts.h"

namespace plenum::ui {

namespace {


// The virtual card's loudspeaker: the built-in two-way in a room, heard through a little noise
// and the round trip of a real card.
constexpr double kVirtualNoiseDb = -90.0;
constexpr int kVirtualLatencySamples = 480;
constexpr const char* kStoredName = "FIR Wizard";

}  // namespace

SoundCards PortAudioCards() {
    SoundCards cards;
    cards.list = [] { return audio::PortAudioCard(0).Devices(); };
    cards.open = [](int index) -> std::unique_ptr<audio::AudioCard> { return std::make_unique<audio::PortAudioCard>(index); };
    return cards;
}

// ---- BackgroundWork ---------------------------------------------------------------------------

BackgroundWork::BackgroundWork(QWidget* owner, int languageFlag)
    : QObject(owner), owner_(owner), languageFlag_(languageFlag) {}

BackgroundWork::~BackgroundWork() {
    cancel_ = true;
    if (thread_.joinable()) thread_.join();
}

void BackgroundWork::run(const QString& caption, bool indeterminate, Work work, std::function<void()> done) {
    if (thread_.joinable()) thread_.join();
    cancel_ = false;
    running_ = true;
    bar_ = new QProgressDialog(caption, Pick(texts::kWizardCancel, languageFlag_), 0, indeterminate ? 0 : 1000, owner_);
    bar_->setWindowModality(Qt::WindowModal);
    bar_->setMinimumDuration(0);
    bar_->setAttribute(Qt::WA_DeleteOnClose);
    connect(bar_.data(), &QProgressDialog::canceled, this, [this] { cancel_ = true; });
    bar_->show();
    thread_ = std::thread([this, work = std::move(work), done = std::move(done)]() mutable {
        const std::function<void(double)> progress = [this](double fraction) {
            QMetaObject::invokeMethod(
                this,
                [this, fraction] {
                    if (bar_ && bar_->maximum() > 0) bar_->setValue(static_cast<int>(fraction * 1000));
                    emit progressed(fraction);
                },
                Qt::QueuedConnection);
        };
        work(cancel_, progress);
        // Delivered on the owner's thread; dropped when this object is gone.
        QMetaObject::invokeMethod(
            this,
            [this, done = std::move(done)] {
                if (thread_.joinable()) thread_.join();
                running_ = false;
                if (bar_) bar_->close();
                done();
            },
            Qt::QueuedConnection);
    });
}

void BackgroundWork::setCaption(const QString& caption) {
    if (bar_) bar_->setLabelText(caption);
}

// ---- FrmWizardFIR -----------------------------------------------------------------------------

FrmWizardFIR::FrmWizardFIR(AppContext& ctx, CommThread& thread, Prompter& prompter, int slot, SoundCards cards,
                           bool virtualCardFirst, FirFilePicker pickFile, FirFilePicker pickSaveFile, QWidget* parent)
    : QDialog(parent),
      ctx_(ctx),
      thread_(thread),
      prompter_(prompter),
      slot_(slot),
      cards_(std::move(cards)),
      virtualCardFirst_(virtualCardFirst),
      pickFile_(std::move(pickFile)),
      pickSaveFile_(std::move(pickSaveFile)),
      flow_(prompter, ctx.LanguageFlag, ctx.DecimalComma),
      work_(this, ctx.LanguageFlag) {
    setObjectName(QStringLiteral("FrmWizardFIR"));
    setWindowTitle(text(texts::kWizardTitle));
    if (cards_.list) cardList_ = cards_.list();
    flow_.setTarget(LoadDefaultEqTarget(ctx_.dataDir));

    auto* layout = new QVBoxLayout(this);
    title_ = new QLabel(this);
    title_->setObjectName(QStringLiteral("LabelPageTitle"));
    QFont big = title_->font();
    big.setPointSizeF(big.pointSizeF() * 1.4);
    big.setBold(true);
    title_->setFont(big);
    layout->addWidget(title_);
    pages_ = new QStackedWidget(this);
    for (QWidget* page : {buildWelcome(), buildGeometry(), buildWiring(), buildMeasure(), buildViewIr(),
                          buildCalculate(), buildVerify()}) {
        // Each page's controls sit at its top left; the graph below takes the rest.
        page->layout()->setAlignment(Qt::AlignTop | Qt::AlignLeft);
        pages_->addWidget(page);
    }
    layout->addWidget(pages_);
    auto* statusRow = new QHBoxLayout;
    statusLabel_ = new QLabel(this);
    statusLabel_->setObjectName(QStringLiteral("LabelStatus"));
    peak_ = new QLabel(this);
    peak_->setObjectName(QStringLiteral("LabelPeak"));
    statusRow->addWidget(statusLabel_, 1);
    statusRow->addWidget(peak_);
    statusRow->addWidget(new QLabel(text(texts::kWizardSettingCaptions[static_cast<std::size_t>(WizardSetting::ZeroOffset)]), this));
    statusRow->addWidget(settingEntry(WizardSetting::ZeroOffset));
    layout->addLayout(statusRow);
    graph_ = new UCWizard(this);
    layout->addWidget(graph_, 1);
    // Pages without a graph keep their controls at the top, and the buttons stay at the bottom.
    filler_ = new QWidget(this);
    layout->addWidget(filler_, 1);
    auto* buttons = new QHBoxLayout;
    back_ = new QPushButton(text(texts::kWizardBack), this);
    next_ = new QPushButton(text(texts::kWizardNext), this);
    buttons->addStretch(1);
    buttons->addWidget(back_);
    buttons->addWidget(next_);
    layout->addLayout(buttons);
    connect(back_, &QPushButton::clicked, this, [this] { back(); });
    connect(next_, &QPushButton::clicked, this, [this] { next(); });
    connect(&work_, &BackgroundWork::progressed, this, [this](double fraction) {
        // The recording is in: what is left is the deconvolution.
        if (fraction >= 1.0) {
            status_ = text(texts::kWizardComputing);
            statusLabel_->setText(status_);
            work_.setCaption(status_);
        }
        emit measureProgress(fraction);
    });
    if (virtualCardFirst_) chooseCard(0);
    refresh();
    redraw();
}

FrmWizardFIR::~FrmWizardFIR() { work_.cancel(); }

QString FrmWizardFIR::text(const Bilingual& bilingual) const { return Q(bilingual.pick(ctx_.LanguageFlag)); }

QString FrmWizardFIR::pageTitle() const {
    return text(texts::kWizardPageTitles[static_cast<std::size_t>(flow_.page())]);
}
QString FrmWizardFIR::statusText() const { return status_; }
QString FrmWizardFIR::peakText() const { return QString::fromStdString(flow_.peakText()); }

void FrmWizardFIR::chooseOutput(int way) {
    if (way == 0 || way == 1) way_ = way;
    refresh();
}

int FrmWizardFIR::cardCount() const { return static_cast<int>(cardList_.size()) + 1; }

void FrmWizardFIR::chooseCard(int index) {
    if (index < 0 || index >= cardCount()) return;
    const int real = virtualCardFirst_ ? index - 1 : index;
    const bool isVirtual = real < 0 || real >= static_cast<int>(cardList_.size());
    const int outputs = isVirtual ? audio::VirtualCard::kChannels : cardList_[static_cast<std::size_t>(real)].outputChannels;
    const int inputs = isVirtual ? audio::VirtualCard::kChannels : cardList_[static_cast<std::size_t>(real)].inputChannels;
    outChannel_->clear();
    inChannel_->clear();
    for (int c = 1; c <= outputs; ++c) outChannel_->addItem(QString::number(c));
    for (int c = 1; c <= inputs; ++c) inChannel_->addItem(QString::number(c));
    flow_.chooseWiring(index, outputs > 0 ? 0 : -1, inputs > 0 ? 0 : -1);
    refresh();
}

void FrmWizardFIR::chooseChannels(int outputChannel, int inputChannel) {
    flow_.chooseWiring(flow_.card(), outputChannel, inputChannel);
    refresh();
}

std::unique_ptr<audio::AudioCard> FrmWizardFIR::openCard() const {
    const int index = flow_.card();
    const int real = virtualCardFirst_ ? index - 1 : index;
    if (real < 0 || real >= static_cast<int>(cardList_.size())) {
        auto card = std::make_unique<audio::VirtualCard>(audio::BuiltinLoudspeakerIr(), kVirtualNoiseDb, kVirtualLatencySamples);
        card->SetDeviceFir(flow_.storedTaps());
        return card;
    }
    return cards_.open ? cards_.open(cardList_[static_cast<std::size_t>(real)].index) : nullptr;
}

bool FrmWizardFIR::next() {
    if (work_.busy()) return false;
    const bool moved = flow_.next();
    refresh();
    redraw();
    return moved;
}

void FrmWizardFIR::back() {
    if (work_.busy()) return;
    flow_.back();
    refresh();
    redraw();
}

bool FrmWizardFIR::enter(WizardSetting setting, const QString& entered) {
    const bool ok = flow_.enter(setting, entered.toStdString());
    refresh();
    if (ok) redraw();
    return ok;
}

bool FrmWizardFIR::enterSmoothing(const QString& entered) {
    const bool ok = flow_.enterSmoothing(entered.toStdString());
    refresh();
    if (ok) redraw();
    return ok;
}

bool FrmWizardFIR::openIr(const QString& path) {
    // A new measurement while a store runs would leave the stored FIR's measurement behind.
    if (work_.busy() || storing_) return false;
    const bool ok = flow_.openIr(path.toStdString());
    refresh();
    redraw();
    return ok;
}

bool FrmWizardFIR::runMeasurement(bool verifyPass,
                                  std::function<void(const audio::AudioResult&, const audio::Measurement&)> done) {
    if (work_.busy() || storing_ || !flow_.wiringComplete()) return false;
    std::shared_ptr<audio::AudioCard> card = openCard();
    if (!card) return false;
    if (!sweep_) {
        // The sweeps live in TS/ beside the data: read when they are there and fit, else made
        // and written there.
        std::string error;
        auto read = audio::ReadSweepFiles(ctx_.dataDir, error);
        sweep_ = read ? std::move(*read) : audio::MakeSweep();
        if (!read) audio::WriteSweepFiles(ctx_.dataDir, *sweep_, error);
    }
    audio::MeasureRequest request;
    request.outputChannel = flow_.outputChannel();
    request.inputChannel = flow_.inputChannel();
    if (verifyPass && flow_.measurement()) {
        request.windowStart = flow_.measurement()->start;
        request.extraSamples = audio::kWizardMaxTaps;
    }
    struct Outcome {
        audio::AudioResult result;
        audio::Measurement measurement;
    };
    auto outcome = std::make_shared<Outcome>();
    status_ = text(texts::kWizardMeasuring);
    refresh();
    work_.run(
        status_, false,
        [card, sweep = &*sweep_, settings = flow_.settings(), request, outcome](const std::atomic<bool>& cancel,
                                                                               const std::function<void(double)>& progress) mutable {
            request.cancel = &cancel;
            request.progress = progress;
            outcome->result = audio::Measure(*card, *sweep, settings, request, outcome->measurement);
        },
        [this, outcome, done = std::move(done)] {
            status_.clear();
            done(outcome->result, outcome->measurement);
            refresh();
            redraw();
        });
    return true;
}

bool FrmWizardFIR::measure() {
    return runMeasurement(false, [this](const audio::AudioResult& r, const audio::Measurement& m) { flow_.measured(r, m); });
}

bool FrmWizardFIR::testMic() {
    return runMeasurement(false, [this](const audio::AudioResult& r, const audio::Measurement& m) {
        flow_.testedMic(r, m.peakLevelDb);
    });
}

bool FrmWizardFIR::calculate() {
    // No new design while a store runs: the store's completion must meet the design it sent.
    if (work_.busy() || storing_) return false;
    auto input = flow_.designInput();
    if (!input) return false;
    struct Outcome {
        audio::Correction correction;
        bool cancelled = false;
    };
    auto outcome = std::make_shared<Outcome>();
    status_ = text(texts::kWizardCalculating);
    refresh();
    work_.run(
        status_, true,
        [input = std::move(*input), outcome](const std::atomic<bool>& cancel, const std::function<void(double)>&) {
            outcome->correction = audio::DesignCorrection(input.measuredDb, input.targetDb, input.settings);
            outcome->cancelled = cancel.load();
        },
        [this, outcome] {
            status_.clear();
            // A cancelled design is dropped: the previous one stays.
            if (!outcome->cancelled) flow_.designed(std::move(outcome->correction));
            graph_->setView(UCWizard::View::IrxFir);
            refresh();
            redraw();
        });
    return true;
}

bool FrmWizardFIR::store() {
    if (work_.busy() || storing_ || thread_.busy()) return false;
    if (!flow_.confirmStore()) return false;
    if (!ctx_.device(slot_).isConnected()) {
        Tell(prompter_, ctx_.LanguageFlag, texts::kWizardCommProblem);
        return false;
    }
    storing_ = true;
    const std::vector<double> taps = flow_.correction()->taps;
    PostFirStore(thread_, this, slot_, way_, taps, kStoredName, [this, taps](device::FirStoreOutcome outcome) {
        storing_ = false;
        flow_.storeFinished(outcome, taps);
        refresh();
        emit stored(outcome == device::FirStoreOutcome::Done);
    }, ctx_.LanguageFlag);
    return true;
}

bool FrmWizardFIR::saveFir(const QString& path) { return flow_.saveFir(path.toStdString()); }

bool FrmWizardFIR::verify() {
    if (work_.busy() || storing_ || !flow_.measurement()) return false;
    if (!flow_.confirmVerify()) return false;
    if (!flow_.measurement()->peakLevelDb) {
        // An IR opened from a file is verified with a file measured through the FIR.
        const QString folder = QString::fromStdString((ctx_.dataDir / "IR").string());
        const QString path = pickFile_ ? pickFile_(folder, QtFilter(texts::kWizardIrOpenFilter)) : QString();
        const bool ok = !path.isEmpty() && flow_.verifyFromFile(path.toStdString());
        graph_->setView(UCWizard::View::BeforeAfter);
        redraw();
        return ok;
    }
    return runMeasurement(true, [this](const audio::AudioResult& r, const audio::Measurement& m) {
        flow_.verified(r, m);
        graph_->setView(UCWizard::View::BeforeAfter);
    });
}

void FrmWizardFIR::editTarget() {
    if (targetEditor_) {
        targetEditor_->show();
        targetEditor_->raise();
        return;
    }
    targetEditor_ = new FrmFIREq(ctx_, prompter_, flow_.target(), pickFile_, pickSaveFile_, this);
    targetEditor_->setWindowFlag(Qt::Window);
    targetEditor_->setAttribute(Qt::WA_DeleteOnClose);
    connect(targetEditor_.data(), &FrmFIREq::targetApplied, this, [this] {
        if (targetEditor_) flow_.setTarget(targetEditor_->rules().bands());
        redraw();
    });
    targetEditor_->show();
}

bool FrmWizardFIR::settle(int timeoutMs) {
    QElapsedTimer timer;
    timer.start();
    while (work_.busy() || storing_ || thread_.busy()) {
        if (timer.elapsed() > timeoutMs) return false;
        QApplication::processEvents(QEventLoop::AllEvents, 20);
    }
    QApplication::processEvents();
    return true;
}

void FrmWizardFIR::refresh() {
    const WizardPage page = flow_.page();
    title_->setText(pageTitle());
    pages_->setCurrentIndex(static_cast<int>(page));
    // The stack is as tall as the page it shows, so the graph keeps the rest.
    pages_->setMaximumHeight(pages_->currentWidget()->sizeHint().height());
    back_->setEnabled(flow_.canGoBack() && !work_.busy());
    next_->setEnabled(flow_.canGoNext() && !work_.busy());
    statusLabel_->setText(status_);
    peak_->setText(peakText());
    const bool showsGraph = page == WizardPage::ViewIr || page == WizardPage::Calculate || page == WizardPage::Verify;
    graph_->setVisible(showsGraph);
    filler_->setVisible(!showsGraph);
    outputs_->setCurrentIndex(way_);
    if (cardChoice_->currentIndex() != flow_.card()) cardChoice_->setCurrentIndex(flow_.card());
    outChannel_->setCurrentIndex(flow_.outputChannel());
    inChannel_->setCurrentIndex(flow_.inputChannel());
    smoothing_->setText(QString::fromStdString(SmoothingText(flow_.settings().smoothingOctaves)));
    for (int s = 0; s < kWizardSettingCount; ++s)
        if (QLineEdit* entry = entries_[static_cast<std::size_t>(s)])
            entry->setText(QString::fromStdString(SettingText(flow_.settings(), static_cast<WizardSetting>(s))));
}

void FrmWizardFIR::redraw() {
    UCWizard::Curves curves;
    if (const auto& m = flow_.measurement()) {
        curves.irTaps = m->taps;
        curves.irDb = flow_.measuredDb();
        curves.targetDb = flow_.targetLineDb();
    }
    if (const auto& c = flow_.correction()) {
        curves.firTaps = c->taps;
        curves.firDb = c->responseDb;
    }
    if (const auto& v = flow_.verification()) {
        curves.afterTaps = v->taps;
        curves.afterDb = flow_.verifiedDb();
    }
    graph_->setZeroOffset(flow_.settings().zeroOffset);
    if (flow_.page() == WizardPage::ViewIr) graph_->setView(UCWizard::View::Ir);
    if (flow_.page() == WizardPage::Verify) graph_->setView(UCWizard::View::BeforeAfter);
    graph_->setCurves(std::move(curves));
}

void FrmWizardFIR::closeEvent(QCloseEvent* event) {
    work_.cancel();
    if (flow_.askStoreConfig()) {
        const QString folder = QString::fromStdString((ctx_.dataDir / "Project").string());
        if (const QString path = pickSaveFile_ ? pickSaveFile_(folder, QtFilter(texts::kWizardConfigFilter)) : QString();
            !path.isEmpty())
            flow_.saveConfig(path.toStdString());
    }
    if (targetEditor_) targetEditor_->close();
    event->accept();
}

}  // namespace plenum::ui
