// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The widget targets (client_inbound, lobby_client_inbound): an offscreen
// application made once, in LLVMFuzzerInitialize, and a window of the
// target's own that serves many inputs. At exit the window goes first, then
// the application, as at the end of main.

#include <QCoreApplication>
#include <QtGlobal>

#include <cstdlib>

namespace fuzzing {

inline QCoreApplication*& widgetApplication() {
    static QCoreApplication* app = nullptr;
    return app;
}

// For LLVMFuzzerInitialize: the target's application, on the offscreen
// platform.
template <typename Application> void startApplication(int* argc, char*** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    widgetApplication() = new Application(*argc, *argv);
}

// For every input once its window exists: the first call registers the end,
// which resets `window` to a Window{} and then deletes the application. It is
// registered after the first window made Qt's font caches, so it runs before
// they are destroyed: the application frees what it keeps in them only while
// they still exist.
template <typename Window> void endAtExit(Window& window) {
    static Window* const kept = &window;
    static const bool registered = std::atexit([] {
                                       *kept = Window{};
                                       delete widgetApplication();
                                       widgetApplication() = nullptr;
                                   }) == 0;
    (void)registered;
}

} // namespace fuzzing
