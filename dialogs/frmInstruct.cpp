#include "dialogs/frmInstruct.h"
#include "dialogs/WindowKit.h"
#include "platform/ImageBox.h"
#include "platform/PictureList.h"

#include <QFrame>
#include <QLabel>
#include <initializer_list>
#include <utility>

namespace {
const QColor kPaleYellow(255, 255, 192);

QLabel* Text(QWidget* page, int x, int y, const QString& text, const QColor& colour) {
    auto* l = new QLabel(text, page);
    l->setFont(ArialBoldPt(12));
    SetTextColour(l, colour);
    l->move(x, y);
    l->adjustSize();
    return l;
}

QLabel* Paragraph(QWidget* page, QRect r, const QString& text, Qt::Alignment align) {
    auto* l = new QLabel(text, page);
    l->setFont(ArialBoldPt(12));
    SetTextColour(l, Qt::black);
    l->setGeometry(r);
    l->setWordWrap(true);
    l->setAlignment(align);
    return l;
}

ImageBox* Tile(QWidget* page, PictureList& list, const char* key, int x, int y) {
    return MakeImage(page, QLatin1String(key), {x, y, 40, 40}, list.ListImages(QLatin1String(key)));
}

struct TilePlace {
    const char* key;
    int x, y;
};

void BlueTiles(QWidget* page, std::initializer_list<TilePlace> tiles) {
    for (const TilePlace& t : tiles) Tile(page, Pictures::ImageListBlue(), t.key, t.x, t.y);
}

// Two columns of text, a row every `pitch` pixels from `top`, the first row (the headings) in dark blue.
// A row with an empty first cell continues the row above.
void Table(QWidget* page, int firstX, int secondX, int top, int pitch,
           std::initializer_list<std::pair<const char*, const char*>> rows) {
    int y = top;
    for (const auto& [first, second] : rows) {
        const QColor colour = y == top ? kDarkBlue : QColor(Qt::black);
        if (*first) Text(page, firstX, y, QString::fromLatin1(first), colour);
        Text(page, secondX, y, QString::fromLatin1(second), colour);
        y += pitch;
    }
}

PictureBox* MakePage(QWidget* parent, const char* name) {
    auto* page = new PictureBox(parent);
    page->setObjectName(QLatin1String(name));
    page->SetBackColor(Qt::white);
    page->Move(8, 8);
    page->SetWidth(593);
    page->SetHeight(233);
    return page;
}

}

frmInstruct::frmInstruct(QWidget* parent) : QDialog(parent) {
    SetUpFixedWindow(*this, "frmInstruct", QStringLiteral("Quorbit! Instructions"), {609, 289}, kLightGrey);
    setAutoFillBackground(true);

    Picture1 = MakePage(this, "Picture1");
    Picture2 = MakePage(this, "Picture2");
    Picture3 = MakePage(this, "Picture3");
    Picture4 = MakePage(this, "Picture4");
    Command1 = MakeControl<QPushButton>(this, "Command1", {8, 248, 105, 33}, QStringLiteral("Objective"), 9.75);
    Command2 = MakeControl<QPushButton>(this, "Command2", {120, 248, 105, 33}, QStringLiteral("Controls"), 9.75);
    Command4 = MakeControl<QPushButton>(this, "Command4", {232, 248, 105, 33}, QStringLiteral("Items"), 9.75);
    Command5 = MakeControl<QPushButton>(this, "Command5", {344, 248, 105, 33}, QStringLiteral("Scoring"), 9.75);
    Command3 = MakeControl<QPushButton>(this, "Command3", {496, 248, 105, 33}, QStringLiteral("Close"), 9.75);
    for (QPushButton* b : {Command1, Command2, Command4, Command5, Command3}) SetBackColor(b, Qt::white);
    SetTabOrder({Command1, Command2, Command4, Command5, Command3});

    connect(Command1, &QPushButton::clicked, this, [this] { Command1_Click(); });
    connect(Command2, &QPushButton::clicked, this, [this] { Command2_Click(); });
    connect(Command4, &QPushButton::clicked, this, [this] { Command4_Click(); });
    connect(Command5, &QPushButton::clicked, this, [this] { Command5_Click(); });
    connect(Command3, &QPushButton::clicked, this, [this] { Command3_Click(); });

    // The pages are painted before their contents go on top.
    Form_Load();
    BuildObjective();
    BuildControls();
    BuildItems();
    BuildScoring();
    Command1->setFocus(Qt::OtherFocusReason);
}

void frmInstruct::Form_Load() {
    const Picture tile3 = Pictures::ImageList2().ListImages(QStringLiteral("tile3"));
    for (PictureBox* page : {Picture1, Picture2, Picture3, Picture4})
        page->PaintPicture(tile3, 0, 0, page->Width(), page->Height());
    Picture1->ZOrder0();
    SetBackColor(Command1, kPaleYellow);
}

void frmInstruct::BuildObjective() {
    PictureBox* page = Picture1;
    MakeImage(page, "Image1", {464, 0, 111, 123}, Pictures::Art().ListImages(QStringLiteral("wizard")));

    PictureList& blue = Pictures::ImageListBlue();
    PictureList& red = Pictures::ImageListRed();
    Tile(page, blue, "four", 8, 40);
    Tile(page, blue, "div", 56, 48);
    Tile(page, red, "one", 104, 56);
    Tile(page, red, "plus", 152, 64);
    Tile(page, red, "two", 200, 56);
    Tile(page, red, "equal", 248, 48);
    Tile(page, red, "three", 296, 40);
    Tile(page, blue, "mult", 344, 48);
    Tile(page, blue, "eight", 392, 56);
    Tile(page, blue, "six", 440, 64);

    QLabel* l = Paragraph(page, {8, 128, 580, 107},
                          QStringLiteral("Help Felmarch the math wizard drive the math goblins from the field by "
                                         "steering the magic stars his wand conjures. The goblins hide beneath "
                                         "the parts of equations, so uncover them by building equations and "
                                         "dropping bombs. Every new level brings more goblins, and everything "
                                         "falls faster."),
                          Qt::AlignHCenter | Qt::AlignTop);
    l->setObjectName(QStringLiteral("Label29"));
}

void frmInstruct::BuildControls() {
    PictureBox* page = Picture2;
    for (int y = 48; y <= 176; y += 16) Line(page, 24, y, 568, y);
    Line(page, 176, 24, 176, 200);
    BlueTiles(page, {{"four", 128, 7}, {"two", 488, 16}, {"minus", 72, 184}, {"plus", 504, 168}});
    Table(page, 32, 200, 32, 16,
          {{"Key:", "Action:"},
           {"Left/Right Arrows", "Moves object to the left and right."},
           {"Up/Down Arrows", "Changes value of flashing blue blocks."},
           {"Spacebar", "Increases the speed of the descending object."},
           {"N", "Shortcut for starting a new game."},
           {"P", "Shortcut for pausing the game."},
           {"A", "Shortcut for audio options."},
           {"I", "Shortcut for instructions."},
           {"H", "Shortcut for viewing high scores."},
           {"E", "Shortcut for exiting the game."}});
}

void frmInstruct::BuildItems() {
    PictureBox* page = Picture3;
    for (int y : {64, 120, 176}) Line(page, 8, y, 584, y);

    // The bomb, the star and the goblin sit inside a thin border; the block fills its frame.
    auto framed = [page](const char* key, int y) {
        auto* frame = new QFrame(page);
        frame->setGeometry(8, y, 42, 42);
        frame->setFrameShape(QFrame::Box);
        frame->setLineWidth(1);
        MakeImage(frame, QLatin1String(key), {1, 1, 40, 40},
                  Pictures::ImageListGoblin0().ListImages(QLatin1String(key)));
    };
    MakeImage(page, "item_block", {8, 16, 42, 42}, Pictures::Art().ListImages(QStringLiteral("item_block")));
    framed("bomb1", 72);
    framed("star", 128);
    framed("goblin1", 184);

    const Qt::Alignment left = Qt::AlignLeft | Qt::AlignTop;
    Paragraph(page, {64, 8, 516, 56},
              QStringLiteral("Blocks make equations across, down and diagonally, and every equation made is "
                             "removed. Flashing blue blocks can be changed with the up and down arrows."),
              left);
    Paragraph(page, {64, 72, 516, 48},
              QStringLiteral("Bombs destroy every block and star directly below, left and right of where they "
                             "land, but they never remove goblins."),
              left);
    Paragraph(page, {64, 120, 516, 56},
              QStringLiteral("Stars remove goblins directly beneath them and on either side of where they land. "
                             "Use equations and bombs to clear the blocks between the stars and the goblins."),
              left);
    Paragraph(page, {64, 184, 516, 48},
              QStringLiteral("Remove every goblin to complete a level. A completed level can always be chosen "
                             "again."),
              left);
}

void frmInstruct::BuildScoring() {
    PictureBox* page = Picture4;
    for (int y : {40, 64, 88, 112, 184}) Line(page, 8, y, 584, y);
    Line(page, 192, 24, 192, 216);
    BlueTiles(page, {{"seven", 144, 16}, {"div", 400, 32}, {"plus", 528, 96}, {"nine", 88, 139}});
    Table(page, 8, 208, 24, 24,
          {{"Action:", "Point Value:"},
           {"Land Block (1-9)", "Block value x 10"},
           {"Land Any Other Object", "100"},
           {"Remove Goblin", "5000"},
           {"Create Equation", "Number of Blocks x 100"},
           {"", "x 2 If Equation Contains Addition or Subtraction"},
           {"", "x 4 If Equation Contains Multiplication or Division"},
           {"Complete Level", "Level Number x 100"}});
}

void frmInstruct::ShowTab(PictureBox* page, QPushButton* tab) {
    page->ZOrder0();
    for (QPushButton* b : {Command1, Command2, Command4, Command5}) SetBackColor(b, b == tab ? kPaleYellow : Qt::white);
}

void frmInstruct::Command1_Click() { ShowTab(Picture1, Command1); }
void frmInstruct::Command2_Click() { ShowTab(Picture2, Command2); }
void frmInstruct::Command4_Click() { ShowTab(Picture3, Command4); }
void frmInstruct::Command5_Click() { ShowTab(Picture4, Command5); }
void frmInstruct::Command3_Click() { accept(); }

PictureBox* frmInstruct::FrontPage() const {
    // Children are kept in stacking order, the front one last.
    PictureBox* front = nullptr;
    for (QObject* child : children()) {
        auto* page = qobject_cast<PictureBox*>(child);
        if (page) front = page;
    }
    return front;
}

void frmInstruct::SetBackColor(QPushButton* button, const QColor& colour) {
    // A style sheet, since most styles ignore a button palette's colour.
    button->setStyleSheet(QStringLiteral("QPushButton { background-color: %1; border: 2px outset #a0a0a0; }"
                                         "QPushButton:pressed { border-style: inset; }")
                              .arg(colour.name()));
    button->setProperty("backColor", colour);
}

QColor frmInstruct::BackColor(const QPushButton* button) { return button->property("backColor").value<QColor>(); }
