#include "highscores/HighScoreTable.h"
#include "platform/NumberFormat.h"

#include <QDate>
#include <QUrl>

namespace HighScoreTable {
namespace {
QString Encoded(const QString& value) { return QString::fromLatin1(QUrl::toPercentEncoding(value)); }
}

qint32 ScoreValue(const QString& text) {
    qint32 v = 0;
    if (!ReadWholeNumber(text, v)) return 0;
    return v;
}

int FindPlace(const QString& scoreCaption, const Column& topScore) {
    const qint32 s = ScoreValue(scoreCaption);
    for (int i = 1; i <= 10; ++i) {
        if (s > ScoreValue(topScore[static_cast<size_t>(i)])) return i;
    }
    return 0;
}

void ShiftDown(Column& topScore, Column& topScoreName, int place) {
    if (place < 1 || place > 10) return;
    for (int j = 10; j >= place; --j) {
        const auto from = static_cast<size_t>(j);
        topScore[from + 1] = topScore[from];
        topScoreName[from + 1] = topScoreName[from];
    }
}

int Merge(Column& topScore, Column& topScoreName, const std::vector<Entry>& entries) {
    int place = 0;
    for (const Entry& entry : entries) {
        place = FindPlace(entry.Score, topScore);
        if (place == 0) continue;
        ShiftDown(topScore, topScoreName, place);
        topScore[static_cast<size_t>(place)] = entry.Score;
        topScoreName[static_cast<size_t>(place)] = entry.Name;
    }
    return place;
}

int TiesAbove(const Column& topScore, int place) {
    if (place < 1 || place > 10) return 0;
    const qint32 s = ScoreValue(topScore[static_cast<size_t>(place)]);
    int ties = 0;
    for (int i = 1; i < place; ++i) ties += ScoreValue(topScore[static_cast<size_t>(i)]) == s;
    return ties;
}

int FindEntry(const Column& topScore, const Column& topScoreName, const Entry& entry, int tiesAbove) {
    const qint32 s = ScoreValue(entry.Score);
    int ties = 0;
    for (int i = 1; i <= 10; ++i) {
        const auto k = static_cast<size_t>(i);
        if (ScoreValue(topScore[k]) != s || ties++ < tiesAbove) continue;
        return topScore[k] == entry.Score && topScoreName[k] == entry.Name ? i : 0;
    }
    return 0;
}

QString NamePrompt(int place) {
    if (place == 1) return QStringLiteral("Congratulations!  You have the NEW TOP SCORE!  Please enter your name:");
    return QStringLiteral("Congratulations!  You have a top 10 score!  Please enter your name:");
}

QString TopScoresAddress(int rnd) {
    return QLatin1String(kScoreServer) + QStringLiteral("/cgi-bin/topscores.pl?rnd=") + QString::number(rnd);
}

QString CheckValue(qint32 score, const QLocale& locale) {
    const double s = score;
    const double v = s / 5 + ScoreCheckOffset + s / 10;
    // |v| stays below 1e9, so 15 significant digits never turn into exponent form.
    QString text = QString::number(v, 'g', 15);
    text.replace(QLatin1Char('.'), locale.decimalPoint());
    return text;
}

QString SubmissionAddress(const QString& name, const QString& scoreCaption, const QString& date,
                          const QLocale& locale) {
    const qint32 s = ScoreValue(scoreCaption);
    return QLatin1String(kScoreServer) + QStringLiteral("/cgi-bin/submit_score.pl?name=") + Encoded(name) +
           QStringLiteral("&score=") + Encoded(QString::number(s)) + QStringLiteral("&valid=") +
           Encoded(CheckValue(s, locale)) + QStringLiteral("&date=") + Encoded(date);
}

QString TodayText() { return QLocale().toString(QDate::currentDate(), QLocale::ShortFormat); }
}
