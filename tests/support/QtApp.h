// The one QApplication of a widget test program (header only: the widget
// tests include it, the core tests never do).
#pragma once

#include <gtest/gtest.h>

#include <QApplication>

namespace testsupport {

// Made on first use; destroyed when the tests end, before the exit handlers:
// the input devices that key events bring must go while their platform is there.
inline QApplication& QtApp() {
    static int argc = 1;
    static char name[] = "uitest";
    static char* argv[] = {name, nullptr};
    if (auto* existing = qobject_cast<QApplication*>(QCoreApplication::instance())) return *existing;
    struct Owner : ::testing::Environment {
        QApplication* app = nullptr;
        void TearDown() override {
            delete app;
            app = nullptr;
        }
    };
    static Owner* owner = [] {
        auto* o = new Owner;
        ::testing::AddGlobalTestEnvironment(o);
        return o;
    }();
    if (!owner->app) owner->app = new QApplication(argc, argv);
    return *owner->app;
}

}  // namespace testsupport
