// The add-device dialog: the model (and, for the platforms that carry several cabinets, the
// cabinet variant), USB or LAN, and for LAN the four address boxes, clamped while typed. Add
// hands the choice to the registry, which refuses a model already listed; the dialog then stays
// open.
#pragma once

#include <QDialog>
#include <array>

#include "core/AppContext.h"
#include "core/Prompter.h"
#include "ui/logic/AddressEntry.h"
#include "ui/logic/ModelCatalog.h"

class QRadioButton;
class QLabel;
class QWidget;

namespace plenum::ui {

class UCCombo;
class UCTextUpDown;
class UCButton;

class AddDeviceDialog final : public QDialog {
    Q_OBJECT
public:
    AddDeviceDialog(AppContext& ctx, Prompter& prompter, int slot, const Octets& initialAddress,
                    QWidget* parent = nullptr);

    // Picks a model code and (codes 8 and 10) a variant, as the user would.
    void selectModel(int modelCode, int variant = 0);
    void selectNetwork(bool lan);
    UCTextUpDown* octetBox(int position) const { return octets_[static_cast<std::size_t>(position)]; }
    ModelEntry currentEntry() const;
    bool networkChosen() const;
    std::string typedAddress() const;
    // The Add button: true when the device was added (the dialog is then accepted).
    bool tryAdd();

private:
    void fillVariants();
    void updateAddressRow();

    AppContext& ctx_;
    Prompter& prompter_;
    int slot_;
    UCCombo* model_;
    UCCombo* variant_;
    QLabel* variantLabel_;
    QRadioButton* usb_;
    QRadioButton* lan_;
    QWidget* addressRow_;
    std::array<UCTextUpDown*, 4> octets_{};
    QWidget* preview_;
};

}  // namespace plenum::ui
