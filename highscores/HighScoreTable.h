#pragma once
// The high-score table's rules and the online score board's addresses; no window code here.
#include <QLocale>
#include <QString>
#include <array>
#include <vector>

namespace HighScoreTable {
// The score board's server: scheme and host, no trailing slash.
inline constexpr char kScoreServer[] = "http://scores.example.com";
inline constexpr double ScoreCheckOffset = 6185;

// Entries 1 to 11 of TopScore / TopScoreName (index 0 unused).
using Column = std::array<QString, 12>;

// A score text as a whole number; text that reads as none (edited settings) counts as 0.
qint32 ScoreValue(const QString& text);

// The first place 1..10 whose entry the score beats strictly; 0 when it beats none.
int FindPlace(const QString& scoreCaption, const Column& topScore);

// Moves entries place..10 down by one (the old entry 10 lands in 11). Both columns move together.
void ShiftDown(Column& topScore, Column& topScoreName, int place);

// A table row: the score text as shown when it entered, and the name as typed.
struct Entry {
    QString Score;
    QString Name;
};

// Puts the entries into the table one after another by the insertion rule (a tie goes below the
// older entry). Returns the place of the last one, 0 when it did not get in.
int Merge(Column& topScore, Column& topScoreName, const std::vector<Entry>& entries);

// How many entries above `place` score the same as the one there. Entries that enter later never
// change that count (a tie goes below), so it tells an entry from others of its score.
int TiesAbove(const Column& topScore, int place);

// The place of `entry` with `tiesAbove` entries of its score above it, as TiesAbove counted them
// when it entered; 0 when places 1 to 10 no longer hold it.
int FindEntry(const Column& topScore, const Column& topScoreName, const Entry& entry, int tiesAbove);

// The name prompt's message for a place.
QString NamePrompt(int place);

// The top-scores page; `rnd` only makes each address different.
QString TopScoresAddress(int rnd);

// The check value s / 5 + 6185 + s / 10, in the general form with the locale's decimal separator.
QString CheckValue(qint32 score, const QLocale& locale = QLocale());

// The submission page for a row of the table as shown: name and score caption, and today's date text.
// Every query value is percent-encoded as UTF-8, so the server's decoding returns exactly what was typed.
QString SubmissionAddress(const QString& name, const QString& scoreCaption, const QString& date,
                          const QLocale& locale = QLocale());

// Today's date in the user's short date format.
QString TodayText();
}
