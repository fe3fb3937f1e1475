#include "link/protocol_mssl.h"
#include "link/scanall.h"
#include "tests/support/simulatedreceiver.h"

#include <QElapsedTimer>
#include <QTest>

class TestCatalogue : public QObject
{
    Q_OBJECT

private slots:
    void catalogueQueriesEveryCodeOnce()
    {
        SimulatedReceiver rx;
        rx.port.open();
        Protocol_MsSl driver(rx.link);
        driver.setAdr(129);
        QList<QPair<QByteArray, QByteArray>> answers;
        driver.TstAllCmds([&](const QByteArray &code, const QByteArray &reply) {
            answers.append({code, reply});
            return true;
        });
        QCOMPARE(rx.port.writes().size(), 88);
        QCOMPARE(rx.port.writes().first(), QByteArray("\x81{Acrt=?}"));
        QCOMPARE(rx.port.writes().last(), QByteArray("\x81{Vsci=?}"));
        QCOMPARE(answers.size(), 88);
        QCOMPARE(answers[0], qMakePair(QByteArray("Acrt"), QByteArray("Uk")));
        QVERIFY(answers.contains(qMakePair(QByteArray("Utst"), QByteArray("I"))));

        // without a sink the replies are dropped; a sink may stop the run
        rx.port.clearWritten();
        driver.TstAllCmds();
        QCOMPARE(rx.port.writes().size(), 88);
        rx.port.clearWritten();
        int seen = 0;
        driver.TstAllCmds([&](const QByteArray &, const QByteArray &) { return ++seen < 5; });
        QCOMPARE(rx.port.writes().size(), 5);
    }

    void sweepOrder()
    {
        using ScanAll::Code;
        QCOMPARE(Code(0), QByteArray("AAAA"));
        QCOMPARE(Code(1), QByteArray("AAAB"));
        QCOMPARE(Code(2), QByteArray("AAAC"));
        QCOMPARE(Code(26), QByteArray("AABA"));
        QCOMPARE(Code(ScanAll::kBlock - 1), QByteArray("ZZZZ"));
        QCOMPARE(Code(ScanAll::kBlock), QByteArray("AAAa"));
        QCOMPARE(Code(2 * ScanAll::kBlock), QByteArray("AAaa"));
        QCOMPARE(Code(3 * ScanAll::kBlock), QByteArray("Aaaa"));
        QCOMPARE(Code(ScanAll::kCodes - 1), QByteArray("Zzzz"));
        QCOMPARE(ScanAll::kCodes, 1827904);
        // Every code: four letters, upper case first and never back from lower to upper, and
        // strictly rising within its block, so no code comes twice.
        QByteArray previous;
        for (int i = 0; i < ScanAll::kCodes; ++i) {
            const QByteArray c = Code(i);
            const int upper = 4 - i / ScanAll::kBlock;
            for (int k = 0; k < 4; ++k) {
                const char lo = k < upper ? 'A' : 'a';
                if (c.size() != 4 || c[k] < lo || c[k] > lo + 25)
                    QFAIL(qPrintable("bad code " + c + " at " + QByteArray::number(i)));
            }
            if (i % ScanAll::kBlock && !(previous < c))
                QFAIL(qPrintable("out of order at " + QByteArray::number(i)));
            previous = c;
        }
    }

    void fullSweepAgainstTheReceiver()
    {
        SimulatedReceiver rx;
        rx.latencyMs = 0;
        rx.port.open();
        Protocol_MsSl driver(rx.link);
        driver.setAdr(129);
        qint64 exchanges = 0, answered = 0;
        QList<quint64> passesAtBlockEnds;
        QElapsedTimer t;
        t.start();
        driver.GetAllCmds([&](const QByteArray &, const QByteArray &reply) {
            ++exchanges;
            answered += reply != "Uk";
            if (exchanges % ScanAll::kBlock == 0)
                passesAtBlockEnds << rx.host.passes();
            if (exchanges % 100000 == 0 && exchanges < ScanAll::kCodes - 10)
                rx.port.clearWritten(); // the port keeps every write; keep the memory small
            return true;
        });
        qInfo("full sweep: %lld exchanges in %lld ms", exchanges, t.elapsed());
        QCOMPARE(exchanges, qint64(ScanAll::kCodes));
        QCOMPARE(rx.port.writes().last(), QByteArray("\x81{Zzzz=?}"));
        QVERIFY(answered > 0); // codes the receiver knows, such as LNin
        // one event-loop pass per exchange, and one more between blocks
        QCOMPARE(passesAtBlockEnds.size(), 4);
        for (int b = 1; b < 4; ++b)
            QCOMPARE(passesAtBlockEnds[b] - passesAtBlockEnds[b - 1], quint64(ScanAll::kBlock + 1));
        QVERIFY(!rx.link.Eto);
    }

    void sinkStopsTheSweep()
    {
        SimulatedReceiver rx;
        rx.port.open();
        Protocol_MsSl driver(rx.link);
        driver.setAdr(129);
        QByteArrayList codes;
        driver.GetAllCmds([&](const QByteArray &code, const QByteArray &) {
            codes << code;
            return codes.size() < 3;
        });
        QCOMPARE(codes, (QByteArrayList{"AAAA", "AAAB", "AAAC"}));
        QCOMPARE(rx.port.writes().size(), 3);
    }
};

QTEST_GUILESS_MAIN(TestCatalogue)
#include "tst_catalogue.moc"
