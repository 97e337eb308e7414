#include "game/Settings.h"
#include "game/Module1.h"
#include "highscores/HighScoreTable.h"
#include "platform/Registry.h"

#include <algorithm>
#include <cstdio>
#include <vector>

using namespace Module1;

namespace {
const QString kApp = QStringLiteral("Felmarch");
const QString kSection = QStringLiteral("Quorbit");

// An entry of this run: what it is to be, and how the file knows it once a save has written it.
struct RunEntry {
    HighScoreTable::Entry Wanted;
    bool Stored = false;
    QString StoredName;
    int TiesAbove = 0;
};
// In the order noted. A save that writes them keeps only the last, which may still be renamed.
std::vector<RunEntry> runEntries;

QString ScoreKey(size_t i) { return QStringLiteral("TopScore%1").arg(i); }
QString NameKey(size_t i) { return QStringLiteral("TopScoreName%1").arg(i); }

// A stored level as a 16-bit whole number; false for anything else.
bool ReadLevel(const QString& stored, int& level) {
    bool ok = false;
    level = stored.trimmed().toInt(&ok);
    return ok && level >= -32768 && level <= 32767;
}

void ReadTable(const Registry::Session& store, HighScoreTable::Column& scores, HighScoreTable::Column& names) {
    for (size_t i = 1; i <= 10; ++i) {
        scores[i] = store.Get(kSection, ScoreKey(i), QStringLiteral("0"));
        names[i] = store.Get(kSection, NameKey(i), QStringLiteral("---"));
    }
}

// Where a save puts one of this run's entries: its place (0 when not in the table) and its ties.
struct Placed {
    int Place = 0;
    int TiesAbove = 0;
};

// The table as the store holds it now, with this run's entries as they are to be: what the next save
// writes. Each entry's place in it, in the order noted.
std::vector<Placed> CurrentTable(const Registry::Session& store, HighScoreTable::Column& scores,
                                 HighScoreTable::Column& names) {
    ReadTable(store, scores, names);
    std::vector<Placed> placed;
    for (const RunEntry& entry : runEntries) {
        Placed at;
        if (entry.Stored) {
            at = {HighScoreTable::FindEntry(scores, names, {entry.Wanted.Score, entry.StoredName}, entry.TiesAbove),
                  entry.TiesAbove};
            if (at.Place > 0) names[static_cast<size_t>(at.Place)] = entry.Wanted.Name;
        }
        if (at.Place == 0 && (!entry.Stored || entry.StoredName != entry.Wanted.Name)) {
            at.Place = HighScoreTable::Merge(scores, names, {entry.Wanted});
            at.TiesAbove = HighScoreTable::TiesAbove(scores, at.Place);
        }
        placed.push_back(at);
    }
    return placed;
}

void Warn(const QString& text) { std::fprintf(stderr, "quorbit: %s\n", qPrintable(text)); }
}

namespace Settings {
void Load() {
    const Registry::Session store(kApp, Registry::Session::Access::Read);
    if (!store.Readable())
        Warn(QStringLiteral("cannot read the stored high scores (%1); the file is left as it is and this "
                            "run starts with the default table").arg(store.Problem()));
    // A value that is no whole number in range would stop the load: keep something playable instead.
    int level = 0;
    MaxLevel = ReadLevel(store.Get(kSection, QStringLiteral("MaxLevel"), QStringLiteral("5")), level)
                   ? static_cast<Integer>(std::max(1, level))
                   : Integer{5};
    ReadTable(store, TopScore, TopScoreName);
    runEntries.clear();
}

void NoteNewEntry(const QString& score, const QString& name) { runEntries.push_back({{score, name}, false, {}, 0}); }

void RenameNewEntry(const QString& name) {
    if (!runEntries.empty()) runEntries.back().Wanted.Name = name;
}

void ReadTableAgain() {
    const Registry::Session store(kApp, Registry::Session::Access::Read);
    if (!store.Readable()) return;
    HighScoreTable::Column scores, names;
    CurrentTable(store, scores, names);
    for (size_t i = 1; i <= 10; ++i) {
        TopScore[i] = scores[i];
        TopScoreName[i] = names[i];
    }
}

Outcome Save() {
    Registry::Session store(kApp, Registry::Session::Access::Change);
    HighScoreTable::Column scores, names;
    const std::vector<Placed> placed = CurrentTable(store, scores, names);
    int stored = 0;
    const bool hasLevel = ReadLevel(store.Get(kSection, QStringLiteral("MaxLevel"), QString()), stored);
    const Integer level = hasLevel ? static_cast<Integer>(std::max<int>(stored, MaxLevel)) : MaxLevel;

    store.Set(kSection, QStringLiteral("MaxLevel"), QString::number(level));
    for (size_t i = 1; i <= 10; ++i) {
        store.Set(kSection, ScoreKey(i), scores[i]);
        store.Set(kSection, NameKey(i), names[i]);
    }
    if (!store.Commit()) {
        Warn(QStringLiteral("the high-score table could not be saved: %1%2")
                 .arg(store.Problem(), store.Readable() ? QString() : QStringLiteral(" (the file is left as it is)")));
        return {false, store.Problem(), 0};
    }
    MaxLevel = level;
    for (size_t i = 1; i <= 10; ++i) {
        TopScore[i] = scores[i];
        TopScoreName[i] = names[i];
    }
    if (runEntries.empty()) return {true, QString(), 0};
    runEntries.erase(runEntries.begin(), runEntries.end() - 1);
    RunEntry& newest = runEntries.back();
    const Placed at = placed.back();
    if (at.Place > 0) newest = {newest.Wanted, true, newest.Wanted.Name, at.TiesAbove};
    return {true, QString(), at.Place};
}
}
