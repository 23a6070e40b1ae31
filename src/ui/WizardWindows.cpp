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
#include "ui/WizardWindows.h"
#include "ui/logic/WizardTexts.h"

namespace plenum::ui {

namespace {

QString Utf8(std::string_view text) { return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())); }

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

BackgroundWork::BackgroundWork(QWidget* owner) : QObject(owner), owner_(owner) {}

BackgroundWork::~BackgroundWork() {
    cancel_ = true;
    if (thread_.joinable()) thread_.join();
}

void BackgroundWork::run(const QString& caption, bool indeterminate, Work work, std::function<void()> done) {
    if (thread_.joinable()) thread_.join();
    cancel_ = false;
    running_ = true;
    bar_ = new QProgressDialog(caption, QStringLiteral("Cancel"), 0, indeterminate ? 0 : 1000, owner_);
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
      work_(this) {
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

QString FrmWizardFIR::text(const Bilingual& bilingual) const { return Utf8(bilingual.pick(ctx_.LanguageFlag)); }

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
    if (work_.busy()) return false;
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
    PostFirStore(thread_, this, slot_, way_, flow_.correction()->taps, kStoredName, [this](device::FirStoreOutcome outcome) {
        storing_ = false;
        flow_.storeFinished(outcome);
        refresh();
        emit stored(outcome == device::FirStoreOutcome::Done);
    });
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
