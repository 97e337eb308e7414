#pragma once
#include <QString>

// The 21 stored values: "MaxLevel" and the top-ten table, under application "Felmarch", section
// "Quorbit". No window is needed to load or save them.
namespace Settings {
void Load();

// An entry this run put into the table. Every save merges it into what is stored at that moment,
// until one has written it.
void NoteNewEntry(const QString& score, const QString& name);

// The entry noted last takes a new name. Once written, the next save finds it in what is stored
// (other instances' entries may have moved it) and renames it there; one that is no longer there
// goes in again under the new name.
void RenameNewEntry(const QString& name);

// The table in memory becomes what is stored now, with this run's entries put in as they are to be,
// so that a place is chosen from what the next save will write. A file that cannot be read leaves it.
void ReadTableAgain();

struct Outcome {
    bool Saved = false;
    // The file and the reason, when nothing was saved.
    QString Problem;
    // Where the entry noted last stands in the table now; 0 when it is not in it.
    int NewestPlace = 0;
};

// Reads what is stored now (another instance may have saved since this one loaded), puts this
// run's new entries into it by the table's insertion rule (a renamed one where it stands), keeps the
// larger MaxLevel and writes all 21 values; the run's table and MaxLevel become what was written.
// When nothing could be written, the table in memory stays as it was, the entries wait for the next
// save and the problem goes to stderr.
Outcome Save();
}
