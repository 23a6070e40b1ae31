#include "ui/ToolArea.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>

#include "core/Texts.h"
#include "ui/Controls.h"
#include "ui/Theme.h"
#include "ui/UiTexts.h"

namespace plenum::ui {
namespace {

QFrame* Separator(double scale, QWidget* parent) {
    auto* line = new QFrame(parent);
    line->setFixedSize(1, Px(scale, 36));
    line->setStyleSheet(QStringLiteral("background: %1;").arg(colours::kBorder.name()));
    return line;
}

}  // namespace

ToolArea::ToolArea(double screenScale, QWidget* parent) : QWidget(parent), scale_(screenScale) {
    setObjectName(QStringLiteral("ToolArea"));
    setFixedHeight(Px(screenScale, 68));
    auto make = [&](Glyph glyph, const char* name, const QColor& accent) {
        auto* button = new UCButton(glyph, UCButton::Shape::Tool, screenScale, this);
        button->setObjectName(QString::fromLatin1(name));
        button->setAccent(accent);
        return button;
    };
    add_ = make(Glyph::Add, "ImageAdd", colours::kAccent);
    search_ = make(Glyph::Search, "ImgSearchDev", colours::kAccent);
    connectAll_ = make(Glyph::Connect, "ImgConnectAll", colours::kOnline);
    save_ = make(Glyph::Save, "ImageButton_0", colours::kText);
    load_ = make(Glyph::Open, "ImageButton_1", colours::kText);
    group_ = make(Glyph::Group, "ImageButton_2", colours::kSub);

    auto* title = new QLabel(QStringLiteral("PLENUM"), this);
    title->setFont(UiFont(screenScale, 12, true));
    title->setStyleSheet(QStringLiteral("color: %1; letter-spacing: 3px;").arg(colours::kText.name()));

    listed_ = new QLabel(this);
    listed_->setObjectName(QStringLiteral("LabelDeviceCount"));
    online_ = new QLabel(this);
    online_->setObjectName(QStringLiteral("LabelOnlineCount"));
    for (QLabel* label : {listed_, online_}) label->setFont(UiFont(screenScale, 9));

    language_ = new QLabel(this);
    language_->setObjectName(QStringLiteral("LabelLanguageButton"));
    language_->setAlignment(Qt::AlignCenter);
    language_->setFixedSize(Px(screenScale, 44), Px(screenScale, 30));
    language_->setFont(UiFont(screenScale, 10, true));
    language_->setCursor(Qt::PointingHandCursor);
    language_->setStyleSheet(QStringLiteral("QLabel { color: %1; background: %2; border: 1px solid %3; border-radius: %4px; }"
                                            "QLabel:hover { border-color: %5; }")
                                 .arg(colours::kText.name(), colours::kRaised.name(), colours::kBorder.name(),
                                      QString::number(Px(screenScale, 6)), colours::kAccent.name()));
    language_->installEventFilter(this);

    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(Px(screenScale, 14), Px(screenScale, 6), Px(screenScale, 14), Px(screenScale, 6));
    layout->setSpacing(Px(screenScale, 4));
    layout->addWidget(title);
    layout->addSpacing(Px(screenScale, 18));
    layout->addWidget(add_);
    layout->addWidget(search_);
    layout->addWidget(connectAll_);
    layout->addSpacing(Px(screenScale, 6));
    layout->addWidget(Separator(screenScale, this));
    layout->addSpacing(Px(screenScale, 6));
    layout->addWidget(save_);
    layout->addWidget(load_);
    layout->addSpacing(Px(screenScale, 6));
    layout->addWidget(Separator(screenScale, this));
    layout->addSpacing(Px(screenScale, 6));
    layout->addWidget(group_);
    layout->addStretch();
    layout->addWidget(listed_);
    layout->addSpacing(Px(screenScale, 14));
    layout->addWidget(online_);
    layout->addSpacing(Px(screenScale, 18));
    layout->addWidget(language_);

    connect(add_, &UCButton::clicked, this, &ToolArea::addClicked);
    connect(search_, &UCButton::clicked, this, &ToolArea::searchClicked);
    connect(connectAll_, &UCButton::clicked, this, &ToolArea::connectAllClicked);
    connect(save_, &UCButton::clicked, this, &ToolArea::saveClicked);
    connect(load_, &UCButton::clicked, this, &ToolArea::loadClicked);
    connect(group_, &UCButton::clicked, this, &ToolArea::groupClicked);
}

void ToolArea::retranslate(int lang, const QString& languageLabel) {
    const std::pair<UCButton*, std::pair<const Bilingual*, const Bilingual*>> buttons[] = {
        {add_, {&captions::kAdd, &captions::kAddTip}},       {search_, {&captions::kSearch, &captions::kSearchTip}},
        {connectAll_, {&captions::kConnectAll, &captions::kConnectAllTip}},
        {save_, {&captions::kSave, &captions::kSaveTip}},    {load_, {&captions::kLoad, &captions::kLoadTip}},
        {group_, {&captions::kGroup, &captions::kGroupTip}}};
    for (const auto& [button, text] : buttons) {
        button->setText(Pick(*text.first, lang));
        button->setToolTip(Pick(*text.second, lang));
        button->updateGeometry();
    }
    language_->setText(languageLabel);
    language_->setToolTip(Pick(captions::kLanguageTip, lang));
}

void ToolArea::setCounts(int listed, int online, int lang) {
    listed_->setText(Q(FillText(captions::kDeviceCount.pick(lang), {std::to_string(listed)})));
    online_->setText(QStringLiteral("<span style='color:%1'>●</span> ").arg(colours::kOnline.name()) +
                     Q(FillText(captions::kOnlineCount.pick(lang), {std::to_string(online)})));
    listed_->setStyleSheet(QStringLiteral("color: %1;").arg(colours::kTextDim.name()));
    online_->setStyleSheet(QStringLiteral("color: %1;").arg(colours::kTextDim.name()));
}

bool ToolArea::eventFilter(QObject* watched, QEvent* event) {
    if (watched == language_ && event->type() == QEvent::MouseButtonRelease &&
        static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
        emit languageClicked();
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

void ToolArea::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    QLinearGradient background(0, 0, 0, height());
    background.setColorAt(0, colours::kRaised);
    background.setColorAt(1, colours::kPanel);
    painter.fillRect(rect(), background);
    painter.setPen(colours::kBorder);
    painter.drawLine(0, height() - 1, width(), height() - 1);
}

}  // namespace plenum::ui
