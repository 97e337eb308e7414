// The equation pass: find true equations on the board, score and mark them, remove and settle.
#include "game/frmMain.h"
#include "platform/Program.h"
#include "platform/ScriptEngine.h"

#include <algorithm>
#include <optional>
#include <string>
#include <vector>

using namespace Module1;

namespace {
// One cell along a line.
struct Step {
    int dRow, dCol;
    Step operator-() const { return {-dRow, -dCol}; }
};

// First and last, both included.
struct Span {
    int from, to;
};

// One side of an "=": its cells' characters in the order walked away from the "=".
// The empty ring ends every run on the field; the bounds test only guards the array.
QString CollectRun(frmMain& form, int row, int col, Step step) {
    QString run;
    for (int r = row + step.dRow, c = col + step.dCol; InBoard(r, c); r += step.dRow, c += step.dCol) {
        const QString& face = form.Board[r][c].Face;
        // Most cells of a run are digits: the operator test only for the others.
        const bool isDigit = face.size() == 1 && face.at(0) >= QLatin1Char('0') && face.at(0) <= QLatin1Char('9');
        if (!isDigit) {
            bool isOperator = false;
            form.IsOperator(face, isOperator);
            if (!isOperator) break;
        }
        run.append(face.at(0));
    }
    return run;
}

QString Reversed(const QString& s) {
    QString out = s;
    std::reverse(out.begin(), out.end());
    return out;
}

// Marks the "=", the cells of EqLeft behind it and those of EqRight ahead of it.
void MarkEquation(frmMain& form, int row, int col, Step forward) {
    form.Board[row][col].Removing = true;
    auto mark = [&](Step step, qsizetype count) {
        for (qsizetype i = 1; i <= count; ++i) {
            const int r = row + step.dRow * static_cast<int>(i), c = col + step.dCol * static_cast<int>(i);
            if (InBoard(r, c)) form.Board[r][c].Removing = true;
        }
    };
    mark(forward, form.EqRight.size());
    mark(-forward, form.EqLeft.size());
}

// One scan: the cells where an "=" is looked for and the way the line is read. Read forwards, the
// first side of an equation lies behind the "=" (its run reversed) and the second ahead (as walked).
struct ScanLine {
    Span rows, cols;
    Step forward;
    bool upwardsToo = false;  // columns are read both ways
};

void RunScan(frmMain& form, const ScanLine& line) {
    const QChar equals = kEquals.at(0);
    for (int row = line.rows.from; row <= line.rows.to; ++row) {
        for (int col = line.cols.from; col <= line.cols.to; ++col) {
            const QString& face = form.Board[row][col].Face;
            if (face.size() != 1 || face.at(0) != equals) continue;
            const QString firstWalk = CollectRun(form, row, col, -line.forward);
            const QString secondWalk = CollectRun(form, row, col, line.forward);
            if (firstWalk.isEmpty() || secondWalk.isEmpty()) continue;

            bool ok = false;
            form.CheckEquation(Reversed(firstWalk), secondWalk, 1, ok);
            if (ok) {
                form.ScoreEquation();
                MarkEquation(form, row, col, line.forward);
            }
            if (!line.upwardsToo) continue;
            // Read upwards: the run above as walked, the run below reversed.
            form.CheckEquation(firstWalk, Reversed(secondWalk), 0, ok);
            if (ok) {
                form.ScoreEquation();
                MarkEquation(form, row, col, line.forward);
            }
        }
    }
}

// A piece's value text, or nothing when the piece cannot be evaluated.
std::optional<std::string> ValueText(std::string_view piece) {
    std::string text;
    if (!ScriptEngine::Eval(piece, text) || text.empty()) return std::nullopt;
    return text;
}

void AddOne(Integer& counter) {
    Integer next = 0;
    if (ToInteger(static_cast<long long>(counter) + 1, next)) counter = next;
}
}

void frmMain::ProcessEquations() {
    if (EquationsRunning) return;
    EquationsRunning = true;
    bool changed = false;
    do {
        ScanRows();
        ScanColumns();
        ScanDiagonalsDown();
        ScanDiagonalsUp();
        RemoveMarkedCells();
        // The window may have been unloaded while the removal let events run.
        if (Program::Ended()) break;
        SettleBoard(changed);
    } while (changed);
    EquationsRunning = false;
}

void frmMain::ScanRows() {
    const int n = FieldSize();
    RunScan(*this, {.rows = {1, n}, .cols = {2, n - 1}, .forward = {0, 1}});
}

void frmMain::ScanColumns() {
    const int n = FieldSize();
    RunScan(*this, {.rows = {2, n - 1}, .cols = {1, n}, .forward = {1, 0}, .upwardsToo = true});
}

void frmMain::ScanDiagonalsDown() {
    const int n = FieldSize();
    RunScan(*this, {.rows = {2, n - 1}, .cols = {2, n - 1}, .forward = {1, 1}});
}

void frmMain::ScanDiagonalsUp() {
    const int n = FieldSize();
    RunScan(*this, {.rows = {2, n - 1}, .cols = {2, n - 1}, .forward = {-1, 1}});
}

void frmMain::CheckEquation(const QString& first, const QString& second, Integer direction, bool& ok) {
    ok = false;
    // Latin-1 keeps one byte per character, so byte and character positions agree.
    const std::string f = first.toLatin1().toStdString();
    const std::string s = second.toLatin1().toStdString();
    const bool forward = direction == 1;

    // Every piece is evaluated once; evaluation is pure, so reusing the texts changes no outcome.
    std::vector<std::optional<std::string>> a(f.size() + 1), b(s.size() + 1);
    for (size_t i = 1; i <= f.size(); ++i)
        a[i] = ValueText(forward ? std::string_view(f).substr(f.size() - i) : std::string_view(f).substr(0, i));
    for (size_t j = 1; j <= s.size(); ++j)
        b[j] = ValueText(forward ? std::string_view(s).substr(0, j) : std::string_view(s).substr(s.size() - j));

    // All pairs are tried: the last match is what EqLeft and EqRight keep.
    for (size_t i = 1; i <= f.size(); ++i) {
        if (!a[i]) continue;
        for (size_t j = 1; j <= s.size(); ++j) {
            if (!b[j] || *a[i] != *b[j]) continue;
            ok = true;
            AddOne(BombCounter);
            AddOne(StarCounter);
            const auto ii = static_cast<qsizetype>(i), jj = static_cast<qsizetype>(j);
            EqLeft = forward ? first.right(ii) : first.left(ii);
            EqRight = forward ? second.left(jj) : second.right(jj);
        }
    }
}

void frmMain::ScoreEquation() {
    qint64 s = (static_cast<qint64>(EqLeft.size()) + EqRight.size() + 1) * 100;
    const QString both = EqLeft + EqRight;
    if (both.contains(kMinus) || both.contains(kPlus)) s *= 2;
    if (both.contains(kDivide) || both.contains(kTimes)) s *= 4;
    AddToScore(s);
}

void frmMain::IsOperator(const QString& face, bool& result) {
    if (face.size() != 1) {
        result = false;
        return;
    }
    // Compared one by one, as cheap as a test of literals: the scans ask this of every cell that is no digit.
    const QChar c = face.at(0);
    result = c == kPlus.at(0) || c == kMinus.at(0) || c == kTimes.at(0) || c == kDivide.at(0);
}
