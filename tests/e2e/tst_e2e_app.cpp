#include "app/registry.h"
#include "simprocess.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTest>

// The real program, started against kolvex7-sim with a seeded configuration folder.
class TestE2EApp : public QObject
{
    Q_OBJECT

private slots:
    void startsAgainstTheSimulator()
    {
        SimProcess sim;
        QString error;
        QVERIFY2(sim.start(12, {}, &error), qPrintable(error));
        Registry::WriteRegValue("KOLVEX7", "", "Port", 12);
        Registry::WriteRegValue("KOLVEX7", "", "Speed", 115200);
        Registry::WriteRegValue("KOLVEX7", "", "Address", 129);
        Registry::WriteRegValue("KOLVEX7", "", "LNB_BandL", 1);

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
        QVERIFY(!tool.waitForFinished(1000));
        QCOMPARE(tool.state(), QProcess::Running);
        tool.terminate();
        QVERIFY(tool.waitForFinished(5000));
    }
};

QTEST_GUILESS_MAIN(TestE2EApp)
#include "tst_e2e_app.moc"
