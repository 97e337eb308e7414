#pragma once

// Opens the sound device once. Without a device (or with no soundfont for MIDI) the game runs silently.
namespace AudioDevice {
bool Open();
bool IsOpen();
void Close();
}
