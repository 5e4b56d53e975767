#include "ui/form1.h"

#include "ui/announcer.h"
#include "ui/frmabout.h"
#include "ui/hintpanel.h"
#include "ui/playaids.h"
#include "ui/resources.h"

#include "look/screen.h"

#include "play/startmessages.h"
#include "store/library.h"

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QKeyEvent>
#include <QKeySequence>
#include <QLabel>
#include <QLayout>
#include <QMenuBar>
#include <QPushButton>
#include <QScreen>
#include <QTimer>

namespace zov {
namespace {

constexpr int ClientWidth = 7170;
constexpr int ClientHeight = 5400;
// Where the board's last column ends, and where "Add Game Mode" ends right of it.
constexpr int BoardRight = cellLeft(cellAt(1, 9)) + CellWidth;
constexpr int ColumnRight = 5520 + 1575;

template <class W> W *place(W *widget, const char *name, int left, int top, int width, int height)
{
    widget->setObjectName(QLatin1String(name));
    widget->setGeometry(twipsRect(left, top, width, height));
    return widget;
}

} // namespace

Form1::Form1(const QString &libraryPath, Prompter &prompter, QWidget *parent)
    : Form1(store::LibraryPlace { QFile::encodeName(libraryPath).toStdString(), {}, true },
        prompter, parent)
{
}

Form1::Form1(store::LibraryPlace library, Prompter &prompter, QWidget *parent)
    : QMainWindow(parent)
    , m_place(std::move(library))
    , m_prompter(prompter)
{
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(WindowCaption);
    keepDialogFace(this);
    auto *surface = new QWidget(this);
    surface->setObjectName(QStringLiteral("client"));
    surface->setFixedSize(ClientWidth / TwipsPerPixel, ClientHeight / TwipsPerPixel);
    setCentralWidget(surface);

    m_board = new input::Board(surface);
    Label1 = place(new QLabel(QStringLiteral("Game No."), surface), "Label1", 120, 240, 855, 255);
    chkShuffle = place(
        new QCheckBox(QStringLiteral("Random"), surface), "chkShuffle", 5640, 480, 975, 255);
    chkShuffle->setChecked(true);
    cmdNew = place(new QPushButton(QStringLiteral("New"), surface), "cmdNew", 5640, 840, 1095, 615);
    cmdClear = place(
        new QPushButton(QStringLiteral("Clear"), surface), "cmdClear", 5640, 1680, 1095, 615);
    cmdDone
        = place(new QPushButton(QStringLiteral("Done"), surface), "cmdDone", 5640, 2520, 1095, 615);
    chkAddMode = place(new QCheckBox(QStringLiteral("Add Game Mode"), surface), "chkAddMode", 5520,
        3720, 1575, 255);
    cmdSave = place(
        new QPushButton(QStringLiteral("Add Game"), surface), "cmdSave", 5640, 4200, 1095, 615);
    cmdSave->setEnabled(false);
    // A style whose indicators are wider than the layout allows for gets wider boxes: in the
    // column of buttons, or for "Add Game Mode" towards the board.
    fitCheckBox(chkShuffle, twipsRect(5640, 480, ColumnRight - 5640, 255));
    fitCheckBox(chkAddMode,
        twipsRect(BoardRight + TwipsPerPixel, 3720, ColumnRight - BoardRight - TwipsPerPixel, 255));
    for (auto *b : { cmdNew, cmdClear, cmdDone, cmdSave })
        b->setAutoDefault(false);

    mnuAbout = menuBar()->addAction(QStringLiteral("About"));
    mnuAbout->setObjectName(QStringLiteral("mnuAbout"));
    // For a player without a mouse; a menu bar's action shows no key, so nothing changes on screen.
    mnuAbout->setShortcut(QKeySequence(Qt::ALT | Qt::Key_A));

    // Cell 1, the three play buttons, the game-number box, cells 2 to 81, then the rest.
    QList<QWidget *> order { m_board->txtRow1(1), cmdNew, cmdClear, cmdDone, m_board->txtRow1(0) };
    for (int i = 2; i <= CellCount; ++i)
        order.append(m_board->txtRow1(i));
    order.append({ chkShuffle, cmdSave, chkAddMode });
    for (qsizetype k = 1; k < order.size(); ++k)
        setTabOrder(order[k - 1], order[k]);

    layout()->setSizeConstraint(QLayout::SetFixedSize);

    connect(cmdNew, &QPushButton::clicked, this, &Form1::cmdNewClick);
    // Clear, and Done where it writes changed givens back, are an action each (Game).
    connect(cmdClear, &QPushButton::clicked, this, [this] {
        if (m_game)
            m_game->clear();
    });
    connect(cmdDone, &QPushButton::clicked, this, [this] {
        if (m_game)
            m_game->done();
    });
    connect(m_board, &input::Board::commandKey, this, &Form1::command);
    // toggled fires once for every change of the value, whether clicked or set by the program.
    connect(chkAddMode, &QCheckBox::toggled, this, &Form1::chkAddModeClick);
    connect(cmdSave, &QPushButton::clicked, this, &Form1::cmdSaveClick);
    connect(mnuAbout, &QAction::triggered, this, &Form1::mnuAboutClick);
    m_aids = new PlayAids(*this);
    // Last: it hears of each action after the handlers above have taken it.
    new Announcer(*this);
    m_board->txtRow1(1)->setFocus();
}

Form1::~Form1() = default;

bool Form1::Load()
{
    auto opened = store::openLibrary(m_place);
    if (!opened) {
        m_prompter.messageBox(
            libraryErrorMessage(opened.error(), m_place), MessageStyle::Critical, WindowCaption);
        return false;
    }
    if (const auto &converted = opened->converted)
        m_prompter.messageBox(
            conversionMessage(*converted), MessageStyle::Information, WindowCaption);
    m_store.emplace(std::move(opened->store));
    m_game = std::make_unique<Game>(*m_board, *m_store, m_prompter);
    m_entry = std::make_unique<PuzzleEntry>(*m_board, *m_store, m_prompter);
    m_game->setOnSolved([this] { m_aids->puzzleSolved(); });
    cmdNewClick();
    return true;
}

void Form1::showCentred()
{
    adjustSize();
    if (const QScreen *screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
    show();
    m_board->txtRow1(1)->setFocus();
    // Decoding the icon's images is not needed for the first frame.
    QTimer::singleShot(0, this, [this] { setWindowIcon(programIcon()); });
}

void Form1::cmdNewClick()
{
    // A cancelled New puts the board back as it was, and leaves its history so too.
    if (m_game
        && m_game->newGame(chkShuffle->isChecked() ? Game::Pick::AtRandom : Game::Pick::Asked))
        m_aids->puzzleStarted();
}

void Form1::setPlayControlsEnabled(bool play)
{
    chkShuffle->setEnabled(play);
    cmdNew->setEnabled(play);
    cmdClear->setEnabled(play);
    cmdDone->setEnabled(play);
    cmdSave->setEnabled(!play);
}

// Runs on every change of "Add Game Mode", by the player or by the program.
void Form1::chkAddModeClick()
{
    if (!m_entry)
        return;
    const input::Board::Action action(*m_board);
    if (!chkAddMode->isChecked()) {
        setPlayControlsEnabled(true);
        // A stored puzzle has givens only: notes are for play. Each mode starts a history.
        m_board->setNotesTaken(true);
        m_board->resetHistory();
        return;
    }
    // Unticking runs this handler again, which gives the play controls back.
    if (m_entry->enter().kind == PuzzleEntry::Decision::Kind::Refused) {
        chkAddMode->setChecked(false);
        return;
    }
    setPlayControlsEnabled(false);
    m_aids->entering();
    if (m_hints)
        m_hints->reject();
    m_board->setNotesTaken(false);
    m_board->resetHistory();
}

void Form1::cmdSaveClick()
{
    if (!m_entry || m_entry->save().kind == PuzzleEntry::Decision::Kind::Refused)
        return;
    // Leaving the mode and asking for the next puzzle, as after any stored puzzle.
    chkShuffle->setChecked(false);
    chkAddMode->setChecked(false);
    cmdNewClick();
}

QString Form1::keysText()
{
    QStringList lines;
    for (const auto &k : input::KeyList)
        lines << QString::fromUtf8(k.keys.data(), static_cast<qsizetype>(k.keys.size()))
                + QStringLiteral(": ")
                + QString::fromUtf8(k.action.data(), static_cast<qsizetype>(k.action.size()));
    return lines.join(QLatin1Char('\n'));
}

void Form1::keyPressEvent(QKeyEvent *event)
{
    const auto c = input::commandOf(event->key(), event->modifiers(), 0);
    if (!c) {
        QMainWindow::keyPressEvent(event);
        return;
    }
    // Without a focused cell the note keys have nothing to act on.
    m_board->command(0, *c);
    event->accept();
}

void Form1::command(input::Command c)
{
    // Exactly as the button, and only while it can be pressed.
    if (c == input::Command::New) {
        if (cmdNew->isEnabled())
            cmdNew->click();
        return;
    }
    // Once the key's own action has ended.
    if (c == input::Command::Quit) {
        QTimer::singleShot(0, this, &QWidget::close);
        return;
    }
    switch (c) {
    case input::Command::Warnings:
    case input::Command::SameDigit:
    case input::Command::Clock:
    case input::Command::Pause:
        m_aids->command(c);
        return;
    default:
        break;
    }
    if (c == input::Command::Keys) {
        m_prompter.messageBox(keysText(), MessageStyle::Plain, WindowCaption);
        return;
    }
    // A puzzle being typed in has no solution to hint at yet.
    if (c != input::Command::Hint || chkAddMode->isChecked() || !m_game)
        return;
    if (!m_hints)
        m_hints = new HintPanel(*m_board, *m_game, this);
    m_hints->ask();
}

void Form1::mnuAboutClick()
{
    // A fresh dialog each time, without an owner; it blocks the whole application while open.
    frmAbout dialog;
    dialog.exec();
}

} // namespace zov
