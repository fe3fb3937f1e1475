#include "link/protocol_term.h"
#include "link/textdisplay.h"
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

    void terminalDriverScansTheBand()
    {
        SimLink rx;
        QVERIFY2(rx.start(13), qPrintable(rx.error));
        Protocol_Term driver(rx.link);
        driver.setAdr(129);
        QVERIFY(driver.InitIRD()); // switches the receiver from master/slave to terminal mode
        QVERIFY(driver.SetLNBInput(1));
        QVERIFY(driver.SetLNBType(0));
        QVERIFY(driver.SetSpeed("27500"));
        QVERIFY(driver.SetFrequency("11034000"));
        struct : TextDisplay
        {
            QStringList texts;
            void setText(const QString &t) override { texts << t; }
        } display;
        driver.RunScanLocal_("V", display);
        QCOMPARE(display.texts.last(), QString("Scan:  done"));
        // each read shows its first lock; some carrier of V is among them
        QVERIFY(display.texts.join('|').contains(" Locked"));
        // Every byte is in the log, also the probe that a master/slave receiver ignores.
        const QStringList log = rx.sim.logLines();
        QVERIFY(log.contains("rx FEND SYMR ABE\\x0d\\x0a"));
        const int probe = int(log.indexOf("rx H\\x0d\\x0a"));
        QVERIFY(probe >= 0 && probe < log.indexOf("rx \\x81{Trpr=Trml}"));
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
