#include "platform/linesettings.h"
#include "platform/portfolder.h"
#include "platform/systemserialport.h"
#include "platform/virtualhost.h"

#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

class TestPlatform : public QObject
{
    Q_OBJECT

private slots:
    void lineSettings_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("valid");
        QTest::addColumn<int>("speed");
        QTest::addColumn<int>("parity");
        QTest::addColumn<int>("dataBits");
        QTest::addColumn<int>("stopBits");
        QTest::newRow("9600") << "9600,n,8,1" << true << 9600 << int(QSerialPort::NoParity) << 8
                              << int(QSerialPort::OneStop);
        QTest::newRow("115200 even 7 2")
            << "115200,E,7,2" << true << 115200 << int(QSerialPort::EvenParity) << 7
            << int(QSerialPort::TwoStop);
        QTest::newRow("empty") << "" << false << 0 << 0 << 0 << 0;
        QTest::newRow("missing field") << "9600,n,8" << false << 0 << 0 << 0 << 0;
        QTest::newRow("zero speed") << "0,n,8,1" << false << 0 << 0 << 0 << 0;
        QTest::newRow("huge speed") << "4294967296,n,8,1" << false << 0 << 0 << 0 << 0;
        QTest::newRow("bad parity") << "9600,x,8,1" << false << 0 << 0 << 0 << 0;
    }
    void lineSettings()
    {
        QFETCH(QString, text);
        QFETCH(bool, valid);
        const std::optional<LineSettings> s = parseLineSettings(text);
        QCOMPARE(s.has_value(), valid);
        if (!valid)
            return;
        QFETCH(int, speed);
        QFETCH(int, parity);
        QFETCH(int, dataBits);
        QFETCH(int, stopBits);
        QCOMPARE(s->speed, speed);
        QCOMPARE(int(s->parity), parity);
        QCOMPARE(int(s->dataBits), dataBits);
        QCOMPARE(int(s->stopBits), stopBits);
    }

    void portDevice()
    {
        QTemporaryDir config;
        qputenv("XDG_CONFIG_HOME", config.path().toLocal8Bit());
        QCOMPARE(::portDevice(1), QString("/dev/ttyS0"));
        QCOMPARE(::portDevice(12), QString("/dev/ttyS11"));
        QCOMPARE(::portDevice(0), QString());
        QCOMPARE(::portDevice(-3), QString());
        QVERIFY(QDir().mkpath(portLinkFolder()));
        QCOMPARE(portLinkFolder(), config.path() + "/Halvorn Software/ports");
        QVERIFY(QFile::link("/dev/pts/77", portLinkPath(12)));
        QCOMPARE(::portDevice(12), QString("/dev/pts/77"));
        QCOMPARE(::portDevice(13), QString("/dev/ttyS12"));
    }

    void systemPort_refusesBadSettingsWhole()
    {
        SystemSerialPort port;
        QVERIFY(port.setSettings("19200,n,8,1"));
        QVERIFY(!port.setSettings("38400,n,8,9"));
        QVERIFY(!port.isOpen());
    }

    void systemPort_missingDeviceFailsFast_data()
    {
        QTest::addColumn<int>("number");
        QTest::newRow("no device") << 30000;
        QTest::newRow("dangling link") << 31000;
        QTest::newRow("port 0") << 0;
    }
    void systemPort_missingDeviceFailsFast()
    {
        QFETCH(int, number);
        QTemporaryDir config;
        qputenv("XDG_CONFIG_HOME", config.path().toLocal8Bit());
        QVERIFY(QDir().mkpath(portLinkFolder()));
        QVERIFY(QFile::link(config.path() + "/gone", portLinkPath(31000)));
        SystemSerialPort port;
        port.setPortNumber(qint16(number));
        QVERIFY(port.setSettings("115200,n,8,1"));
        QElapsedTimer t;
        t.start();
        QVERIFY(!port.open());
        QVERIFY(t.elapsed() < 1000);
        QVERIFY(!port.isOpen());
        QCOMPARE(port.read(), QByteArray());
    }

    void virtualHost_runsCallbacksWhenDue()
    {
        VirtualHost host(0xFFFFFFFEu);
        QStringList ran;
        host.after(5, [&] { ran << "five"; });
        host.after(1, [&] { ran << "one"; });
        host.doEvents();
        QVERIFY(ran.isEmpty());
        host.sleep(1);
        host.doEvents();
        QCOMPARE(ran, QStringList{"one"});
        host.sleep(10);
        QCOMPARE(ran, QStringList{"one"}); // a sleep does not run the event loop
        host.doEvents();
        QCOMPARE(ran, (QStringList{"one", "five"}));
        QCOMPARE(host.tickCount(), quint32(0xFFFFFFFEu + 11u)); // wrapped to 9
        QCOMPARE(host.passes(), quint64(3));
    }
};

QTEST_GUILESS_MAIN(TestPlatform)
#include "tst_platform.moc"
