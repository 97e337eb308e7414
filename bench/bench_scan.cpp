// The equation scans on crowded boards, and a whole pass at instant pacing.
#include "QtBenchMain.h"
#include "game/frmMain.h"
#include "platform/Modal.h"
#include "platform/Pacing.h"
#include "platform/Program.h"
#include "platform/Timer.h"

#include <QApplication>
#include <QDialog>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

#include <memory>
#include <string>
#include <vector>

namespace {

// Made on first use, gone before the application object.
std::unique_ptr<frmMain> form;

frmMain* Form() {
    if (!form) {
        Modal::SetHook([](QDialog& d) { d.close(); });
        form = std::make_unique<frmMain>();
        form->Form_Load();
        Modal::SetHook(nullptr);
        Module1::SoundEffectsOn = false;
    }
    return form.get();
}

void Lay(frmMain& form, const std::vector<std::string>& rows) {
    Module1::BoardSize = static_cast<Integer>(rows.size());
    form.ResizeBoard();
    form.ClearBoard();
    for (size_t r = 0; r < rows.size(); ++r)
        for (size_t c = 0; c < rows[r].size(); ++c)
            if (rows[r][c] != '.')
                form.PlaceBlock(static_cast<Integer>(c + 1), static_cast<Integer>(r + 1), QString(QChar(rows[r][c])));
}

// Faces only, no picture boxes: the scans read nothing else.
void Fill(frmMain& form, const std::vector<std::string>& rows) {
    Module1::BoardSize = static_cast<Integer>(rows.size());
    for (auto& row : form.Board)
        for (BoardCell& cell : row) cell = BoardCell{};
    for (size_t r = 0; r < rows.size(); ++r)
        for (size_t c = 0; c < rows[r].size(); ++c)
            if (rows[r][c] != '.') form.Board[r + 1][c + 1].Face = QString(QChar(rows[r][c]));
}

// One "=" in the middle of every row: long runs of digits and operators on both sides, in every
// direction, with rows that hold and rows that do not.
const std::vector<std::string> kLongRuns = {
    "1+2*3-4/5=9-1+2", "7*8-6+5/1=61+3*", "2/3+1/3=1*1-0+4", "9-8+7-6=2+0*11+", "4*4/2+8=16-0*9/",
    "1/3*9-2=1+0*3-5", "5+5+5-5=10*1/1-", "6/2*3+1=10/1*1+", "8-2/2*3=5-0*0+7", "3*3*3-7=20/1*1-",
    "2+2+2+2=8*1-0+1", "9/3/3*7=7-0+0*9", "1*2*3*4=24/1-0+", "7-7+7-7=0*123+4", "5/5+5/5=2*1*1-0",
};

// Columns and diagonals full of "=" too: every other cell an "=", runs of one or two.
const std::vector<std::string> kDense = {
    "1=1+1=2*2=4-4=0", "2+2=4=4-0=0*1=1", "=3=3+3=6/2=3=3=", "4-1=3=1*3=3-0=3", "5*1=5=5=5+0=5=5",
    "6=6/1=6-0=6=6*1", "=7=7*1=7-0=7=7=", "8/2=4=4=2+2=4=4", "9=9-0=9*1=9=9=9", "1+0=1=1=1*1=1=1",
    "=2=2*1=2+0=2=2=", "3-0=3=3=3/1=3=3", "4=4*1=4-0=4=4=4", "5+0=5=5=5*1=5=5", "=6=6/1=6+0=6=6=",
};

// Digits and operators everywhere, "=" at every fourth row and column (or only in the centre): the
// runs reach across the board in all four directions.
std::vector<std::string> Lattice(bool centreOnly) {
    const std::string faces = "12+34-56*78/90";
    std::vector<std::string> rows(15, std::string(15, '1'));
    for (size_t r = 0; r < 15; ++r)
        for (size_t c = 0; c < 15; ++c) {
            rows[r][c] = faces[(r * 5 + c * 3) % faces.size()];
            const bool eq = centreOnly ? (r == 7 && c == 7) : (r % 4 == 3 && c % 4 == 3);
            if (eq) rows[r][c] = '=';
        }
    return rows;
}

void ScanCycle(benchmark::State& state, const std::vector<std::string>& rows) {
    frmMain& form = *Form();
    Fill(form, rows);
    for (auto _ : state) {
        form.ScoreLabel->SetCaption(QStringLiteral("0"));
        form.ScanRows();
        form.ScanColumns();
        form.ScanDiagonalsDown();
        form.ScanDiagonalsUp();
        benchmark::DoNotOptimize(form.BombCounter);
        state.PauseTiming();
        state.counters["matches"] = form.BombCounter;
        for (auto& row : form.Board)
            for (BoardCell& cell : row) cell.Removing = false;
        form.BombCounter = 0;
        form.StarCounter = 0;
        state.ResumeTiming();
    }
}

void BM_ScanCycleLongRuns(benchmark::State& state) { ScanCycle(state, kLongRuns); }
void BM_ScanCycleDense(benchmark::State& state) { ScanCycle(state, kDense); }
void BM_ScanCycleLattice(benchmark::State& state) { ScanCycle(state, Lattice(false)); }
void BM_ScanCycleCentre(benchmark::State& state) { ScanCycle(state, Lattice(true)); }
BENCHMARK(BM_ScanCycleLongRuns)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_ScanCycleLattice)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_ScanCycleCentre)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_ScanCycleDense)->Unit(benchmark::kMicrosecond);

// A whole pass on a crowded 15 x 15 board: equations go, blocks fall, new equations form.
void BM_ProcessEquationsCrowded(benchmark::State& state) {
    frmMain& form = *Form();
    std::vector<std::string> crowded(kDense.begin(), kDense.end());
    crowded[0] = "...............";
    crowded[1] = "..S.....B......";
    crowded[14] = "G1+1=2G3=3G12=3";
    Long removed = 0;
    for (auto _ : state) {
        state.PauseTiming();
        Lay(form, crowded);
        form.ShowBlocks();
        form.ScoreLabel->SetCaption(QStringLiteral("0"));
        state.ResumeTiming();
        form.ProcessEquations();
        benchmark::DoNotOptimize(form.BombCounter);
        state.PauseTiming();
        Long left = 0;
        for (Long i = 0; i < form.BlockCount; ++i) left += form.BlockAt(i) ? 1 : 0;
        removed = form.BlockCount - left;
        state.ResumeTiming();
    }
    state.counters["removed"] = removed;
}
BENCHMARK(BM_ProcessEquationsCrowded)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    return RunQtBenchmarks(argc, argv, true, [] { form.reset(); });
}
