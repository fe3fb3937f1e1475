#include "link/linkstate.h"
#include "link/protocol.h"
#include "link/protocol_mssl.h"
#include "platform/portfolder.h"
#include "platform/qthost.h"
#include "platform/systemserialport.h"
#include "simprocess.h"

#include <QElapsedTimer>
#include <QFileInfo>
#include <QTest>
#include <QTimer>

// The link and the master/slave driver through the real serial port, against kolvex7-sim on a
// pseudo-terminal.
class TestE2ELink : public QObject
{
    Q_OBJECT

private slots:
    void receiverModes_data()
    {
        QTest::addColumn<QStringList>("options");
        QTest::newRow("master/slave") << QStringList{};
        QTest::newRow("starts in terminal mode") << QStringList{"--terminal"};
        QTest::newRow("replies split into bytes") << QStringList{"--split"};
        QTest::newRow("noise before replies, at line speed")
            << QStringList{"--garbage", "--baud", "115200"};
    }
    void receiverModes()
    {
        QFETCH(QStringList, options);
        SimProcess sim;
        QString error;
        QVERIFY2(sim.start(9, options, &error), qPrintable(error));

        SystemSerialPort port;
        QtHost host;
        LinkState link{port, host};
        link.Prt = 9;
        link.Spd = 115200;
        QVERIFY2(Protocol::OpenPort(link), qPrintable(port.errorText()));

        Protocol_MsSl driver(link);
        driver.setAdr(129);
        QVERIFY(driver.InitIRD());
        link.Eto = false;
        QCOMPARE(driver.GetLNBInput(), quint8(0));
        QCOMPARE(driver.GetLNBType(), quint8(0));
        QCOMPARE(driver.GetLNBPolar(), QString("V"));
        QCOMPARE(driver.GetSpeed(), QString("27500"));
        QCOMPARE(driver.GetFrequency(), QString("11034000"));
        QVERIFY(driver.SetServiceNum(1));
        QCOMPARE(driver.GetService(2), QString("Demo Two"));
        QVERIFY(driver.SetLNBInput(1));
        QCOMPARE(driver.GetLNBInput(), quint8(1));
        QVERIFY(driver.SetSpeed("4883"));
        QCOMPARE(driver.GetSpeed(), QString("04883"));
        QVERIFY(!link.Eto);

        const QStringList log = sim.logLines();
        QVERIFY(log.contains("rx \\x81{Sstp=11}"));
        QVERIFY(log.contains("rx \\x81{Sfrq=04883.00}"));
        QCOMPARE(options.contains("--terminal"), log.contains("rx CNFG CNPR MSLV"));
    }

    void missingPortFailsFast()
    {
        SimProcess sim; // only for its private configuration folder
        SystemSerialPort port;
        QtHost host;
        LinkState link{port, host};
        link.Prt = 4000;
        QElapsedTimer t;
        t.start();
        QVERIFY(!Protocol::OpenPort(link));
        QVERIFY(t.elapsed() < 1000);
    }

    void vanishingPortEndsTheExchangeAtOnce()
    {
        // A receiver that never answers, whose line goes away while a reply is awaited: the
        // exchange ends as a time-out at once instead of polling a dead port for ten seconds.
        SimProcess sim;
        QString error;
        QVERIFY2(sim.start(10, {"--silent"}, &error), qPrintable(error));
        SystemSerialPort port;
        QtHost host;
        LinkState link{port, host};
        link.Prt = 10;
        QVERIFY(Protocol::OpenPort(link));
        QTimer::singleShot(300, [&] { sim.stop(); });
        QElapsedTimer t;
        t.start();
        QCOMPARE(Protocol::SendQuery(link, 129, "Tfrq"), QByteArray());
        QVERIFY(link.Eto);
        QVERIFY(port.isLost());
        QVERIFY2(t.elapsed() < 3000, qPrintable(QString::number(t.elapsed())));
    }

    void simulatorRemovesItsPortLink()
    {
        SimProcess sim;
        QString error;
        QVERIFY2(sim.start(11, {}, &error), qPrintable(error));
        QVERIFY(QFileInfo(portLinkPath(11)).isSymLink());
        sim.stop();
        QVERIFY(!QFileInfo(portLinkPath(11)).isSymLink());
    }
};

QTEST_GUILESS_MAIN(TestE2ELink)
#include "tst_e2e_link.moc"
