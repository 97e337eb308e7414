// The five background tunes: written as note text and chord charts, arranged into
// General MIDI parts (melody, accompaniment, bass, drums) and encoded as MIDI files.
#include "AudioGen.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <sstream>
#include <stdexcept>
#include <string>
#include <tuple>
#include <vector>

namespace audiogen {

namespace {

constexpr std::uint32_t kPpq = 480;
constexpr int kDrumChannel = 9;

struct Note {
    std::uint32_t start = 0;
    std::uint32_t end = 0;
    int key = 0;
    int vel = 0;
};
using Notes = std::vector<Note>;

struct Chord {
    std::uint32_t start = 0;
    std::uint32_t end = 0;
    int root = 0;                 // pitch class
    std::vector<int> intervals;   // from the root, ascending, first is 0
};
using Chords = std::vector<Chord>;

struct Instrument {
    std::string name;
    int channel = 0;
    int program = 0;  // General MIDI, ignored on the drum channel
    int volume = 100;
    int pan = 64;
    Notes notes;
};

struct Song {
    std::string title;
    int bpm = 120;
    int beatsPerBar = 4;
    int bars = 0;
    bool swing = false;
    std::vector<Instrument> parts;

    std::uint32_t BarTicks() const { return static_cast<std::uint32_t>(beatsPerBar) * kPpq; }
    std::uint32_t EndTick() const { return static_cast<std::uint32_t>(bars) * BarTicks(); }
};

[[noreturn]] void Fail(const std::string& what) { throw std::logic_error("tune text: " + what); }

std::vector<std::string> Tokens(const std::string& text) {
    std::istringstream in(text);
    std::vector<std::string> out;
    for (std::string t; in >> t;) out.push_back(t);
    return out;
}

// Letter A-G then any '#' or 'b'.
int ParsePitchClass(const std::string& s, std::size_t& pos) {
    static const int kLetter[] = {9, 11, 0, 2, 4, 5, 7};  // A B C D E F G
    if (pos >= s.size() || s[pos] < 'A' || s[pos] > 'G') Fail("bad note in '" + s + "'");
    int pc = kLetter[s[pos++] - 'A'];
    while (pos < s.size() && (s[pos] == '#' || s[pos] == 'b')) pc += s[pos++] == '#' ? 1 : -1;
    return (pc + 12) % 12;
}

// w h q e s, optionally dotted.
std::uint32_t ParseDuration(const std::string& s, std::size_t& pos) {
    if (pos >= s.size()) Fail("missing length in '" + s + "'");
    std::uint32_t ticks = 0;
    switch (s[pos++]) {
        case 'w': ticks = kPpq * 4; break;
        case 'h': ticks = kPpq * 2; break;
        case 'q': ticks = kPpq; break;
        case 'e': ticks = kPpq / 2; break;
        case 's': ticks = kPpq / 4; break;
        default: Fail("bad length in '" + s + "'");
    }
    if (pos < s.size() && s[pos] == '.') {
        ticks += ticks / 2;
        ++pos;
    }
    if (pos != s.size()) Fail("junk after '" + s + "'");
    return ticks;
}

// "C5q D5e. rq |": notes with octave (C4 = middle C = key 60), rests, bar lines.
// Every bar must add up to a whole bar, which catches slips in the note text.
Notes ParseMelody(const std::string& text, const Song& song, int baseVel, double legato) {
    const std::uint32_t barTicks = song.BarTicks();
    Notes out;
    std::uint32_t tick = 0, barStart = 0;
    int bar = 1;
    auto checkBar = [&] {
        if (tick - barStart != barTicks) Fail("bar " + std::to_string(bar) + " has wrong length");
        barStart = tick;
        ++bar;
    };
    for (const std::string& tok : Tokens(text)) {
        if (tok == "|") {
            checkBar();
            continue;
        }
        std::size_t pos = 0;
        if (tok[0] == 'r') {
            pos = 1;
            tick += ParseDuration(tok, pos);
            continue;
        }
        const int pc = ParsePitchClass(tok, pos);
        if (pos >= tok.size() || !std::isdigit(static_cast<unsigned char>(tok[pos])))
            Fail("missing octave in '" + tok + "'");
        const int octave = tok[pos++] - '0';
        const std::uint32_t len = ParseDuration(tok, pos);
        const int accent = tick % barTicks == 0 ? 6 : tick % kPpq == 0 ? 2 : -3;
        const auto sounding = std::max<std::uint32_t>(30, static_cast<std::uint32_t>(len * legato));
        out.push_back({tick, tick + sounding, 12 * (octave + 1) + pc, baseVel + accent});
        tick += len;
    }
    if (tick != barStart) checkBar();
    if (bar - 1 != song.bars) Fail(song.title + ": melody has " + std::to_string(bar - 1) + " bars");
    return out;
}

std::vector<int> ChordIntervals(const std::string& quality) {
    if (quality.empty()) return {0, 4, 7};
    if (quality == "m") return {0, 3, 7};
    if (quality == "7") return {0, 4, 7, 10};
    if (quality == "m7") return {0, 3, 7, 10};
    if (quality == "maj7") return {0, 4, 7, 11};
    if (quality == "6") return {0, 4, 7, 9};
    if (quality == "dim") return {0, 3, 6};
    Fail("unknown chord quality '" + quality + "'");
}

// "F | C7 | Bb F |": chords in a bar share it equally.
Chords ParseChords(const std::string& text, const Song& song) {
    const std::uint32_t barTicks = song.BarTicks();
    Chords out;
    std::vector<std::string> bar;
    std::uint32_t barStart = 0;
    auto flush = [&] {
        if (bar.empty()) Fail("empty bar in chord chart");
        if (barTicks % bar.size() != 0) Fail("chords do not split the bar evenly");
        const auto span = static_cast<std::uint32_t>(barTicks / bar.size());
        for (std::size_t i = 0; i < bar.size(); ++i) {
            std::size_t pos = 0;
            Chord c;
            c.root = ParsePitchClass(bar[i], pos);
            c.intervals = ChordIntervals(bar[i].substr(pos));
            c.start = barStart + static_cast<std::uint32_t>(i) * span;
            c.end = c.start + span;
            out.push_back(c);
        }
        bar.clear();
        barStart += barTicks;
    };
    for (const std::string& tok : Tokens(text)) {
        if (tok == "|")
            flush();
        else
            bar.push_back(tok);
    }
    if (!bar.empty()) flush();
    if (barStart != song.EndTick()) Fail(song.title + ": chord chart has wrong number of bars");
    return out;
}

// Lowest key at or above `low` with pitch class `pc`.
int KeyAtOrAbove(int pc, int low) { return low + ((pc - low) % 12 + 12) % 12; }

// Root first, other tones stacked above it.
std::vector<int> RootPosition(const Chord& c, int low) {
    const int root = KeyAtOrAbove(c.root, low);
    std::vector<int> keys;
    for (int iv : c.intervals) keys.push_back(root + iv);
    return keys;
}

// Every tone inside one octave from `low`: neighbouring chords share notes, so
// the accompaniment moves smoothly.
std::vector<int> CloseVoicing(const Chord& c, int low) {
    std::vector<int> keys;
    for (int iv : c.intervals) keys.push_back(KeyAtOrAbove((c.root + iv) % 12, low));
    std::sort(keys.begin(), keys.end());
    return keys;
}

int Fifth(const Chord& c) {
    return std::find(c.intervals.begin(), c.intervals.end(), 6) != c.intervals.end() ? 6 : 7;
}

void AddChordNotes(Notes& out, const std::vector<int>& keys, std::uint32_t start, std::uint32_t len,
                   int vel) {
    for (int k : keys) out.push_back({start, start + len, k, vel});
}

// Tuba-style: root on the first beat of a chord, fifth two beats later, and so on.
Notes BassOomPah(const Chords& chords, int low, int vel) {
    Notes out;
    for (const Chord& c : chords) {
        const int root = KeyAtOrAbove(c.root, low);
        bool onRoot = true;
        for (std::uint32_t t = c.start; t < c.end; t += 2 * kPpq, onRoot = !onRoot)
        {
            int key = root;
            if (!onRoot) {
                key = root + Fifth(c);
                if (key > low + 12) key -= 12;  // keep the tuba low
            }
            out.push_back({t, t + kPpq * 3 / 4, key, vel + (onRoot ? 4 : 0)});
        }
    }
    return out;
}

// Short chords on the off beats (2 and 4).
Notes ChordsOffbeat(const Chords& chords, int low, int vel) {
    Notes out;
    for (const Chord& c : chords)
        for (std::uint32_t t = c.start + kPpq; t < c.end; t += 2 * kPpq)
            AddChordNotes(out, CloseVoicing(c, low), t, kPpq / 2, vel);
    return out;
}

Notes BassHalves(const Chords& chords, int low, int vel) {
    Notes out;
    for (const Chord& c : chords) {
        const int root = KeyAtOrAbove(c.root, low);
        bool onRoot = true;
        for (std::uint32_t t = c.start; t < c.end; t += 2 * kPpq, onRoot = !onRoot) {
            const std::uint32_t len = std::min<std::uint32_t>(2 * kPpq, c.end - t) - 24;
            out.push_back({t, t + len, onRoot ? root : root + Fifth(c) - 12, vel});
        }
    }
    return out;
}

Notes BassHeld(const Chords& chords, int low, int vel) {
    Notes out;
    for (const Chord& c : chords) out.push_back({c.start, c.end - 20, KeyAtOrAbove(c.root, low), vel});
    return out;
}

// Sustained chord for the whole span.
Notes Pad(const Chords& chords, int low, int vel) {
    Notes out;
    for (const Chord& c : chords) AddChordNotes(out, CloseVoicing(c, low), c.start, c.end - c.start - 20, vel);
    return out;
}

// Quarter notes: root, chord tones, then a half step into the next chord's root.
Notes BassWalking(const Chords& chords, int low, int vel) {
    Notes out;
    for (std::size_t i = 0; i < chords.size(); ++i) {
        const Chord& c = chords[i];
        const Chord& next = chords[(i + 1) % chords.size()];  // wraps: the loop walks into bar 1
        const int root = KeyAtOrAbove(c.root, low);
        const int nextRoot = KeyAtOrAbove(next.root, low);
        const int beats = static_cast<int>((c.end - c.start) / kPpq);
        for (int b = 0; b < beats; ++b) {
            int key = root;
            if (b == beats - 1 && b > 0 && next.root == c.root)
                key = root + Fifth(c);
            else if (b == beats - 1 && b > 0)
                key = nextRoot + (nextRoot - 1 >= low ? -1 : 1);
            else if (b == 1)
                key = root + c.intervals[1];
            else if (b == 2)
                key = root + c.intervals[2];
            const std::uint32_t t = c.start + static_cast<std::uint32_t>(b) * kPpq;
            out.push_back({t, t + kPpq - 40, key, vel + (b == 0 ? 4 : 0)});
        }
    }
    return out;
}

// Swing comping: a hit on the chord and another on the "and" of its first beat.
Notes CompCharleston(const Chords& chords, int low, int vel) {
    Notes out;
    for (const Chord& c : chords) {
        const auto keys = CloseVoicing(c, low);
        AddChordNotes(out, keys, c.start, kPpq * 3 / 4, vel);
        if (c.end - c.start >= 2 * kPpq) AddChordNotes(out, keys, c.start + kPpq * 3 / 2, kPpq / 3, vel - 6);
    }
    return out;
}

// Broken chord: `pattern` indexes the root-position tones, continuing upward by octaves.
Notes Arpeggio(const Chords& chords, int low, int vel, std::uint32_t step,
               const std::vector<int>& pattern, int holdSteps) {
    Notes out;
    for (const Chord& c : chords) {
        const auto tones = RootPosition(c, low);
        const int n = static_cast<int>(tones.size());
        std::size_t i = 0;
        for (std::uint32_t t = c.start; t < c.end; t += step, ++i) {
            const int idx = pattern[i % pattern.size()];
            const int key = tones[idx % n] + 12 * (idx / n);
            const std::uint32_t end = std::min(c.end, t + step * static_cast<std::uint32_t>(holdSteps));
            out.push_back({t, end, key, vel + (i == 0 ? 6 : 0)});
        }
    }
    return out;
}

// Driving eighths on the root with octave jumps.
Notes BassEighths(const Chords& chords, int low, int vel) {
    static const int kLift[] = {0, 0, 12, 0, 0, 0, 12, 0};
    Notes out;
    for (const Chord& c : chords) {
        const int root = KeyAtOrAbove(c.root, low);
        int i = 0;
        for (std::uint32_t t = c.start; t < c.end; t += kPpq / 2, ++i)
            out.push_back({t, t + kPpq / 2 - 40, root + kLift[i % 8], vel + (i % 2 == 0 ? 4 : -4)});
    }
    return out;
}

struct DrumVoice {
    int key;
    std::string steps;  // one character per equal step of the bar: X loud, x normal, o soft, . rest
};
using DrumBar = std::vector<DrumVoice>;

// `fill` replaces `groove` in every `fillEvery`-th bar; `accentKey` hits the first beat of
// the listed bars (a crash or a triangle).
Notes Drums(const Song& song, const DrumBar& groove, const DrumBar& fill, int fillEvery,
            int accentKey, const std::vector<int>& accentBars) {
    Notes out;
    const std::uint32_t barTicks = song.BarTicks();
    for (int bar = 0; bar < song.bars; ++bar) {
        const std::uint32_t barStart = static_cast<std::uint32_t>(bar) * barTicks;
        const DrumBar& pattern = (bar + 1) % fillEvery == 0 ? fill : groove;
        for (const DrumVoice& v : pattern) {
            if (barTicks % v.steps.size() != 0) Fail("drum steps do not split the bar");
            const auto step = static_cast<std::uint32_t>(barTicks / v.steps.size());
            for (std::size_t i = 0; i < v.steps.size(); ++i) {
                const char ch = v.steps[i];
                if (ch == '.') continue;
                const int vel = ch == 'X' ? 100 : ch == 'x' ? 84 : ch == 'o' ? 64 : 0;
                if (vel == 0) Fail(std::string("bad drum step '") + ch + "'");
                const std::uint32_t t = barStart + static_cast<std::uint32_t>(i) * step;
                out.push_back({t, t + std::min<std::uint32_t>(step, kPpq / 4), v.key, vel});
            }
        }
        if (std::find(accentBars.begin(), accentBars.end(), bar) != accentBars.end())
            out.push_back({barStart, barStart + kPpq, accentKey, 84});
    }
    return out;
}

// Straight eighths become long-short triplet eighths; bar lines and beats stay put.
std::uint32_t SwingTick(std::uint32_t t) {
    const std::uint32_t beat = t / kPpq * kPpq, p = t % kPpq;
    return beat + (p <= kPpq / 2 ? p * 4 / 3 : kPpq * 2 / 3 + (p - kPpq / 2) * 2 / 3);
}

// Clips to the loop, swings, and makes sure no key restarts while still held.
Notes Tidy(Notes notes, const Song& song) {
    Notes kept;
    for (Note n : notes) {
        n.end = std::min(n.end, song.EndTick());
        if (song.swing) {
            n.start = SwingTick(n.start);
            n.end = SwingTick(n.end);
        }
        n.vel = std::clamp(n.vel, 1, 110);
        if (n.end > n.start && n.key >= 0 && n.key <= 127) kept.push_back(n);
    }
    std::sort(kept.begin(), kept.end(), [](const Note& a, const Note& b) {
        return std::tie(a.key, a.start, b.vel) < std::tie(b.key, b.start, a.vel);
    });
    Notes out;
    for (const Note& n : kept) {
        if (!out.empty() && out.back().key == n.key) {
            if (out.back().start == n.start) continue;  // the louder duplicate was kept
            out.back().end = std::min(out.back().end, n.start);
        }
        out.push_back(n);
    }
    return out;
}

Bytes Meta(std::uint8_t type, const Bytes& payload) {
    Bytes b = {0xFF, type};
    AppendVarLen(b, static_cast<std::uint32_t>(payload.size()));
    for (std::uint8_t x : payload) b.push_back(x);  // not insert(): GCC 12 false warning
    return b;
}

Bytes Text(const std::string& s) { return Bytes(s.begin(), s.end()); }

MidiTrack InstrumentTrack(const Instrument& part, const Song& song) {
    const auto ch = static_cast<std::uint8_t>(part.channel);
    // Set-up first, then at equal ticks offs before ons so a repeated key is re-struck.
    struct Ev {
        std::uint32_t tick;
        int order;
        Bytes data;
    };
    std::vector<Ev> evs;
    evs.push_back({0, 0, Meta(0x03, Text(part.name))});
    if (part.channel != kDrumChannel)
        evs.push_back({0, 0, {static_cast<std::uint8_t>(0xC0 | ch), static_cast<std::uint8_t>(part.program)}});
    const std::uint8_t cc = 0xB0 | ch;
    evs.push_back({0, 0, {cc, 7, static_cast<std::uint8_t>(part.volume)}});
    evs.push_back({0, 0, {cc, 10, static_cast<std::uint8_t>(part.pan)}});
    evs.push_back({0, 0, {cc, 91, 40}});
    for (const Note& n : Tidy(part.notes, song)) {
        const auto key = static_cast<std::uint8_t>(n.key);
        evs.push_back({n.start, 2, {static_cast<std::uint8_t>(0x90 | ch), key, static_cast<std::uint8_t>(n.vel)}});
        evs.push_back({n.end, 1, {static_cast<std::uint8_t>(0x80 | ch), key, 64}});
    }
    std::stable_sort(evs.begin(), evs.end(),
                     [](const Ev& a, const Ev& b) { return std::tie(a.tick, a.order) < std::tie(b.tick, b.order); });
    MidiTrack track;
    track.endTick = song.EndTick();
    for (Ev& e : evs) track.events.push_back({e.tick, std::move(e.data)});
    return track;
}

Bytes EncodeSong(const Song& song) {
    MidiTrack conductor;
    conductor.endTick = song.EndTick();
    const auto usPerQuarter = static_cast<std::uint32_t>(std::lround(60'000'000.0 / song.bpm));
    conductor.events.push_back({0, Meta(0x03, Text(song.title))});
    conductor.events.push_back({0, Meta(0x51, {static_cast<std::uint8_t>(usPerQuarter >> 16),
                                               static_cast<std::uint8_t>(usPerQuarter >> 8),
                                               static_cast<std::uint8_t>(usPerQuarter)})});
    conductor.events.push_back(
        {0, Meta(0x58, {static_cast<std::uint8_t>(song.beatsPerBar), 2, 24, 8})});
    std::vector<MidiTrack> tracks = {conductor};
    for (const Instrument& p : song.parts) tracks.push_back(InstrumentTrack(p, song));
    return EncodeMidi(static_cast<std::uint16_t>(kPpq), tracks);
}

// Sections of note text or chord chart, one after another.
std::string Join(std::initializer_list<std::string> sections) {
    std::string s;
    for (const std::string& x : sections) s += x + " ";
    return s;
}

// ---------------------------------------------------------------------------
// 1: cheerful march in F, trumpet over piano off-beats and tuba.
Song March() {
    Song s{"Quorbit 1: March", 120, 4, 24, false, {}};
    const std::string a7 =
        "C5q F5e G5e A5q F5q | G5q E5e F5e G5q C5q | A5q F5e A5e C6q A5q | Bb5q. A5e G5h | "
        "C5q F5e G5e A5q F5q | D6q C6e Bb5e F5q Bb5q | C6q Bb5q G5q E5q | ";
    const std::string b =
        "D5q F5e D5e Bb4q D5q | C5q F5e C5e A4q C5q | Bb4q D5e G5e Bb5q. A5e | G5q. F5e E5q C5q | "
        "D5q F5e D5e Bb4q D5q | F5q A5e F5e D6q A5q | B5q. A5e G5q F5q | E5q G5q Bb5q G5q | ";
    const std::string melody = Join({a7, "F5h rq C5q |", b, a7, "F5q. C5e G4q Bb4q |"});
    const std::string chartA7 = "F | C7 | F | C7 | F | Bb | C7 |";
    const Chords chords = ParseChords(
        Join({chartA7, "F |", "Bb | F | Gm | C7 | Bb | Dm | G7 | C7 |", chartA7, "F C7 |"}), s);

    s.parts.push_back({"Trumpet", 0, 56, 88, 64, ParseMelody(melody, s, 88, 0.85)});
    s.parts.push_back({"Piano", 1, 0, 84, 44, ChordsOffbeat(chords, 58, 70)});
    s.parts.push_back({"Tuba", 2, 58, 100, 80, BassOomPah(chords, 34, 86)});
    const DrumBar groove = {{36, "X.......x......."}, {38, "....x.......x.o."}, {42, "o.o.o.o.o.o.o.o."}};
    const DrumBar fill = {{36, "X.......x......."}, {38, "....x...x.o.xoxx"}, {42, "o.o.o.o........."}};
    s.parts.push_back({"Drums", kDrumChannel, 0, 90, 64, Drums(s, groove, fill, 4, 49, {0, 8, 16})});
    return s;
}

// 2: mysterious D minor, clarinet over a string pad, harp figures and plucked bass.
Song Mystery() {
    Song s{"Quorbit 2: Mystery", 84, 4, 16, false, {}};
    const std::string melody =
        "A4q D5q F5q. E5e | D5h. rq | D5q. C5e Bb4q G4q | A4h E5q C#5q | "
        "D5h. F5q | F5q Bb5q. A5e G5e F5e | E5q. F5e G5q Bb5q | A5h. rq | "
        "F5q. E5e D5q A4q | C5q. D5e E5h | F5q. Eb5e D5q F5q | E5h. C#5q | "
        "D5q Bb4q D5q G5q | F5h A5q. F5e | E5q G5q Bb5q G5q | A5h E5q C#5q |";
    const Chords chords = ParseChords(
        "Dm | Bb | Gm | A7 | Dm | Bb | Gm | A7 | Dm | C | Bb | A | Gm | Dm | Edim | A7 |", s);

    s.parts.push_back({"Clarinet", 0, 71, 100, 70, ParseMelody(melody, s, 90, 0.96)});
    s.parts.push_back({"Strings", 1, 48, 72, 54, Pad(chords, 55, 72)});
    s.parts.push_back({"Harp", 2, 46, 80, 90, Arpeggio(chords, 50, 70, kPpq / 2, {0, 1, 2, 3, 4, 3, 2, 1}, 1)});
    s.parts.push_back({"Bass", 3, 32, 100, 64, BassHalves(chords, 38, 86)});
    const DrumBar groove = {{36, "x.........o....."}, {37, "........o......."}, {42, "..o...o...o...o."}};
    const DrumBar fill = {{36, "x.........o....."}, {37, "........o......."}, {42, "..o...o........."},
                          {45, "............o..."}, {41, "..............o."}};
    s.parts.push_back({"Drums", kDrumChannel, 0, 80, 64, Drums(s, groove, fill, 4, 49, {})});
    return s;
}

// 3: bouncy swing in B flat (AABA), vibraphone, piano comping, walking bass, ride.
Song Swing() {
    Song s{"Quorbit 3: Swing", 152, 4, 32, true, {}};
    const std::string a7 =
        "D5q. C5e D5e F5q. | re B4e D5e F5e G5q F5q | Eb5q. D5e C5e Eb5q. | re A4e C5e Eb5e F5h | "
        "D5e F5e Bb5e F5e Ab5q G5q | G5q Eb5e G5e Bb5q G5q | F5e D5e Bb4q C5e Eb5e A4q | ";
    const std::string turn = "Bb4q. re rq C5e C#5e |";
    const std::string bridge =
        "F#5q. E5e D5e F#5e A5q | C6q A5e F#5e D5h | B5q. A5e G5e B5e D6q | F5q D5e B4e G4h | "
        "E5q. D5e C5e E5e G5q | Bb5q G5e E5e C5h | A5q F5e C5e Eb5e F5e A5q | "
        "C6e A5e F5e Eb5e C5e A4e C5q | ";
    const std::string melody = Join({a7, turn, a7, "Bb4q F4q Bb4q rq |", bridge, a7, turn});
    const std::string chartA7 = "Bb | G7 | Cm7 | F7 | Bb Bb7 | Eb Edim | Bb F7 |";
    const Chords chords = ParseChords(Join({chartA7, "Cm7 F7 |", chartA7, "Bb |",
                                            "D7 | D7 | G7 | G7 | C7 | C7 | F7 | F7 |", chartA7, "Cm7 F7 |"}),
                                      s);

    s.parts.push_back({"Vibraphone", 0, 11, 100, 70, ParseMelody(melody, s, 90, 0.9)});
    s.parts.push_back({"Piano", 1, 0, 80, 44, CompCharleston(chords, 57, 72)});
    s.parts.push_back({"Bass", 2, 32, 100, 64, BassWalking(chords, 33, 86)});
    const DrumBar groove = {{51, "x...x.o.x...x.o."}, {44, "....x.......x..."}, {36, "o..............."}};
    const DrumBar fill = {{51, "x...x.o.x...x.o."}, {44, "....x.......x..."}, {36, "o..............."},
                          {38, "..........o.x.x."}};
    s.parts.push_back({"Drums", kDrumChannel, 0, 84, 64, Drums(s, groove, fill, 8, 49, {0, 16, 24})});
    return s;
}

// 4: calm waltz in G, flute over broken piano chords and a held cello line.
Song Waltz() {
    Song s{"Quorbit 4: Waltz", 92, 3, 24, false, {}};
    const std::string a7 =
        "B4h D5q | G5q. F#5e E5q | E5h G5q | F#5h. | B4h D5q | G5h A5q | C6q. B5e A5q | ";
    const std::string b =
        "E5q G5q C6q | B5h G5q | A5q. G5e E5q | F#5h D5q | E5q G5q B5q | C6h G5q | E5h A5q | F#5q D5q C5q | ";
    const std::string melody = Join({a7, "A5h. |", b, a7, "A5q F#5q D5q |"});
    const std::string chartA7 = "G | Em | C | D | G | Em | C |";
    const Chords chords =
        ParseChords(Join({chartA7, "D |", "C | G | Am | D | Em | C | Am | D7 |", chartA7, "D7 |"}), s);

    s.parts.push_back({"Flute", 0, 73, 96, 70, ParseMelody(melody, s, 86, 0.97)});
    s.parts.push_back({"Piano", 1, 0, 84, 50, Arpeggio(chords, 43, 68, kPpq / 2, {0, 2, 3, 4, 3, 2}, 2)});
    s.parts.push_back({"Cello", 2, 42, 76, 80, BassHeld(chords, 36, 72)});
    const DrumBar groove = {{36, "o..........."}, {42, "....o...o..."}};
    s.parts.push_back({"Drums", kDrumChannel, 0, 70, 64, Drums(s, groove, groove, 1, 81, {0, 8, 16})});
    return s;
}

// 5: fast and driving in A minor, marimba riffs, strings, eighth-note bass, rock beat.
Song Drive() {
    Song s{"Quorbit 5: Drive", 152, 4, 24, false, {}};
    const std::string a =
        "A5e E5e C5e E5e A5e E5e C6q | C6e A5e F5e A5e C6e A5e F6q | G5e E5e C5e E5e G5e E5e C6q | "
        "B5q. A5e G5q D5q | "
        "A5e E5e C5e E5e A5e E5e C6q | C6e A5e F5e A5e C6e A5e F6q | D6e B5e G5e B5e D6e B5e G5q | "
        "E6q D6q B5q G#5q | ";
    const std::string b =
        "F5q. E5e D5q A4q | C5q. B4e A4q E5q | F5q. G5e A5q D6q | B5h G#5h | "
        "A5q. G5e F5q C5q | E5q. F5e G5q C6q | D6e C6e A5e F5e D6e C6e A5e F5e | E5e G#5e B5e D6e E6q rq | ";
    const std::string chartA = "Am | F | C | G | Am | F | G | E |";
    const Chords chords = ParseChords(Join({chartA, "Dm | Am | Dm | E | F | C | Dm | E7 |", chartA}), s);

    s.parts.push_back({"Marimba", 0, 12, 110, 70, ParseMelody(Join({a, b, a}), s, 94, 0.8)});
    s.parts.push_back({"Strings", 1, 48, 74, 50, Pad(chords, 55, 70)});
    s.parts.push_back({"Bass", 2, 33, 100, 64, BassEighths(chords, 28, 84)});
    const DrumBar groove = {{36, "x.....x.x......."}, {38, "....x.......x..."}, {42, "x.o.x.o.x.o.x.o."}};
    const DrumBar fill = {{36, "x.....x.x......."}, {38, "....x.......xoxx"}, {42, "x.o.x.o.x.o....."}};
    s.parts.push_back({"Drums", kDrumChannel, 0, 88, 64, Drums(s, groove, fill, 4, 49, {0, 8, 16})});
    return s;
}

}  // namespace

std::vector<AudioFile> MakeTunes() {
    const Song songs[] = {March(), Mystery(), Swing(), Waltz(), Drive()};
    std::vector<AudioFile> out;
    for (int i = 0; i < 5; ++i) {
        const Song& s = songs[i];
        out.push_back({"Quorbit" + std::to_string(i + 1) + ".mid", EncodeSong(s)});
    }
    return out;
}

}  // namespace audiogen
