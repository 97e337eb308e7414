#include "TestSupport.h"

#include "platform/Browser.h"
#include "platform/CallLog.h"
#include "platform/MediaPlayer.h"
#include "platform/Modal.h"
#include "platform/Pacing.h"
#include "platform/Program.h"
#include "platform/Random.h"
#include "platform/Registry.h"
#include "platform/SoundPlayer.h"
#include "platform/Timer.h"

#include <QFileInfo>
#include <algorithm>

namespace TestSupport {
QStringList& OpenedAddresses() {
    static QStringList list;
    return list;
}
int& EndCount() {
    static int n = 0;
    return n;
}
int& EndStatus() {
    static int status = 0;
    return status;
}

void QuietEnvironment(std::uint64_t seed) {
    Pacing::SetInstant(true);
    Timer::SetManual(true);
    SetClockMixing(false);
    SeedRandom(seed);
    Program::Reset();
    EndCount() = 0;
    EndStatus() = 0;
    Program::SetEndHook([](int status) {
        ++EndCount();
        EndStatus() = status;
    });
    Modal::SetHook(nullptr);
    OpenedAddresses().clear();
    Browser::SetOpener([](const QString& a) { OpenedAddresses().append(a); });
    CallLog::SetRecording(true);
    SoundPlayer::History().clear();
    MediaPlayer::Instance().Reset();
    Module1::Reset();
}

QStringList Sounds() {
    QStringList names;
    for (const QString& p : SoundPlayer::History()) names.append(QFileInfo(p).fileName());
    return names;
}

void ClearSounds() { SoundPlayer::History().clear(); }

std::vector<std::string> Bottom(std::vector<std::string> rows, size_t n) {
    std::vector<std::string> board(n > rows.size() ? n - rows.size() : 0, std::string(n, '.'));
    for (std::string& r : rows) {
        r.resize(n, '.');
        board.push_back(r);
    }
    return board;
}

void Store(const std::vector<std::pair<QString, QString>>& values) {
    Registry::Session store(QStringLiteral("Felmarch"), Registry::Session::Access::Change);
    for (const auto& [key, value] : values) store.Set(QStringLiteral("Quorbit"), key, value);
    if (!store.Commit()) ADD_FAILURE() << qPrintable(store.Problem());
}

ScopedConfigHome::ScopedConfigHome() : old_(qgetenv("XDG_CONFIG_HOME")) {
    qputenv("XDG_CONFIG_HOME", dir_.path().toLocal8Bit());
}

ScopedConfigHome::~ScopedConfigHome() {
    qputenv("XDG_CONFIG_HOME", old_);
}
}

void GameTest::SetUp() {
    TestSupport::QuietEnvironment();
    // The splash closes at once; other windows are left to each test's own hook.
    Modal::SetHook([](QDialog& d) { d.close(); });
    form = std::make_unique<frmMain>();
    form->Form_Load();
    Modal::SetHook(nullptr);
    MediaPlayer::Instance().Calls().clear();
    TestSupport::ClearSounds();
}

void GameTest::TearDown() {
    form.reset();
    Modal::SetHook(nullptr);
}

void GameTest::SetBoard(const std::vector<std::string>& rows) {
    Module1::BoardSize = static_cast<Integer>(rows.size());
    form->ResizeBoard();
    form->ClearBoard();
    for (size_t r = 0; r < rows.size(); ++r) {
        for (size_t c = 0; c < rows[r].size(); ++c) {
            const char ch = rows[r][c];
            if (ch == '.') continue;
            form->PlaceBlock(static_cast<Integer>(c + 1), static_cast<Integer>(r + 1), QString(QChar(ch)));
        }
    }
    form->ShowBlocks();
}

void GameTest::Start(const std::vector<std::string>& rows, const QString& face, bool blue) {
    SetBoard(rows);
    // Every goblin within reach of GoblinsRemain, wherever SetBoard put it in the block order.
    Module1::GoblinCount = 0;
    for (int r = 1; r <= Module1::BoardSize; ++r)
        for (int c = 1; c <= Module1::BoardSize; ++c)
            if (form->Board[r][c].Face == QLatin1String("G"))
                Module1::GoblinCount =
                    std::max<Integer>(Module1::GoblinCount, static_cast<Integer>(form->Board[r][c].BlockIndex + 1));
    form->DropInterval = 800;
    form->GameTimer.SetInterval(800);
    form->KeysLocked = false;
    form->SpawnBlock();
    form->LightTimer.SetEnabled(false);
    form->BombTimer.SetEnabled(false);
    form->BlueBlockTimer.SetEnabled(blue);
    form->CurFace = face;
    form->IsBlueBlock = blue;
    if (face == QLatin1String("S"))
        form->BlockAt(form->BlockCount)->SetPicture(form->ImageListGoblin0.ListImages(QStringLiteral("star")));
    else if (face == QLatin1String("B"))
        form->BlockAt(form->BlockCount)->SetPicture(form->ImageListGoblin0.ListImages(QStringLiteral("bomb1")));
    else
        form->SetBlockPicture(form->ImageListBlue, face, form->BlockCount, false);
    form->GameTimer.SetEnabled(true);
    TestSupport::ClearSounds();
}

std::vector<std::string> GameTest::BoardRows() const {
    std::vector<std::string> rows;
    for (int r = 1; r <= Module1::BoardSize; ++r) {
        std::string line;
        for (int c = 1; c <= Module1::BoardSize; ++c) {
            const QString& f = form->Board[r][c].Face;
            line += f.isEmpty() ? '.' : f.at(0).toLatin1();
        }
        rows.push_back(line);
    }
    return rows;
}

std::vector<std::string> GameTest::MarkRows() const {
    std::vector<std::string> rows;
    for (int r = 1; r <= Module1::BoardSize; ++r) {
        std::string line;
        for (int c = 1; c <= Module1::BoardSize; ++c) line += form->Board[r][c].Removing ? 'X' : '.';
        rows.push_back(line);
    }
    return rows;
}

QString GameTest::KeyOf(Long blockIndex) const {
    const PictureBox* b = form->BlockAt(blockIndex);
    return b ? b->GetPicture().key : QString();
}

QString GameTest::KeyAt(int row, int col) const {
    const BoardCell& cell = form->Board[row][col];
    if (cell.Face.isEmpty()) return {};
    return KeyOf(cell.BlockIndex);
}
