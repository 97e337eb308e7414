#pragma once
#include <functional>

// Ending the program at once, from wherever the main window is unloaded (even inside an animation).
namespace Program {
void End();
bool Ended();
// Tests replace the exit with a hook; after End() the program counts as ended until Reset().
void SetEndHook(std::function<void()> hook);
void Reset();
}
