// FrmSelGroup: the group chooser. The kind (with or without Sub), one chooser per role offering
// only the devices the group rules allow ("SELECT DEVICE" until chosen, "Empty" when none), the
// name (default "DEFAULT") and "Add", which validates, asks the synchronisation warning and
// creates (add mode) or re-members (edit mode) the group. The rules live in groups/GroupModel.
#pragma once

#include <QDialog>

#include "groups/GroupModel.h"

class QComboBox;
class QLineEdit;
class QRadioButton;

namespace plenum::ui {

class SelGroupDialog final : public QDialog {
    Q_OBJECT
public:
    // `group` is the record to fill (BeginAddGroup's index in add mode, the edited group's index
    // in edit mode); `sink` carries the member commands (PostingGroupSink in the application).
    SelGroupDialog(AppContext& ctx, Prompter& prompter, GroupSink& sink, int group, bool editMode,
                   EditWindowRefresher* windows = nullptr, QWidget* parent = nullptr);

    QComboBox* chooser(GroupRole role) const;
    void setWithSub(bool withSub);
    void setGroupName(const QString& name);
    // Chooses the device in `slot` for a role; false when the chooser does not offer it.
    bool choose(GroupRole role, int slot);
    GroupSelection selection() const;
    // "Add": true when the group was created or re-membered (the dialog is then accepted).
    bool tryAdd();

private:
    void fillChooser(GroupRole role);

    AppContext& ctx_;
    Prompter& prompter_;
    GroupSink& sink_;
    int group_;
    bool editMode_;
    EditWindowRefresher* windows_;
    QRadioButton* withoutSub_;
    QRadioButton* withSub_;
    QComboBox* left_;
    QComboBox* right_;
    QComboBox* sub_;
    QLineEdit* name_;
};

}  // namespace plenum::ui
