#include "platform/Program.h"

#include <cstdio>
#include <cstdlib>
#include <utility>

namespace {
bool ended = false;
std::function<void()> endHook;
}

namespace Program {
void End() {
    ended = true;
    if (endHook) {
        endHook();
        return;
    }
    std::fflush(nullptr);
    // Nothing may resume afterwards: no event loop, no pending animation step.
    std::_Exit(0);
}
bool Ended() { return ended; }
void SetEndHook(std::function<void()> hook) { endHook = std::move(hook); }
void Reset() { ended = false; }
}
