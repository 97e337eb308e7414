#pragma once
#include <QString>

// The 21 stored values: "MaxLevel" and the top-ten table, under application "Felmarch", section
// "Quorbit". No window is needed to load or save them.
namespace Settings {
void Load();

// An entry this run put into the table, once it has its name. Every save merges it into what is
// stored at that moment, until one has written it.
void NoteNewEntry(const QString& score, const QString& name);

// The table in memory becomes what is stored now, with this run's entries not yet saved put in, so
// that a place is chosen from what the next save will write. A file that cannot be read leaves it.
void ReadTableAgain();

struct Outcome {
    bool Saved = false;
    // The file and the reason, when nothing was saved.
    QString Problem;
    // Where the entry noted last stands in the table now; 0 when it is not in it.
    int NewestPlace = 0;
};

// Reads what is stored now (another instance may have saved since this one loaded), puts this
// run's new entries into it by the table's insertion rule, keeps the larger MaxLevel and writes all
// 21 values; the run's table and MaxLevel become what was written. When nothing could be written,
// the table in memory stays as it was and the problem goes to stderr.
Outcome Save();
}
