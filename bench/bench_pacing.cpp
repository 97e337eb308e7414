// Real animation pacing on a shown window: how long one step of each animation really lasts, against
// the time its frames are designed to take (counter "ratio": measured / designed).
#include "QtBenchMain.h"
#include "game/frmMain.h"
#include "platform/Modal.h"
#include "platform/Pacing.h"
#include "platform/Program.h"
#include "platform/Timer.h"

#include <QApplication>
#include <QDialog>
#include <QElapsedTimer>
#include <QThread>
#include <QWindow>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

#include <chrono>
#include <memory>

namespace {

// Made on first use, gone before the application object.
std::unique_ptr<frmMain> form;

frmMain* Form() {
    if (!form) {
        Pacing::SetInstant(true);
        Modal::SetHook([](QDialog& d) { d.close(); });
        form = std::make_unique<frmMain>();
        form->Form_Load();
        Modal::SetHook(nullptr);
        Module1::SoundEffectsOn = false;
        Module1::MusicOn = false;
        form->show();
        // A window manager maps the window later: frames painted before that cost nothing.
        QElapsedTimer waited;
        waited.start();
        while (!(form->windowHandle() && form->windowHandle()->isExposed()) && waited.elapsed() < 5000)
            QApplication::processEvents(QEventLoop::AllEvents, 50);
        for (int i = 0; i < 20; ++i) QApplication::processEvents();
        Pacing::SetInstant(false);
    }
    return form.get();
}

// A 15 x 15 board with a few blocks at the bottom and a falling block at the top of the middle
// column, as in play.
void LayPlay(frmMain& f) {
    Module1::BoardSize = 15;
    f.ResizeBoard();
    f.ClearBoard();
    for (Integer col = 1; col <= 15; col += 2) f.PlaceBlock(col, 15, QStringLiteral("7"));
    f.PlaceBlock(2, 14, QStringLiteral("G"));
    Module1::GoblinCount = 1;
    f.ShowBlocks();
    f.CreateBlock();
    f.CurFace = QStringLiteral("5");
    f.SetBlockPicture(f.ImageListBlue, f.CurFace, f.BlockCount, false);
    f.CurCol = static_cast<Integer>(Module1::BoardSize / 2 + 1);
    f.CurRow = 1;
    f.BlockAt(f.BlockCount)->SetVisible(true);
    f.KeysLocked = false;
    for (int i = 0; i < 5; ++i) QApplication::processEvents();
}

// Wall time of the whole loop per iteration, against the designed time.
class Ratio {
public:
    explicit Ratio(double designedMs) : designed_(designedMs), start_(std::chrono::steady_clock::now()) {}
    void Report(benchmark::State& state) const {
        const std::chrono::duration<double, std::milli> total = std::chrono::steady_clock::now() - start_;
        const double each = total.count() / static_cast<double>(state.iterations());
        state.counters["ms_each"] = each;
        state.counters["ratio"] = each / designed_;
    }

private:
    double designed_;
    std::chrono::steady_clock::time_point start_;
};

// One cell sideways: 8 frames of 5 pixels, 10 ms each.
void BM_SlideOneCell(benchmark::State& state) {
    frmMain& f = *Form();
    LayPlay(f);
    bool right = true;
    const Ratio ratio(80.0);
    for (auto _ : state) {
        const Integer col = f.CurCol;
        right ? f.MoveRight() : f.MoveLeft();
        if (f.CurCol == col) {
            state.SkipWithError("the block did not move");
            break;
        }
        right = !right;
    }
    ratio.Report(state);
}
BENCHMARK(BM_SlideOneCell)->UseRealTime()->Unit(benchmark::kMillisecond)->Iterations(60);

// One cell down by the game tick: 8 frames of 5 pixels, 10 ms each.
void BM_FallOneCell(benchmark::State& state) {
    frmMain& f = *Form();
    LayPlay(f);
    const Ratio ratio(80.0);
    for (auto _ : state) {
        if (f.CurRow >= 12) {
            // Back to the top before the block could land.
            state.PauseTiming();
            LayPlay(f);
            state.ResumeTiming();
        }
        const Integer row = f.CurRow;
        f.GameTimer_Timer();
        if (f.CurRow != row + 1) {
            state.SkipWithError("the block did not fall");
            break;
        }
    }
    ratio.Report(state);
}
BENCHMARK(BM_FallOneCell)->UseRealTime()->Unit(benchmark::kMillisecond)->Iterations(60);

// The level set-up: the board shrinks in 39 frames and drops back in 60, 10 ms each.
void BM_LevelSetUp(benchmark::State& state) {
    frmMain& f = *Form();
    LayPlay(f);
    PictureBox* board = f.backPic;
    const double width = board->Width(), height = board->Height(), top = board->Top(), left = board->Left();
    const Ratio ratio(990.0);
    for (auto _ : state) {
        f.ShrinkBoard();
        board->SetTop(top - 600);
        board->SetLeft(left);
        board->SetWidth(width);
        board->SetHeight(height);
        f.ShowBlocks();
        f.DropBoardIn();
    }
    ratio.Report(state);
    if (board->Top() != top) state.SkipWithError("the board did not come back to its place");
}
BENCHMARK(BM_LevelSetUp)->UseRealTime()->Unit(benchmark::kMillisecond)->Iterations(6);

// The slide again, frame by frame as MoveRight draws it, but each frame sleeps only what is left of
// its 10 ms after the drawing (a frame clock): what a sleep that counts the frame's own time would give.
void BM_SlideOneCellFrameClock(benchmark::State& state) {
    using Clock = std::chrono::steady_clock;
    frmMain& f = *Form();
    LayPlay(f);
    PictureBox* falling = f.BlockAt(f.BlockCount);
    int step = 5;
    const Ratio ratio(80.0);
    for (auto _ : state) {
        Clock::time_point frameStart = Clock::now();
        for (int i = 0; i < 8; ++i) {
            falling->Move(falling->Left() + step, falling->Top());
            f.backPic->Refresh();
            const Clock::time_point due = frameStart + std::chrono::milliseconds(10);
            const auto left = std::chrono::duration_cast<std::chrono::microseconds>(due - Clock::now());
            if (left.count() > 0) QThread::usleep(static_cast<unsigned long>(left.count()));
            frameStart = due;
        }
        step = -step;
    }
    ratio.Report(state);
}
BENCHMARK(BM_SlideOneCellFrameClock)->UseRealTime()->Unit(benchmark::kMillisecond)->Iterations(60);

// What a frame is made of: the 10 ms sleep alone, and the repaint of the play field alone.
void BM_FrameSleep(benchmark::State& state) {
    const Ratio ratio(10.0);
    for (auto _ : state) Pacing::Sleep(10);
    ratio.Report(state);
}
BENCHMARK(BM_FrameSleep)->UseRealTime()->Unit(benchmark::kMillisecond)->Iterations(200);

void BM_FrameRepaint(benchmark::State& state) {
    frmMain& f = *Form();
    LayPlay(f);
    PictureBox* falling = f.BlockAt(f.BlockCount);
    int step = 5;
    for (auto _ : state) {
        falling->Move(falling->Left() + step, falling->Top());
        step = -step;
        f.backPic->Refresh();
    }
}
BENCHMARK(BM_FrameRepaint)->UseRealTime()->Unit(benchmark::kMicrosecond)->Iterations(500);

void BM_FrameEvents(benchmark::State& state) {
    Form();
    for (auto _ : state) Pacing::DoEvents();
}
BENCHMARK(BM_FrameEvents)->UseRealTime()->Unit(benchmark::kMicrosecond)->Iterations(500);

}  // namespace

// Real pacing; the game's own timers never tick, so nothing but the measured step runs.
int main(int argc, char** argv) {
    return RunQtBenchmarks(argc, argv, false, [] { form.reset(); });
}
