#include "app/registry.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

class TestRegistry : public QObject
{
    Q_OBJECT

private slots:
    void valuesReadBackWithinTheirVariable()
    {
        QTemporaryDir config;
        qputenv("XDG_CONFIG_HOME", config.path().toLocal8Bit());
        QCOMPARE(Registry::ReadRegValue("KOLVEX7", "", "Speed", 115200), qint64(115200));
        QVERIFY(!QFile::exists(Registry::storePath("KOLVEX7"))); // reading creates nothing
        QVERIFY(Registry::WriteRegValue("KOLVEX7", "", "Port", 3));
        QCOMPARE(Registry::ReadRegValue("KOLVEX7", "", "Port", 0, -32768, 32767), qint64(3));
        QCOMPARE(Registry::ReadRegValue("OTHER", "", "Port", 7), qint64(7));

        // Values the tool did not write read as the default.
        QFile f(Registry::storePath("KOLVEX7"));
        QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write("[General]\nA=300\nB=255\nC=4294967296\nD=fast\n");
        f.close();
        QCOMPARE(Registry::ReadRegValue("KOLVEX7", "", "A", 42, 0, 255), qint64(42));
        QCOMPARE(Registry::ReadRegValue("KOLVEX7", "", "B", 42, 0, 255), qint64(255));
        QCOMPARE(Registry::ReadRegValue("KOLVEX7", "", "C", 42), qint64(42));
        QCOMPARE(Registry::ReadRegValue("KOLVEX7", "", "D", 42), qint64(42));
    }
};

QTEST_GUILESS_MAIN(TestRegistry)
#include "tst_registry.moc"
