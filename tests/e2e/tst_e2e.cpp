#include "platform/portfolder.h"
#include "platform/registry.h"
#include "testsupport/seedsettings.h"
#include "testsupport/writefile.h"
#include "testsupport/simprocess.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <unistd.h>

namespace {

// kolvex7-ctl copied into a folder of its own, which is then its program folder.
struct Ctl
{
    QTemporaryDir program;
    QString out, err;
    Ctl() { QFile::copy(QStringLiteral(KOLVEX7_CTL), program.filePath("kolvex7-ctl")); }
    int operator()(const QString &line)
    {
        QProcess p;
        p.start(program.filePath("kolvex7-ctl"), line.split(' '));
        if (!p.waitForFinished(120000))
            return -1;
        out = QString::fromUtf8(p.readAllStandardOutput());
        err = QString::fromUtf8(p.readAllStandardError());
        return p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -2;
    }
};

} // namespace

// The real programs, kolvex7 and kolvex7-ctl, against kolvex7-sim.
class TestE2E : public QObject
{
    Q_OBJECT

private slots:
    void toolStartsAgainstTheSimulator()
    {
        SimProcess sim;
        QString error;
        QVERIFY2(sim.start(12, {}, &error), qPrintable(error));
        SeedSettings(12);

        // The demo list in the tool's DataFolder, with the receiver's frequency on one row.
        const QString data = QFileInfo(QStringLiteral(KOLVEX7_TOOL)).absolutePath() + "/data";
        QDir().mkpath(data);
        QFile::remove(data + "/13.00E.csv");
        QVERIFY(QFile::copy(QStringLiteral(KOLVEX7_DEMO_LIST), data + "/13.00E.csv"));

        QProcess tool;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("QT_QPA_PLATFORM", "offscreen");
        tool.setProcessEnvironment(env);
        tool.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        tool.start(QStringLiteral(KOLVEX7_TOOL), {});
        QVERIFY(tool.waitForStarted(5000));

        // The last exchanges of start-up list the services of the current transponder.
        QTRY_VERIFY_WITH_TIMEOUT(sim.logLines().contains("tx \\x81{Snam=Demo Data}"), 20000);
        QCOMPARE(sim.logLines().first(), QString("rx \\x81{Usvr=?}"));
        // Start-up went on to run the window, not to an error exit.
        QVERIFY(!tool.waitForFinished(1000) && tool.state() == QProcess::Running);
        tool.terminate();
        QVERIFY(tool.waitForFinished(5000));
    }

    void ctlCommandsAgainstTheSimulator()
    {
        SimProcess sim;
        QString error;
        QVERIFY2(sim.start(14, {}, &error), qPrintable(error));
        Ctl ctl;
        QCOMPARE(ctl("--port 14 --json status"), 0);
        const QJsonObject status = QJsonDocument::fromJson(ctl.out.toUtf8()).object();
        QCOMPARE(status["frequency"].toInt(), 11034000);
        QCOMPARE(status["mode"].toString(), QString("master/slave"));
        QCOMPARE(ctl("--port 14 --band Ku tune 10892000 H 27500"), 0);
        QVERIFY(ctl.out.contains("\n001 Aurora TV\n"));
        QCOMPARE(ctl("--port 14 --trace query Tfrq"), 0);
        QVERIFY2(ctl.err.contains("> \\x81{Tfrq=?} < \\x81{Tfrq=10892000}"), qPrintable(ctl.err));
        QCOMPARE(ctl("--port 14 set LNin Cin"), 5);
        QProcess second; // a second simulator on the port: refused, the first stays reachable
        second.start(KOLVEX7_SIM, {"--satellite", KOLVEX7_DEMO_SATELLITE, "--port", "14"});
        QVERIFY(second.waitForFinished(10000) && second.exitCode() != 0);
        QVERIFY(second.readAllStandardError().contains("port 14 is taken"));
        QCOMPARE(ctl("--port 14 query Tfrq"), 0);
        second.start(KOLVEX7_SIM, {"--version"}); // as the other two programs answer it
        QVERIFY(second.waitForFinished(5000) &&
                second.readAllStandardOutput() ==
                    "kolvex7-sim " + QByteArray(KOLVEX7_VERSION_TEXT) + "\n");

        QCOMPARE(ctl("frob"), 2);
        QCOMPARE(ctl("--port x status"), 2);
        QCOMPARE(ctl("tune 1"), 2);
        QCOMPARE(ctl("--port 30000 status"), 3);
        QVERIFY(ctl.err.contains("no device: neither the link ") &&
                ctl.err.contains("/dev/ttyS29999"));
        {
            SystemSerialPort holder; // another program has the port
            holder.setPortNumber(14);
            QVERIFY(holder.open());
            QCOMPARE(ctl("--port 14 status"), 3);
            QVERIFY2(ctl.err.contains("is in use by tst_e2e (process "), qPrintable(ctl.err));
            // Bad arguments are told as such before the port is tried, the port held or not.
            for (const char *bad : {"tune abc H 27500", "tune -11034000 V 27500", "service -0",
                                    "scan 999.99E", "scan 13E --rates=", "--terminal status",
                                    "--terminal tune 10892000 H 27500 --service 2",
                                    "--terminal scan 13E", "--terminal scan --rates 27500",
                                    "codes --from tfrq", "status --from Tfrq", "set Tfrq 1{"})
                QVERIFY2(ctl(QString("--port 14 ") + bad) == 2 && !ctl.err.contains("option"), bad);
            QVERIFY(ctl.err.contains("\"{\", \"}\""));
            QCOMPARE(ctl("--port 14 --terminal status"), 2);
            QVERIFY(ctl.err.contains("--terminal goes with tune and scan only"));
            QVERIFY(WriteFile(ctl.program.filePath("13.00E.csv"), "11034000;V;27500;\r\n"));
            QCOMPARE(ctl("--port 14 scan 13E --save"), 8);         // a list it would not replace
            Registry::WriteRegValue("KOLVEX7", "", "LNB_Type", 9); // no LNB type kolvex7 has
            QCOMPARE(ctl("--port 14 status"), 2);
            QVERIFY(ctl.err.contains("LNB_Type=9"));
            Registry::WriteRegValue("KOLVEX7", "", "LNB_Type", 0);
        }
        QCOMPARE(ctl("--help"), 0);
        QVERIFY(ctl.out.contains("Exit status:"));
    }

    void severalReceiversOnOneLine()
    {
        SimProcess sim;
        QString error;
        QVERIFY2(sim.start(17, {"--address", "129,130,200"}, &error), qPrintable(error));
        Ctl ctl;
        QCOMPARE(ctl("--port 17 survey"), 0);
        QCOMPARE(ctl.out, QString("129: master/slave, 11034000 kHz, locked\n"
                                  "130: master/slave, 11034000 kHz, locked\n"
                                  "200: master/slave, 11034000 kHz, locked\n"));
        QCOMPARE(ctl("--port 17 --address 130 --band Ku tune 10892000 H 27500"), 0); // 130 only:
        QCOMPARE(ctl("--port 17 survey"), 0);
        QVERIFY(ctl.out.contains("130: master/slave, 10892000") && ctl.out.count("11034000") == 2);
    }

    void ctlScanInterruptedSetsTheReceiverBack()
    {
        SimProcess sim;
        QString error;
        QVERIFY2(sim.start(15, {}, &error), qPrintable(error));
        Ctl ctl;
        QCOMPARE(ctl("--port 15 --band Ku tune 10892000 H 27500 --service 2"), 0);
        QProcess scan;
        scan.start(ctl.program.filePath("kolvex7-ctl"),
                   {"--port", "15", "--band", "Ku", "scan", "13E", "--rates", "27500"});
        QTRY_VERIFY_WITH_TIMEOUT(sim.logLines().contains("rx \\x81{AStp=ON}"), 60000); // swept
        ::kill(pid_t(scan.processId()), SIGINT);
        QVERIFY(scan.waitForFinished(30000));
        QCOMPARE(scan.exitCode(), 1);
        QCOMPARE(ctl("--port 15 --json status"), 0);
        const QJsonObject status = QJsonDocument::fromJson(ctl.out.toUtf8()).object();
        QCOMPARE(status["frequency"].toInt(), 10892000);
        QVERIFY(status["polarisation"] == "H" && status["symbol_rate"] == 27500);
        QCOMPARE(status["service"].toInt(), 2);
    }

    void portTheUserMayNotOpen()
    {
        // A device file nobody may use; root reads anything, so the tool then runs as nobody.
        QTemporaryDir config;
        const auto open = QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner |
                          QFileDevice::ReadOther | QFileDevice::ExeOther;
        QVERIFY(QFile::setPermissions(config.path(), open));
        qputenv("XDG_CONFIG_HOME", config.path().toLocal8Bit());
        QFile device(config.filePath("ttyLOCKED"));
        QVERIFY(WriteFile(device.fileName(), {}));
        QVERIFY(device.setPermissions({}));
        QVERIFY(QDir().mkpath(portLinkFolder()));
        QVERIFY(QFile::link(device.fileName(), portLinkPath(18)));
        Ctl ctl;
        QVERIFY(QFile::setPermissions(ctl.program.path(), open));
        QStringList command{ctl.program.filePath("kolvex7-ctl"), "--port", "18", "status"};
        if (geteuid() == 0)
            command = QStringList{"setpriv", "--reuid=65534", "--regid=65534", "--clear-groups"} +
                      command;
        QProcess p;
        p.start(command.takeFirst(), command);
        QVERIFY(p.waitForFinished(30000));
        const QString err = QString::fromUtf8(p.readAllStandardError());
        QCOMPARE(p.exitCode(), 3);
        // Its group (this user's own, or root's) may not use it: no group to join is advised.
        QVERIFY2(err.contains("This user may not open " + device.fileName() + ". Ask the"),
                 qPrintable(err));
    }
};

QTEST_GUILESS_MAIN(TestE2E)
#include "tst_e2e.moc"
