#include "platform/AudioDevice.h"

#include <SDL.h>
#include <SDL_mixer.h>
#include <sys/stat.h>

namespace {
bool tried = false;
bool opened = false;
const char* const kSoundFont = "/usr/share/sounds/sf2/TimGM6mb.sf2";
}

namespace AudioDevice {
bool Open() {
    if (tried) return opened;
    tried = true;
    // SDL must not take over Ctrl+C.
    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    if (SDL_Init(SDL_INIT_AUDIO) != 0) return false;
    struct stat st {};
    if (stat(kSoundFont, &st) == 0) Mix_SetSoundFonts(kSoundFont);
    if (Mix_OpenAudio(44100, MIX_DEFAULT_FORMAT, 2, 1024) != 0) {
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
        return false;
    }
    Mix_AllocateChannels(4);
    opened = true;
    return true;
}

bool IsOpen() { return opened; }

void Close() {
    if (!opened) return;
    Mix_HaltMusic();
    Mix_HaltChannel(-1);
    Mix_CloseAudio();
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
    opened = false;
    tried = false;
}
}
