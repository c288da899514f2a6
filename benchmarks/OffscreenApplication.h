#pragma once

#include <QApplication>

// The one application object of a benchmark of windows, made on first use and kept to the end of
// the run (benchmarks come and go, the application must not). Offscreen, so the figures do not
// depend on a display and a run needs none.
inline QApplication& offscreenApplication()
{
    static int argc = 1;
    static char name[] = "pelmora_benchmark";
    static char* argv[] = { name, nullptr };
    static QApplication* app = [] {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        return new QApplication(argc, argv);
    }();
    return *app;
}
