#include "ui/SelGroupDialog.h"

#include <QComboBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "groups/GroupTexts.h"

namespace plenum::ui {
namespace {

QString Pick(const AppContext& ctx, const Bilingual& text) {
    return QString::fromUtf8(text.pick(ctx.LanguageFlag).data(), static_cast<int>(text.pick(ctx.LanguageFlag).size()));
}

}  // namespace

SelGroupDialog::SelGroupDialog(AppContext& ctx, Prompter& prompter, GroupSink& sink, int group, bool editMode,
                               EditWindowRefresher* windows, QWidget* parent)
    : QDialog(parent), ctx_(ctx), prompter_(prompter), sink_(sink), group_(group), editMode_(editMode), windows_(windows) {
    setObjectName("FrmSelGroup");
    auto* layout = new QVBoxLayout(this);
    auto* kind = new QHBoxLayout;
    withoutSub_ = new QRadioButton("L + R", this);
    withSub_ = new QRadioButton("L + R + SUB", this);
    withoutSub_->setObjectName("OptionNoSub");
    withSub_->setObjectName("OptionSub");
    kind->addWidget(withoutSub_);
    kind->addWidget(withSub_);
    layout->addLayout(kind);

    auto* form = new QFormLayout;
    left_ = new QComboBox(this);
    right_ = new QComboBox(this);
    sub_ = new QComboBox(this);
    left_->setObjectName("ComboLeft");
    right_->setObjectName("ComboRight");
    sub_->setObjectName("ComboSub");
    name_ = new QLineEdit(Pick(ctx_, texts::kDefaultGroupName), this);
    name_->setObjectName("TextName");
    name_->setMaxLength(16);
    form->addRow(Pick(ctx_, texts::kRoleLeft), left_);
    form->addRow(Pick(ctx_, texts::kRoleRight), right_);
    form->addRow(Pick(ctx_, texts::kRoleSub), sub_);
    form->addRow("NAME", name_);
    layout->addLayout(form);

    auto* buttons = new QHBoxLayout;
    auto* add = new QPushButton(editMode_ ? "OK" : "Add", this);
    auto* cancel = new QPushButton("Cancel", this);
    add->setObjectName("ButtonAdd");
    cancel->setObjectName("ButtonCancel");
    buttons->addWidget(add);
    buttons->addWidget(cancel);
    layout->addLayout(buttons);
    connect(add, &QPushButton::clicked, this, [this] { tryAdd(); });
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(withSub_, &QRadioButton::toggled, this, [this](bool on) { sub_->setEnabled(on); });

    for (GroupRole role : {GroupRole::Left, GroupRole::Right, GroupRole::Sub}) fillChooser(role);
    const GroupRecord& record = ctx_.groups[static_cast<std::size_t>(group_)];
    if (editMode_ && record.isInUse()) {
        name_->setText(QString::fromStdString(record.Name));
        setWithSub(record.HasSub == 1);
        choose(GroupRole::Left, record.LeftDev);
        choose(GroupRole::Right, record.RightDev);
        if (record.HasSub == 1) choose(GroupRole::Sub, record.SubDev);
    } else {
        setWithSub(false);
    }
    setWindowTitle(editMode_ ? "Edit Group" : "Add Group");
}

QComboBox* SelGroupDialog::chooser(GroupRole role) const {
    return role == GroupRole::Left ? left_ : role == GroupRole::Right ? right_ : sub_;
}

void SelGroupDialog::fillChooser(GroupRole role) {
    QComboBox* box = chooser(role);
    box->clear();
    const auto offered = ChooserDevices(ctx_, role, editMode_ ? group_ : kNoGroup);
    box->addItem(Pick(ctx_, offered.empty() ? texts::kEmptyChooser : texts::kSelectDevice), 0);
    for (const int slot : offered)
        box->addItem(QString("%1: %2").arg(slot).arg(QString::fromStdString(ctx_.device(slot).DeviceName)), slot);
}

void SelGroupDialog::setWithSub(bool withSub) {
    (withSub ? withSub_ : withoutSub_)->setChecked(true);
    sub_->setEnabled(withSub);
}

void SelGroupDialog::setGroupName(const QString& name) { name_->setText(name); }

bool SelGroupDialog::choose(GroupRole role, int slot) {
    QComboBox* box = chooser(role);
    const int index = box->findData(slot);
    if (index <= 0) return false;
    box->setCurrentIndex(index);
    return true;
}

GroupSelection SelGroupDialog::selection() const {
    GroupSelection s;
    s.name = name_->text().toStdString();
    s.withSub = withSub_->isChecked();
    s.left = left_->currentData().toInt();
    s.right = right_->currentData().toInt();
    s.sub = s.withSub ? sub_->currentData().toInt() : 0;
    return s;
}

bool SelGroupDialog::tryAdd() {
    const GroupSelection chosen = selection();
    if (!ConfirmSelection(ctx_, prompter_, chosen)) return false;
    if (editMode_)
        RememberGroup(ctx_, group_, chosen, sink_, windows_);
    else
        CreateGroup(ctx_, group_, chosen, sink_, windows_);
    accept();
    return true;
}

}  // namespace plenum::ui
