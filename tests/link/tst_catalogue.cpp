#include "link/protocol_mssl.h"
#include "link/scanall.h"
#include "tests/support/simulatedreceiver.h"

#include <QTest>

class TestCatalogue : public QObject
{
    Q_OBJECT

private slots:
    void catalogueQueriesEveryCodeOnce()
    {
        SimulatedReceiver rx;
        rx.port.open();
        Protocol_MsSl driver{rx.link};
        driver.setAdr(129);
        QList<QPair<QByteArray, QByteArray>> answers;
        driver.TstAllCmds([&](const QByteArray &code, const QByteArray &reply) {
            answers.append({code, reply});
            return true;
        });
        QCOMPARE(rx.port.writes().size(), 88);
        int seen = 0; // a sink may stop the run
        driver.TstAllCmds([&](const QByteArray &, const QByteArray &) { return ++seen < 3; });
        QCOMPARE(rx.port.writes().size(), 88 + 3);
        QCOMPARE(answers[0], qMakePair(QByteArray("Acrt"), QByteArray("Uk")));
        QVERIFY(answers.contains(qMakePair(QByteArray("Utst"), QByteArray("I"))));
    }

    // Every four-letter code once: upper case first and never back from lower to upper,
    // rising within each block; one event pass per exchange and one between blocks.
    void fullSweepAgainstTheReceiver()
    {
        SimulatedReceiver rx;
        rx.latencyMs = 0;
        rx.port.open();
        Protocol_MsSl driver{rx.link};
        driver.setAdr(129);
        int i = 0;
        qint64 answered = 0;
        QByteArray previous;
        QList<quint64> passesAtBlockEnds;
        driver.GetAllCmds([&](const QByteArray &code, const QByteArray &reply) {
            const int upper = 4 - i / ScanAll::kBlock;
            bool ok = code.size() == 4 && (i % ScanAll::kBlock == 0 || previous < code);
            for (int k = 0; k < 4 && ok; ++k)
                ok = code[k] >= (k < upper ? 'A' : 'a') && code[k] <= (k < upper ? 'Z' : 'z');
            if (!ok)
                qFatal("code %s out of order at %d", code.constData(), i);
            previous = code;
            answered += reply != "Uk";
            if (++i % ScanAll::kBlock == 0)
                passesAtBlockEnds << rx.host.passes();
            if (i % 100000 == 0)
                rx.port.clearWritten(); // the port keeps every write: keep memory small
            return true;
        });
        QCOMPARE(i, ScanAll::kCodes);
        QCOMPARE(previous, QByteArray("Zzzz"));
        QVERIFY(answered > 0 && !rx.link.Eto); // codes the receiver knows, such as LNin
        for (int b = 1; b < 4; ++b)
            QCOMPARE(passesAtBlockEnds[b] - passesAtBlockEnds[b - 1], quint64(ScanAll::kBlock + 1));
        int seen = 0;
        driver.GetAllCmds([&](const QByteArray &, const QByteArray &) { return ++seen < 3; });
        QCOMPARE(seen, 3);
    }
};

QTEST_GUILESS_MAIN(TestCatalogue)
#include "tst_catalogue.moc"
