#include "ui/EditWindow.h"

#include <QAction>
#include <QComboBox>
#include <QEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QSignalBlocker>
#include <QStringList>
#include <QTabBar>
#include <QVBoxLayout>
#include <utility>

#include "sat/ImageResponse.h"
#include "ui/AeqButton.h"
#include "ui/Controls.h"
#include "ui/EditControls.h"
#include "ui/EditPanel.h"
#include "ui/ResponseGraph.h"
#include "ui/Theme.h"
#include "ui/XoverModeWindow.h"

namespace plenum::ui {
namespace {


constexpr CurveStyle kInputStyle{{235, 235, 235}, 2};
constexpr CurveStyle kLowStyle{{250, 204, 21}, 2};
constexpr CurveStyle kHighStyle{{56, 189, 248}, 2};
constexpr CurveStyle kSumStyle{{160, 160, 160}, 1};

// The whole response from the slot's image.
void LoadResponse(DeviceResponse& response, const AppContext& ctx, int slot) {
    if (KindOf(ctx.device(slot)) == DeviceKind::Sub)
        plenum::LoadResponse(response, ctx.subImage.at(static_cast<std::size_t>(slot)));
    else
        plenum::LoadResponse(response, ctx.satImage.at(static_cast<std::size_t>(slot)));
}

}  // namespace

EditWindow::EditWindow(EditWindowDeps deps, std::unique_ptr<device::EditController> controller, QWidget* parent)
    : QDialog(parent),
      ctx_(deps.ctx),
      prompter_(deps.prompter),
      meterTable_(deps.meters),
      pickFile_(std::move(deps.pickFile)),
      thread_(deps.thread),
      runModal_(std::move(deps.runModal)),
      refreshDevice_(std::move(deps.refreshDevice)),
      controller_(std::move(controller)),
      response_(DisplayGrid(), GraphLayout(controller_->kind())) {
    const double scale = ctx_.ScreenScale;
    const bool sub = controller_->kind() == DeviceKind::Sub;
    setObjectName(sub ? QStringLiteral("FrmEditSub") : QStringLiteral("FrmEditSat"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowFlag(Qt::Window);

    caption_ = new QLabel(this);
    caption_->setObjectName(QStringLiteral("LabelCaption"));
    caption_->setFont(UiFont(scale, 11, true));
    pages_ = new QTabBar(this);
    pages_->setObjectName(QStringLiteral("TabPages"));
    pages_->setStyleSheet(QStringLiteral("QTabBar::tab:selected { background: %1; border-bottom: 3px solid %2; }")
                              .arg(colours::kRaisedHover.name(), colours::kAccent.name()));
    for (int page = 0; page < controller_->pageCount(); ++page)
        pages_->addTab(Pick(controller_->pageInfo(page).label, ctx_.LanguageFlag));
    // The two output pages share their label: the way's curve colour tells them apart.
    for (int page = 0; page < controller_->pageCount(); ++page) {
        const int channel = controller_->pageInfo(page).channel;
        if (channel == 0 || sub) continue;
        const Rgb colour = channel == 1 ? kLowStyle.colour : kHighStyle.colour;
        pages_->setTabTextColor(page, QColor(colour.r, colour.g, colour.b));
    }
    bands_ = new QComboBox(this);
    bands_->setObjectName(QStringLiteral("ComboBand"));
    bands_->setMinimumWidth(Px(scale, 90));
    graph_ = new ResponseGraph(DisplayGrid(), this);
    graph_->setObjectName(QStringLiteral("Label5"));
    meters_ = new EditMeters(meterTable_, slot(), controller_->kind(), scale, this);
    panel_ = new EditPanel(*controller_, scale, ctx_.LanguageFlag, this);
    connect(panel_, &EditPanel::editModeRequested, this, [this] { requestFirWindow(FirWindowKind::XoverMode); });

    auto* tabs = new QHBoxLayout;
    tabs->addWidget(pages_);
    tabs->addSpacing(Px(scale, 12));
    tabs->addWidget(new QLabel(pick("PEQ band", "PEQ 频段"), this));
    tabs->addWidget(bands_);
    tabs->addStretch(1);
    auto* middle = new QHBoxLayout;
    auto* graphColumn = new QVBoxLayout;
    graphColumn->addWidget(graph_, 1);
    graphColumn->addWidget(buildGraphBar());
    middle->addLayout(graphColumn, 1);
    middle->addWidget(meters_);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(caption_);
    layout->addWidget(buildButtonBar());
    if (thread_ != nullptr) layout->addWidget(buildDeviceBar());
    layout->addLayout(tabs);
    layout->addLayout(middle, 3);
    layout->addWidget(panel_, 2);

    buildActions();
    connect(pages_, &QTabBar::currentChanged, this, &EditWindow::showPage);
    connect(bands_, &QComboBox::activated, this, [this](int index) {
        controller_->selectBand(bands_->itemData(index).toInt());
        updateHandles();
    });
    connectGraph();

    // Return in a text box confirms that box only: no button of the window is a default button.
    for (QPushButton* button : findChildren<QPushButton*>()) button->setAutoDefault(false);
    controller_->setObserver(this);
    resize(Px(scale, 1120), Px(scale, 760));
    LoadResponse(response_, ctx_, slot());
    showPage(0);
}

EditWindow::~EditWindow() { controller_->setObserver(nullptr); }

void EditWindow::buildActions() {
    undo_ = new QAction(pick("Undo", "撤销"), this);
    undo_->setObjectName(QStringLiteral("ActionUndo"));
    undo_->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Z));
    redo_ = new QAction(pick("Redo", "重做"), this);
    redo_->setObjectName(QStringLiteral("ActionRedo"));
    redo_->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z));
    addAction(undo_);
    addAction(redo_);
    connect(undo_, &QAction::triggered, this, [this] { controller_->undo(); });
    connect(redo_, &QAction::triggered, this, [this] { controller_->redo(); });

}

void EditWindow::connectGraph() {
    // A press on a handle selects its band; the first movement starts the controller's drag
    // (one undo step until the release), so a plain click changes nothing.
    connect(graph_, &ResponseGraph::bandPicked, this, [this](int band) {
        controller_->selectBand(band);
        fillBands();
        updateHandles();
    });
    connect(graph_, &ResponseGraph::bandDragged, this, [this](int band, double hz, double db) {
        if (!graphDragging_) graphDragging_ = controller_->graphPress(band);
        if (graphDragging_) controller_->graphMove(hz, db);
    });
    connect(graph_, &ResponseGraph::bandDragFinished, this, [this](int) {
        if (std::exchange(graphDragging_, false)) controller_->graphRelease();
    });
    connect(graph_, &ResponseGraph::cursorMoved, this,
            [this](double, double, const QString& readout) { cursor_->setText(readout); });
    connect(graph_, &ResponseGraph::cursorLeft, this, [this] { cursor_->clear(); });
    connect(graph_, &ResponseGraph::viewChanged, this, [this](const GraphView& view) {
        const QSignalBlocker blocker(zoom_);
        zoom_->setCurrentIndex(view.zoomLevel);
    });

}

FrmEditSat::FrmEditSat(EditWindowDeps deps, QWidget* parent)
    : EditWindow(deps, std::make_unique<device::EditSatController>(deps.ctx, deps.slot, deps.sink, deps.prompter),
                 parent) {}

FrmEditSub::FrmEditSub(EditWindowDeps deps, QWidget* parent)
    : EditWindow(deps, std::make_unique<device::EditSubController>(deps.ctx, deps.slot, deps.sink, deps.prompter),
                 parent) {}

QString EditWindow::pick(const char* en, const char* zh) const {
    return QString::fromUtf8(ctx_.LanguageFlag == 1 ? zh : en);
}

UCButton* EditWindow::barButton(const QString& name, const QString& caption, Glyph glyph, void (EditWindow::*action)()) {
    auto* button = new UCButton(glyph, UCButton::Shape::Inline, ctx_.ScreenScale, this);
    button->setObjectName(name);
    button->setText(caption);
    connect(button, &UCButton::clicked, this, action);
    return button;
}

QWidget* EditWindow::buildButtonBar() {
    auto* bar = new QWidget(this);
    auto* row = new QHBoxLayout(bar);
    row->setContentsMargins(0, 0, 0, 0);
    row->addWidget(barButton(QStringLiteral("ImageBtn(0)"), pick("Load", "调入"), Glyph::Open, &EditWindow::loadProgram));
    row->addWidget(barButton(QStringLiteral("ImageBtn(1)"), pick("Save", "保存"), Glyph::Save, &EditWindow::saveProgram));
    if (controller_->canImportGeq())
        row->addWidget(barButton(QStringLiteral("ImageBtn(7)"), pick("GEQ", "GEQ"), Glyph::Open, &EditWindow::importGeq));
    row->addWidget(barButton(QStringLiteral("ImageBtn(14)"), pick("Factory", "工厂预设"), Glyph::Firmware,
                             &EditWindow::recallFactory));
    row->addWidget(barButton(QStringLiteral("LabelEqFlat"), pick("Flat PEQ", "PEQ 平直"), Glyph::Edit, &EditWindow::flatPeq));
    if (controller_->kind() == DeviceKind::Sat) {
        // The FIR menu: the crossover modes, the external FIR of a way, the IR import and the
        // FIR wizard.
        auto* firButton = new UCButton(Glyph::Edit, UCButton::Shape::Inline, ctx_.ScreenScale, bar);
        firButton->setObjectName(QStringLiteral("UCBtnFirMenu"));
        firButton->setText(QStringLiteral("FIR"));
        auto* menu = new QMenu(firButton);
        menu->setObjectName(QStringLiteral("FIRMenu"));
        const std::pair<const char*, FirWindowKind> items[] = {
            {"XOver Mode|输出分频模式", FirWindowKind::XoverMode},
            {"External FIR|外部 FIR", FirWindowKind::ExternalFir},
            {"Import IR|导入 IR", FirWindowKind::ImportIr},
            {"FIR Wizard|FIR 向导", FirWindowKind::Wizard}};
        for (const auto& [text, kind] : items) {
            const QStringList both = QString::fromUtf8(text).split(QLatin1Char('|'));
            QAction* item = menu->addAction(both[ctx_.LanguageFlag == 1 ? 1 : 0]);
            item->setObjectName(QStringLiteral("MenuFIRItem"));
            connect(item, &QAction::triggered, this, [this, kind = kind] { requestFirWindow(kind); });
        }
        connect(firButton, &UCButton::clicked, this, [firButton, menu] {
            menu->popup(firButton->mapToGlobal(QPoint(0, firButton->height())));
        });
        row->addWidget(firButton);
    }
    auto* undo = new UCButton(Glyph::None, UCButton::Shape::Inline, ctx_.ScreenScale, bar);
    undo->setText(QStringLiteral("↶ ") + pick("Undo", "撤销"));
    connect(undo, &UCButton::clicked, this, [this] { controller_->undo(); });
    auto* redo = new UCButton(Glyph::None, UCButton::Shape::Inline, ctx_.ScreenScale, bar);
    redo->setText(QStringLiteral("↷ ") + pick("Redo", "重做"));
    connect(redo, &UCButton::clicked, this, [this] { controller_->redo(); });
    row->addWidget(undo);
    row->addWidget(redo);
    row->addStretch(1);
    return bar;
}

QWidget* EditWindow::buildGraphBar() {
    auto* bar = new QWidget(this);
    auto* row = new QHBoxLayout(bar);
    row->setContentsMargins(0, 0, 0, 0);
    phase_ = new QPushButton(pick("PHASE", "相位"), bar);
    phase_->setObjectName(QStringLiteral("LabelView"));
    phase_->setCheckable(true);
    connect(phase_, &QPushButton::toggled, this, &EditWindow::setPhaseView);
    zoom_ = new QComboBox(bar);
    zoom_->setObjectName(QStringLiteral("LabelZoomY"));
    for (int level = 0; level < kZoomLevelCount; ++level)
        zoom_->addItem(QStringLiteral("±%1 dB").arg(ZoomOf(level).spanDb / 2));
    connect(zoom_, &QComboBox::activated, this, &EditWindow::setZoom);
    cursor_ = new QLabel(bar);
    cursor_->setObjectName(QStringLiteral("LabelCursor"));
    row->addWidget(phase_);
    row->addWidget(zoom_);
    row->addWidget(cursor_, 1);
    if (controller_->kind() == DeviceKind::Sat) row->addWidget(MakeAeqButton(bar, ctx_, prompter_, slot()));
    return bar;
}

void EditWindow::setPhaseView(bool on) {
    GraphView view = graph_->view();
    view.showPhase = on;
    graph_->setView(view);
    const QSignalBlocker blocker(phase_);
    phase_->setChecked(on);
}

void EditWindow::setZoom(int level) {
    GraphView view = graph_->view();
    view.zoomLevel = static_cast<std::int16_t>(level);
    graph_->setView(view);
    const QSignalBlocker blocker(zoom_);
    zoom_->setCurrentIndex(level);
}

void EditWindow::showPage(int page) {
    controller_->selectPage(page);
    const QSignalBlocker blocker(pages_);
    pages_->setCurrentIndex(page);
    fillBands();
    loadCurves();
    updateHandles();
    refreshControls();
}

void EditWindow::fillBands() {
    const QSignalBlocker blocker(bands_);
    bands_->clear();
    const std::vector<int> bands = controller_->pageBands();
    for (std::size_t i = 0; i < bands.size(); ++i) {
        bands_->addItem(QString::number(i + 1), bands[i]);
        if (bands[i] == controller_->selectedBand()) bands_->setCurrentIndex(static_cast<int>(i));
    }
}

void EditWindow::loadCurves() {
    std::vector<GraphCurve> curves;
    int readout = 0;
    if (controller_->kind() == DeviceKind::Sat) {
        if (controller_->channel() == 0) {
            curves.push_back(CurveOf(response_, sat_graph::kInput, kInputStyle));
            curves.back().name = pick("INPUT EQ", "输入 EQ").toStdString();
        } else {
            curves.push_back(SummedWaysCurve(response_, kSumStyle));
            curves.back().name = "LOW+HIGH";
            curves.push_back(CurveOf(response_, sat_graph::kLow, kLowStyle));
            curves.back().name = "LOW";
            curves.push_back(CurveOf(response_, sat_graph::kHigh, kHighStyle));
            curves.back().name = "HIGH";
            readout = controller_->way() == 0 ? 1 : 2;
        }
    } else {
        const bool input = controller_->channel() == 0;
        curves.push_back(CurveOf(response_, input ? sub_graph::kInput : sub_graph::kOutput, input ? kInputStyle : kLowStyle));
        curves.back().name = input ? pick("INPUT EQ", "输入 EQ").toStdString() : "OUT";
    }
    if (externalIr_) curves.push_back(*externalIr_);
    graph_->setCurves(std::move(curves));
    graph_->setReadoutCurve(readout);
}

void EditWindow::setExternalIr(std::optional<GraphCurve> curve) {
    externalIr_ = curve ? std::make_unique<GraphCurve>(std::move(*curve)) : nullptr;
    loadCurves();
}

void EditWindow::updateHandles() {
    std::vector<BandHandle> handles;
    const int way = std::max(0, controller_->way());
    const std::vector<int> bands = controller_->pageBands();
    for (std::size_t i = 0; i < bands.size(); ++i) {
        BandHandle handle = controller_->kind() == DeviceKind::Sat
                                ? SatBandHandle(ctx_.satImage.at(static_cast<std::size_t>(slot())), bands[i], way)
                                : SubBandHandle(ctx_.subImage.at(static_cast<std::size_t>(slot())), bands[i]);
        handle.label = std::to_string(i + 1);
        handles.push_back(std::move(handle));
    }
    graph_->setHandles(std::move(handles), controller_->selectedBand());
}

void EditWindow::updateCaption() {
    // Device name and program label.
    const QString caption = Q(controller_->caption()).trimmed();
    setWindowTitle(caption);
    caption_->setText(caption);
    updateLockCaptions();
}

void EditWindow::refreshControls() {
    updateCaption();
    panel_->refresh();
    // The crossover-mode window shows the same image bytes.
    if (auto* xover = findChild<FrmOutXoverMode*>(QString(), Qt::FindDirectChildrenOnly); xover && xover->isVisible())
        xover->refresh();
    // The selected band may have changed without a redraw (a band chosen elsewhere).
    if (graph_->selectedBand() != controller_->selectedBand()) updateHandles();
    {
        const QSignalBlocker blocker(bands_);
        const int index = bands_->findData(controller_->selectedBand());
        if (index >= 0) bands_->setCurrentIndex(index);
    }
}

void EditWindow::redrawGraphs(unsigned graphs, std::span<const EditTarget> changed) {
    if (graphs == device::kGraphNone) return;
    controller_->takeRedraw();
    // An edit recomputes only the sections its families touch (one band while a fader or a
    // handle is dragged); a replaced image is loaded whole.
    const auto index = static_cast<std::size_t>(slot());
    if (changed.empty())
        LoadResponse(response_, ctx_, slot());
    else if (controller_->kind() == DeviceKind::Sub)
        RefreshResponse(response_, ctx_.subImage.at(index), changed);
    else
        RefreshResponse(response_, ctx_.satImage.at(index), changed);
    loadCurves();
    updateHandles();
}

void EditWindow::refreshMeters() { meters_->refresh(); }

void EditWindow::reloadFromDevice() {
    controller_->imageReadBack();
    refreshFromImage();
}

void EditWindow::refreshFromImage() {
    // Page and band stay as the user left them.
    LoadResponse(response_, ctx_, slot());
    loadCurves();
    updateHandles();
    refreshControls();
}

void EditWindow::changeEvent(QEvent* event) {
    QDialog::changeEvent(event);
    if (event->type() == QEvent::ActivationChange && isActiveWindow()) emit activated(slot());
}

}  // namespace plenum::ui
