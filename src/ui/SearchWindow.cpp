#include "ui/SearchWindow.h"

#include <QApplication>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QTimer>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "core/Registry.h"
#include "ui/Controls.h"
#include "ui/Theme.h"
#include "ui/UiTexts.h"
#include "ui/logic/AddressEntry.h"
#include "ui/logic/ModelCatalog.h"

namespace plenum::ui {
namespace {

// The range a first search offers when init.cfg holds none: the host's own /24 network.
void DefaultRange(const std::string& host, std::array<int, 4>& from, int& to) {
    if (from[0] != 0) return;
    Octets octets = SplitAddress(host).value_or(Octets{192, 168, 1, 1});
    if (octets[0] == 127) octets = {192, 168, 1, 1};
    from = {octets[0], octets[1], octets[2], 1};
    to = 254;
}

UCTextUpDown* OctetBox(int position, int value, double scale, QWidget* parent) {
    const OctetRange range = RangeOfOctet(position);
    auto* box = new UCTextUpDown(range.minimum, range.maximum, scale, parent);
    box->setFilter(
        [position](const QString& typed) { return Q(ClampOctetText(position, typed.toStdString())); });
    box->setValue(ClampOctet(position, value));
    box->setFixedWidth(Px(scale, 62));
    return box;
}

QLabel* Caption(const Bilingual& text, int lang, QWidget* parent) {
    auto* label = new QLabel(Pick(text, lang), parent);
    label->setStyleSheet(QStringLiteral("color: %1;").arg(colours::kTextDim.name()));
    return label;
}

}  // namespace

SearchWindow::SearchWindow(AppContext& ctx, comm::DeviceSearch& search, QWidget* parent)
    : QDialog(parent), ctx_(ctx), search_(search) {
    const double scale = ctx.ScreenScale;
    const int lang = ctx.LanguageFlag;
    setObjectName(QStringLiteral("FrmSearch"));
    setWindowTitle(Pick(captions::kSearchTitle, lang));

    const std::string hostAddress = search.hostAddress();
    DefaultRange(hostAddress, search.from, search.toLastOctet);

    host_ = new QLabel(Q(hostAddress), this);
    host_->setObjectName(QStringLiteral("LabelHostAddress"));
    host_->setFont(UiFont(scale, 10, true));

    auto* fromRow = new QHBoxLayout;
    fromRow->setSpacing(Px(scale, 3));
    for (int i = 0; i < 4; ++i) {
        UCTextUpDown* box = OctetBox(i, search.from[static_cast<std::size_t>(i)], scale, this);
        box->setObjectName(QStringLiteral("TextFrom%1").arg(i + 1));
        from_[static_cast<std::size_t>(i)] = box;
        if (i > 0) fromRow->addWidget(new QLabel(QStringLiteral("."), this));
        fromRow->addWidget(box);
    }
    fromRow->addStretch();
    to_ = OctetBox(3, search.toLastOctet == 0 ? 254 : search.toLastOctet, scale, this);
    to_->setObjectName(QStringLiteral("TextTo"));
    auto* toRow = new QHBoxLayout;
    toRow->setSpacing(Px(scale, 3));
    auto* toPrefix = new QLabel(this);
    toPrefix->setObjectName(QStringLiteral("LabelToPrefix"));
    toPrefix->setStyleSheet(QStringLiteral("color: %1;").arg(colours::kTextDim.name()));
    auto updatePrefix = [this, toPrefix] {
        QStringList parts;
        for (int i = 0; i < 3; ++i)
            parts << (from_[static_cast<std::size_t>(i)]->hasValue()
                          ? QString::number(from_[static_cast<std::size_t>(i)]->value())
                          : QStringLiteral("–"));
        toPrefix->setText(parts.join(QLatin1Char('.')) + QLatin1Char('.'));
    };
    for (int i = 0; i < 3; ++i)
        connect(from_[static_cast<std::size_t>(i)], &UCTextUpDown::valueChanged, this, updatePrefix);
    updatePrefix();
    toRow->addWidget(toPrefix);
    toRow->addWidget(to_);
    toRow->addStretch();

    auto* form = new QFormLayout;
    form->setHorizontalSpacing(Px(scale, 14));
    form->setVerticalSpacing(Px(scale, 10));
    form->setLabelAlignment(Qt::AlignRight | Qt::AlignVCenter);
    form->addRow(Caption(captions::kHostAddress, lang, this), host_);
    form->addRow(Caption(captions::kFrom, lang, this), fromRow);
    form->addRow(Caption(captions::kTo, lang, this), toRow);

    status_ = new QLabel(this);
    status_->setObjectName(QStringLiteral("LabelStatus"));
    status_->setFont(UiFont(scale, 9.5, true));
    status_->setText(Pick(captions::kSearchHint, lang));
    status_->setStyleSheet(QStringLiteral("color: %1;").arg(colours::kTextDim.name()));
    address_ = new QLabel(this);
    address_->setObjectName(QStringLiteral("LabelSearchIP"));
    address_->setStyleSheet(QStringLiteral("color: %1;").arg(colours::kTextDim.name()));

    found_ = new QTreeWidget(this);
    found_->setObjectName(QStringLiteral("ListFound"));
    found_->setColumnCount(4);
    found_->setHeaderLabels({Pick(captions::kColumnAddress, lang), Pick(captions::kColumnName, lang),
                             Pick(captions::kColumnModel, lang), Pick(captions::kColumnUniqueId, lang)});
    found_->setRootIsDecorated(false);
    found_->setSelectionMode(QAbstractItemView::NoSelection);
    found_->setFocusPolicy(Qt::NoFocus);
    found_->setMinimumHeight(Px(scale, 130));
    found_->header()->setStretchLastSection(true);
    found_->setColumnWidth(0, Px(scale, 100));
    found_->setColumnWidth(1, Px(scale, 120));
    found_->setColumnWidth(2, Px(scale, 70));
    found_->setStyleSheet(
        QStringLiteral("QTreeWidget { background: %1; border: 1px solid %2; border-radius: %3px; color: %4; }"
                       "QTreeWidget::item { padding: %5px 0px; }"
                       "QHeaderView::section { background: %6; color: %7; border: none;"
                       " border-bottom: 1px solid %2; padding: %5px %5px; }")
            .arg(colours::kWindow.name(), colours::kBorder.name(), QString::number(Px(scale, 6)),
                 colours::kText.name(), QString::number(Px(scale, 3)), colours::kPanel.name(),
                 colours::kTextDim.name()));

    const DialogButtons row =
        MakeDialogButtons(this, scale, Pick(captions::kOk, lang), Pick(captions::kCancel, lang), Glyph::Search);
    ok_ = row.ok;
    cancel_ = row.cancel;
    auto* buttons = row.row;

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(Px(scale, 22), Px(scale, 20), Px(scale, 22), Px(scale, 18));
    layout->setSpacing(Px(scale, 12));
    layout->addLayout(form);
    layout->addSpacing(Px(scale, 4));
    layout->addWidget(status_);
    layout->addWidget(address_);
    layout->addWidget(found_, 1);
    layout->addLayout(buttons);

    guard_ = new QTimer(this);
    guard_->setObjectName(QStringLiteral("TimerSearch"));
    guard_->setSingleShot(true);
    guard_->setInterval(kGuardMs);
    connect(guard_, &QTimer::timeout, this, &SearchWindow::guardElapsed);
    connect(ok_, &UCButton::clicked, this, [this] { startSearch(); });
    connect(cancel_, &UCButton::clicked, this, &SearchWindow::reject);
    setMinimumWidth(Px(scale, 470));
    showFound();
}

int SearchWindow::startSearch() {
    if (searching_) return 0;
    for (int i = 0; i < 4; ++i) {
        UCTextUpDown* box = from_[static_cast<std::size_t>(i)];
        search_.from[static_cast<std::size_t>(i)] =
            box->hasValue() ? ClampOctet(i, box->value()) : RangeOfOctet(i).minimum;
    }
    search_.toLastOctet = to_->hasValue() ? ClampOctet(3, to_->value()) : RangeOfOctet(3).minimum;
    ok_->setEnabled(false);
    cancel_->setEnabled(false);
    searching_ = true;
    guard_->start();
    found_->clear();
    address_->clear();
    status_->setStyleSheet(QStringLiteral("color: %1;").arg(colours::kAccent.name()));
    const std::string probing(texts::kSearchingIp.pick(ctx_.LanguageFlag));
    const int found = search_.run([this, &probing](const std::string& line) {
        if (line.rfind(probing, 0) == 0)
            address_->setText(Q(line));
        else
            status_->setText(Q(line));
        // The scan blocks this thread for about one time-out: keep the window painted meanwhile.
        QApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    });
    showFound();
    return found;
}

void SearchWindow::guardElapsed() {
    guard_->stop();
    ok_->setEnabled(true);
    cancel_->setEnabled(true);
    searching_ = false;
}

void SearchWindow::reject() {
    if (searching_) return;
    QDialog::reject();
}

void SearchWindow::showFound() {
    found_->clear();
    for (const DeviceRecord& found : ctx_.foundTable) {
        if (!found.isPresent()) continue;
        found_->addTopLevelItem(
            new QTreeWidgetItem({Q(found.Address), Q(found.DeviceName),
                                 Q(PickerName({found.ModelCode, 0}, "{1} {0}")), Q(found.UniqueId)}));
    }
    if (searching_ && found_->topLevelItemCount() == 0) {
        auto* none = new QTreeWidgetItem({Pick(captions::kNothingFound, ctx_.LanguageFlag)});
        none->setForeground(0, colours::kTextDim);
        found_->addTopLevelItem(none);
        none->setFirstColumnSpanned(true);
    }
}

}  // namespace plenum::ui
