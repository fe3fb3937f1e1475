#include "platform/portfolder.h"
#include "simprocess.h"

#include <QFileInfo>
#include <QTest>

// The link and the master/slave driver through the real serial port, against kolvex7-sim on a
// pseudo-terminal.
class TestE2ELink : public QObject
{
    Q_OBJECT

private slots:
    void masterSlaveDriverSwitchesATerminalModeReceiver()
    {
        SimLink rx;
        QVERIFY2(rx.start(9, {"--terminal"}), qPrintable(rx.error));
        QVERIFY(rx.driver.InitIRD());
        rx.link.Eto = false;
        QCOMPARE(rx.driver.GetService(2), QString("Demo Two"));
        QVERIFY(rx.driver.SetLNBInput(1) && rx.driver.SetSpeed("4883"));
        QCOMPARE(rx.driver.GetLNBInput(), quint8(1));
        QVERIFY(!rx.link.Eto);
        const QStringList log = rx.sim.logLines();
        QVERIFY(log.contains("rx CNFG CNPR MSLV\\x0d\\x0a"));
        QVERIFY(log.contains("rx \\x81{Sfrq=04883.00}"));
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
