#include "platform/linesettings.h"
#include "platform/portfolder.h"
#include "platform/portproblem.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

class TestPlatform : public QObject
{
    Q_OBJECT

private slots:
    void lineSettings()
    {
        const std::optional<LineSettings> s = parseLineSettings("115200,E,7,2");
        QVERIFY(s && s->speed == 115200 && s->parity == QSerialPort::EvenParity);
        QVERIFY(s->dataBits == QSerialPort::Data7 && s->stopBits == QSerialPort::TwoStop);
        QCOMPARE(parseLineSettings("9600,n,8,1")->parity, QSerialPort::NoParity);
        for (const char *bad : {"", "9600,n,8", "0,n,8,1", "4294967296,n,8,1", "9600,x,8,1"})
            QVERIFY2(!parseLineSettings(bad), bad);
    }

    void portDevice()
    {
        QTemporaryDir config;
        qputenv("XDG_CONFIG_HOME", config.path().toLocal8Bit());
        QCOMPARE(::portDevice(1), QString("/dev/ttyS0"));
        QCOMPARE(::portDevice(0), QString());
        QVERIFY(QDir().mkpath(portLinkFolder()));
        QCOMPARE(portLinkFolder(), config.path() + "/Halvorn Software/ports");
        QVERIFY(QFile::link("/dev/pts/77", portLinkPath(12)));
        QCOMPARE(::portDevice(12), QString("/dev/pts/77"));
        QCOMPARE(::portDevice(13), QString("/dev/ttyS12"));
        QCOMPARE(windowsPortName(9), QString("COM9"));
        QCOMPARE(windowsPortName(10), QString("\\\\.\\COM10"));
    }

    void portFailures()
    {
        QTemporaryDir config;
        qputenv("XDG_CONFIG_HOME", config.path().toLocal8Bit());
        QVERIFY(QDir().mkpath(portLinkFolder()));
        QVERIFY(QFile::link(config.filePath("gone"), portLinkPath(2)));
        QVERIFY(QFile::link(config.path(), portLinkPath(3)));
        const PortFailure gone = DiagnosePort(2, ::portDevice(2));
        QVERIFY(gone.problem == PortProblem::Missing && gone.text.contains(portLinkPath(2)) &&
                gone.text.contains(config.filePath("gone") + ", does not exist"));
        QCOMPARE(DiagnosePort(3, ::portDevice(3)).problem, PortProblem::NotSerial);
        QCOMPARE(DiagnosePort(0, QString()).problem, PortProblem::NotAPort);
        // Joining a group is advised only where the group may read and write, and not root's.
        QVERIFY(PermissionAdvice("/dev/ttyS0", "dialout", true).contains("usermod -aG dialout"));
        QVERIFY(!PermissionAdvice("/dev/ttyS0", "root", true).contains("usermod"));
        QVERIFY(!PermissionAdvice("/dev/ttyS0", "dialout", false).contains("usermod"));
    }
};

QTEST_GUILESS_MAIN(TestPlatform)
#include "tst_platform.moc"
