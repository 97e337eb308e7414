#include "platform/Random.h"

#include <chrono>
#include <random>

namespace {
std::mt19937_64& Engine() {
    static std::mt19937_64 engine(static_cast<std::uint64_t>(
        std::chrono::high_resolution_clock::now().time_since_epoch().count()));
    return engine;
}
bool clockMixing = true;
}

double Rnd() {
    // 53 random bits: exactly representable, never 1.0.
    return static_cast<double>(Engine()() >> 11) * (1.0 / 9007199254740992.0);
}

int RndInt(int n) {
    if (n <= 0) return 0;
    int v = static_cast<int>(Rnd() * n);
    return v >= n ? n - 1 : v;
}

void Randomize() {
    if (!clockMixing) return;
    const auto now = static_cast<std::uint64_t>(
        std::chrono::high_resolution_clock::now().time_since_epoch().count());
    const std::uint64_t mixed = Engine()() ^ (now * 0x9E3779B97F4A7C15ull);
    Engine().seed(mixed);
}

void SeedRandom(std::uint64_t seed) { Engine().seed(seed); }
void SetClockMixing(bool on) { clockMixing = on; }
