#pragma once

// What the program brings of its own to the screen: the board's font and its icon.

#include <QtGlobal>

#include <thread>

class QCheckBox;
class QFont;
class QIcon;
class QRect;
class QWidget;

namespace zov {
// Reads the desktop's font configuration on a thread of its own while the application connects
// to its display: it is a third of the work before the window shows. Qt reads it with the first
// font it needs; if the thread has not finished by then, Qt reads its own copy rather than
// wait (fontconfig keeps whichever is made first), so a busy machine loses nothing by it.
// The destructor joins.
class FontConfigPreload
{
public:
    FontConfigPreload();
    ~FontConfigPreload();
    FontConfigPreload(const FontConfigPreload &) = delete;
    FontConfigPreload &operator=(const FontConfigPreload &) = delete;

private:
    std::thread m_thread;
};

// Makes "Tahoma" available where the system has a copy that fontconfig does not see, and
// otherwise lets it fall back to a similar sans-serif. Sets the dialog font for the screens
// the application has (see dialogFont).
void loadBoardFont();
// The window's dialog font on a screen with this device pixel ratio and logical dpi. The
// classic "MS Sans Serif" is a bitmap face with 96-dpi glyphs only: drawn at any other scale
// its letters keep their size and only move apart. There Tahoma stands in, which was drawn to
// its metrics and is scalable.
QFont dialogFont(qreal devicePixelRatio, qreal logicalDpi);
// Keeps `window` and everything in it in the dialog font loadBoardFont chose (or the
// application's font of the moment, if it has not run), whatever font the desktop gives the
// application later: Qt's qt6ct theme, for one, sets its own once the event loop runs. The
// window's controls have fixed sizes, laid out for that face.
void keepDialogFace(QWidget *window);
// Widens a check box whose style leaves its caption too little room beside the indicator: to
// the right first, then to the left, as far as `room` allows. A box that fits keeps its place.
void fitCheckBox(QCheckBox *box, const QRect &room);
// The program's own icon, drawn at 16, 32 and 48 pixels.
QIcon programIcon();
} // namespace zov
