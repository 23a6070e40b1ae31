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
constexpr double kCabinetHeight = 58;
constexpr double kMeterTop = 91;    // two level bars between the cabinet and the name
constexpr double kMeterPitch = 7;
constexpr double kLabelsTop = 108;

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
    update(0, Px(scale, kMeterTop - 2), width(), Px(scale, 2 * kMeterPitch + 2));
}

// Two thin bars, input and output, on the edit windows' meter scale: green up to -10 dB, amber in
// the top 10 dB, the lamp at the end red while the device reports clip or limit.
void DeviceTile::paintMeters(QPainter& painter) {
    const double scale = ctx_.ScreenScale;
    const int lang = ctx_.LanguageFlag;
    const double left = Px(scale, 36);
    const double right = width() - Px(scale, 22);
    const double barHeight = Px(scale, 4);
    const QFont font = UiFont(scale, 6.5, true);
    painter.setFont(font);
    const std::pair<const Bilingual*, std::uint8_t> rows[] = {{&captions::kMeterIn, levels_.input},
                                                              {&captions::kMeterOut, levels_.output}};
    double top = Px(scale, kMeterTop);
    for (const auto& [caption, level] : rows) {
        const QRectF track(left, top, right - left, barHeight);
        painter.setPen(colours::kTextDim);
        painter.drawText(QRectF(Px(scale, 8), top - Px(scale, 4), left - Px(scale, 12), barHeight + Px(scale, 8)),
                         Qt::AlignRight | Qt::AlignVCenter, Pick(*caption, lang));
        painter.setPen(Qt::NoPen);
        painter.setBrush(colours::kWindow);
        painter.drawRoundedRect(track, barHeight / 2, barHeight / 2);
        const double fraction = TileBarFraction(level);
        if (fraction > 0) {
            QLinearGradient fill(track.topLeft(), track.topRight());
            fill.setColorAt(0, colours::kOnline.darker(130));
            fill.setColorAt(0.45, colours::kOnline);
            fill.setColorAt(0.5, QColor(0xea, 0xb3, 0x08));
            fill.setColorAt(1, QColor(0xf9, 0x73, 0x16));
            painter.setBrush(fill);
            painter.drawRoundedRect(QRectF(track.left(), track.top(), track.width() * fraction, barHeight), barHeight / 2,
                                    barHeight / 2);
        }
        const double lamp = Px(scale, 3);
        painter.setBrush(IndicatorLit(level) ? colours::kDanger : colours::kRaisedHover);
        painter.drawEllipse(QPointF(right + Px(scale, 8), top + barHeight / 2), lamp, lamp);
        top += Px(scale, kMeterPitch);
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

void DeviceTile::contextMenuEvent(QContextMenuEvent* event) {
    QMenu menu(this);
    menu.addAction(Pick(texts::kSwitchOnOffLine, ctx_.LanguageFlag), this, [this] { emit connectRequested(slot_); });
    menu.exec(event->globalPos());
}

}  // namespace plenum::ui
