#pragma once
// The main of a benchmark that needs the game's windows: headless Qt, silent audio, private settings,
// timers that never tick by themselves.
#include "platform/Pacing.h"
#include "platform/Program.h"
#include "platform/Timer.h"

#include <QApplication>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <functional>

inline int RunQtBenchmarks(int argc, char** argv, bool instantPacing, const std::function<void()>& cleanUp) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    qputenv("SDL_AUDIODRIVER", "dummy");
    QTemporaryDir config;
    qputenv("XDG_CONFIG_HOME", config.path().toLocal8Bit());
    QApplication app(argc, argv);
    Pacing::SetInstant(instantPacing);
    Timer::SetManual(true);
    Program::SetEndHook([](int) {});
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    cleanUp();
    return 0;
}
