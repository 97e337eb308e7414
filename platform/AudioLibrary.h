#pragma once
// SDL, SDL_mixer and FluidSynth, opened at run time by the first sound: linked into the program, their
// forty-odd libraries would be bound before main and hold up the first window.
#include <SDL.h>
#include <SDL_mixer.h>
#include <fluidsynth.h>

#define QUORBIT_AUDIO_FUNCTIONS(X)                                                                           \
    X(SDL_SetHint) X(SDL_Init) X(SDL_GetError) X(SDL_QuitSubSystem) X(SDL_RWFromConstMem)                    \
    X(Mix_SetSoundFonts) X(Mix_OpenAudio) X(Mix_AllocateChannels) X(Mix_HaltMusic) X(Mix_FreeMusic)          \
    X(Mix_LoadMUSType_RW) X(Mix_VolumeMusic) X(Mix_PlayingMusic) X(Mix_PausedMusic) X(Mix_ResumeMusic)       \
    X(Mix_PlayMusic) X(Mix_PauseMusic) X(Mix_LoadWAV_RW) X(Mix_PlayChannelTimed)                             \
    X(fluid_set_log_function) X(new_fluid_settings) X(fluid_settings_setstr) X(new_fluid_synth)              \
    X(new_fluid_player) X(fluid_player_set_loop) X(fluid_player_add_mem) X(fluid_player_play)                \
    X(fluid_synth_write_float) X(fluid_player_get_status) X(fluid_player_get_total_ticks)                    \
    X(fluid_player_stop) X(delete_fluid_player) X(delete_fluid_synth) X(delete_fluid_settings)               \
    X(SDL_PeepEvents) X(Mix_CloseAudio)

struct AudioFunctions {
#define QUORBIT_AUDIO_POINTER(name) decltype(&::name) name = nullptr;
    QUORBIT_AUDIO_FUNCTIONS(QUORBIT_AUDIO_POINTER)
#undef QUORBIT_AUDIO_POINTER
};

// The functions, loaded once by whichever thread asks first; null when a library or a function is
// missing (the game is then silent, and says which on stderr). FluidSynth's messages are silenced
// before anything else runs.
const AudioFunctions* AudioLibrary();
