#include "platform/SoundPlayer.h"
#include "platform/AudioDevice.h"

#include <SDL_mixer.h>
#include <map>

namespace {
struct ChunkCache {
    std::map<QString, Mix_Chunk*> chunks;
    ~ChunkCache() = default;  // the device owns the memory until the program ends
};
ChunkCache& Cache() {
    static ChunkCache cache;
    return cache;
}
}

namespace SoundPlayer {
QStringList& History() {
    static QStringList history;
    return history;
}

void PlayAsync(const QString& path) {
    // The history serves tests; a long game must not grow it without end.
    QStringList& history = History();
    if (history.size() >= 4096) history.erase(history.begin(), history.begin() + 2048);
    history.append(path);
    if (!AudioDevice::Open()) return;
    auto& chunks = Cache().chunks;
    auto it = chunks.find(path);
    if (it == chunks.end()) it = chunks.emplace(path, Mix_LoadWAV(path.toLocal8Bit().constData())).first;
    if (!it->second) return;
    Mix_PlayChannel(0, it->second, 0);
}
}
