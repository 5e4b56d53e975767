#pragma once

// Words for a screen reader that no widget shows. Qt 6.4 has no way to announce a text; Orca 43
// speaks a notification as it shows, and one inside a status bar without calling it a
// notification. A window's speaker is such a pair of accessible objects that are never shown
// on the screen.

#include <QString>
#include <QStringList>

class QWidget;

namespace zov {

// Says `words` through `context`'s window. While another window (a dialog closing) still has
// the focus, the words wait until the focus is back in `context`'s window, so that what the
// screen reader says of the newly focused control does not cut them off.
void speak(QWidget *context, const QString &words);

// Everything said so far, oldest first (the last hundred), for tests.
QStringList spokenSoFar();
void forgetSpoken();

} // namespace zov
