#include "ui/AeqButton.h"

#include <QProcess>

#include "device/Aeq.h"
#include "device/EditTexts.h"

namespace plenum::ui {

QPushButton* MakeAeqButton(QWidget* parent, AppContext& ctx, Prompter& prompter, int slot) {
    auto* button = new QPushButton(QStringLiteral("AEQ"), parent);
    button->setObjectName(QStringLiteral("UCBtnAEQ"));
    QObject::connect(button, &QPushButton::clicked, parent, [&ctx, &prompter, slot] {
        if (device::AeqFirmwareTooOld(ctx, slot)) {
            Tell(prompter, ctx.LanguageFlag, texts::kAeqOldFirmware);
            return;
        }
        const QString tool = qEnvironmentVariable("PLENUM_AEQ_TOOL");
        if (tool.isEmpty() || !QProcess::startDetached(tool, {})) Tell(prompter, ctx.LanguageFlag, texts::kAeqCantOpen);
    });
    return button;
}

}  // namespace plenum::ui
