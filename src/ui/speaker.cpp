#include "ui/speaker.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QApplication>
#include <QPointer>
#include <QTimer>
#include <QWidget>

namespace zov {
namespace {

const QString BarName = QStringLiteral("speaker");
const QString LineName = QStringLiteral("speakerLine");
const char *const WordsProperty = "words";
constexpr qsizetype KeptWords = 100;
// The longest wait for the focus to come back before the words are said anyway.
constexpr int FocusWaitMs = 1500;

QStringList &log()
{
    static QStringList said;
    return said;
}

// The line's name is the words it says.
class LineAccessible : public QAccessibleWidget
{
public:
    explicit LineAccessible(QWidget *w)
        : QAccessibleWidget(w, QAccessible::Notification)
    {
    }
    QString text(QAccessible::Text t) const override
    {
        if (t == QAccessible::Name)
            return widget()->property(WordsProperty).toString();
        return QAccessibleWidget::text(t);
    }
};

QAccessibleInterface *speakerFactory(const QString &, QObject *object)
{
    auto *w = qobject_cast<QWidget *>(object);
    if (!w)
        return nullptr;
    if (w->objectName() == LineName)
        return new LineAccessible(w);
    if (w->objectName() == BarName)
        return new QAccessibleWidget(w, QAccessible::StatusBar);
    return nullptr;
}

QWidget *lineOf(QWidget *window)
{
    if (auto *line = window->findChild<QWidget *>(LineName))
        return line;
    static const bool installed = [] {
        QAccessible::installFactory(speakerFactory);
        return true;
    }();
    Q_UNUSED(installed);
    // Hidden, and never shown: it takes no focus and no room.
    auto *bar = new QWidget(window);
    bar->setObjectName(BarName);
    bar->hide();
    auto *line = new QWidget(bar);
    line->setObjectName(LineName);
    return line;
}

void sayNow(QWidget *window, const QString &words)
{
    // A dialog's words are said through the window it belongs to: through the dialog itself the
    // screen reader would say the whole dialog again first.
    while (window->parentWidget())
        window = window->parentWidget()->window();
    QWidget *line = lineOf(window);
    line->setProperty(WordsProperty, words);
    QAccessibleEvent named(line, QAccessible::NameChanged);
    QAccessible::updateAccessibility(&named);
    QAccessibleEvent shown(line, QAccessible::ObjectShow);
    QAccessible::updateAccessibility(&shown);
}

// Words waiting for their window to take the focus back.
struct Waiting
{
    QPointer<QWidget> window;
    QStringList words;
};

Waiting &waiting()
{
    static Waiting w;
    return w;
}

void flush()
{
    Waiting &w = waiting();
    if (w.window && !w.words.isEmpty())
        sayNow(w.window, w.words.join(QStringLiteral(". ")));
    w.words.clear();
    w.window = nullptr;
}

} // namespace

void speak(QWidget *context, const QString &words)
{
    log().append(words);
    if (log().size() > KeptWords)
        log().removeFirst();
    if (!context || !QAccessible::isActive())
        return;
    QWidget *window = context->window();
    Waiting &w = waiting();
    if (w.window && w.window != window)
        flush();
    const bool focusedHere = QApplication::activeWindow() == window;
    if (focusedHere && w.words.isEmpty()) {
        sayNow(window, words);
        return;
    }
    w.window = window;
    w.words.append(words);
    if (w.words.size() > 1)
        return;
    // After the focus event the screen reader hears when the window is active again.
    auto *watch = new QObject(window);
    QObject::connect(
        qApp, &QApplication::focusChanged, watch, [watch, window](QWidget *, QWidget *now) {
            if (!now || now->window() != window)
                return;
            watch->deleteLater();
            QTimer::singleShot(0, window, flush);
        });
    QTimer::singleShot(FocusWaitMs, watch, [watch] {
        watch->deleteLater();
        flush();
    });
}

QStringList spokenSoFar() { return log(); }

void forgetSpoken() { log().clear(); }

} // namespace zov
