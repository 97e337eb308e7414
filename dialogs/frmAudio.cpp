#include "dialogs/frmAudio.h"
#include "dialogs/WindowKit.h"
#include "game/Module1.h"
#include "platform/FileChooser.h"
#include "platform/MediaPlayer.h"
#include "platform/PictureList.h"

using namespace Module1;

namespace {
QCheckBox* MakeCheck(QWidget* parent, const char* name, QRect r, const QString& caption) {
    auto* c = MakeControl<QCheckBox>(parent, name, r, caption);
    // Opaque in the system's window colour.
    SetFillColour(c, c->palette().color(QPalette::Base));
    SetTextColour(c, kDarkBlue);
    c->setChecked(true);
    return c;
}
}

frmAudio::frmAudio(QWidget* parent) : TiledDialog(parent) {
    SetUpFixedWindow(*this, "frmAudio", QStringLiteral("Quorbit! Audio Options"), {329, 225}, Qt::white);

    Check2 = MakeCheck(this, "Check2", {24, 24, 177, 21}, QStringLiteral("Sound Effects"));
    Check1 = MakeCheck(this, "Check1", {24, 64, 193, 21}, QStringLiteral("Background Music"));
    Command3 = MakeControl<QPushButton>(this, "Command3", {24, 88, 281, 25}, QStringLiteral("Select Background Music"));
    Check3 = MakeCheck(this, "Check3", {24, 128, 177, 21}, QStringLiteral("Play Random Music"));
    Command1 = MakeControl<QPushButton>(this, "Command1", {88, 176, 153, 33}, QStringLiteral("OK"));
    Image1 = MakeImage(this, "Image1", {224, 8, 48, 65},
                       Pictures::Art().ListImages(QStringLiteral("goblin_headphones")));

    SetTabOrder({Command1, Check2, Check1, Command3, Check3});
    Command1->setDefault(true);

    // toggled also fires when the program changes the tick, as the game expects.
    connect(Check1, &QCheckBox::toggled, this, [this] { Check1_Click(); });
    connect(Command1, &QPushButton::clicked, this, [this] { Command1_Click(); });
    connect(Command3, &QPushButton::clicked, this, [this] { Command3_Click(); });

    Form_Load();
    Command1->setFocus(Qt::OtherFocusReason);
}

void frmAudio::Form_Load() {
    PaintTileBackground();
    if (MusicOn) {
        Check1->setChecked(true);
        Check3->setEnabled(true);
    } else {
        Check1->setChecked(false);
        Check3->setEnabled(false);
    }
    Check2->setChecked(SoundEffectsOn);
    Check3->setChecked(RandomMusic);
}

void frmAudio::Check1_Click() {
    MediaPlayer& player = MediaPlayer::Instance();
    if (Check1->isChecked()) {
        player.Play();
        Check3->setEnabled(true);
    } else {
        player.Pause();
        Check3->setEnabled(false);
    }
}

void frmAudio::Command3_Click() {
    QString chosen;
    // No trailing slash on the starting folder.
    QString folder = AudioFolder();
    while (folder.endsWith(QLatin1Char('/'))) folder.chop(1);
    if (!FileChooser::OpenFile(this, QStringLiteral("Select Background Music:"),
                               QStringLiteral("MIDI Music Files (.mid) (*.mid)"), folder, chosen))
        return;
    MusicFile = chosen;
    MediaPlayer& player = MediaPlayer::Instance();
    player.SetFileName(MusicFile);
    if (Check1->isChecked()) player.Play();
}

void frmAudio::Command1_Click() {
    MediaPlayer& player = MediaPlayer::Instance();
    if (Check1->isChecked()) {
        if (GoblinCount > 0) player.Play();
        else player.Pause();
        MusicOn = true;
    } else {
        player.Pause();
        MusicOn = false;
    }
    SoundEffectsOn = Check2->isChecked();
    RandomMusic = Check3->isChecked() && Check3->isEnabled();
    accept();
}

