#include "ui/StartupScreen.h"

#include <QKeyEvent>
#include <QPainter>
#include <QTimer>

#include "core/AppContext.h"
#include "ui/Glyphs.h"
#include "ui/Theme.h"
#include "ui/UiTexts.h"

namespace plenum::ui {

StartupScreen::StartupScreen(AppContext& ctx, int durationMs, QWidget* parent)
    : QWidget(parent, Qt::SplashScreen | Qt::FramelessWindowHint), ctx_(ctx), keys_(ctx), durationMs_(durationMs) {
    setObjectName(QStringLiteral("FrmStartup"));
    setFixedSize(Px(ctx.ScreenScale, 560), Px(ctx.ScreenScale, 320));
    setFocusPolicy(Qt::StrongFocus);
}

void StartupScreen::start() {
    elapsed_.start();
    auto* progress = new QTimer(this);
    progress->setInterval(40);
    connect(progress, &QTimer::timeout, this, qOverload<>(&QWidget::update));
    progress->start();
    QTimer::singleShot(durationMs_, this, [this, progress] {
        progress->stop();
        keys_.close();
        emit finished();
    });
}

void StartupScreen::keyPressEvent(QKeyEvent* event) {
    const QString text = event->text();
    if (text.size() == 1 && text.at(0).unicode() < 128) keys_.keyPressed(static_cast<char>(text.at(0).unicode()));
    QWidget::keyPressEvent(event);
}

void StartupScreen::paintEvent(QPaintEvent*) {
    const double scale = ctx_.ScreenScale;
    const int lang = ctx_.LanguageFlag;
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    QLinearGradient background(0, 0, width(), height());
    background.setColorAt(0, QColor(0x1f, 0x25, 0x2e));
    background.setColorAt(1, colours::kWindow);
    painter.fillRect(rect(), background);
    painter.setPen(colours::kBorder);
    painter.drawRect(rect().adjusted(0, 0, -1, -1));

    // A row of cabinets: two satellites around a subwoofer.
    const double cabinet = Px(scale, 110);
    const double top = Px(scale, 56);
    const double right = width() - Px(scale, 40);
    PaintCabinet(painter, false, QRectF(right - Px(scale, 215), top, Px(scale, 70), cabinet), colours::kSat, true);
    PaintCabinet(painter, true, QRectF(right - Px(scale, 160), top + cabinet * 0.35, Px(scale, 110), cabinet * 0.65),
                 colours::kSub, true);
    PaintCabinet(painter, false, QRectF(right - Px(scale, 70), top, Px(scale, 70), cabinet), colours::kSat, true);

    const double left = Px(scale, 40);
    painter.setPen(colours::kText);
    painter.setFont(UiFont(scale, 30, true));
    painter.drawText(QPointF(left, Px(scale, 110)), Pick(captions::kAppName, lang).toUpper());
    painter.setFont(UiFont(scale, 11));
    painter.setPen(colours::kTextDim);
    painter.drawText(QPointF(left, Px(scale, 140)), Pick(captions::kSubtitle, lang));
    painter.setFont(UiFont(scale, 9));
    painter.drawText(QPointF(left, Px(scale, 250)),
                     Q(FillText(captions::kVersion.pick(lang), {kVersionText})) + QStringLiteral("   ·   ") +
                         Pick(captions::kStarting, lang));

    // The progress line across the bottom edge, filling over the start-up time.
    const double fraction = elapsed_.isValid() ? std::min(1.0, elapsed_.elapsed() / double(durationMs_)) : 0.0;
    const QRectF track(left, height() - Px(scale, 44), width() - 2 * left, Px(scale, 3));
    painter.setPen(Qt::NoPen);
    painter.setBrush(colours::kRaised);
    painter.drawRoundedRect(track, 1.5, 1.5);
    QLinearGradient fill(track.topLeft(), track.topRight());
    fill.setColorAt(0, colours::kSat);
    fill.setColorAt(1, colours::kAccent);
    painter.setBrush(fill);
    painter.drawRoundedRect(QRectF(track.left(), track.top(), track.width() * fraction, track.height()), 1.5, 1.5);
}

}  // namespace plenum::ui
