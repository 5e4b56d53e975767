#include "support/testsupport.h"
#include "ui/form1.h"
#include "ui/frmabout.h"
#include "ui/resources.h"

#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QMenuBar>
#include <QPointer>
#include <QPushButton>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <memory>

using namespace zov;

class TestForm1 : public QObject
{
    Q_OBJECT
    QTemporaryDir m_dir;
    test::ScriptedPrompter m_prompter;
    std::unique_ptr<Form1> m_form;

    QWidget *tab(QWidget *from, bool back = false)
    {
        QTest::keyClick(from, Qt::Key_Tab, back ? Qt::ShiftModifier : Qt::NoModifier);
        return QApplication::focusWidget();
    }

private Q_SLOTS:
    // The window's face, as the game sets it before the window opens: the controls are sized
    // for it.
    void initTestCase() { loadBoardFont(); }
    void init()
    {
        const QString path = m_dir.filePath(QStringLiteral("lib.mdb"));
        if (!QFile::exists(path))
            test::makeLibrary(path, 3);
        m_prompter = {};
        m_form = std::make_unique<Form1>(path, m_prompter);
        QVERIFY(m_form->Load());
        m_form->showCentred();
        QApplication::setActiveWindow(m_form.get());
        QVERIFY(QTest::qWaitForWindowActive(m_form.get()));
    }
    void cleanup()
    {
        m_form.reset();
        QVERIFY(QApplication::topLevelWidgets().isEmpty());
    }

    // The window as it opens: caption, fixed client area, controls in place, initial states.
    void windowOpensInItsDesignState()
    {
        QCOMPARE(m_form->windowTitle(), QStringLiteral("Zovudedoda"));
        QCOMPARE(m_form->centralWidget()->size(), QSize(478, 360));
        const QSize size = m_form->size();
        m_form->resize(800, 800);
        QCOMPARE(m_form->size(), size);
        QVERIFY(m_form->chkShuffle->isChecked());
        QVERIFY(!m_form->chkAddMode->isChecked());
        QVERIFY(!m_form->cmdSave->isEnabled());
        QCOMPARE(m_form->cmdNew->geometry(), QRect(376, 56, 73, 41));
        QCOMPARE(m_form->Label1->text(), QStringLiteral("Game No."));
        QCOMPARE(m_form->board().txtRow1(0)->geometry(), QRect(8, 32, 33, 34));
        QCOMPARE(m_form->board().txtRow1(1)->geometry(), QRect(56, 304, 33, 34));
        QCOMPARE(m_form->board().txtRow1(81)->geometry(), QRect(328, 32, 33, 34));
        const auto bar = m_form->menuBar()->actions();
        QCOMPARE(bar.size(), 1);
        QCOMPARE(bar[0]->text(), QStringLiteral("About"));
        QVERIFY(!bar[0]->menu());
        // Cells start with the arrow pointer; cell 1 starts black.
        QCOMPARE(m_form->board().txtRow1(40)->cursor().shape(), Qt::ArrowCursor);
        QCOMPARE(m_form->board().txtRow1(1)->font().family(), QStringLiteral("Tahoma"));
        QVERIFY(m_form->board().txtRow1(1)->font().bold());
        // In another face the check box widens to fit its caption.
        if (const QString why = test::whyNoDesignFace(); !why.isEmpty())
            QSKIP(qPrintable(why));
        QCOMPARE(m_form->chkAddMode->geometry(), QRect(368, 248, 105, 17));
    }

    // The focus starts in cell 1, and Tab runs cell 1, New, Clear, Done, cell 2 ... cell 81,
    // Random, Add Game Mode; the game-number box never takes it.
    void tabOrderFollowsTheDesign()
    {
        input::Board &b = m_form->board();
        QCOMPARE(QApplication::focusWidget(), b.txtRow1(1));
        QCOMPARE(tab(b.txtRow1(1)), m_form->cmdNew);
        QCOMPARE(tab(m_form->cmdNew), m_form->cmdClear);
        QCOMPARE(tab(m_form->cmdClear), m_form->cmdDone);
        QCOMPARE(tab(m_form->cmdDone), b.txtRow1(2));
        QCOMPARE(tab(b.txtRow1(2)), b.txtRow1(3));
        b.txtRow1(81)->setFocus();
        QCOMPARE(tab(b.txtRow1(81)), m_form->chkShuffle);
        QCOMPARE(tab(m_form->chkShuffle), m_form->chkAddMode);
        QCOMPARE(tab(m_form->chkAddMode), b.txtRow1(1));
        b.txtRow1(2)->setFocus();
        QCOMPARE(tab(b.txtRow1(2), true), m_form->cmdDone);
        // Clicking the disabled game-number box leaves the focus where it was.
        QTest::mouseClick(b.txtRow1(0), Qt::LeftButton);
        QCOMPARE(QApplication::focusWidget(), m_form->cmdDone);
        b.txtRow1(0)->setFocus();
        QVERIFY(!b.txtRow1(0)->hasFocus());
    }

    // "About" opens a modal window, a fresh one each time; the main window takes no input then.
    void aboutIsModalAndFresh()
    {
        input::Board &b = m_form->board();
        int open = 1;
        while (!b.text(open).isEmpty())
            ++open;
        b.txtRow1(open)->setFocus();
        int opened = 0;
        QPointer<frmAbout> seen;
        QTimer poll;
        poll.setInterval(10);
        connect(&poll, &QTimer::timeout, this, [&] {
            auto *about = qobject_cast<frmAbout *>(QApplication::activeModalWidget());
            if (!about || about == seen)
                return;
            seen = about;
            ++opened;
            // Closed even when a check below fails, so that one failure is told once.
            const auto close = qScopeGuard([about] { about->Command1->click(); });
            QCOMPARE(about->palette().color(QPalette::WindowText),
                about->Label13->palette().color(QPalette::WindowText));
            QMouseEvent move(QEvent::MouseMove, QPointF(5, 5), QPointF(5, 5), Qt::NoButton,
                Qt::NoButton, Qt::NoModifier);
            QApplication::sendEvent(about->Label13, &move);
            // The main window is blocked: a digit typed at it does not reach its focused cell.
            QTest::keyClick(m_form->windowHandle(), Qt::Key_5);
            QCOMPARE(b.text(open), QString());
        });
        // A window that the poll never finds would leave exec() waiting until CTest's timeout:
        // the watchdog closes it and the test fails at once.
        bool barked = false;
        QTimer watchdog;
        watchdog.setInterval(5000);
        connect(&watchdog, &QTimer::timeout, this, [&] {
            barked = true;
            for (auto *w : QApplication::topLevelWidgets())
                if (auto *about = qobject_cast<frmAbout *>(w))
                    about->reject();
        });
        poll.start();
        watchdog.start();
        m_form->mnuAbout->trigger();
        m_form->mnuAbout->trigger();
        poll.stop();
        watchdog.stop();
        QVERIFY(!barked);
        QCOMPARE(opened, 2);
        QVERIFY(!QApplication::activeModalWidget());
    }
};

QTEST_MAIN(TestForm1)
#include "tst_form1.moc"
