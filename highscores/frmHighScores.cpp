#include "highscores/frmHighScores.h"
#include "dialogs/WindowKit.h"
#include "game/Module1.h"
#include "highscores/HighScoreTable.h"
#include "platform/Browser.h"
#include "platform/MediaPlayer.h"
#include "platform/NumberFormat.h"
#include "platform/PictureList.h"
#include "platform/Random.h"

using namespace Module1;

namespace {
QLabel* Heading(QWidget* parent, const char* name, QRect r, const QString& caption) {
    auto* l = MakeControl<QLabel>(parent, name, r, caption, 20.25);
    l->setAlignment(Qt::AlignCenter);
    SetFillColour(l, kLightGrey);
    SetTextColour(l, kDarkBlue);
    return l;
}

QLabel* Cell(QWidget* parent, const QString& name, QRect r, double points) {
    auto* l = MakeControl<QLabel>(parent, name, r, QString(), points);
    l->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    // Stored names are shown exactly as they are, never read as markup.
    l->setTextFormat(Qt::PlainText);
    return l;
}

QPushButton* PictureButton(QWidget* parent, const char* name, int left, const char* key) {
    auto* b = new QPushButton(parent);
    b->setObjectName(QLatin1String(name));
    b->setGeometry(left, 448, 129, 41);
    const Picture picture = Pictures::Art().ListImages(QLatin1String(key));
    b->setIcon(QIcon(picture.At(QSize(127, 39))));
    b->setIconSize(QSize(127, 39));
    return b;
}
}

frmHighScores::frmHighScores(QWidget* parent) : TiledDialog(parent) {
    SetUpFixedWindow(*this, "frmHighScores", QStringLiteral("Quorbit! High Scores"), {457, 505}, Qt::white);

    Image1 = MakeImage(this, "Image1", {56, 8, 190, 65}, Pictures::Art().ListImages(QStringLiteral("hs_title")));
    Image2 = MakeImage(this, "Image2", {256, 8, 156, 65}, Pictures::Art().ListImages(QStringLiteral("hs_top10")));

    Label3 = Heading(this, "Label3", {16, 80, 185, 33}, QStringLiteral("Score"));
    Label4 = Heading(this, "Label4", {200, 80, 241, 33}, QStringLiteral("Name"));

    for (int k = 0; k < 10; ++k) {
        int scoreTop = 0, nameTop = 0, scoreHeight = 0, nameHeight = 0;
        double points = 12;
        switch (k) {
        case 0: scoreTop = 114, scoreHeight = 31, nameTop = 114, nameHeight = 28, points = 18; break;
        case 1: scoreTop = 150, scoreHeight = 31, nameTop = 152, nameHeight = 28, points = 15.75; break;
        case 2: scoreTop = 183, scoreHeight = 28, nameTop = 184, nameHeight = 28, points = 14.25; break;
        default:
            scoreTop = nameTop = 216 + 32 * (k - 3);
            scoreHeight = nameHeight = 20;
            break;
        }
        const auto i = static_cast<size_t>(k);
        Label1[i] = Cell(this, QStringLiteral("Label1_%1").arg(k), {16, scoreTop, 185, scoreHeight}, points);
        Label2[i] = Cell(this, QStringLiteral("Label2_%1").arg(k), {200, nameTop, 241, nameHeight}, points);
    }

    // The grid goes over the headings and cells so every line stays whole: the frame, the column
    // divider, then the lines under the headings and the rows.
    QList<QWidget*> grid = {Line(this, 16, 80, 440, 80), Line(this, 16, 432, 440, 432), Line(this, 16, 80, 16, 432),
                            Line(this, 440, 80, 440, 432), Line(this, 200, 80, 200, 432)};
    for (int r = 0; r < 10; ++r) grid.append(Line(this, 16, 112 + 32 * r, 440, 112 + 32 * r));
    for (int i = 0; i < grid.size(); ++i) grid[i]->setObjectName(QStringLiteral("Line%1").arg(i + 1));

    Command1 = PictureButton(this, "Command1", 16, "hs_view");
    Command2 = PictureButton(this, "Command2", 152, "hs_submit");
    Command2->hide();
    Command3 = PictureButton(this, "Command3", 312, "hs_close");
    SetTabOrder({Command1, Command2, Command3});
    connect(Command1, &QPushButton::clicked, this, [this] { Command1_Click(); });
    connect(Command2, &QPushButton::clicked, this, [this] { Command2_Click(); });
    connect(Command3, &QPushButton::clicked, this, [this] { Command3_Click(); });

    Form_Load();
    Command1->setFocus(Qt::OtherFocusReason);
}

frmHighScores::~frmHighScores() {
    // Destroyed without being closed (the program ending): the unload still happens once.
    if (!unloaded_) {
        unloaded_ = true;
        Form_Unload();
    }
}

void frmHighScores::Form_Load() {
    PaintTileBackground();
    for (size_t k = 0; k < 10; ++k) {
        Label1[k]->setText(FormatCaption(TopScore[k + 1]));
        Label2[k]->setText(TopScoreName[k + 1]);
    }
    if (NewScoreRank >= 1 && NewScoreRank <= 10) {
        const auto row = static_cast<size_t>(NewScoreRank - 1);
        for (QLabel* l : {Label1[row], Label2[row]}) SetTextColour(l, QColor(255, 0, 0));
        Command2->setVisible(true);
    }
}

void frmHighScores::Command1_Click() {
    Browser::Navigate(HighScoreTable::TopScoresAddress(static_cast<int>(Rnd() * 60000)));
}

void frmHighScores::Command2_Click() {
    if (NewScoreRank < 1 || NewScoreRank > 10) return;
    const auto row = static_cast<size_t>(NewScoreRank - 1);
    const QString date = HighScoreTable::TodayText();
    Browser::Navigate(HighScoreTable::SubmissionAddress(Label2[row]->text(), Label1[row]->text(), date));
    done(Accepted);
}

void frmHighScores::Command3_Click() { done(Accepted); }

void frmHighScores::Form_Unload() {
    HalveVolume(MediaPlayer::Instance());
    NewScoreRank = 0;
}

void frmHighScores::done(int result) {
    // Every way of closing ends here (buttons, close box, Escape).
    if (!unloaded_) {
        unloaded_ = true;
        Form_Unload();
    }
    QDialog::done(result);
}

