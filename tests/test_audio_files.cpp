// Checks the generated sound effects and tunes by reading them back with parsers of
// our own, independent of the writer code.
#include "audio/AudioGen.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <random>
#include <set>
#include <stdexcept>
#include <string>
#include <vector>

namespace fs = std::filesystem;
using audiogen::Bytes;

namespace {

// A fresh folder that is removed again at the end.
class TempDir {
public:
    TempDir() {
        std::random_device rd;
        path_ = fs::temp_directory_path() /
                ("quorbit_audio_test_" + std::to_string(rd()) + "_" + std::to_string(rd()));
    }
    ~TempDir() {
        std::error_code ec;
        fs::remove_all(path_, ec);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const fs::path& Path() const { return path_; }

private:
    fs::path path_;
};

Bytes ReadFile(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    return Bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

std::uint32_t Le16(const Bytes& b, std::size_t at) { return b.at(at) | b.at(at + 1) << 8; }
std::uint32_t Le32(const Bytes& b, std::size_t at) { return Le16(b, at) | Le16(b, at + 2) << 16; }
std::uint32_t Be16(const Bytes& b, std::size_t at) { return b.at(at) << 8 | b.at(at + 1); }
std::uint32_t Be32(const Bytes& b, std::size_t at) { return Be16(b, at) << 16 | Be16(b, at + 2); }
bool TagAt(const Bytes& b, std::size_t at, const char* tag) {
    return at + 4 <= b.size() && std::equal(tag, tag + 4, b.begin() + static_cast<std::ptrdiff_t>(at));
}

struct Wav {
    int format = 0, channels = 0, rate = 0, bits = 0;
    std::vector<std::int16_t> samples;
    double Seconds() const { return rate ? static_cast<double>(samples.size()) / rate : 0.0; }
};

// Walks the RIFF chunks; throws on anything inconsistent with the file size.
Wav ParseWav(const Bytes& b) {
    if (!TagAt(b, 0, "RIFF") || !TagAt(b, 8, "WAVE")) throw std::runtime_error("not RIFF/WAVE");
    if (Le32(b, 4) + 8 != b.size()) throw std::runtime_error("RIFF size does not match file size");
    Wav w;
    bool haveFmt = false, haveData = false;
    std::size_t pos = 12;
    while (pos < b.size()) {
        if (pos + 8 > b.size()) throw std::runtime_error("truncated chunk header");
        const std::uint32_t len = Le32(b, pos + 4);
        const std::size_t body = pos + 8;
        if (body + len > b.size()) throw std::runtime_error("chunk runs past the end");
        if (TagAt(b, pos, "fmt ")) {
            if (len < 16) throw std::runtime_error("short fmt chunk");
            w.format = static_cast<int>(Le16(b, body));
            w.channels = static_cast<int>(Le16(b, body + 2));
            w.rate = static_cast<int>(Le32(b, body + 4));
            const std::uint32_t byteRate = Le32(b, body + 8);
            const std::uint32_t align = Le16(b, body + 12);
            w.bits = static_cast<int>(Le16(b, body + 14));
            if (align != static_cast<std::uint32_t>(w.channels * w.bits / 8) ||
                byteRate != static_cast<std::uint32_t>(w.rate) * align)
                throw std::runtime_error("fmt fields disagree");
            haveFmt = true;
        } else if (TagAt(b, pos, "data")) {
            if (!haveFmt) throw std::runtime_error("data before fmt");
            if (len % 2 != 0) throw std::runtime_error("odd data size for 16-bit");
            for (std::size_t i = 0; i < len; i += 2)
                w.samples.push_back(static_cast<std::int16_t>(Le16(b, body + i)));
            haveData = true;
        }
        pos = body + len + (len & 1);
    }
    if (!haveFmt || !haveData) throw std::runtime_error("missing fmt or data");
    return w;
}

struct NoteEvent {
    std::uint32_t tick;
    int channel, key;
};

struct Midi {
    int format = -1, division = 0;
    std::vector<std::uint32_t> trackEnds;   // tick of each End-of-Track
    std::vector<std::pair<std::uint32_t, std::uint32_t>> tempos;  // tick, microseconds per quarter
    int beatsPerBar = 4;
    std::map<int, int> firstProgramTick;    // channel -> tick of first program change
    std::map<int, std::uint32_t> firstNoteTick;
    std::vector<int> velocities;
    std::vector<std::string> pairingErrors;
    int notes = 0;
};

// Reads the whole file, including running status and sysex, as any player would.
Midi ParseMidi(const Bytes& b) {
    if (!TagAt(b, 0, "MThd") || Be32(b, 4) != 6) throw std::runtime_error("bad MThd");
    Midi m;
    m.format = static_cast<int>(Be16(b, 8));
    const std::uint32_t ntracks = Be16(b, 10);
    m.division = static_cast<int>(Be16(b, 12));
    std::size_t pos = 14;
    for (std::uint32_t t = 0; t < ntracks; ++t) {
        if (!TagAt(b, pos, "MTrk")) throw std::runtime_error("missing MTrk");
        const std::uint32_t len = Be32(b, pos + 4);
        std::size_t p = pos + 8;
        const std::size_t end = p + len;
        if (end > b.size()) throw std::runtime_error("track runs past the end");
        auto readVar = [&] {
            std::uint32_t v = 0;
            for (int i = 0; i < 4; ++i) {
                if (p >= end) throw std::runtime_error("truncated number");
                const std::uint8_t c = b[p++];
                v = v << 7 | (c & 0x7F);
                if (!(c & 0x80)) return v;
            }
            throw std::runtime_error("variable-length number too long");
        };
        std::uint32_t tick = 0;
        std::uint8_t status = 0;
        bool ended = false;
        std::map<std::pair<int, int>, int> open;  // channel/key -> count held
        while (p < end) {
            if (ended) throw std::runtime_error("data after End-of-Track");
            tick += readVar();
            if (p >= end) throw std::runtime_error("truncated event");
            if (b[p] & 0x80) status = b[p++];
            if (status == 0) throw std::runtime_error("running status with no status");
            if (status == 0xFF) {
                if (p >= end) throw std::runtime_error("truncated meta");
                const std::uint8_t type = b[p++];
                const std::uint32_t mlen = readVar();
                if (p + mlen > end) throw std::runtime_error("meta runs past track");
                if (type == 0x2F) {
                    if (mlen != 0) throw std::runtime_error("End-of-Track with data");
                    ended = true;
                    m.trackEnds.push_back(tick);
                } else if (type == 0x51) {
                    if (mlen != 3) throw std::runtime_error("bad tempo length");
                    m.tempos.push_back({tick, static_cast<std::uint32_t>(b[p] << 16 | b[p + 1] << 8 | b[p + 2])});
                } else if (type == 0x58 && mlen >= 1) {
                    m.beatsPerBar = b[p];
                }
                p += mlen;
                status = 0;  // meta cancels running status
                continue;
            }
            if (status == 0xF0 || status == 0xF7) {
                p += readVar();
                status = 0;
                continue;
            }
            const int kind = status & 0xF0, ch = status & 0x0F;
            const int nData = (kind == 0xC0 || kind == 0xD0) ? 1 : 2;
            if (p + static_cast<std::size_t>(nData) > end) throw std::runtime_error("truncated message");
            const int d1 = b[p], d2 = nData == 2 ? b[p + 1] : 0;
            if (d1 > 127 || d2 > 127) throw std::runtime_error("data byte above 127");
            p += static_cast<std::size_t>(nData);
            if (kind == 0xC0 && !m.firstProgramTick.count(ch)) m.firstProgramTick[ch] = static_cast<int>(tick);
            const bool on = kind == 0x90 && d2 > 0;
            const bool off = kind == 0x80 || (kind == 0x90 && d2 == 0);
            if (on) {
                if (open[{ch, d1}]++ > 0)
                    m.pairingErrors.push_back("key " + std::to_string(d1) + " struck twice on channel " +
                                              std::to_string(ch + 1));
                m.velocities.push_back(d2);
                ++m.notes;
                if (!m.firstNoteTick.count(ch)) m.firstNoteTick[ch] = tick;
            } else if (off) {
                if (open[{ch, d1}]-- <= 0)
                    m.pairingErrors.push_back("key " + std::to_string(d1) + " released unheld on channel " +
                                              std::to_string(ch + 1));
            }
        }
        if (!ended) throw std::runtime_error("track without End-of-Track");
        for (const auto& [chKey, count] : open)
            if (count != 0) m.pairingErrors.push_back("key " + std::to_string(chKey.second) + " left hanging");
        pos = end;
    }
    if (pos != b.size()) throw std::runtime_error("bytes after the last track");
    return m;
}

double Seconds(const Midi& m, std::uint32_t tick) {
    auto tempos = m.tempos;
    std::sort(tempos.begin(), tempos.end());
    double us = 0.0;
    std::uint32_t last = 0, tempo = 500000;  // the default until the first tempo event
    for (const auto& [t, value] : tempos) {
        if (t >= tick) break;
        us += static_cast<double>(t - last) * tempo / m.division;
        last = t;
        tempo = value;
    }
    us += static_cast<double>(tick - last) * tempo / m.division;
    return us / 1e6;
}

const std::vector<std::string> kWavNames = {"block_click.wav", "star_click.wav", "star.wav", "bomb.wav",
                                            "equation.wav", "row_disappear.wav", "game_over.wav"};
const std::vector<std::string> kMidNames = {"Quorbit1.mid", "Quorbit2.mid", "Quorbit3.mid", "Quorbit4.mid",
                                            "Quorbit5.mid"};

class GeneratedAudio : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        dir_ = new TempDir();
        folder_ = dir_->Path() / "nested" / "audio";  // parents do not exist yet
        ok_ = audiogen::WriteAllAudio(folder_.string());
    }
    static void TearDownTestSuite() {
        delete dir_;
        dir_ = nullptr;
    }
    static TempDir* dir_;
    static fs::path folder_;
    static bool ok_;
};
TempDir* GeneratedAudio::dir_ = nullptr;
fs::path GeneratedAudio::folder_;
bool GeneratedAudio::ok_ = false;

TEST_F(GeneratedAudio, WritesExactlyTheTwelveFilesIntoANewFolder) {
    ASSERT_TRUE(ok_);
    std::set<std::string> found;
    for (const auto& entry : fs::directory_iterator(folder_)) found.insert(entry.path().filename().string());
    std::set<std::string> expected(kWavNames.begin(), kWavNames.end());
    expected.insert(kMidNames.begin(), kMidNames.end());
    EXPECT_EQ(found, expected);
}

TEST_F(GeneratedAudio, EffectsAreCleanShortMonoPcm) {
    ASSERT_TRUE(ok_);
    struct Expect {
        std::string name;
        double minSec, maxSec;
    };
    const std::vector<Expect> table = {{"block_click.wav", 0.05, 0.10}, {"star_click.wav", 0.20, 0.30},
                                       {"star.wav", 0.55, 0.85},        {"bomb.wav", 0.45, 0.75},
                                       {"equation.wav", 0.55, 0.85},    {"row_disappear.wav", 0.10, 0.20},
                                       {"game_over.wav", 1.40, 2.10}};
    for (const Expect& e : table) {
        SCOPED_TRACE(e.name);
        Wav w;
        ASSERT_NO_THROW(w = ParseWav(ReadFile(folder_ / e.name)));
        EXPECT_EQ(w.format, 1);
        EXPECT_EQ(w.channels, 1);
        EXPECT_EQ(w.bits, 16);
        EXPECT_TRUE(w.rate == 22050 || w.rate == 44100) << w.rate;
        EXPECT_GE(w.Seconds(), e.minSec);
        EXPECT_LE(w.Seconds(), e.maxSec);
        ASSERT_GT(w.samples.size(), 100u);

        int peak = 0;
        double sum = 0.0;
        for (std::int16_t s : w.samples) {
            peak = std::max(peak, std::abs(static_cast<int>(s)));
            sum += s;
        }
        EXPECT_LT(peak, 32000) << "clipped or no headroom";
        EXPECT_GT(peak, 6500) << "too quiet to hear over the music";
        EXPECT_LT(std::abs(sum / static_cast<double>(w.samples.size())), 100.0) << "DC offset";

        // A cut at either end would click: the first and last samples must be near zero.
        const std::size_t edge = static_cast<std::size_t>(w.rate) / 4000;  // 0.25 ms
        for (std::size_t i = 0; i < edge; ++i) {
            EXPECT_LT(std::abs(w.samples[i]), 1600) << "start, sample " << i;
            EXPECT_LT(std::abs(w.samples[w.samples.size() - 1 - i]), 1600) << "end, sample " << i;
        }
        EXPECT_LT(std::abs(w.samples.front()), 100);
        EXPECT_LT(std::abs(w.samples.back()), 100);
    }
}

// Played once per vanishing block, back to back: it must stay quieter than the big effects.
TEST_F(GeneratedAudio, RepeatedBlipIsSofterThanTheBomb) {
    ASSERT_TRUE(ok_);
    auto peakOf = [&](const std::string& name) {
        int peak = 0;
        for (std::int16_t s : ParseWav(ReadFile(folder_ / name)).samples) peak = std::max(peak, std::abs(int{s}));
        return peak;
    };
    EXPECT_LT(peakOf("row_disappear.wav") * 3, peakOf("bomb.wav") * 2);
}

TEST_F(GeneratedAudio, TunesAreLoopableGeneralMidiFiles) {
    ASSERT_TRUE(ok_);
    std::set<std::vector<std::uint32_t>> tempoSets;
    for (const std::string& name : kMidNames) {
        SCOPED_TRACE(name);
        Midi m;
        ASSERT_NO_THROW(m = ParseMidi(ReadFile(folder_ / name)));
        EXPECT_TRUE(m.format == 0 || m.format == 1);
        ASSERT_GT(m.division, 0);
        ASSERT_LT(m.division, 0x8000) << "must count ticks per quarter, not SMPTE";
        ASSERT_FALSE(m.tempos.empty());
        EXPECT_EQ(m.tempos.front().first, 0u) << "tempo must be known from the start";
        for (const std::string& err : m.pairingErrors) ADD_FAILURE() << err;
        EXPECT_GT(m.notes, 100);

        // Every track stops together on a bar line, so the loop neither gaps nor jumps.
        ASSERT_FALSE(m.trackEnds.empty());
        const std::uint32_t end = m.trackEnds.front();
        for (std::uint32_t e : m.trackEnds) EXPECT_EQ(e, end);
        const std::uint32_t barTicks = static_cast<std::uint32_t>(m.division * m.beatsPerBar);
        EXPECT_EQ(end % barTicks, 0u);
        EXPECT_GE(Seconds(m, end), 30.0);
        EXPECT_LE(Seconds(m, end), 60.0);

        // Drums on channel 10; each other playing channel picks its instrument first.
        EXPECT_TRUE(m.firstNoteTick.count(9));
        EXPECT_GE(m.firstNoteTick.size(), 3u) << "melody, bass and drums at least";
        for (const auto& [ch, tick] : m.firstNoteTick) {
            if (ch == 9) continue;
            ASSERT_TRUE(m.firstProgramTick.count(ch)) << "channel " << ch + 1;
            EXPECT_LE(static_cast<std::uint32_t>(m.firstProgramTick[ch]), tick);
        }

        // Tasteful loudness: nothing hammered, nothing inaudible.
        std::vector<int> v = m.velocities;
        std::sort(v.begin(), v.end());
        EXPECT_GE(v.front(), 40);
        EXPECT_LE(v.back(), 110);
        const int median = v[v.size() / 2];
        EXPECT_GE(median, 60);
        EXPECT_LE(median, 100);

        std::vector<std::uint32_t> tempoValues;
        for (const auto& t : m.tempos) tempoValues.push_back(t.second);
        tempoSets.insert(tempoValues);
    }
    EXPECT_GE(tempoSets.size(), 4u) << "the moods should not share one tempo";
}

TEST_F(GeneratedAudio, OutputIsTheSameEveryRun) {
    ASSERT_TRUE(ok_);
    TempDir again;
    ASSERT_TRUE(audiogen::WriteAllAudio(again.Path().string()));
    std::set<Bytes> distinct;
    for (const auto& names : {kWavNames, kMidNames})
        for (const std::string& name : names) {
            const Bytes first = ReadFile(folder_ / name);
            EXPECT_EQ(first, ReadFile(again.Path() / name)) << name;
            distinct.insert(first);
        }
    EXPECT_EQ(distinct.size(), 12u) << "two files came out identical";
}

TEST(AudioGenWrite, ReportsFailureWhenTheFolderCannotBeMade) {
    TempDir dir;
    fs::create_directories(dir.Path());
    const fs::path blocker = dir.Path() / "plain_file";
    std::ofstream(blocker) << "x";
    EXPECT_FALSE(audiogen::WriteAllAudio((blocker / "audio").string()));
}

TEST(AudioGenWriters, VariableLengthNumbersAtGroupBoundaries) {
    const std::vector<std::pair<std::uint32_t, Bytes>> cases = {
        {0, {0x00}},
        {0x7F, {0x7F}},
        {0x80, {0x81, 0x00}},
        {0x3FFF, {0xFF, 0x7F}},
        {0x4000, {0x81, 0x80, 0x00}},
        {0x1FFFFF, {0xFF, 0xFF, 0x7F}},
        {0x200000, {0x81, 0x80, 0x80, 0x00}},
        {0x0FFFFFFF, {0xFF, 0xFF, 0xFF, 0x7F}},
    };
    for (const auto& [value, expected] : cases) {
        Bytes out = {0xAA};  // appends, never overwrites
        audiogen::AppendVarLen(out, value);
        Bytes want = {0xAA};
        want.insert(want.end(), expected.begin(), expected.end());
        EXPECT_EQ(out, want) << std::hex << value;
    }
    Bytes out;
    EXPECT_THROW(audiogen::AppendVarLen(out, 0x10000000), std::invalid_argument);
}

TEST(AudioGenWriters, MidiTrackEndsAtTheLoopPointOrLastEvent) {
    audiogen::MidiTrack padded;
    padded.events = {{0, {0x90, 60, 80}}, {240, {0x80, 60, 64}}};
    padded.endTick = 1920;  // silent tail up to the bar line is kept
    audiogen::MidiTrack late;
    late.events = {{0, {0x91, 64, 80}}, {3000, {0x81, 64, 64}}};
    late.endTick = 960;  // earlier than its last event: must not cut the note off
    const Midi m = ParseMidi(audiogen::EncodeMidi(480, {padded, late}));
    EXPECT_EQ(m.format, 1);
    EXPECT_EQ(m.division, 480);
    EXPECT_EQ(m.trackEnds, (std::vector<std::uint32_t>{1920, 3000}));
    EXPECT_TRUE(m.pairingErrors.empty());
    EXPECT_EQ(m.notes, 2);
}

TEST(AudioGenWriters, MidiEncoderRejectsBadInput) {
    audiogen::MidiTrack backwards;
    backwards.events = {{100, {0x90, 60, 80}}, {50, {0x80, 60, 64}}};
    EXPECT_THROW(audiogen::EncodeMidi(480, {backwards}), std::invalid_argument);
    audiogen::MidiTrack earlyEnd;
    earlyEnd.events = {{0, {0xFF, 0x2F, 0x00}}, {10, {0x90, 60, 80}}};
    EXPECT_THROW(audiogen::EncodeMidi(480, {earlyEnd}), std::invalid_argument);
    EXPECT_THROW(audiogen::EncodeMidi(480, {}), std::invalid_argument);
    EXPECT_THROW(audiogen::EncodeMidi(0, {audiogen::MidiTrack{}}), std::invalid_argument);
}

TEST(AudioGenWriters, NormalisingHitsThePeakWithoutOverflow) {
    // Silence must not divide by zero.
    EXPECT_EQ(audiogen::NormalizeToPcm16({0.0, 0.0, 0.0}, 0.5), (std::vector<std::int16_t>{0, 0, 0}));
    // The larger magnitude sets the scale, whatever its sign; the rest keeps its ratio.
    const auto pcm = audiogen::NormalizeToPcm16({0.25, -1.0, 0.5}, 0.25);
    EXPECT_EQ(pcm, (std::vector<std::int16_t>{2048, -8192, 4096}));
    // A peak beyond full scale is held at full scale, never wrapping to the other sign.
    const auto loud = audiogen::NormalizeToPcm16({-1.0, 1.0}, 1.5);
    EXPECT_EQ(loud, (std::vector<std::int16_t>{-32767, 32767}));
}

TEST(AudioGenWriters, EmptyWavIsStillAValidFile) {
    const Bytes b = audiogen::EncodeWav({}, 22050);
    EXPECT_EQ(b.size(), 44u);
    const Wav w = ParseWav(b);
    EXPECT_EQ(w.rate, 22050);
    EXPECT_TRUE(w.samples.empty());
    const Wav one = ParseWav(audiogen::EncodeWav({-32767, 5}, 44100));
    EXPECT_EQ(one.samples, (std::vector<std::int16_t>{-32767, 5}));
}

}  // namespace
