// The seven sound effects, synthesised from sines and filtered noise.
#include "AudioGen.h"

#include <cmath>
#include <cstddef>
#include <vector>

namespace audiogen {

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr double kRate = kSampleRate;

using Buffer = std::vector<double>;

// Own generator so the noise is identical on every platform and library.
class Rng {
public:
    explicit Rng(std::uint64_t seed) : state_(seed) {}
    double Bipolar() {  // [-1, 1)
        state_ += 0x9E3779B97F4A7C15ull;
        std::uint64_t z = state_;
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        z ^= z >> 31;
        return static_cast<double>(z >> 11) / 4503599627370496.0 - 1.0;  // 2^52
    }

private:
    std::uint64_t state_;
};

Buffer Silence(double seconds) {
    return Buffer(static_cast<std::size_t>(std::lround(seconds * kRate)), 0.0);
}

double MidiHz(int key) { return 440.0 * std::pow(2.0, (key - 69) / 12.0); }

// Raised-cosine ramp from 0 to 1 over `len` seconds.
double Ramp(double t, double len) {
    if (t <= 0.0) return 0.0;
    if (t >= len) return 1.0;
    return 0.5 - 0.5 * std::cos(kPi * t / len);
}

struct Partial {
    double ratio;  // of the fundamental
    double gain;
    double decay;  // exponential time constant, seconds
};

// A struck or plucked tone: each partial starts together and dies away on its own.
void AddStruck(Buffer& buf, double start, double freq, double amp, double attack,
               const std::vector<Partial>& partials) {
    const auto first = static_cast<std::size_t>(std::lround(start * kRate));
    for (std::size_t i = first; i < buf.size(); ++i) {
        const double t = static_cast<double>(i - first) / kRate;
        double v = 0.0;
        for (const Partial& p : partials)
            v += p.gain * std::exp(-t / p.decay) * std::sin(2.0 * kPi * freq * p.ratio * t);
        buf[i] += amp * Ramp(t, attack) * v;
    }
}

// A held tone with odd harmonics (soft square), gentle decay, optional late vibrato.
void AddHeld(Buffer& buf, double start, double length, double freq, double amp, double decay,
             double vibratoFrom = 1e9) {
    const auto first = static_cast<std::size_t>(std::lround(start * kRate));
    const auto count = static_cast<std::size_t>(std::lround((length + 0.04) * kRate));
    double phase = 0.0;
    for (std::size_t n = 0; n < count && first + n < buf.size(); ++n) {
        const double t = static_cast<double>(n) / kRate;
        const double depth = t > vibratoFrom ? 0.006 * Ramp(t - vibratoFrom, 0.2) : 0.0;
        phase += 2.0 * kPi * freq * (1.0 + depth * std::sin(2.0 * kPi * 5.5 * t)) / kRate;
        const double wave = std::sin(phase) + 0.22 * std::sin(3 * phase) +
                            0.08 * std::sin(5 * phase) + 0.03 * std::sin(7 * phase);
        // Release starts at `length` and overlaps the next note's attack for legato.
        const double env = Ramp(t, 0.012) * std::exp(-t / decay) * (1.0 - Ramp(t - length, 0.04));
        buf[first + n] += amp * env * wave;
    }
}

// Ensures the file starts and ends at exactly zero with no step.
void FadeEdges(Buffer& buf, double fadeIn, double fadeOut) {
    const std::size_t n = buf.size();
    for (std::size_t i = 0; i < n; ++i) {
        const double fromStart = static_cast<double>(i) / kRate;
        const double toEnd = static_cast<double>(n - 1 - i) / kRate;
        buf[i] *= Ramp(fromStart, fadeIn) * Ramp(toEnd, fadeOut);
    }
}

// Removes any offset left by the synthesis so the file idles at zero.
void RemoveDc(Buffer& buf, double cutoffHz) {
    const double a = std::exp(-2.0 * kPi * cutoffHz / kRate);
    double prevIn = 0.0, prevOut = 0.0;
    for (double& s : buf) {
        const double out = a * (prevOut + s - prevIn);
        prevIn = s;
        prevOut = out;
        s = out;
    }
}

AudioFile Finish(const char* name, Buffer buf, double fadeIn, double fadeOut, double peak) {
    RemoveDc(buf, 20.0);
    FadeEdges(buf, fadeIn, fadeOut);
    return {name, EncodeWav(NormalizeToPcm16(buf, peak), kSampleRate)};
}

// Hollow, quickly damped wood: a few inharmonic modes plus a short filtered tick.
AudioFile BlockClick() {
    Buffer buf = Silence(0.080);
    AddStruck(buf, 0.0, 620.0, 1.0, 0.0008,
              {{1.0, 1.0, 0.016}, {2.27, 0.55, 0.009}, {4.1, 0.3, 0.005}, {6.6, 0.12, 0.003}});
    Rng rng(0xB10C);
    double lp = 0.0;
    for (std::size_t i = 0; i < buf.size(); ++i) {
        const double t = static_cast<double>(i) / kRate;
        lp += 0.35 * (rng.Bipolar() - lp);
        buf[i] += 0.5 * lp * Ramp(t, 0.0005) * std::exp(-t / 0.0025);
    }
    return Finish("block_click.wav", std::move(buf), 0.0008, 0.015, 0.60);
}

// Small bell struck once: bright, short.
AudioFile StarClick() {
    Buffer buf = Silence(0.250);
    AddStruck(buf, 0.0, MidiHz(93), 1.0, 0.0015,  // A6
              {{1.0, 1.0, 0.075}, {2.0, 0.35, 0.045}, {3.0, 0.15, 0.03}, {5.43, 0.12, 0.012}});
    return Finish("star_click.wav", std::move(buf), 0.0015, 0.06, 0.55);
}

// Upward arpeggio of glassy bells, C major into the top octave.
AudioFile StarChime() {
    Buffer buf = Silence(0.700);
    const int keys[] = {84, 88, 91, 96, 100};  // C6 E6 G6 C7 E7
    const std::vector<Partial> bell = {
        {1.0, 1.0, 0.30}, {2.0, 0.3, 0.16}, {3.0, 0.12, 0.09}, {4.16, 0.1, 0.05}};
    for (int i = 0; i < 5; ++i)
        AddStruck(buf, 0.07 * i, MidiHz(keys[i]), 1.0 - 0.08 * i, 0.002, bell);
    return Finish("star.wav", std::move(buf), 0.002, 0.12, 0.60);
}

// Low boom: a falling sine thump under noise whose brightness closes quickly.
AudioFile Bomb() {
    Buffer buf = Silence(0.600);
    Rng rng(0xB0B);
    double lp1 = 0.0, lp2 = 0.0, phase = 0.0;
    for (std::size_t i = 0; i < buf.size(); ++i) {
        const double t = static_cast<double>(i) / kRate;
        const double cutoff = 120.0 + 2200.0 * std::exp(-t / 0.06);
        const double a = 1.0 - std::exp(-2.0 * kPi * cutoff / kRate);
        lp1 += a * (rng.Bipolar() - lp1);
        lp2 += a * (lp1 - lp2);
        const double noiseEnv = Ramp(t, 0.003) * (0.8 * std::exp(-t / 0.09) + 0.2 * std::exp(-t / 0.3));
        const double thumpHz = 38.0 + 80.0 * std::exp(-t / 0.08);
        phase += 2.0 * kPi * thumpHz / kRate;
        const double thumpEnv = Ramp(t, 0.004) * std::exp(-t / 0.18);
        buf[i] = 2.2 * lp2 * noiseEnv + 0.9 * std::sin(phase) * thumpEnv;
    }
    return Finish("bomb.wav", std::move(buf), 0.003, 0.15, 0.80);
}

// C major, rolled upward from a low C, soft electric-piano-like tone.
AudioFile Equation() {
    Buffer buf = Silence(0.700);
    const std::vector<Partial> keysTone = {
        {1.0, 1.0, 0.45}, {2.0, 0.35, 0.2}, {3.0, 0.12, 0.1}, {4.0, 0.05, 0.05}};
    const int keys[] = {60, 72, 76, 79, 84};  // C4 C5 E5 G5 C6
    for (int i = 0; i < 5; ++i)
        AddStruck(buf, 0.055 * i, MidiHz(keys[i]), i == 0 ? 0.7 : 0.8, 0.004, keysTone);
    return Finish("equation.wav", std::move(buf), 0.004, 0.12, 0.60);
}

// Quick downward sweep, quiet: plays many times in a row.
AudioFile RowDisappear() {
    Buffer buf = Silence(0.150);
    double phase = 0.0;
    const double length = static_cast<double>(buf.size()) / kRate;
    for (std::size_t i = 0; i < buf.size(); ++i) {
        const double t = static_cast<double>(i) / kRate;
        const double hz = 1320.0 * std::pow(520.0 / 1320.0, t / length);
        phase += 2.0 * kPi * hz / kRate;
        const double fall = 1.0 - t / length;
        buf[i] = Ramp(t, 0.005) * fall * fall * (std::sin(phase) + 0.2 * std::sin(2 * phase));
    }
    return Finish("row_disappear.wav", std::move(buf), 0.005, 0.02, 0.35);
}

// E D C B falling onto a long A over a soft A minor chord.
AudioFile GameOver() {
    Buffer buf = Silence(1.800);
    const int steps[] = {76, 74, 72, 71};  // E5 D5 C5 B4
    for (int i = 0; i < 4; ++i) AddHeld(buf, 0.25 * i, 0.23, MidiHz(steps[i]), 0.8, 1.2);
    AddHeld(buf, 1.0, 0.8, MidiHz(69), 0.85, 0.7, 0.15);  // A4, wavering at the end
    for (int key : {57, 60, 64}) AddHeld(buf, 1.0, 0.8, MidiHz(key), 0.25, 0.6);
    return Finish("game_over.wav", std::move(buf), 0.005, 0.3, 0.60);
}

}  // namespace

std::vector<AudioFile> MakeSoundEffects() {
    return {BlockClick(), StarClick(), StarChime(), Bomb(), Equation(), RowDisappear(), GameOver()};
}

}  // namespace audiogen
