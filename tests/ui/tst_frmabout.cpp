#include "look/contrast.h"
#include "look/screen.h"
#include "support/testsupport.h"
#include "ui/frmabout.h"
#include "ui/resources.h"

#include <QApplication>
#include <QDesktopServices>
#include <QGroupBox>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QScopeGuard>
#include <QStyle>
#include <QStyleFactory>
#include <QStyleOption>
#include <QTest>
#include <QTimer>

using namespace zov;

// Records what the dialog asks the desktop to open.
class UrlSink : public QObject
{
    Q_OBJECT
public:
    QList<QUrl> opened;
public Q_SLOTS:
    void handle(const QUrl &url) { opened.append(url); }
};

class TestAbout : public QObject
{
    Q_OBJECT
    UrlSink m_sink;

    static void move(QWidget *w, QPoint at = QPoint(3, 3))
    {
        QTest::mouseMove(w, at);
        QMouseEvent e(
            QEvent::MouseMove, at, w->mapToGlobal(at), Qt::NoButton, Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(w, &e);
    }
    static QColor colourOf(QLabel *l) { return l->palette().color(QPalette::WindowText); }

private Q_SLOTS:
    void initTestCase()
    {
        QDesktopServices::setUrlHandler(QStringLiteral("http"), &m_sink, "handle");
        QDesktopServices::setUrlHandler(QStringLiteral("mailto"), &m_sink, "handle");
    }
    void cleanupTestCase()
    {
        QDesktopServices::unsetUrlHandler(QStringLiteral("http"));
        QDesktopServices::unsetUrlHandler(QStringLiteral("mailto"));
    }
    void cleanup() { QVERIFY(QApplication::topLevelWidgets().isEmpty()); }

    // The hover rule: the line under the pointer blue, the other black; the frame makes both
    // black; other labels change nothing.
    void linksFollowThePointer()
    {
        frmAbout about;
        about.show();
        QVERIFY(QTest::qWaitForWindowExposed(&about));
        const QColor start = colourOf(about.Label2);
        QCOMPARE(colourOf(about.Label13), start);
        const QColor blue = screenColour(LinkHoverColour, QPalette());
        const QColor black = screenColour(LinkRestColour, QPalette());
        QCOMPARE(blue, QColor(0, 0, 255));
        move(about.Label13);
        QCOMPARE(colourOf(about.Label13), blue);
        QCOMPARE(colourOf(about.Label2), black);
        move(about.Label2);
        QCOMPARE(colourOf(about.Label2), blue);
        QCOMPARE(colourOf(about.Label13), black);
        // Over another label, inside the frame: nothing changes.
        move(about.Label4);
        QCOMPARE(colourOf(about.Label2), blue);
        move(about.Frame2, QPoint(4, about.Frame2->height() - 4));
        QCOMPARE(colourOf(about.Label2), black);
        QCOMPARE(colourOf(about.Label13), black);
        // A fresh dialog starts in the default colour again.
        frmAbout again;
        QCOMPARE(colourOf(again.Label13), start);
    }

    // Each click hands exactly the right address to the desktop, and the dialog stays open.
    void clicksOpenTheAddresses()
    {
        frmAbout about;
        about.show();
        QVERIFY(QTest::qWaitForWindowExposed(&about));
        m_sink.opened.clear();
        QTest::mouseClick(about.Label13, Qt::LeftButton);
        QTest::mouseClick(about.Label13, Qt::LeftButton);
        QTest::mouseClick(about.Label2, Qt::LeftButton);
        QTest::mouseClick(about.Label1, Qt::LeftButton);
        QCOMPARE(m_sink.opened,
            (QList<QUrl> { QUrl(QStringLiteral("http://www.example.org/zovudedoda")),
                QUrl(QStringLiteral("http://www.example.org/zovudedoda")),
                QUrl(QStringLiteral("mailto:zovudedoda@example.org")) }));
        QVERIFY(about.isVisible());
    }

    // OK, Enter, Space, Esc and the close box all close it; OK takes the focus, and only the two
    // links besides, by Tab.
    void closesEveryWay_data()
    {
        QTest::addColumn<int>("how");
        QTest::newRow("OK clicked") << 0;
        QTest::newRow("Enter") << 1;
        QTest::newRow("Space") << 2;
        QTest::newRow("Esc") << 3;
        QTest::newRow("close box") << 4;
    }
    void closesEveryWay()
    {
        QFETCH(int, how);
        frmAbout about;
        QTimer::singleShot(0, &about, [&] {
            QCOMPARE(about.focusWidget(), about.Command1);
            switch (how) {
            case 0:
                QTest::mouseClick(about.Command1, Qt::LeftButton);
                break;
            case 1:
                QTest::keyClick(&about, Qt::Key_Return);
                break;
            case 2:
                QTest::keyClick(about.Command1, Qt::Key_Space);
                break;
            case 3:
                QTest::keyClick(&about, Qt::Key_Escape);
                break;
            default:
                about.close();
            }
        });
        QTimer watchdog;
        watchdog.setSingleShot(true);
        connect(&watchdog, &QTimer::timeout, &about, &QDialog::reject);
        watchdog.start(5000);
        about.exec();
        QVERIFY(watchdog.isActive());
        QVERIFY(!about.isVisible());
        for (auto *w : about.findChildren<QWidget *>())
            QVERIFY(w == about.Command1 || w->focusPolicy() == Qt::NoFocus
                || ((w == about.Label2 || w == about.Label13) && w->focusPolicy() == Qt::TabFocus));
    }

    // On a dark scheme the fixed grey frame stays, so its lines cannot keep the scheme's light
    // text: they read on the grey at least as ordinary text should, and the links keep their
    // fixed colours. A scheme change while the window is open is followed; the light default
    // keeps black.
    void linesReadOnTheGreyOnAnyScheme()
    {
        const QPalette light = QApplication::palette();
        frmAbout about;
        about.show();
        QVERIFY(QTest::qWaitForWindowExposed(&about));
        QCOMPARE(colourOf(about.Label4), QColor(0, 0, 0));
        QPalette dark(QColor(0xEE, 0xEE, 0xEC), QColor(0x35, 0x35, 0x35));
        dark.setColor(QPalette::Text, QColor(0xEE, 0xEE, 0xEC));
        QApplication::setPalette(dark);
        QCoreApplication::processEvents();
        const QColor grey(192, 192, 192);
        for (QWidget *w :
            { static_cast<QWidget *>(about.Frame2), static_cast<QWidget *>(about.Label3),
                static_cast<QWidget *>(about.Label4), static_cast<QWidget *>(about.Label1) }) {
            const QColor text = w->palette().color(QPalette::WindowText);
            QVERIFY2(contrastRatio(text, grey) >= 4.5, qPrintable(w->objectName() + text.name()));
            // What is drawn: the darkest pixel of the line is its text colour.
            if (w == about.Frame2)
                continue;
            const QImage shown = w->grab().toImage();
            QColor darkest = grey;
            for (int y = 0; y < shown.height(); ++y)
                for (int x = 0; x < shown.width(); ++x)
                    if (relativeLuminance(shown.pixelColor(x, y)) < relativeLuminance(darkest))
                        darkest = shown.pixelColor(x, y);
            QCOMPARE(darkest, text);
        }
        QCOMPARE(colourOf(about.Label2), QColor(0, 0, 0));
        QCOMPARE(colourOf(about.Label13), QColor(0, 0, 0));
        QApplication::setPalette(light);
        QCoreApplication::processEvents();
        QCOMPARE(colourOf(about.Label4), QColor(0, 0, 0));
    }

    // The layout of the window.
    void controlsStandWhereDesigned()
    {
        frmAbout about;
        QCOMPARE(about.size(), QSize(264, 216));
        QCOMPARE(about.windowTitle(), QStringLiteral("Zovudedoda"));
        QCOMPARE(about.Frame2->geometry(), QRect(8, 8, 249, 169));
        QCOMPARE(about.Label2->geometry(), QRect(32, 112, 185, 17));
        QCOMPARE(about.Label13->geometry(), QRect(32, 136, 185, 17));
        QCOMPARE(about.Command1->geometry(), QRect(96, 184, 73, 25));
        QVERIFY(about.Label2->font().underline());
        QCOMPARE(about.Label4->text(), QStringLiteral("Made in Thailand"));
        QVERIFY(about.Label13->text().startsWith(QLatin1String("URL : www.example.org")));
        QCOMPARE(about.Frame2->palette().color(QPalette::Window), QColor(192, 192, 192));
    }

    // Under every style Qt has here, and a desktop font of 9 to 13 points set after the window
    // opened, each line fits its label, the frame's caption its title and "OK" its button;
    // a message box takes the desktop's font.
    void captionsWholeUnderAnyDesktopFontAndStyle_data()
    {
        QTest::addColumn<QString>("style");
        QTest::addColumn<int>("points");
        for (const QString &style : QStyleFactory::keys())
            for (const int points : { 9, 11, 13 })
                QTest::addRow("%s, %d pt", qPrintable(style), points) << style << points;
    }
    void captionsWholeUnderAnyDesktopFontAndStyle()
    {
        QFETCH(QString, style);
        QFETCH(int, points);
        const QFont before = QApplication::font();
        const QString styleBefore = QApplication::style()->name();
        const auto restore = qScopeGuard([&] {
            QApplication::setFont(before);
            QApplication::setStyle(styleBefore);
        });
        loadBoardFont();
        // The labels are sized for the design face; a fallback face runs wider.
        if (const QString why = test::whyNoDesignFace(); !why.isEmpty())
            QSKIP(qPrintable(why));
        QApplication::setStyle(style);
        frmAbout about;
        about.show();
        QVERIFY(QTest::qWaitForWindowExposed(&about));
        QApplication::setFont(QFont(QStringLiteral("DejaVu Sans"), points));
        QCoreApplication::processEvents();
        // What does not fit its room, said; empty where it fits.
        const auto overflow = [](const QWidget *w, const QString &text, const QRect &room) {
            const int width = w->fontMetrics().horizontalAdvance(text);
            return width <= room.width()
                ? QString()
                : QStringLiteral("%1: %2 px in %3").arg(text).arg(width).arg(room.width());
        };
        for (const QLabel *l :
            { about.Label3, about.Label4, about.Label1, about.Label2, about.Label13 })
            QVERIFY2(overflow(l, l->text(), l->contentsRect()).isEmpty(),
                qPrintable(overflow(l, l->text(), l->contentsRect())));
        QStyleOptionGroupBox frame;
        frame.initFrom(about.Frame2);
        frame.text = about.Frame2->title();
        frame.subControls = QStyle::SC_GroupBoxLabel;
        const QString title = overflow(about.Frame2, frame.text,
            about.Frame2->style()->subControlRect(
                QStyle::CC_GroupBox, &frame, QStyle::SC_GroupBoxLabel, about.Frame2));
        QVERIFY2(title.isEmpty(), qPrintable(title));
        QStyleOptionButton button;
        button.initFrom(about.Command1);
        button.text = about.Command1->text();
        const QString ok = overflow(about.Command1, button.text,
            about.Command1->style()->subElementRect(
                QStyle::SE_PushButtonContents, &button, about.Command1));
        QVERIFY2(ok.isEmpty(), qPrintable(ok));
        QMessageBox box;
        QCOMPARE(box.font().pointSize(), points);
    }
};

QTEST_MAIN(TestAbout)
#include "tst_frmabout.moc"
