#include "play/clock.h"

#include <QTest>

using namespace zov;
using namespace std::chrono_literals;

// The clock counts only the time played, read off a clock the test moves by hand.
class TestClock : public QObject
{
    Q_OBJECT
    std::chrono::steady_clock::time_point m_now {};
    Clock clock()
    {
        return Clock([this] { return m_now; });
    }

private Q_SLOTS:
    void countsOnlyPlayedTime()
    {
        Clock c = clock();
        m_now += 65s;
        QCOMPARE(c.elapsed(), 65s);
        c.setPaused(true);
        c.setPaused(true);
        m_now += 600s;
        QCOMPARE(c.elapsed(), 65s);
        QVERIFY(!c.running());
        c.setPaused(false);
        m_now += 5s;
        QCOMPARE(c.elapsed(), 70s);
        // Solved: it stops, and a pause and its end do not start it again.
        c.stop();
        m_now += 30s;
        c.setPaused(true);
        c.setPaused(false);
        m_now += 30s;
        QCOMPARE(c.elapsed(), 70s);
        // A new puzzle starts from nought, even one begun while paused.
        c.setPaused(true);
        c.restart();
        m_now += 10s;
        QCOMPARE(c.elapsed(), 0s);
        c.setPaused(false);
        m_now += 10s;
        QCOMPARE(c.elapsed(), 10s);
    }

    void showsMinutesThenHours()
    {
        QCOMPARE(clockText(0s), std::string("0:00"));
        QCOMPARE(clockText(754s), std::string("12:34"));
        QCOMPARE(clockText(3599s), std::string("59:59"));
        QCOMPARE(clockText(3723s), std::string("1:02:03"));
        QCOMPARE(clockText(-5s), std::string("0:00"));
    }
};

QTEST_MAIN(TestClock)
#include "tst_clock.moc"
