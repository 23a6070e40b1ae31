// The edit window's button bar: program files, GEQ import, factory recall and Flat PEQ. The rules
// and questions are the controller's; the window only picks the files.
#include <QStringList>

#include "ui/EditWindow.h"
#include "ui/Theme.h"

namespace plenum::ui {

// "text|pattern|text|pattern" as the file dialog's "text;;text" (each text names its patterns).
QString EditWindow::qtFilter(const std::string& filter) const {
    const QStringList parts = Q(filter).split(QLatin1Char('|'));
    QStringList entries;
    for (qsizetype i = 0; i < parts.size(); i += 2) entries << parts[i];
    return entries.join(QStringLiteral(";;"));
}

void EditWindow::loadProgram() {
    const QString file = pickFile_(false, Q(controller_->programFolder().string()), qtFilter(controller_->programFilter()));
    if (file.isEmpty()) return;
    if (controller_->loadProgram(file.toStdString())) reloadFromDevice();
}

void EditWindow::saveProgram() {
    const QString file = pickFile_(true, Q(controller_->programFolder().string()), qtFilter(controller_->programFilter()));
    if (!file.isEmpty()) controller_->saveProgram(file.toStdString());
}

void EditWindow::importGeq() {
    const QString file = pickFile_(false, Q(controller_->programFolder().string()), QStringLiteral("file GEQ (*.Txt *.txt)"));
    if (!file.isEmpty()) controller_->importGeq(file.toStdString());
}

void EditWindow::recallFactory() { controller_->recallFactory(); }

void EditWindow::flatPeq() { controller_->flatPeq(); }

}  // namespace plenum::ui
