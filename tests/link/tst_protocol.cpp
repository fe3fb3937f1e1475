#include "link/exchangerecorder.h"
#include "link/linkstate.h"
#include "link/protocol.h"
#include "platform/numbers.h"
#include "testsupport/memoryport.h"
#include "testsupport/virtualhost.h"

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
    };

private slots:
    // Back to back exchanges run the event loop about once a millisecond, a click included.
    void eventLoopDuringBackToBackExchanges()
    {
        Rig rig;
        rig.port.onWrite = [&](const QByteArray &) { rig.port.feedAfterUs(100, "\x81{Tfrq=1}"); };
        const quint64 dueUs = rig.host.nowUs() + 250;
        quint64 clickedUs = 0;
        rig.host.atUs(dueUs, [&] { clickedUs = rig.host.nowUs(); });
        const quint64 passesBefore = rig.host.passes();
        for (int i = 0; i < 50; ++i)
            QCOMPARE(Protocol::SendQuery(rig.link, 129, "Tfrq"), QByteArray("1"));
        QVERIFY(clickedUs > dueUs && clickedUs - dueUs <= 1000);
        const quint64 passes = rig.host.passes() - passesBefore;
        QVERIFY2(passes >= 4 && passes <= 6, qPrintable(QString::number(passes)));
    }

    void readReply_data()
    {
        QTest::addColumn<QByteArrayList>("pieces"); // piece k on the k-th read
        QTest::addColumn<int>("address");
        QTest::addColumn<QByteArray>("value");
        QTest::addColumn<bool>("timedOut");
        auto row = [](const char *name, QByteArrayList pieces, QByteArray value, bool timedOut,
                      int address = 129) {
            QTest::newRow(name) << pieces << address << value << timedOut;
        };
        row("in pieces", {"\x81{Tf", "rq=1200", "0000}"}, "12000000", false);
        row("error ack", {"\x81{Ack=Uk}"}, "Uk", false);
        row("two replies pending", {"\x81{Tfrq=1}\x81{Tfrq=2}"}, "1", false);
        row("brace without equals", {"\x81{Tfrq}"}, "", false);
        row("text outside frames", {"}x=ab}", "\x81{Tfrq=ab}"}, "ab", false);
        row("noise first", {QByteArray("\0\xff\0\r\n", 5), "\x81{Tfrq=A}"}, "A", false);
        // A reply that came after its exchange timed out is no answer to the next one.
        row("late reply skipped", {"\x81{LNBp=14}", "\x81{Tfrq=11034000}"}, "11034000", false);
        row("another receiver's reply", {"\x82{Tfrq=1}\x81{Tfrq=2}"}, "2", false);
        // The address byte is no "}", "=" or "{" of the text, whatever its value.
        row("address 125", {"}{Tfrq=11034000}"}, "11034000", false, 125);
        row("address 61", {"={Tfrq=11034000}"}, "11034000", false, 61);
        row("address 123", {"{{Tfrq=7}"}, "7", false, 123);
        // The address and "{" start a frame wherever they stand: noise that ends in them, a
        // frame cut short, another reply's value cut off.
        row("noise ending in the address and a brace", {"\x0dx{\x81{\x81{Tfrq=1}"}, "1", false);
        row("a code cut short", {"\x81{Tf\x81{Tfrq=2}"}, "2", false);
        row("another code's value cut short", {"\x81{LNBp=1", "\x81{Tfrq=3}"}, "3", false);
        row("our value cut short", {"\x81{Tfrq=12", "\x81{Tfrq=4}"}, "4", false);
        row("a brace in a code is no frame", {"\x81{T{frq=5}"}, "", true);
        row("never closed", {"\x81{Tfrq=12"}, "", true);
        // A "}" first seen on poll 10,000 is too late.
        const QByteArrayList opened = QByteArrayList{"\x81{Tfrq=7"} + QByteArrayList(9997);
        row("closed on poll 9,999", opened + QByteArrayList{"}"}, "7", false);
        row("closed on poll 10,000", opened + QByteArrayList{"", "}"}, "", true);
        row("nothing", {}, "", true);
    }
    void readReply()
    {
        QFETCH(QByteArrayList, pieces);
        QFETCH(int, address);
        QFETCH(QByteArray, value);
        QFETCH(bool, timedOut);
        Rig rig;
        rig.port.onRead = [&](int n) {
            if (n <= pieces.size())
                rig.port.feed(pieces[n - 1]);
        };
        QCOMPARE(Protocol::ReadReply(rig.link, quint8(address), "Tfrq"), value);
        QCOMPARE(rig.link.Eto, timedOut);
        // A reply is used the moment it is complete, one event pass per piece; a time-out
        // takes 10,000 polls and 10 s, or ends on the poll that brings a late "}".
        const int polls = timedOut && pieces.size() < Protocol::kReplyPolls
                              ? Protocol::kReplyPolls + 1
                              : qMax(1, int(pieces.size()));
        QCOMPARE(rig.port.reads(), polls);
        QCOMPARE(rig.host.passes(), quint64(polls));
        QVERIFY(!timedOut || rig.host.nowUs() >= 10000000u);
    }

    // What an observer is told: the line's own latency, though a window's nested wait ran in
    // the exchange's wait (the receiver answered at once); a port lost, as lost.
    void exchangeRecord()
    {
        Rig rig;
        struct : ExchangeObserver
        {
            QList<LinkExchange> seen;
            void exchanged(const LinkExchange &e) override { seen << e; }
        } log;
        rig.link.watch(&log);
        rig.port.onWrite = [&](const QByteArray &) { rig.port.feedAfterUs(3000, "\x81{Tfrq=1}"); };
        rig.host.atUs(rig.host.nowUs() + 500, [&] { rig.host.advanceUs(1500000); });
        QCOMPARE(Protocol::SendQuery(rig.link, 129, "Tfrq"), QByteArray("1"));
        rig.port.onWrite = [&](const QByteArray &) { rig.port.setLost(true); };
        Protocol::SendQuery(rig.link, 129, "Tfrq");
        QCOMPARE(log.seen.size(), 2);
        QVERIFY2(log.seen[0].latencyUs < 10000, qPrintable(QString::number(log.seen[0].latencyUs)));
        QVERIFY(log.seen[1].timedOut && log.seen[1].portLost && !log.seen[0].portLost);
    }

    // How an exchange ended, as its reply and every observer of the link tell it; a tally
    // counts those that went without their reply.
    void askTellsHowTheExchangeEnded_data()
    {
        QTest::addColumn<QByteArray>("reply"); // fed after the frame; "lost": the port goes
        QTest::addColumn<int>("outcome");
        QTest::newRow("answered") << QByteArray("\x81{Tfrq=1}") << int(ExchangeOutcome::Answered);
        QTest::newRow("refused") << QByteArray("\x81{Ack=Uk}") << int(ExchangeOutcome::Refused);
        QTest::newRow("other code only")
            << QByteArray("\x81{Sfrq=1}") << int(ExchangeOutcome::TimedOut);
        QTest::newRow("port lost") << QByteArray("lost") << int(ExchangeOutcome::PortLost);
    }
    void askTellsHowTheExchangeEnded()
    {
        QFETCH(QByteArray, reply);
        QFETCH(int, outcome);
        Rig rig;
        struct Log : ExchangeObserver
        {
            QList<ExchangeOutcome> seen;
            void exchanged(const LinkExchange &e) override { seen << e.outcome(); }
        } console, trace;
        rig.link.watch(&console);
        const Watching traced(rig.link, &trace);
        rig.port.onWrite = [&](const QByteArray &) {
            reply == "lost" ? rig.port.setLost(true) : rig.port.feedAfterUs(100, reply);
        };
        const ExchangeTally tally(rig.link);
        const Protocol::Reply got = Protocol::Ask(rig.link, 129, "Tfrq", "?");
        QCOMPARE(int(got.outcome), outcome);
        QCOMPARE(console.seen, QList<ExchangeOutcome>{got.outcome});
        QCOMPARE(trace.seen, console.seen);
        QCOMPARE(tally.unanswered(), !got.answered());
        QCOMPARE(rig.link.Eto, !got.answered());
        rig.link.unwatch(&console);
        Protocol::Ask(rig.link, 129, "Tfrq", "?");
        QCOMPARE(console.seen.size(), 1);
        QCOMPARE(trace.seen.size(), 2);
    }

    // The receiver counts as lost once three exchanges in a row went unanswered; a reply
    // between them starts the count again.
    void aReceiverIsLostAfterThreeSilentExchangesInARow()
    {
        Rig rig;
        bool answer = true;
        rig.port.onWrite = [&](const QByteArray &) {
            if (answer)
                rig.port.feedAfterUs(100, "\x81{Tfrq=1}");
        };
        for (const bool answered : {false, false, true, false, false}) {
            answer = answered;
            Protocol::Ask(rig.link, 129, "Tfrq", "?");
        }
        QVERIFY(!rig.link.receiverLost());
        answer = false;
        Protocol::Ask(rig.link, 129, "Tfrq", "?");
        QVERIFY(rig.link.receiverLost());
    }

    void readReply_endlessNoiseTimesOutAfterTenSeconds()
    {
        for (const int everyUs : {50, 700}) { // a noise byte this often, never a "}"
            Rig rig;
            rig.port.onRead = [&](int) { rig.port.feedAfterUs(everyUs, "="); };
            QCOMPARE(Protocol::ReadReply(rig.link, 129, "Tfrq"), QByteArray());
            QVERIFY(rig.link.Eto && rig.host.nowUs() >= 10000000u);
            QCOMPARE(rig.host.passes(), quint64(Protocol::kReplyPolls + 1));
        }
    }

    void openPort()
    {
        Rig rig;
        rig.port.close();
        rig.port.feed("left over from before");
        rig.port.feedAfter(150, "\x81{Tfrq=1}"); // on its way during the pause
        QVERIFY(Protocol::OpenPort(rig.link));
        QCOMPARE(rig.port.portNumber(), qint16(3));
        QCOMPARE(rig.port.settingsApplied(), QStringList{"9600,n,8,1"});
        QCOMPARE(rig.host.sleptMs(), quint64(200));
        QCOMPARE(rig.port.read(), QByteArray()); // flushed after the pause

        rig.port.feed("pending"); // already open: nothing is touched
        rig.link.Prt = 7;
        QVERIFY(Protocol::OpenPort(rig.link));
        QCOMPARE(rig.port.portNumber(), qint16(3));
        QCOMPARE(rig.port.read(), QByteArray("pending"));
    }

    void flushInput()
    {
        Rig rig; // a line that never goes quiet cannot hold the flush forever
        rig.port.onRead = [&](int) { rig.port.feed(QByteArray(100, 'x')); };
        QVERIFY(!Protocol::FlushInput(rig.link).isEmpty());
    }
    void isNumeric()
    {
        for (const char *text : {"  129 ", "-5", ".5", "5.", "1.2E3", "1e-3"})
            QVERIFY2(IsNumeric(QString(text)), text);
        for (const char *text :
             {"", "   ", ".", "-", "1.2.3", "1E", "E5", "1 2", "1,000", "&H10", "12kHz", "?"})
            QVERIFY2(!IsNumeric(QString(text)), text);
    }

    void leadingNumber()
    {
        const QList<QPair<const char *, double>> cases{
            {"27500.00 kS", 27500}, {"   42abc", 42}, {"H", 0},  {"", 0},       {"-12.5x", -12.5},
            {"2E3;", 2000},         {"7E;", 7},       {"-x", 0}, {"1.2.3", 1.2}};
        for (const auto &[text, value] : cases)
            QVERIFY2(LeadingNumber(text) == value, text);
    }
};

QTEST_GUILESS_MAIN(TestProtocol)
#include "tst_protocol.moc"
