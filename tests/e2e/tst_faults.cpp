// The receiver paths of the tool over the real serial port against kolvex7-sim, under each of
// the simulator's faults: nothing crashes or hangs, nothing saved is lost, and what the operator
// sees tells the truth (a time-out is reported as one).

#include "app/main.h"
#include "app/statuspanels.h"
#include "link/linktest.h"
#include "link/protocol.h"
#include "platform/anyserialport.h"
#include "platform/portfolder.h"
#include "platform/qthost.h"
#include "session/settingsstore.h"
#include "testsupport/clickitem.h"
#include "testsupport/seedsettings.h"
#include "testsupport/writefile.h"
#include "testsupport/simprocess.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeWidget>

namespace {

// Real time, real port; what the operator would have seen is recorded.
struct RecordingHost : QtHost
{
    int beeps = 0;
    QStringList messages;
    void beep() override { ++beeps; }
    Message::Answer message(const Message &m) override
    {
        messages << m.text;
        return Message::AnsweredOk;
    }
};

const QByteArray kSavedList = "11034000;V;27500;\r\n10892000;H;27500;\r\n";

// The tool started against the simulator with the given faults, a list file in its DataFolder.
struct Tool
{
    SimProcess sim;
    QTemporaryDir program;
    RecordingHost host;
    SettingsStore store;
    std::unique_ptr<Main> main;
    QString error;
    QStringList statuses; // the status panel's texts once started
    std::function<void(const QString &)> onStatus = [](const QString &) {};

    bool start(const QStringList &faults) { return sim.start(20, faults, &error) && open(); }
    // The window started on port `port` (the simulator's own by default).
    bool open(int port = 20, std::unique_ptr<SerialPort> serial = TestSerialPort())
    {
        SeedSettings(port);
        WriteFile(program.filePath("data/13.00E.csv"), kSavedList);
        main = std::make_unique<Main>(host, std::move(serial), store, program.path());
        if (main->Form_Load() != Main::Outcome::Running)
            return false;
        main->show();
        QObject::connect(main->StatusBar, &StatusPanels::textChanged,
                         [this](const QString &key, const QString &text) {
                             if (key == "Status") {
                                 statuses << text;
                                 onStatus(text);
                             }
                         });
        return true;
    }
    void pick(int row) const { clickItem(main->ListView, main->ListView->topLevelItem(row)); }
    QByteArray savedList() const
    {
        QFile f(program.filePath("data/13.00E.csv"));
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
};

} // namespace

class TestFaults : public QObject
{
    Q_OBJECT

private slots:
    void tuningThroughLineFaults_data()
    {
        QTest::addColumn<QStringList>("faults");
        QTest::newRow("replies split into single bytes") << QStringList{"--split"};
        QTest::newRow("garbage before replies") << QStringList{"--garbage"};
        QTest::newRow("50 ms latency") << QStringList{"--latency", "50"};
    }
    void tuningThroughLineFaults()
    {
        QFETCH(QStringList, faults);
        Tool tool;
        QVERIFY2(tool.start(faults), qPrintable(tool.error + tool.host.messages.join('|')));
        QCOMPARE(tool.main->Service->topLevelItemCount(), 5); // services of the current row
        tool.pick(1);                                         // 10892000 H
        QVERIFY2(tool.statuses.contains("Status: Sync"), qPrintable(tool.statuses.join('|')));
        QCOMPARE(tool.main->Service->topLevelItem(0)->text(1), QString("Aurora TV"));
        QVERIFY(!tool.main->state.link.Eto && tool.host.beeps == 0);
    }

    void portVanishesDuringATuning()
    {
        Tool tool;
        QVERIFY2(tool.start({}), qPrintable(tool.error));
        tool.onStatus = [&](const QString &text) {
            if (text == "Status: Search Services")
                tool.sim.kill(); // the line goes away as the tuning starts
        };
        QElapsedTimer t;
        t.start();
        tool.pick(1);
        QVERIFY(t.elapsed() < 5000);
        QVERIFY2(tool.statuses.contains("Status: Time out"), qPrintable(tool.statuses.join('|')));
        QVERIFY(!tool.statuses.contains("Status: Sync"));
        QVERIFY(tool.host.beeps == 1 && tool.main->state.link.Eto);
        QCOMPARE(tool.main->Service->topLevelItemCount(), 0);
        QCOMPARE(tool.savedList(), kSavedList); // the list on disk is untouched
        // The next command on the dead line ends at once as well.
        QTest::mouseClick(tool.main->StatusBar->panel("Input"), Qt::LeftButton);
        QVERIFY(t.elapsed() < 6000);
    }

    // Port 21 mapped to a real ser2net in front of the simulator, as a rack's receiver is.
    void pickThroughASerialServer_data()
    {
        QTest::addColumn<QString>("accepter");
        QTest::newRow("raw TCP") << "tcp";
        QTest::newRow("RFC 2217") << "telnet(rfc2217),tcp";
    }
    void pickThroughASerialServer()
    {
        QFETCH(QString, accepter);
        Tool tool;
        QVERIFY2(tool.sim.start(20, {}, &tool.error), qPrintable(tool.error));
        const int tcp = 20000 + int(QCoreApplication::applicationPid() % 20000);
        const QString pts = QFileInfo(portLinkPath(20)).symLinkTarget();
        QVERIFY(WriteFile(tool.program.filePath("ser2net.yaml"),
                          QString("connection: &k7\n  accepter: %1,127.0.0.1,%2\n  connector: "
                                  "serialdev,%3,9600n81,local\n")
                              .arg(accepter)
                              .arg(tcp)
                              .arg(pts)
                              .toUtf8()));
        QProcess server;
        server.start("ser2net", {"-n", "-u", "-c", tool.program.filePath("ser2net.yaml")});
        QVERIFY(server.waitForStarted(5000));
        QTest::qWait(500); // listening
        const QString scheme = accepter.startsWith("telnet") ? "rfc2217" : "tcp";
        QVERIFY(WriteFile(portLinkPath(21),
                          QString("%1://127.0.0.1:%2").arg(scheme).arg(tcp).toUtf8()));
        QVERIFY2(tool.open(21, MakeSerialPort()), qPrintable(tool.host.messages.join('|')));
        tool.pick(1);
        QCOMPARE(tool.main->Service->topLevelItem(0)->text(1), QString("Aurora TV"));
        tool.main->state.link.MSComm.close(); // as the link test does: the server takes us back
        QVERIFY2(Protocol::OpenPort(tool.main->state.link),
                 qPrintable(tool.main->state.link.MSComm.openError()));
        QVERIFY(Protocol::TestLink(tool.main->state.link, 129) == Protocol::LinkTestResult::Ok);
        server.kill(); // the server goes away: the port is lost, as a local one would be
        QVERIFY(server.waitForFinished(5000));
        tool.pick(0);
        QVERIFY2(tool.statuses.contains("Status: Time out"), qPrintable(tool.statuses.join('|')));
        QCOMPARE(tool.main->StatusBar->text("Port"), QString("COM21 lost"));
        QFile::remove(portLinkPath(21));
    }
};

QTEST_MAIN(TestFaults)
#include "tst_faults.moc"
