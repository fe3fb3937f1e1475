#include "link/linkstate.h"
#include "link/protocol.h"
#include "link/replyscanner.h"
#include "platform/memoryport.h"
#include "platform/virtualhost.h"

#include <QTest>

// The link on the virtual clock: every reply is fed to a given read (poll) of the port.
class TestProtocol : public QObject
{
    Q_OBJECT

    struct Rig
    {
        VirtualHost host;
        MemoryPort port{host};
        LinkState link{port, host};
        Rig()
        {
            link.Prt = 3;
            link.Spd = 9600;
            port.open();
        }
        // Feeds piece k on the k-th read from now on.
        void feedOnReads(const QByteArrayList &pieces, int firstRead = 1)
        {
            const int base = port.reads();
            port.onRead = [this, pieces, base, firstRead](int n) {
                const int k = n - base - firstRead;
                if (k >= 0 && k < pieces.size())
                    port.feed(pieces[k]);
            };
        }
    };

private slots:
    void makeFrame_data()
    {
        QTest::addColumn<int>("address");
        QTest::addColumn<QByteArray>("code");
        QTest::addColumn<QByteArray>("value");
        QTest::addColumn<QByteArray>("frame");
        QTest::newRow("query") << 129 << QByteArray("LNin") << QByteArray("?")
                               << QByteArray("\x81{LNin=?}");
        QTest::newRow("set") << 129 << QByteArray("Sstp") << QByteArray("11")
                             << QByteArray("\x81{Sstp=11}");
        QTest::newRow("address 0")
            << 0 << QByteArray("Tfrq") << QByteArray("?") << QByteArray("\0{Tfrq=?}", 9);
        QTest::newRow("address 255")
            << 255 << QByteArray("IQP") << QByteArray("Auto") << QByteArray("\xff{IQP=Auto}");
        QTest::newRow("empty value")
            << 1 << QByteArray("Tfrq") << QByteArray() << QByteArray("\x01{Tfrq=}");
    }
    void makeFrame()
    {
        QFETCH(int, address);
        QFETCH(QByteArray, code);
        QFETCH(QByteArray, value);
        QFETCH(QByteArray, frame);
        QCOMPARE(Protocol::MakeFrame(quint8(address), code, value), frame);
    }

    void readReply_data()
    {
        QTest::addColumn<QByteArrayList>("pieces");
        QTest::addColumn<QByteArray>("value");
        QTest::addColumn<bool>("timedOut");
        QTest::newRow("whole") << QByteArrayList{"\x81{Tfrq=12000000}"} << QByteArray("12000000")
                               << false;
        QTest::newRow("in pieces")
            << QByteArrayList{"\x81{Tf", "rq=1200", "0000}"} << QByteArray("12000000") << false;
        QTest::newRow("error ack") << QByteArrayList{"\x81{Ack=Uk}"} << QByteArray("Uk") << false;
        QTest::newRow("empty value") << QByteArrayList{"\x81{Tfrq=}"} << QByteArray() << false;
        QTest::newRow("two replies pending")
            << QByteArrayList{"\x81{Tfrq=1}\x81{Tfrq=2}"} << QByteArray("1") << false;
        QTest::newRow("brace without equals")
            << QByteArrayList{"\x81{Tfrq}"} << QByteArray() << false;
        QTest::newRow("pair after an early brace")
            << QByteArrayList{"}x=ab}"} << QByteArray("ab") << false;
        QTest::newRow("equals after the only brace")
            << QByteArrayList{"x}a=b"} << QByteArray() << false;
        QTest::newRow("noise first")
            << QByteArrayList{QByteArray("\0\xff\0\r\n", 5), "\x81{Snam=A}"} << QByteArray("A")
            << false;
        QTest::newRow("never closed") << QByteArrayList{"\x81{Tfrq=12"} << QByteArray() << true;
        QTest::newRow("nothing") << QByteArrayList{} << QByteArray() << true;
    }
    void readReply()
    {
        QFETCH(QByteArrayList, pieces);
        QFETCH(QByteArray, value);
        QFETCH(bool, timedOut);
        Rig rig;
        rig.feedOnReads(pieces);
        QCOMPARE(Protocol::ReadReply(rig.link), value);
        QCOMPARE(rig.link.Eto, timedOut);
        if (timedOut) {
            QCOMPARE(rig.port.reads(), Protocol::kReplyPolls + 1);
            QVERIFY(rig.host.nowUs() >= 10000000u);
        } else {
            // the reply is used the moment it is complete, one event pass per piece
            QCOMPARE(rig.port.reads(), qMax(1, int(pieces.size())));
            QCOMPARE(rig.host.passes(), quint64(qMax(1, int(pieces.size()))));
        }
    }

    void readReply_pollBound_data()
    {
        QTest::addColumn<int>("braceOnPoll");
        QTest::addColumn<bool>("timedOut");
        QTest::newRow("first poll") << 1 << false;
        QTest::newRow("poll 9999") << 9999 << false;
        QTest::newRow("poll 10000") << 10000 << true;
        QTest::newRow("poll 10001") << 10001 << true;
    }
    void readReply_pollBound()
    {
        QFETCH(int, braceOnPoll);
        QFETCH(bool, timedOut);
        Rig rig;
        rig.port.onRead = [&](int n) {
            if (n == 1)
                rig.port.feed("\x81{Tfrq=7");
            if (n == braceOnPoll)
                rig.port.feed("}");
        };
        const QByteArray v = Protocol::ReadReply(rig.link);
        QCOMPARE(rig.link.Eto, timedOut);
        QCOMPARE(v, timedOut ? QByteArray() : QByteArray("7"));
        QCOMPARE(rig.port.reads(), qMin(braceOnPoll, Protocol::kReplyPolls + 1));
    }

    void readReply_endlessNoiseTimesOutAfterTenSeconds_data()
    {
        QTest::addColumn<int>("everyUs"); // a noise byte this often, never a "}"
        QTest::newRow("fast") << 50;
        QTest::newRow("slow") << 700;
    }
    void readReply_endlessNoiseTimesOutAfterTenSeconds()
    {
        QFETCH(int, everyUs);
        Rig rig;
        rig.port.onRead = [&](int) { rig.port.feedAfterUs(everyUs, "="); };
        QCOMPARE(Protocol::ReadReply(rig.link), QByteArray());
        QVERIFY(rig.link.Eto);
        QVERIFY2(rig.host.nowUs() >= 10000000u, qPrintable(QString::number(rig.host.nowUs())));
        QVERIFY(rig.host.passes() == quint64(Protocol::kReplyPolls + 1));
    }

    void replyScanner_valueIsBounded()
    {
        ReplyScanner s;
        s.feed("\x81{Snam=");
        for (int i = 0; i < 1000; ++i)
            s.feed(QByteArray(1000, 'a'));
        QVERIFY(!s.closed());
        s.feed("}");
        QVERIFY(s.closed());
        QCOMPARE(s.value(), QByteArray()); // no receiver value is that long
    }

    void readReply_deadPortTimesOutAtOnce_data()
    {
        QTest::addColumn<bool>("lost");
        QTest::newRow("lost") << true;
        QTest::newRow("closed") << false;
    }
    void readReply_deadPortTimesOutAtOnce()
    {
        QFETCH(bool, lost);
        Rig rig;
        if (lost)
            rig.port.setLost(true);
        else
            rig.port.close();
        QCOMPARE(Protocol::SendQuery(rig.link, 129, "Tfrq"), QByteArray());
        QVERIFY(rig.link.Eto);
        QCOMPARE(rig.port.reads(), 0);
        QCOMPARE(rig.host.sleptMs(), quint64(0));
    }

    void sendSet_data()
    {
        QTest::addColumn<QByteArray>("reply");
        QTest::addColumn<bool>("result");
        QTest::addColumn<bool>("timedOut");
        QTest::newRow("accepted") << QByteArray("\x81{LNin=OK}") << true << false;
        QTest::newRow("refused") << QByteArray("\x81{Ack=Uk}") << false << false;
        QTest::newRow("not exactly OK") << QByteArray("\x81{LNin=OKAY}") << false << false;
        QTest::newRow("lower case") << QByteArray("\x81{LNin=ok}") << false << false;
        QTest::newRow("no reply") << QByteArray() << false << true;
    }
    void sendSet()
    {
        QFETCH(QByteArray, reply);
        QFETCH(bool, result);
        QFETCH(bool, timedOut);
        Rig rig;
        rig.port.onWrite = [&](const QByteArray &) { rig.port.feedAfter(3, reply); };
        QCOMPARE(Protocol::SendSet(rig.link, 129, "LNin", "Bin"), result);
        QCOMPARE(rig.port.writes(), QByteArrayList{"\x81{LNin=Bin}"});
        QCOMPARE(rig.link.Eto, timedOut);
    }

    void sendQuery_leavesEarlierInputToTheReader()
    {
        // Queries do not flush: a reply left over from an earlier exchange is read first.
        Rig rig;
        rig.port.feed("\x81{Tfrq=111}");
        rig.port.onWrite = [&](const QByteArray &) { rig.port.feedAfter(3, "\x81{Tfrq=222}"); };
        QCOMPARE(Protocol::SendQuery(rig.link, 129, "Tfrq"), QByteArray("111"));
        QCOMPARE(rig.port.written(), QByteArray("\x81{Tfrq=?}"));
    }

    void openPort()
    {
        Rig rig;
        rig.port.close();
        rig.port.feed("left over from before");
        rig.port.feedAfter(150, "\x81{Tfrq=1}"); // on its way during the pause
        QVERIFY(Protocol::OpenPort(rig.link));
        QVERIFY(rig.port.isOpen());
        QCOMPARE(rig.port.portNumber(), qint16(3));
        QCOMPARE(rig.port.settingsApplied(), QStringList{"9600,n,8,1"});
        QCOMPARE(rig.host.sleptMs(), quint64(200));
        QCOMPARE(rig.port.read(), QByteArray()); // flushed
    }

    void openPort_alreadyOpenTouchesNothing()
    {
        Rig rig; // port open
        rig.port.feed("pending");
        rig.link.Prt = 7;
        QVERIFY(Protocol::OpenPort(rig.link));
        QCOMPARE(rig.port.portNumber(), qint16(0));
        QVERIFY(rig.port.settingsApplied().isEmpty());
        QCOMPARE(rig.host.sleptMs(), quint64(0));
        QCOMPARE(rig.port.read(), QByteArray("pending"));
    }

    void openPort_failures_data()
    {
        QTest::addColumn<bool>("openFails");
        QTest::addColumn<int>("speed");
        QTest::newRow("open refused") << true << 9600;
        QTest::newRow("settings refused") << false << -5;
        QTest::newRow("zero speed") << false << 0;
    }
    void openPort_failures()
    {
        QFETCH(bool, openFails);
        QFETCH(int, speed);
        Rig rig;
        rig.port.close();
        rig.port.setOpenFails(openFails);
        rig.link.Spd = speed;
        QVERIFY(!Protocol::OpenPort(rig.link));
        QVERIFY(!rig.port.isOpen());
        QCOMPARE(rig.host.sleptMs(), quint64(0));
    }

    void flushInput()
    {
        Rig rig;
        rig.port.feed("abc");
        rig.port.feed("def");
        QCOMPARE(Protocol::FlushInput(rig.link), QByteArray("abcdef"));
        QCOMPARE(Protocol::TermRead(rig.link), QByteArray());

        // a line that never goes quiet cannot hold the flush forever
        rig.port.onRead = [&](int) { rig.port.feed(QByteArray(100, 'x')); };
        QVERIFY(!Protocol::FlushInput(rig.link).isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestProtocol)
#include "tst_protocol.moc"
