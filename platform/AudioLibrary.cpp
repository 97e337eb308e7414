#include "platform/AudioLibrary.h"

#include <cstdio>
#include <dlfcn.h>
#include <mutex>
#include <string>

namespace {
void QuietLog(int, const char*, void*) {}

const AudioFunctions* Load() {
    // SDL and FluidSynth come with SDL_mixer, whose handle finds their functions too.
    const char* const library = "libSDL2_mixer-2.0.so.0";
    void* mixer = dlopen(library, RTLD_NOW | RTLD_LOCAL);
    if (!mixer) {
        std::fprintf(stderr, "quorbit: %s cannot be loaded (%s); the game stays silent\n", library, dlerror());
        return nullptr;
    }
    auto* functions = new AudioFunctions;  // kept to the end, as the libraries are
    std::string missing;
#define QUORBIT_AUDIO_LOOKUP(name)                                                                            \
    functions->name = reinterpret_cast<decltype(&::name)>(dlsym(mixer, #name));                                \
    if (!functions->name) missing += " " #name;
    QUORBIT_AUDIO_FUNCTIONS(QUORBIT_AUDIO_LOOKUP)
#undef QUORBIT_AUDIO_LOOKUP
    if (!missing.empty()) {
        std::fprintf(stderr, "quorbit: %s lacks%s; the game stays silent\n", library, missing.c_str());
        return nullptr;
    }
    // FluidSynth prints a line for every buffer it fails to fill; nothing of it is for the player.
    for (int level = FLUID_PANIC; level < LAST_LOG_LEVEL; ++level)
        functions->fluid_set_log_function(level, QuietLog, nullptr);
    return functions;
}
}

const AudioFunctions* AudioLibrary() {
    static std::once_flag once;
    static const AudioFunctions* functions = nullptr;
    std::call_once(once, [] { functions = Load(); });
    return functions;
}
