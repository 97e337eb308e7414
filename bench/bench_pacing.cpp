// Real animation pacing on a shown window: how long one step of each animation or pause really lasts,
// against the time its frames are designed to take (counters: the median step "median_ms", "ratio" =
// median / designed, the worst step "max_ms"). As in play, each step starts from the event loop; the
// time spent there between steps is not counted.
#include "QtBenchMain.h"
#include "RealPlay.h"
#include "game/frmMain.h"
#include "platform/Modal.h"
#include "platform/Pacing.h"
#include "platform/Program.h"
#include "platform/Timer.h"

#include <QApplication>
#include <QDialog>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>
#include <QWindow>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <functional>
#include <memory>
#include <utility>
#include <vector>

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

using Clock = std::chrono::steady_clock;

// The steps' own times, one by one, against the designed time of one step. The median, since a
// machine shared with other work only ever adds delays, and the worst step seen.
class Paced {
public:
    explicit Paced(double designedMs) : designed_(designedMs) {}
    void Add(benchmark::State& state, double ms) {
        samples_.push_back(ms);
        state.SetIterationTime(ms / 1000.0);
    }
    template <class Step>
    void Time(benchmark::State& state, Step&& step) {
        const Clock::time_point start = Clock::now();
        step();
        Add(state, std::chrono::duration<double, std::milli>(Clock::now() - start).count());
    }
    void Report(benchmark::State& state) {
        if (samples_.empty()) return;
        std::sort(samples_.begin(), samples_.end());
        const double median = samples_[samples_.size() / 2];
        state.counters["median_ms"] = median;
        state.counters["ratio"] = median / designed_;
        state.counters["max_ms"] = samples_.back();
    }

private:
    double designed_;
    std::vector<double> samples_;
};

// Lets the event loop wait once, as it does for the key or tick that starts each step in play.
void WaitForEvents() {
    QEventLoop loop;
    QTimer::singleShot(0, &loop, &QEventLoop::quit);
    loop.exec();
}

// One cell sideways: 8 frames of 5 pixels, 10 ms each.
void BM_SlideOneCell(benchmark::State& state) {
    frmMain& f = *Form();
    LayPlay(f);
    bool right = true;
    Paced paced(80.0);
    for (auto _ : state) {
        WaitForEvents();
        const Integer col = f.CurCol;
        paced.Time(state, [&] { right ? f.MoveRight() : f.MoveLeft(); });
        if (f.CurCol == col) {
            state.SkipWithError("the block did not move");
            break;
        }
        right = !right;
    }
    paced.Report(state);
}
BENCHMARK(BM_SlideOneCell)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(60);

// One cell down by the game tick: 8 frames of 5 pixels, 10 ms each.
void BM_FallOneCell(benchmark::State& state) {
    frmMain& f = *Form();
    LayPlay(f);
    Paced paced(80.0);
    for (auto _ : state) {
        // Back to the top before the block could land.
        if (f.CurRow >= 12) LayPlay(f);
        WaitForEvents();
        const Integer row = f.CurRow;
        paced.Time(state, [&] { f.GameTimer_Timer(); });
        if (f.CurRow != row + 1) {
            state.SkipWithError("the block did not fall");
            break;
        }
    }
    paced.Report(state);
}
BENCHMARK(BM_FallOneCell)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(60);

// The level set-up: the board shrinks in 39 frames and drops back in 60, 10 ms each.
void BM_LevelSetUp(benchmark::State& state) {
    frmMain& f = *Form();
    LayPlay(f);
    PictureBox* board = f.backPic;
    const double width = board->Width(), height = board->Height(), top = board->Top(), left = board->Left();
    Paced paced(990.0);
    for (auto _ : state) {
        WaitForEvents();
        paced.Time(state, [&] {
            f.ShrinkBoard();
            board->SetTop(top - 600);
            board->SetLeft(left);
            board->SetWidth(width);
            board->SetHeight(height);
            f.ShowBlocks();
            f.DropBoardIn();
        });
    }
    paced.Report(state);
    if (board->Top() != top) state.SkipWithError("the board did not come back to its place");
}
BENCHMARK(BM_LevelSetUp)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(9);

// 1+1= at the bottom of a 10 board beside a goblin, and a 2 falling one cell above the cell that
// completes it, at level 1's pace.
void LayRemoval(frmMain& f) {
    Module1::BoardSize = 10;
    f.ResizeBoard();
    f.ClearBoard();
    const char* const faces[] = {"G", "1", "+", "1", "="};
    for (Integer col = 1; col <= 5; ++col) f.PlaceBlock(col, 10, QString::fromLatin1(faces[col - 1]));
    Module1::GoblinCount = 1;
    f.ShowBlocks();
    f.SpawnBlock();
    f.CurFace = QStringLiteral("2");
    f.IsBlueBlock = false;
    f.SetBlockPicture(f.ImageListBlue, f.CurFace, f.BlockCount, false);
    f.CurRow = 9;
    PictureBox* falling = f.BlockAt(f.BlockCount);
    falling->Move(falling->Left(), 8 * 40);
    f.DropInterval = 1000;
    f.KeysLocked = false;
    f.Image2->SetEnabled(true);
    for (int i = 0; i < 5; ++i) QApplication::processEvents();
}

// Calls `painted` whenever the watched widget is painted.
class PaintWatch : public QObject {
public:
    PaintWatch(QWidget* widget, std::function<void()> painted) : painted_(std::move(painted)) {
        widget->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Paint) painted_();
        return false;
    }

private:
    std::function<void()> painted_;
};

// The removal's pause as the player sees it: from the landed block's red picture reaching the screen
// to the first block starting to shrink (what follows runs at instant pacing). GameTimer moves the
// block by itself every `interval` ms: one slide, then the landing. -1 when something went wrong.
double RemovalPause(frmMain& f, int interval) {
    LayRemoval(f);
    PictureBox* landing = f.BlockAt(f.BlockCount);
    QElapsedTimer clock;
    clock.start();
    qint64 red = -1, removing = -1;
    const PaintWatch paints(landing, [&] {
        if (red < 0 && landing->GetPicture().list == &f.ImageListRed) red = clock.nsecsElapsed();
    });
    const RealPlay::DisableWatch watch(f.Image2, [&] {
        removing = clock.nsecsElapsed();
        Pacing::SetInstant(true);
    });
    RealPlay::PlayUntilLanded(f, interval, clock);
    Pacing::SetInstant(false);
    if (red < 0 || removing < red) return -1;
    return static_cast<double>(removing - red) / 1e6;
}

void RemovalPauseAfter(benchmark::State& state, int interval) {
    frmMain& f = *Form();
    Paced paced(1000.0);
    for (auto _ : state) {
        const double ms = RemovalPause(f, interval);
        if (ms < 0) {
            state.SkipWithError("no red picture, or no removal after it");
            break;
        }
        paced.Add(state, ms);
    }
    paced.Report(state);
}

// After a fall at level 1: the landing comes about 920 ms after the last slide ended.
void BM_RemovalPauseAfterLevel1Fall(benchmark::State& state) { RemovalPauseAfter(state, 1000); }
BENCHMARK(BM_RemovalPauseAfterLevel1Fall)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(3);

// After a fast drop (Space): the landing tick follows the last slide at once.
void BM_RemovalPauseAfterFastDrop(benchmark::State& state) { RemovalPauseAfter(state, 1); }
BENCHMARK(BM_RemovalPauseAfterFastDrop)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(5);

// One marked block removed: the red pause and its shrink in 26 frames of 10 ms.
void BM_RemoveOneBlock(benchmark::State& state) {
    frmMain& f = *Form();
    Paced paced(1000.0 + 26 * 10.0);
    for (auto _ : state) {
        LayRemoval(f);
        f.Board[10][2].Removing = true;
        WaitForEvents();
        paced.Time(state, [&] { f.RemoveMarkedCells(); });
        if (f.BlockAt(1) != nullptr) {
            state.SkipWithError("the block was not removed");
            break;
        }
    }
    paced.Report(state);
}
BENCHMARK(BM_RemoveOneBlock)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(5);

// What a frame is made of: the 10 ms sleep alone, and the repaint of the play field alone.
void BM_FrameSleep(benchmark::State& state) {
    Paced paced(10.0);
    for (auto _ : state) paced.Time(state, [] { Pacing::Sleep(10); });
    paced.Report(state);
}
BENCHMARK(BM_FrameSleep)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(200);

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
