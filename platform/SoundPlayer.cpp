#include "platform/SoundPlayer.h"
#include "platform/AudioDevice.h"
#include "platform/AudioLibrary.h"
#include "platform/CallLog.h"

#include <QFile>
#include <map>

namespace {
CallLog& Log() {
    static CallLog log;
    return log;
}

Mix_Chunk* Load(const QByteArray& file) {
    bool exists = false;
    const QByteArray bytes = SoundFiles::Read(file, exists);
    const AudioFunctions* sdl = AudioLibrary();
    Mix_Chunk* chunk = nullptr;
    if (SoundFiles::IsWave(bytes))
        chunk = sdl->Mix_LoadWAV_RW(sdl->SDL_RWFromConstMem(bytes.constData(), static_cast<int>(bytes.size())), 1);
    if (!chunk && exists) SoundFiles::ReportDamaged(file, "not a playable WAV file");
    return chunk;
}

// On the audio thread. Each file is read once and kept until the program ends: every device is opened
// in the one format the chunks were converted to.
void Play(const QByteArray& file) {
    if (!AudioDevice::Ready()) return;
    static auto* chunks = new std::map<QByteArray, Mix_Chunk*>;
    auto it = chunks->find(file);
    if (it == chunks->end()) it = chunks->emplace(file, Load(file)).first;
    if (it->second) AudioLibrary()->Mix_PlayChannelTimed(0, it->second, 0, -1);
}
}

namespace SoundPlayer {
QStringList& History() { return Log().Entries(); }

void PlayAsync(const QString& path) {
    Log().Add(path);
    AudioDevice::Post([file = QFile::encodeName(path)] { Play(file); });
}
}
