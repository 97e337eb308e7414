#include "platform/AudioDevice.h"
#include "platform/AudioLibrary.h"

#include <QCoreApplication>
#include <QEvent>
#include <QTimer>

#include <atomic>
#include <cerrno>
#include <condition_variable>
#include <cstdio>
#include <deque>
#include <fcntl.h>
#include <mutex>
#include <set>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>
#include <utility>

namespace {
const char* const kSoundFont = "/usr/share/sounds/sf2/TimGM6mb.sf2";
// Far above any effect or tune of the game; a larger file is not read at all.
constexpr off_t kMaxFileBytes = 16 * 1024 * 1024;
// A device that hangs must not let the queue grow without end.
constexpr size_t kMaxWaitingJobs = 4096;
// Without a sound server every tune and effect would try to reach it again.
constexpr auto kReopenInterval = std::chrono::seconds(1);

struct Worker {
    std::mutex lock;
    std::condition_variable wake, idle;
    std::deque<std::function<void()>> jobs;
    bool busy = true;  // opening the device counts as the first job
};
// Never destroyed: the audio thread may still be running when main's statics go.
Worker* worker = nullptr;
std::once_flag made, started;
bool waitForWindow = false;  // UI thread only
// Audio thread only.
bool opened = false;
bool reopened = false;
std::chrono::steady_clock::time_point lastOpening;
std::atomic<void (*)()> onLost{nullptr}, onOpened{nullptr};

Worker& TheWorker() {
    std::call_once(made, [] { worker = new Worker; });
    return *worker;
}

// Opens the device after the first window has been exposed and painted.
class FirstWindow : public QObject {
public:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Expose && watched->isWindowType()) {
            QCoreApplication::instance()->removeEventFilter(this);
            deleteLater();
            QTimer::singleShot(0, [] { AudioDevice::Open(); });
        }
        return false;
    }
};

bool OpenDevice() {
    const AudioFunctions* sdl = AudioLibrary();
    if (!sdl) return false;
    lastOpening = std::chrono::steady_clock::now();
    // SDL must not take over Ctrl+C.
    sdl->SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    // Each cause of silence is told once per run, however often the device is tried again.
    auto noDevice = [sdl] {
        static bool told = false;
        if (!std::exchange(told, true))
            std::fprintf(stderr, "quorbit: no audio device opened (%s); the game stays silent\n", sdl->SDL_GetError());
        return false;
    };
    if (sdl->SDL_Init(SDL_INIT_AUDIO) != 0) return noDevice();
    struct stat st {};
    const bool soundFont = stat(kSoundFont, &st) == 0;
    // Closing the mixer forgets the soundfont, so each opening names it again.
    if (soundFont) sdl->Mix_SetSoundFonts(kSoundFont);
    if (sdl->Mix_OpenAudio(44100, MIX_DEFAULT_FORMAT, 2, 1024) != 0) {
        noDevice();
        sdl->SDL_QuitSubSystem(SDL_INIT_AUDIO);
        return false;
    }
    sdl->Mix_AllocateChannels(4);
    opened = true;
    static bool toldSoundFont = false;
    if (!soundFont && !std::exchange(toldSoundFont, true))
        std::fprintf(stderr, "quorbit: %s is missing; the music stays silent\n", kSoundFont);
    return true;
}

// SDL marks a device whose server went away as removed and plays into nothing from then on; the
// removal of a device not opened carries no id. Added devices are dropped too, so nothing piles up.
bool DeviceLost(const AudioFunctions* sdl) {
    bool lost = false;
    SDL_Event events[16];
    int n = 0;
    while ((n = sdl->SDL_PeepEvents(events, 16, SDL_GETEVENT, SDL_AUDIODEVICEADDED, SDL_AUDIODEVICEREMOVED)) > 0)
        for (int i = 0; i < n; ++i)
            lost |= events[i].type == SDL_AUDIODEVICEREMOVED && events[i].adevice.which != 0 && !events[i].adevice.iscapture;
    return lost;
}

// The whole audio subsystem goes with the device: its backend's own connection to the server is dead too.
void CloseDevice(const AudioFunctions* sdl) {
    if (auto hook = onLost.load()) hook();
    sdl->Mix_CloseAudio();
    sdl->SDL_QuitSubSystem(SDL_INIT_AUDIO);
    opened = false;
}

void Run(Worker* w) {
    OpenDevice();
    for (;;) {
        std::function<void()> job;
        {
            std::unique_lock<std::mutex> hold(w->lock);
            w->busy = false;
            w->idle.notify_all();
            w->wake.wait(hold, [w] { return !w->jobs.empty(); });
            job = std::move(w->jobs.front());
            w->jobs.pop_front();
            w->busy = true;
        }
        job();
        // What was playing sounds again once the job that opened the device has run: loading the music
        // must not hold up the effect that found the device back.
        if (std::exchange(reopened, false))
            if (auto hook = onOpened.load()) hook();
    }
}
}

namespace AudioDevice {
void Open() {
    std::call_once(started, [] { std::thread(Run, &TheWorker()).detach(); });
}

void OpenAfterFirstWindow() {
    if (!QCoreApplication::instance()) return Open();
    waitForWindow = true;
    QCoreApplication::instance()->installEventFilter(new FirstWindow);
}

void Post(std::function<void()> job) {
    if (!waitForWindow) Open();
    Worker& w = TheWorker();
    std::lock_guard<std::mutex> hold(w.lock);
    if (w.jobs.size() >= kMaxWaitingJobs) return;
    w.jobs.push_back(std::move(job));
    w.wake.notify_one();
}

bool IsOpen() { return opened; }

bool Ready() {
    const AudioFunctions* sdl = AudioLibrary();
    if (!sdl) return false;
    if (opened && DeviceLost(sdl)) CloseDevice(sdl);
    if (!opened && std::chrono::steady_clock::now() - lastOpening >= kReopenInterval) reopened = OpenDevice();
    return opened;
}

void Watch(void (*whenLost)(), void (*whenOpened)()) {
    onLost = whenLost;
    onOpened = whenOpened;
}

bool Drain(int ms) {
    Open();
    Worker& w = TheWorker();
    std::unique_lock<std::mutex> hold(w.lock);
    return w.idle.wait_for(hold, std::chrono::milliseconds(ms), [&w] { return w.jobs.empty() && !w.busy; });
}
}

namespace SoundFiles {
QByteArray Read(const QByteArray& path, bool& exists) {
    exists = false;
    // Non-blocking, so that a pipe under the name cannot hold the open.
    const int fd = ::open(path.constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) {
        exists = errno != ENOENT && errno != ENOTDIR;
        return {};
    }
    exists = true;
    QByteArray bytes;
    struct stat st {};
    if (fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_size <= kMaxFileBytes) {
        bytes.resize(static_cast<qsizetype>(st.st_size));
        qsizetype have = 0;
        while (have < bytes.size()) {
            const ssize_t n = ::read(fd, bytes.data() + have, static_cast<size_t>(bytes.size() - have));
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0) break;
            have += n;
        }
        bytes.truncate(have);  // a file cut short while we read it
    }
    ::close(fd);
    return bytes;
}

bool IsWave(const QByteArray& bytes) {
    return bytes.size() >= 12 && bytes.startsWith("RIFF") && bytes.mid(8, 4) == "WAVE";
}

bool IsPlayableMidi(const QByteArray& bytes) {
    const AudioFunctions* fs = AudioLibrary();
    if (!fs || bytes.size() < 14 || !bytes.startsWith("MThd")) return false;
    // A synthesiser without a soundfont reads the file the way the music will: on its first block.
    fluid_settings_t* settings = fs->new_fluid_settings();
    if (!settings) return false;
    fs->fluid_settings_setstr(settings, "player.timing-source", "sample");
    fluid_synth_t* synth = fs->new_fluid_synth(settings);
    fluid_player_t* player = synth ? fs->new_fluid_player(synth) : nullptr;
    bool playable = false;
    // Played once only: a file it cannot read then ends instead of being tried again.
    if (player && fs->fluid_player_set_loop(player, 1) == FLUID_OK &&
        fs->fluid_player_add_mem(player, bytes.constData(), static_cast<size_t>(bytes.size())) == FLUID_OK &&
        fs->fluid_player_play(player) == FLUID_OK) {
        float left[64], right[64];
        fs->fluid_synth_write_float(synth, 64, left, 0, 1, right, 0, 1);
        // A song that ends where it starts would be started again at once, without end.
        playable = fs->fluid_player_get_status(player) == FLUID_PLAYER_PLAYING &&
                   fs->fluid_player_get_total_ticks(player) > 0;
        fs->fluid_player_stop(player);
    }
    if (player) fs->delete_fluid_player(player);
    if (synth) fs->delete_fluid_synth(synth);
    fs->delete_fluid_settings(settings);
    return playable;
}

void ReportDamaged(const QByteArray& path, const char* what) {
    static std::mutex lock;
    static std::set<QByteArray>* reported = new std::set<QByteArray>;
    std::lock_guard<std::mutex> hold(lock);
    if (!reported->insert(path).second) return;
    std::fprintf(stderr, "quorbit: %s is %s; it stays silent\n", path.constData(), what);
}
}
