// The one QApplication of a Qt test binary, on the offscreen platform, made on first use.
#pragma once

#include <QApplication>

namespace plenum::ui::test_support {

inline QApplication& App() {
    static int argc = 1;
    static char name[] = "ui_tests";
    static char* argv[] = {name, nullptr};
    qputenv("QT_QPA_PLATFORM", "offscreen");
    // Left alive until the process ends: destroying it among the static destructors would run
    // after Qt's own globals are gone.
    static QApplication* app = new QApplication(argc, argv);
    return *app;
}

}  // namespace plenum::ui::test_support
