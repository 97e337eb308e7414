#pragma once
#include <functional>

// Ending the program at once, from wherever the main window is unloaded (even inside an animation).
namespace Program {
// `status` is the exit status: 0, or non-zero when the shutdown could not do its work.
void End(int status = 0);
bool Ended();
// Tests replace the exit with a hook; after End() the program counts as ended until Reset().
void SetEndHook(std::function<void(int status)> hook);
void Reset();
// Runs the end that a signal asked for, if one waits: the animations call it between their frames,
// so that a logout during a long one is not held up until it is over.
void ServeSignal();

// The other ways a desktop ends a program run `end`, which must end it as its close box does:
// SIGTERM (logout, shutdown), SIGHUP, SIGINT, the X server going away (Qt then calls exit()) and
// the event loop quitting. An end through exit() keeps a non-zero status: the run was cut short.
// The session manager's request to commit data runs `save`: it may be a checkpoint, and the session
// ends the program afterwards if it wants to. Call once, after start-up.
void OnEndRequest(std::function<void()> end, std::function<void()> save);
}
