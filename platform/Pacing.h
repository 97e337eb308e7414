#pragma once

// Animation pacing: Sleep blocks the thread without handling events, DoEvents lets pending events run.
// Tests switch pacing to instant so that animations cost no time.
namespace Pacing {
void Sleep(int ms);
void DoEvents();
void SetInstant(bool instant);
bool Instant();
}
