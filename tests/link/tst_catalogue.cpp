#include "link/protocol_mssl.h"
#include "link/scanall.h"
#include "tests/support/simulatedreceiver.h"

#include <QTest>

namespace {

struct Rig
{
    SimulatedReceiver rx;
    Protocol_MsSl driver{rx.link};
    Rig()
    {
        rx.latencyMs = 0;
        rx.port.open();
        driver.setAdr(129);
    }
};

} // namespace

class TestCatalogue : public QObject
{
    Q_OBJECT

private slots:
    void catalogueQueriesEveryCodeOnce()
    {
        Rig rig;
        QList<QPair<QByteArray, QByteArray>> answers;
        rig.driver.TstAllCmds([&](const QByteArray &code, const QByteArray &reply) {
            answers.append({code, reply});
            return true;
        });
        QCOMPARE(rig.rx.port.writes().size(), 88);
        QCOMPARE(rig.rx.port.writes().last(), QByteArray("\x81{Vsci=?}"));
        QCOMPARE(answers[0], qMakePair(QByteArray("Acrt"), QByteArray("Uk")));
        QVERIFY(answers.contains(qMakePair(QByteArray("Utst"), QByteArray("I"))));
        rig.rx.port.clearWritten();
        int seen = 0; // a sink may stop the run
        rig.driver.TstAllCmds([&](const QByteArray &, const QByteArray &) { return ++seen < 5; });
        QCOMPARE(rig.rx.port.writes().size(), 5);
    }

    // Every four-letter code once, in order: upper case first and never back from lower to
    // upper, rising within each block; one event pass per exchange and one between blocks.
    void fullSweepAgainstTheReceiver()
    {
        Rig rig;
        int i = 0;
        qint64 answered = 0;
        QByteArray previous;
        QList<quint64> passesAtBlockEnds;
        rig.driver.GetAllCmds([&](const QByteArray &code, const QByteArray &reply) {
            const int upper = 4 - i / ScanAll::kBlock;
            bool ok = code == ScanAll::Code(i) && code.size() == 4 &&
                      (i % ScanAll::kBlock == 0 || previous < code);
            for (int k = 0; k < 4 && ok; ++k) {
                const char lo = k < upper ? 'A' : 'a';
                ok = code[k] >= lo && code[k] <= lo + 25;
            }
            if (!ok)
                qFatal("code %s out of order at %d", code.constData(), i);
            previous = code;
            answered += reply != "Uk";
            if (++i % ScanAll::kBlock == 0)
                passesAtBlockEnds << rig.rx.host.passes();
            if (i % 100000 == 0)
                rig.rx.port.clearWritten(); // the port keeps every write: keep memory small
            return true;
        });
        QCOMPARE(i, ScanAll::kCodes);
        QCOMPARE(ScanAll::Code(ScanAll::kBlock), QByteArray("AAAa"));
        QCOMPARE(previous, QByteArray("Zzzz"));
        QVERIFY(answered > 0); // codes the receiver knows, such as LNin
        for (int b = 1; b < 4; ++b)
            QCOMPARE(passesAtBlockEnds[b] - passesAtBlockEnds[b - 1], quint64(ScanAll::kBlock + 1));
        QVERIFY(!rig.rx.link.Eto);

        QByteArrayList codes; // a sink may stop the sweep
        rig.driver.GetAllCmds([&](const QByteArray &code, const QByteArray &) {
            codes << code;
            return codes.size() < 3;
        });
        QCOMPARE(codes, (QByteArrayList{"AAAA", "AAAB", "AAAC"}));
    }
};

QTEST_GUILESS_MAIN(TestCatalogue)
#include "tst_catalogue.moc"
