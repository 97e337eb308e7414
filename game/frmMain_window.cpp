// The main window: its controls, start-up, layout, focus keeping and shutdown.
#include "dialogs/WindowKit.h"
#include "dialogs/frmCustomInput.h"
#include "dialogs/frmLogo.h"
#include "game/Settings.h"
#include "game/frmMain.h"
#include "platform/Modal.h"
#include "platform/NumberFormat.h"
#include "platform/Program.h"
#include "platform/Random.h"
#include "platform/WindowFrame.h"

#include <QCloseEvent>
#include <QIcon>
#include <QKeyEvent>

using namespace Module1;

namespace {
frmMain* instance = nullptr;

// The letter printed at this X keycode on a Latin keyboard (the evdev and the older xfree86 keycodes
// agree on the letter block), or 0 off that block.
int LatinLetterAt(quint32 keycode) {
    if (keycode >= 24 && keycode <= 33) return "QWERTYUIOP"[keycode - 24];
    if (keycode >= 38 && keycode <= 46) return "ASDFGHJKL"[keycode - 38];
    if (keycode >= 52 && keycode <= 58) return "ZXCVBNM"[keycode - 52];
    return 0;
}

// The virtual-key code of the keys the play field knows: the arrows, Space and the letters. Every
// other key arrives as vbKeyNone; a Qt code passed on would make ' % & ( act as the arrows.
Integer VirtualKey(const QKeyEvent* e) {
    const int k = e->key();
    switch (k) {
    case Qt::Key_Left: return vbKeyLeft;
    case Qt::Key_Right: return vbKeyRight;
    case Qt::Key_Up: return vbKeyUp;
    case Qt::Key_Down: return vbKeyDown;
    case Qt::Key_Space: return vbKeySpace;
    default: break;
    }
    if (k >= Qt::Key_A && k <= Qt::Key_Z) return static_cast<Integer>(k);
    if (k >= 'a' && k <= 'z') return static_cast<Integer>(k - 'a' + 'A');
    // A layout of another script: the key keeps its letter, so the hot keys work on any layout. A
    // Latin letter outside A-Z (Turkish g-breve, Latvian c-caron) is that layout's own key, not ours.
    const auto c = static_cast<char32_t>(k);
    if (k > 0x7f && k < Qt::Key_Escape && QChar::isLetter(c) && QChar::script(c) != QChar::Script_Latin) {
        if (const int letter = LatinLetterAt(e->nativeScanCode())) return static_cast<Integer>(letter);
    }
    return vbKeyNone;
}

// The splash and the buttons render on other cores while the window is built.
void PrepareStartUpPictures() {
    Pictures::Art().Prepare(QStringLiteral("splash"));
    for (const char* key : {"new1", "pause1", "audio1", "instruct1", "high1", "exit1"})
        Pictures::ImageList1().Prepare(QLatin1String(key));
}

PictureBox* MakeBox(QWidget* parent, const char* name, QRect r, QColor back) {
    auto* box = new PictureBox(parent);
    box->setObjectName(QLatin1String(name));
    box->SetBackColor(back);
    box->Move(r.x(), r.y());
    box->SetWidth(r.width());
    box->SetHeight(r.height());
    return box;
}
}

frmMain* frmMain::Instance() { return instance; }

frmMain::frmMain()
    : MediaPlayer1(MediaPlayer::Instance()), ImageListGoblin0(Pictures::ImageListGoblin0()),
      ImageListRed(Pictures::ImageListRed()), ImageListBlue(Pictures::ImageListBlue()),
      ImageListBlue2(Pictures::ImageListBlue2()), ImageList1(Pictures::ImageList1()),
      ImageList2(Pictures::ImageList2()) {
    PrepareStartUpPictures();
    instance = this;
    setObjectName(QStringLiteral("frmMain"));
    setWindowTitle(QStringLiteral("Felmarch - Quorbit!"));
    // Fixed size: no maximise button.
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);
    QIcon icon;
    for (int s : {16, 32, 48}) icon.addPixmap(Pictures::Art().Render(QStringLiteral("icon"), QSize(s, s)));
    setWindowIcon(icon);
    setAutoFillBackground(true);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, QColor(128, 128, 255));
    setPalette(pal);

    Picture1 = MakeBox(this, "Picture1", {0, 0, 620, 620}, QColor(0, 128, 0));
    backPic = MakeBox(Picture1, "backPic", {10, 10, 600, 600}, Qt::black);
    GmOv = MakeBox(backPic, "GmOv", {150, 250, 300, 100}, palette().color(QPalette::Base));
    GmOv->hide();
    SideBar = MakeBox(this, "SideBar", {616, 0, 200, 620}, QColor(0, 192, 0));

    // Tab order Picture1, backPic, GmOv, SideBar; the frame and the side bar hand the focus back.
    Picture1->setFocusPolicy(Qt::StrongFocus);
    backPic->setFocusPolicy(Qt::StrongFocus);
    SideBar->setFocusPolicy(Qt::StrongFocus);
    setTabOrder(Picture1, backPic);
    setTabOrder(backPic, GmOv);
    setTabOrder(GmOv, SideBar);
    Picture1->OnGotFocus = [this] { Picture1_GotFocus(); };
    SideBar->OnGotFocus = [this] { SideBar_GotFocus(); };
    backPic->installEventFilter(this);

    auto makeLabel = [this](const char* name, int top, const QString& caption) {
        auto* l = new Label(SideBar);
        l->setObjectName(QLatin1String(name));
        l->setGeometry(8, top, 185, 25);
        l->setFont(ArialBoldPt(18));
        l->setAlignment(Qt::AlignCenter);
        QPalette p = l->palette();
        p.setColor(QPalette::WindowText, Qt::black);
        l->setPalette(p);
        l->setText(caption);
        return l;
    };
    ScoreLabel = makeLabel("ScoreLabel", 109, QStringLiteral("0"));
    LevelLabel = makeLabel("LevelLabel", 153, QStringLiteral("-"));
    ScoreLabel->OnChange = [this] { ScoreLabel_Change(); };

    const char* names[] = {"Image1", "Image2", "Image3", "Image4", "Image5", "Image6"};
    const char* pics[] = {"new1", "pause1", "audio1", "instruct1", "high1", "exit1"};
    ImageBox** buttons[] = {&Image1, &Image2, &Image3, &Image4, &Image5, &Image6};
    for (int i = 0; i < 6; ++i) {
        auto* b = new ImageBox(SideBar);
        b->setObjectName(QLatin1String(names[i]));
        b->setGeometry(8, 312 + 40 * i, 180, 36);
        b->SetPicture(ImageList1.ListImages(QLatin1String(pics[i])));
        *buttons[i] = b;
    }
    Image2->SetEnabled(false);
    Image1->OnClick = [this] { Image1_Click(); };
    Image2->OnClick = [this] { Image2_Click(); };
    Image3->OnClick = [this] { Image3_Click(); };
    Image4->OnClick = [this] { Image4_Click(); };
    Image5->OnClick = [this] { Image5_Click(); };
    Image6->OnClick = [this] { Image6_Click(); };
    Image1->OnMouseDown = [this] { Image1_MouseDown(); };
    Image2->OnMouseDown = [this] { Image2_MouseDown(); };
    Image3->OnMouseDown = [this] { Image3_MouseDown(); };
    Image4->OnMouseDown = [this] { Image4_MouseDown(); };
    Image5->OnMouseDown = [this] { Image5_MouseDown(); };
    Image6->OnMouseDown = [this] { Image6_MouseDown(); };
    Image1->OnMouseUp = [this] { Image1_MouseUp(); };
    Image2->OnMouseUp = [this] { Image2_MouseUp(); };
    Image3->OnMouseUp = [this] { Image3_MouseUp(); };
    Image4->OnMouseUp = [this] { Image4_MouseUp(); };
    Image5->OnMouseUp = [this] { Image5_MouseUp(); };
    Image6->OnMouseUp = [this] { Image6_MouseUp(); };

    GameTimer.OnTimer = [this] { GameTimer_Timer(); };
    GoblinTimer.OnTimer = [this] { GoblinTimer_Timer(); };
    PauseTimer.OnTimer = [this] { PauseTimer_Timer(); };
    BlueBlockTimer.OnTimer = [this] { BlueBlockTimer_Timer(); };
    LightTimer.OnTimer = [this] { LightTimer_Timer(); };
    BombTimer.OnTimer = [this] { BombTimer_Timer(); };
    GameOverTimer.OnTimer = [this] { GameOverTimer_Timer(); };

    Blocks.assign(50001, nullptr);
    GoblinAlive.assign(201, false);
    setFixedSize(820, 620);
}

frmMain::~frmMain() {
    for (Timer* t : {&GameTimer, &GoblinTimer, &PauseTimer, &BlueBlockTimer, &LightTimer, &BombTimer, &GameOverTimer})
        t->SetEnabled(false);
    if (instance == this) instance = nullptr;
}

PictureBox* frmMain::BlockAt(Long index) const {
    if (index < 0 || static_cast<size_t>(index) >= Blocks.size()) return nullptr;
    return Blocks[static_cast<size_t>(index)];
}

void frmMain::SetBlockAt(Long index, PictureBox* box) {
    if (index < 0) return;
    if (static_cast<size_t>(index) >= Blocks.size()) Blocks.resize(static_cast<size_t>(index) + 1024, nullptr);
    Blocks[static_cast<size_t>(index)] = box;
}

bool frmMain::IsGoblinAlive(Long index) const {
    if (index < 0 || static_cast<size_t>(index) >= GoblinAlive.size()) return false;
    return GoblinAlive[static_cast<size_t>(index)];
}

void frmMain::SetGoblinAlive(Long index, bool alive) {
    if (index < 0) return;
    if (static_cast<size_t>(index) >= GoblinAlive.size()) {
        if (!alive) return;
        GoblinAlive.resize(static_cast<size_t>(index) + 256, false);
    }
    GoblinAlive[static_cast<size_t>(index)] = alive;
}

bool frmMain::AddToScore(qint64 points) {
    qint32 score = 0;
    if (!ReadWholeNumber(ScoreLabel->Caption(), score)) return false;
    Long sum = 0;
    if (!ToLong(static_cast<qint64>(score) + points, sum)) return false;
    ScoreLabel->SetCaption(QString::number(sum));
    return true;
}

// ---- Start-up ----

void frmMain::Form_Load() {
    // Font smoothing is ours alone: Qt antialiases our text, nothing system-wide is touched.
    // The backgrounds are painted at the design sizes noted here. A box keeps its canvas through the
    // layout, so they are painted once the splash has closed, their pictures rendered behind it.
    const QSizeF side(SideBar->Width(), SideBar->Height());
    const QSizeF frame(Picture1->Width(), Picture1->Height());
    ImageList2.Prepare(QStringLiteral("tile2"), side.toSize());
    ImageList2.Prepare(QStringLiteral("tile1"), frame.toSize());
    Image2->SetEnabled(false);
    KeysLocked = true;
    MusicOn = true;
    SoundEffectsOn = true;
    RandomMusic = false;
    Level = 1;
    MusicFile = AudioFolder() + QStringLiteral("Quorbit1.mid");
    MediaPlayer1.SetFileName(MusicFile);
    LoadSettings();
    Randomize();
    BoardSize = WindowFrame::Screen().width() <= 800 ? 13 : 15;
    ResizeBoard();
    WindowFrame::CentreOnScreen(*this);
    WindowFrame::HoldSize(*this);
    {
        frmLogo logo;
        Modal::Show(logo);
    }
    if (Program::Ended()) return;
    SideBar->PaintPicture(ImageList2.ListImages(QStringLiteral("tile2")), 0, 0, side.width(), side.height());
    Picture1->PaintPicture(ImageList2.ListImages(QStringLiteral("tile1")), 0, 0, frame.width(), frame.height());
    show();
    activateWindow();
    backPic->setFocus(Qt::OtherFocusReason);
}

void frmMain::LoadSettings() { Settings::Load(); }

Settings::Outcome frmMain::SaveSettings() { return Settings::Save(); }

// ---- Layout ----

void frmMain::ResizeBoard() {
    // A field of no cells would leave the window without a play area.
    const int size = std::max(1, FieldSize());
    backPic->SetHeight(size * 40);
    backPic->SetWidth(size * 40);
    Picture1->SetHeight(backPic->Height() + 20);
    Picture1->SetWidth(backPic->Width() + 20);
    GmOv->SetLeft((backPic->Width() - GmOv->Width()) / 2);
    GmOv->SetTop((backPic->Height() - GmOv->Height()) / 2);
    SideBar->SetHeight(Picture1->Height());
    SideBar->SetLeft(Picture1->Width());
    // The client area itself: the window manager's frame keeps its own size.
    setFixedSize(static_cast<int>(Picture1->Width() + SideBar->Width()), static_cast<int>(Picture1->Height()));
    ImageBox* buttons[] = {Image1, Image2, Image3, Image4, Image5, Image6};
    for (ImageBox* b : buttons) b->SetLeft(10);
    const double gap = (size - 10) * 2;
    Image6->SetTop(Picture1->Height() - Image6->Height() - 12);
    for (int i = 4; i >= 0; --i) buttons[i]->SetTop(buttons[i + 1]->Top() - buttons[i]->Height() - gap);
}

void frmMain::ScoreLabel_Change() { ScoreLabel->SetCaption(FormatCaption(ScoreLabel->Caption())); }

// ---- Focus ----

void frmMain::Picture1_GotFocus() { backPic->setFocus(Qt::OtherFocusReason); }
void frmMain::SideBar_GotFocus() { backPic->setFocus(Qt::OtherFocusReason); }

bool frmMain::eventFilter(QObject* watched, QEvent* event) {
    if (watched == backPic) {
        if (event->type() == QEvent::KeyPress) {
            auto* e = static_cast<QKeyEvent*>(event);
            if (e->key() == Qt::Key_Tab || e->key() == Qt::Key_Backtab) return false;
            // The handlers never read the Shift state.
            backPic_KeyDown(VirtualKey(e), 0);
            return true;
        }
        if (event->type() == QEvent::KeyRelease) {
            auto* e = static_cast<QKeyEvent*>(event);
            // A held key repeats its presses only: the drop keeps its speed until the real release.
            if (e->isAutoRepeat()) return true;
            backPic_KeyUp(VirtualKey(e), 0);
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

// ---- Shutdown ----

void frmMain::closeEvent(QCloseEvent* event) {
    event->accept();
    Form_Unload();
}

void frmMain::Form_Unload() {
    // Ended with the name prompt open (a logout, the X server gone): the entry, stored as the prompt
    // opened, takes what was typed.
    if (OpenNamePrompt) Settings::RenameNewEntry(OpenNamePrompt->Text1->text());
    // A table that could not be saved is no quiet success: stderr has said why.
    Program::End(SaveSettings().Saved ? 0 : 1);
}
