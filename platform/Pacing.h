#pragma once

// Animation pacing: Sleep blocks the thread without handling events, DoEvents lets pending events run.
// A pause lasts its length from its call; within an animation, the drawing of its frame since the last
// pause counts towards it. Tests switch pacing to instant so that animations cost no time.
namespace Pacing {
void Sleep(int ms);
void DoEvents();
// The drawing of a frame begins now: the first frame of an animation counts it towards its pause.
void FrameStarts();
void SetInstant(bool instant);
bool Instant();
}
