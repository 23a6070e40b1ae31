#include "ui/DeviceTile.h"

#include <algorithm>

#include <QAction>
#include <QApplication>
#include <QContextMenuEvent>
#include <QDrag>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QMimeData>
#include <QPainter>
#include <QPainterPath>
#include <QVBoxLayout>

#include "core/Registry.h"
#include "device/Locks.h"
#include "ui/Controls.h"
#include "ui/Theme.h"
#include "ui/UiTexts.h"
#include "ui/logic/DeviceActions.h"

namespace plenum::ui {
namespace {

constexpr double kTileWidth = 156;   // pixels at 96 dpi; the grid cell is 2500 twips (166.7 px)
constexpr double kTileHeight = 228;  // the cell is 3600 twips (240 px) tall
constexpr double kCabinetTop = 30;
constexpr double kCabinetHeight = 64;
constexpr double kLabelsTop = 100;
// Two level columns flank the cabinet, input left and output right, clear of the widest (SUB) box.
constexpr double kMeterOffset = 42;  // from the tile's centre to the inner edge of a column
constexpr double kMeterWidth = 5;
constexpr double kMeterTop = 42;
constexpr double kMeterBottom = 92;

QLabel* MakeLabel(QWidget* parent, const char* name, const QFont& font, const QColor& colour) {
    auto* label = new QLabel(parent);
    label->setObjectName(QString::fromLatin1(name));
    label->setFont(font);
    label->setAlignment(Qt::AlignHCenter);
    label->setStyleSheet(QStringLiteral("color: %1; background: transparent;").arg(colour.name()));
    return label;
}

}  // namespace

DeviceTile::DeviceTile(const AppContext& ctx, int slot, QWidget* parent) : QFrame(parent), ctx_(ctx), slot_(slot) {
    const double scale = ctx.ScreenScale;
    setObjectName(QStringLiteral("FrmDevice"));
    setProperty("slot", slot);
    setFixedSize(Px(scale, kTileWidth), Px(scale, kTileHeight));
    setCursor(Qt::OpenHandCursor);

    name_ = MakeLabel(this, "LabelName", UiFont(scale, 10.5, true), colours::kText);
    model_ = MakeLabel(this, "LabelModel", UiFont(scale, 8.5), colours::kTextDim);
    address_ = MakeLabel(this, "LabelAddress", UiFont(scale, 8.5), colours::kTextDim);
    status_ = MakeLabel(this, "LabelStatus", UiFont(scale, 8.5, true), colours::kOffline);

    connect_ = new UCButton(Glyph::Connect, UCButton::Shape::Inline, scale, this);
    connect_->setObjectName(QStringLiteral("ImgConnect"));
    edit_ = new UCButton(Glyph::Edit, UCButton::Shape::Icon, scale, this);
    edit_->setObjectName(QStringLiteral("ImgEdit"));
    remove_ = new UCButton(Glyph::Remove, UCButton::Shape::Icon, scale, this);
    remove_->setObjectName(QStringLiteral("ImgRemove"));
    remove_->setAccent(colours::kDanger);
    firmware_ = new UCButton(Glyph::Firmware, UCButton::Shape::Icon, scale, this);
    firmware_->setObjectName(QStringLiteral("ImgFwUpdate"));

    connect(connect_, &UCButton::clicked, this, [this] { emit connectRequested(slot_); });
    connect(edit_, &UCButton::clicked, this, [this] { emit editRequested(slot_); });
    connect(remove_, &UCButton::clicked, this, [this] { emit removeRequested(slot_); });
    connect(firmware_, &UCButton::clicked, this, [this] { emit firmwareRequested(slot_); });

    // The two everyday actions sit at the bottom; firmware and removal, rarer and heavier, in the
    // header's corner.
    auto* actions = new QHBoxLayout;
    actions->setSpacing(Px(scale, 4));
    actions->addWidget(connect_, 1);
    actions->addWidget(edit_);
    const int small = Px(scale, 22);
    firmware_->setFixedSize(small, small);
    remove_->setFixedSize(small, small);
    firmware_->move(width() - Px(scale, 8) - 2 * small - Px(scale, 3), Px(scale, 8));
    remove_->move(width() - Px(scale, 8) - small, Px(scale, 8));

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(Px(scale, 8), Px(scale, kLabelsTop), Px(scale, 8), Px(scale, 8));
    layout->setSpacing(Px(scale, 1));
    layout->addWidget(name_);
    layout->addWidget(model_);
    layout->addWidget(address_);
    layout->addSpacing(Px(scale, 4));
    layout->addWidget(status_);
    layout->addStretch();
    layout->addLayout(actions);
    refresh();
}

QString DeviceTile::statusText() const { return status_->text(); }

void DeviceTile::refresh() {
    const int lang = ctx_.LanguageFlag;
    const DeviceRecord& record = ctx_.device(slot_);
    online_ = record.isConnected();
    const QString name = Q(DisplayName(ctx_, slot_));
    name_->setText(QFontMetrics(name_->font()).elidedText(name, Qt::ElideRight, width() - Px(ctx_.ScreenScale, 16)));
    name_->setToolTip(name);
    model_->setText(Q(TileModelText(ctx_, slot_)));
    address_->setText(Q(TileAddressText(ctx_, slot_)));
    status_->setText(QStringLiteral("●  ") + Pick(online_ ? texts::kOnLine : texts::kOffLine, lang));
    status_->setStyleSheet(QStringLiteral("color: %1; background: transparent;")
                               .arg((online_ ? colours::kOnline : colours::kOffline).name()));
    connect_->setText(Pick(online_ ? captions::kDisconnect : captions::kConnect, lang));
    connect_->setGlyph(online_ ? Glyph::Disconnect : Glyph::Connect);
    connect_->setAccent(online_ ? colours::kOnline : colours::kAccent);
    edit_->setToolTip(Pick(captions::kEditTip, lang));
    remove_->setToolTip(Pick(captions::kRemoveTip, lang));
    firmware_->setToolTip(Pick(captions::kFirmwareTip, lang));
    setToolTip(Pick(captions::kDragTip, lang));
    update();
}

void DeviceTile::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const double scale = ctx_.ScreenScale;
    const bool sub = ctx_.device(slot_).isSub();
    const QColor family = sub ? colours::kSub : colours::kSat;
    const QRectF frame = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
    const double radius = Px(scale, 9);

    QLinearGradient background(frame.topLeft(), frame.bottomLeft());
    background.setColorAt(0, colours::kRaised);
    background.setColorAt(1, colours::kPanel);
    painter.setPen(QPen(online_ ? colours::kOnline.darker(140) : colours::kBorder, 1));
    painter.setBrush(background);
    painter.drawRoundedRect(frame, radius, radius);

    // The family stripe along the top edge.
    QPainterPath clip;
    clip.addRoundedRect(frame, radius, radius);
    painter.save();
    painter.setClipPath(clip);
    painter.fillRect(QRectF(frame.left(), frame.top(), frame.width(), Px(scale, 3)), family);
    painter.restore();

    // Family badge and slot number.
    const QFont small = UiFont(scale, 7.5, true);
    painter.setFont(small);
    const QString badge = sub ? QStringLiteral("SUB") : QStringLiteral("SAT");
    const QRectF badgeBox(Px(scale, 9), Px(scale, 10), QFontMetrics(small).horizontalAdvance(badge) + Px(scale, 10),
                          Px(scale, 15));
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(family.red(), family.green(), family.blue(), 40));
    painter.drawRoundedRect(badgeBox, Px(scale, 4), Px(scale, 4));
    painter.setPen(family);
    painter.drawText(badgeBox, Qt::AlignCenter, badge);
    painter.setPen(colours::kTextDim);
    painter.drawText(QRectF(badgeBox.right() + Px(scale, 6), badgeBox.top(), Px(scale, 40), badgeBox.height()),
                     Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("#%1").arg(slot_));

    PaintCabinet(painter, sub, QRectF(0, Px(scale, kCabinetTop), width(), Px(scale, kCabinetHeight)), family, online_);
    if (online_) paintMeters(painter);
}

void DeviceTile::setLevels(const TileLevels& levels) {
    if (levels == levels_) return;
    levels_ = levels;
    const double scale = ctx_.ScreenScale;
    update(0, Px(scale, kMeterTop - 10), width(), Px(scale, kMeterBottom - kMeterTop + 12));
}

// Two thin columns on the edit windows' meter scale, filling upwards: green below -10 dB, amber in
// the top 10 dB, with the lamp above each column red while the device reports clip or limit.
void DeviceTile::paintMeters(QPainter& painter) {
    const double scale = ctx_.ScreenScale;
    const int lang = ctx_.LanguageFlag;
    const double centre = width() / 2.0;
    const double barWidth = Px(scale, kMeterWidth);
    const double top = Px(scale, kMeterTop);
    const double bottom = Px(scale, kMeterBottom);
    const double lamp = Px(scale, 2.5);
    painter.setFont(UiFont(scale, 6.5, true));
    struct Column {
        const Bilingual* caption;
        std::uint8_t level;
        double left;
        bool captionLeft;
    };
    const Column columns[] = {
        {&captions::kMeterIn, levels_.input, centre - Px(scale, kMeterOffset) - barWidth, true},
        {&captions::kMeterOut, levels_.output, centre + Px(scale, kMeterOffset), false}};
    for (const Column& column : columns) {
        const QRectF track(column.left, top, barWidth, bottom - top);
        painter.setPen(Qt::NoPen);
        painter.setBrush(colours::kWindow);
        painter.drawRoundedRect(track, barWidth / 2, barWidth / 2);
        const double fraction = TileBarFraction(column.level);
        if (fraction > 0) {
            QLinearGradient fill(track.bottomLeft(), track.topLeft());
            fill.setColorAt(0, colours::kOnline.darker(130));
            fill.setColorAt(0.47, colours::kOnline);
            fill.setColorAt(0.53, QColor(0xea, 0xb3, 0x08));
            fill.setColorAt(1, QColor(0xf9, 0x73, 0x16));
            painter.setBrush(fill);
            const double height = std::max(track.height() * fraction, barWidth);
            painter.drawRoundedRect(QRectF(track.left(), track.bottom() - height, barWidth, height), barWidth / 2,
                                    barWidth / 2);
        }
        painter.setBrush(IndicatorLit(column.level) ? colours::kDanger : colours::kRaisedHover);
        painter.drawEllipse(QPointF(track.center().x(), top - Px(scale, 6)), lamp, lamp);
        const double gap = Px(scale, 4);
        const double captionWidth = Px(scale, 24);
        const QRectF caption(column.captionLeft ? track.left() - gap - captionWidth : track.right() + gap,
                             bottom - Px(scale, 12), captionWidth, Px(scale, 12));
        painter.setPen(colours::kTextDim);
        painter.drawText(caption, (column.captionLeft ? Qt::AlignRight : Qt::AlignLeft) | Qt::AlignBottom,
                         Pick(*column.caption, lang));
    }
}

void DeviceTile::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) pressPos_ = event->position().toPoint();
    QFrame::mousePressEvent(event);
}

void DeviceTile::mouseMoveEvent(QMouseEvent* event) {
    if (!(event->buttons() & Qt::LeftButton) ||
        (event->position().toPoint() - pressPos_).manhattanLength() < QApplication::startDragDistance())
        return;
    auto* mime = new QMimeData;
    mime->setData(MimeType(), QByteArray::number(slot_));
    mime->setProperty("hotSpot", pressPos_);
    auto* drag = new QDrag(this);
    drag->setMimeData(mime);
    drag->setPixmap(grab());
    drag->setHotSpot(pressPos_);
    drag->exec(Qt::MoveAction);
}

void DeviceTile::mouseDoubleClickEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) emit editRequested(slot_);
}

void DeviceTile::fillMenu(QMenu& menu) {
    const bool online = ctx_.device(slot_).isConnected();
    menu.addAction(Pick(texts::kSwitchOnOffLine, ctx_.LanguageFlag), this, [this] { emit connectRequested(slot_); });
    QAction* drift = menu.addAction(Pick(captions::kCompareWithDevice, ctx_.LanguageFlag), this,
                                    [this] { emit driftRequested(slot_); });
    drift->setObjectName(QStringLiteral("MenuDrift"));
    drift->setEnabled(online);
    menu.addSeparator();
    constexpr std::pair<device::LockMode, const char*> locks[] = {
        {device::LockMode::Gui, "MenuLockGui"}, {device::LockMode::Panel, "MenuLockPanel"}, {device::LockMode::Admin, "MenuAdmin"}};
    for (const auto& [mode, name] : locks) {
        QAction* lock = menu.addAction(QString::fromStdString(device::LockActionCaption(ctx_, slot_, mode)), this,
                                       [this, mode] { emit lockRequested(slot_, static_cast<int>(mode)); });
        lock->setObjectName(QString::fromLatin1(name));
        lock->setEnabled(online);
    }
}

void DeviceTile::contextMenuEvent(QContextMenuEvent* event) {
    QMenu menu(this);
    fillMenu(menu);
    menu.exec(event->globalPos());
}

}  // namespace plenum::ui
