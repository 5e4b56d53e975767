#include "ui/frmabout.h"

#include "ui/resources.h"
#include "ui/speaker.h"

#include "look/fonts.h"
#include "look/screen.h"
#include "play/prompter.h"

#include <QAccessibleWidget>
#include <QApplication>
#include <QDesktopServices>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLayout>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPushButton>

namespace zov {
namespace {

// The lines are small text: they keep the contrast of ordinary text on the fixed grey frame,
// or what they have on the light default if that is less.
constexpr double TextRatio = 4.5;

// The two link lines tell a screen reader that they are links.
class LinkAccessible : public QAccessibleWidget
{
public:
    explicit LinkAccessible(QWidget *w)
        : QAccessibleWidget(w, QAccessible::Link)
    {
    }
    QString text(QAccessible::Text t) const override
    {
        if (t == QAccessible::Name && !widget()->accessibleName().isEmpty())
            return widget()->accessibleName();
        if (t == QAccessible::Name)
            return static_cast<QLabel *>(widget())->text();
        return QAccessibleWidget::text(t);
    }
};

QAccessibleInterface *linkFactory(const QString &, QObject *object)
{
    auto *label = qobject_cast<QLabel *>(object);
    if (label && label->property("link").toBool())
        return new LinkAccessible(label);
    return nullptr;
}

void setColour(QWidget *w, QPalette::ColorRole role, ColourValue value)
{
    QPalette p = w->palette();
    p.setColor(role, screenColour(value, w->palette()));
    w->setPalette(p);
}

QLabel *label(QWidget *parent, const char *name, const QString &text, int top, bool link = false)
{
    auto *l = new QLabel(parent);
    // Marked before the text is set: setting it already asks for the accessible interface.
    l->setProperty("link", link);
    l->setText(text);
    l->setObjectName(QLatin1String(name));
    l->setGeometry(twipsRect(480, top, 2775, 255));
    l->setAutoFillBackground(true);
    setColour(l, QPalette::Window, LightGrey);
    return l;
}

} // namespace

frmAbout::frmAbout(QWidget *parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("frmAbout"));
    static const bool factoryInstalled = [] {
        QAccessible::installFactory(linkFactory);
        return true;
    }();
    Q_UNUSED(factoryInstalled);

    setWindowTitle(WindowCaption);
    keepDialogFace(this);
    setWindowIcon(programIcon());
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint
        | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
    setFixedSize(3960 / TwipsPerPixel, 3240 / TwipsPerPixel);

    Frame2 = new QGroupBox(QStringLiteral("About"), this);
    Frame2->setObjectName(QStringLiteral("Frame2"));
    Frame2->setGeometry(twipsRect(120, 120, 3735, 2535));
    Frame2->setAutoFillBackground(true);
    setColour(Frame2, QPalette::Window, LightGrey);
    Frame2->setMouseTracking(true);

    Label3 = label(Frame2, "Label3", QStringLiteral("Zovudedoda Sudoku 1.0"), 360);
    Label3->setAlignment(Qt::AlignCenter);
    Line1 = new QFrame(Frame2);
    Line1->setObjectName(QStringLiteral("Line1"));
    Line1->setFrameShape(QFrame::HLine);
    Line1->setGeometry(
        240 / TwipsPerPixel, 840 / TwipsPerPixel - 1, (3360 - 240) / TwipsPerPixel, 3);
    Label4 = label(Frame2, "Label4", QStringLiteral("Made in Thailand"), 960);
    Label1 = label(Frame2, "Label1", QStringLiteral("BY : The Zovudedoda developers"), 1320);
    Label2 = label(Frame2, "Label2", QStringLiteral("E-MAIL : ") + AboutEmailAddress, 1680, true);
    Label13 = label(Frame2, "Label13", QStringLiteral("URL : ") + AboutWebAddress, 2040, true);

    // The dialog face of this screen's scale (see dialogFont), underlined, at the scalable
    // face's size: its own size on the scalable path; on the bitmap path a quarter point over
    // the captions' 8, which draws the same bitmap glyphs.
    QFont linkFont = font();
    linkFont.setPointSizeF(ScalableFacePoints);
    linkFont.setUnderline(true);
    for (QLabel *link : { Label2, Label13 }) {
        link->setFont(linkFont);
        link->setMouseTracking(true);
        link->setCursor(Qt::PointingHandCursor);
        link->setAccessibleDescription(QStringLiteral("link"));
        link->installEventFilter(this);
        // Reached with Tab after OK, opened with Enter or Space; a click does not take the focus.
        link->setFocusPolicy(Qt::TabFocus);
    }
    Label2->setAccessibleName(QStringLiteral("E-mail ") + AboutEmailAddress);
    Label13->setAccessibleName(QStringLiteral("Web page ") + AboutWebAddress);
    Frame2->installEventFilter(this);

    Command1 = new QPushButton(QStringLiteral("OK"), this);
    Command1->setObjectName(QStringLiteral("Command1"));
    Command1->setGeometry(twipsRect(1440, 2760, 1095, 375));
    Command1->setDefault(true);
    Command1->setFocus();
    connect(Command1, &QPushButton::clicked, this, &QDialog::accept);
    setTabOrder(Command1, Label2);
    setTabOrder(Label2, Label13);
    updateColours();
    // A screen reader hears the dialog and its focused button; the lines are said once it has
    // the focus.
    QStringList lines { Frame2->title() };
    for (const QLabel *l : { Label3, Label4, Label1, Label2, Label13 })
        lines << l->text();
    speak(this, lines.join(QStringLiteral(". ")));
}

void frmAbout::updateColours()
{
    // The frame's grey is fixed, the scheme's text colour is not: it must still read there.
    const QPalette scheme = QApplication::palette(Frame2);
    const QColor text = shownText(WindowTextColour, LightGrey, scheme, TextRatio);
    for (QWidget *w : { static_cast<QWidget *>(Frame2), static_cast<QWidget *>(Label3),
             static_cast<QWidget *>(Label4), static_cast<QWidget *>(Label1) }) {
        QPalette p = w->palette();
        p.setColor(QPalette::WindowText, text);
        w->setPalette(p);
    }
    // The links' colours are fixed, like the grey; at rest they are not the scheme's text colour.
    setLinkColours(m_webColour, m_mailColour);
}

void frmAbout::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::ApplicationPaletteChange)
        updateColours();
    QDialog::changeEvent(event);
}

void frmAbout::setLinkColours(ColourValue web, ColourValue mail)
{
    m_webColour = web;
    m_mailColour = mail;
    setColour(Label13, QPalette::WindowText, web);
    setColour(Label2, QPalette::WindowText, mail);
}

bool frmAbout::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::MouseMove) {
        if (watched == Label13) {
            setLinkColours(LinkHoverColour, LinkRestColour);
            return true;
        }
        if (watched == Label2) {
            setLinkColours(LinkRestColour, LinkHoverColour);
            return true;
        }
        // Moves over the other labels and the line reach the frame too; only the frame's own
        // surface counts.
        if (watched == Frame2
            && !Frame2->childAt(static_cast<QMouseEvent *>(event)->position().toPoint()))
            setLinkColours(LinkRestColour, LinkRestColour);
    } else if (event->type() == QEvent::KeyPress && (watched == Label2 || watched == Label13)) {
        switch (static_cast<QKeyEvent *>(event)->key()) {
        case Qt::Key_Return:
        case Qt::Key_Enter:
        case Qt::Key_Space:
            openLink(watched == Label13 ? QUrl(QStringLiteral("http://") + AboutWebAddress)
                                        : QUrl(QStringLiteral("mailto:") + AboutEmailAddress));
            return true;
        default:
            break;
        }
    } else if (event->type() == QEvent::MouseButtonRelease) {
        const auto *mouse = static_cast<QMouseEvent *>(event);
        auto *link = qobject_cast<QLabel *>(watched);
        if (mouse->button() == Qt::LeftButton && link
            && link->rect().contains(mouse->position().toPoint())) {
            if (link == Label13)
                openLink(QUrl(QStringLiteral("http://") + AboutWebAddress));
            else if (link == Label2)
                openLink(QUrl(QStringLiteral("mailto:") + AboutEmailAddress));
        }
    }
    return QDialog::eventFilter(watched, event);
}

void frmAbout::openLink(const QUrl &url)
{
    // The desktop starts the browser or mail program; it may have none.
    if (!QDesktopServices::openUrl(url))
        QMessageBox::information(this, WindowCaption,
            QStringLiteral("No program could be started to open %1.").arg(url.toString()));
}

} // namespace zov
