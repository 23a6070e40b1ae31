#include "ui/DeviceTile.h"

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
    firmware_->setEnabled(false);  // the firmware window is not part of this version yet

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
    layout->setContentsMargins(Px(scale, 8), Px(scale, kCabinetTop + kCabinetHeight + 6), Px(scale, 8), Px(scale, 8));
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

void DeviceTile::contextMenuEvent(QContextMenuEvent* event) {
    QMenu menu(this);
    menu.addAction(Pick(texts::kSwitchOnOffLine, ctx_.LanguageFlag), this, [this] { emit connectRequested(slot_); });
    menu.exec(event->globalPos());
}

}  // namespace plenum::ui
