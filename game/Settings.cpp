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

std::vector<HighScoreTable::Entry> newEntries;

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

// The table as the store holds it now, with this run's entries not yet written put in: what the next
// save writes. The place of the last of those entries, 0 when it is not in the table.
int CurrentTable(const Registry::Session& store, HighScoreTable::Column& scores, HighScoreTable::Column& names) {
    ReadTable(store, scores, names);
    return HighScoreTable::Merge(scores, names, newEntries);
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
    newEntries.clear();
}

void NoteNewEntry(const QString& score, const QString& name) { newEntries.push_back({score, name}); }

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
    const int newest = CurrentTable(store, scores, names);
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
    newEntries.clear();
    return {true, QString(), newest};
}
}
