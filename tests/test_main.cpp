// Test runner: headless Qt, silent SDL audio and a private settings folder.
#include "TestSupport.h"

#include <QApplication>
#include <QTemporaryDir>
#include <gtest/gtest.h>

// Leak reports from system libraries that keep their state until the process ends are not ours. SDL's
// PulseAudio backend leaves some of libpulse's requests unfreed when a device lost with its server is
// closed, and the reports then stop inside libpulse. Qt's Wayland layer leaves its display's objects
// to the end of the process.
extern "C" const char* __lsan_default_suppressions() {
    return "leak:libSDL2\nleak:libfluidsynth\nleak:libfontconfig\nleak:libdbus\nleak:libglib\n"
           "leak:libgobject\nleak:libxkbcommon\nleak:libpulse\nleak:libwayland-client\nleak:libQt6WaylandClient\n";
}
// Nor is what they were spared listed: tests read the standard error of the game they start.
extern "C" const char* __lsan_default_options() { return "print_suppressions=0"; }

int main(int argc, char** argv) {
    // gtest discovery runs this binary outside ctest's environment too.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    qputenv("SDL_AUDIODRIVER", "dummy");
    // With no session bus the D-Bus library starts one through a forked child, which under the
    // sanitizer can hang for ever on the allocator's lock that another thread held at the fork: the
    // game and its tests then wait on it. An address that refuses at once keeps it from trying.
    if (qEnvironmentVariableIsEmpty("DBUS_SESSION_BUS_ADDRESS"))
        qputenv("DBUS_SESSION_BUS_ADDRESS", "unix:path=/nonexistent/quorbit-tests-have-no-bus");
    QTemporaryDir runtime;
    QTemporaryDir config;
    qputenv("XDG_RUNTIME_DIR", runtime.path().toLocal8Bit());
    qputenv("XDG_CONFIG_HOME", config.path().toLocal8Bit());
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
