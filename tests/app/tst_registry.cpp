#include "app/registry.h"
#include "platform/portfolder.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

class TestRegistry : public QObject
{
    Q_OBJECT

    // A new folder for every case: QSettings caches what it read of a file by its path.
    std::unique_ptr<QTemporaryDir> m_config;

    void writeStore(const QByteArray &text)
    {
        QVERIFY(QDir().mkpath(configFolder()));
        QFile f(Registry::storePath("KOLVEX7"));
        QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(text);
    }

private slots:
    void init()
    {
        m_config = std::make_unique<QTemporaryDir>();
        QVERIFY(m_config->isValid());
        qputenv("XDG_CONFIG_HOME", m_config->path().toLocal8Bit());
    }

    void missingStoreReadsDefaults()
    {
        QCOMPARE(Registry::ReadRegValue("KOLVEX7", "", "Port", 0), qint64(0));
        QCOMPARE(Registry::ReadRegValue("KOLVEX7", "", "Speed", 115200), qint64(115200));
        QVERIFY(!QFile::exists(Registry::storePath("KOLVEX7"))); // reading creates nothing
    }

    void writtenValuesReadBack()
    {
        QVERIFY(Registry::WriteRegValue("KOLVEX7", "", "Port", 3));
        QVERIFY(Registry::WriteRegValue("KOLVEX7", "", "Speed", 9600));
        QVERIFY(Registry::WriteRegValue("KOLVEX7", "", "Address", 255));
        QVERIFY(Registry::WriteRegValue("KOLVEX7", "", "LNB_BandL", 0));
        QCOMPARE(Registry::ReadRegValue("KOLVEX7", "", "Port", 0, -32768, 32767), qint64(3));
        QCOMPARE(Registry::ReadRegValue("KOLVEX7", "", "Speed", 115200), qint64(9600));
        QCOMPARE(Registry::ReadRegValue("KOLVEX7", "", "Address", 129, 0, 255), qint64(255));
        QCOMPARE(Registry::ReadRegValue("KOLVEX7", "", "LNB_BandL", 1, 0, 255), qint64(0));
        QCOMPARE(Registry::ReadRegValue("KOLVEX7", "", "LNB_Type", 0, 0, 255), qint64(0));
        QCOMPARE(Registry::ReadRegValue("OTHER", "", "Port", 7), qint64(7));
    }

    void storedValuesOutsideTheVariable_data()
    {
        QTest::addColumn<QByteArray>("stored");
        QTest::addColumn<qint64>("min");
        QTest::addColumn<qint64>("max");
        QTest::addColumn<qint64>("read");
        QTest::newRow("address 300") << QByteArray("300") << qint64(0) << qint64(255) << qint64(-1);
        QTest::newRow("address 255")
            << QByteArray("255") << qint64(0) << qint64(255) << qint64(255);
        QTest::newRow("beyond 32 bits") << QByteArray("4294967296") << qint64(-2147483648LL)
                                        << qint64(2147483647) << qint64(-1);
        QTest::newRow("not a number")
            << QByteArray("fast") << qint64(0) << qint64(255) << qint64(-1);
    }
    void storedValuesOutsideTheVariable()
    {
        QFETCH(QByteArray, stored);
        QFETCH(qint64, min);
        QFETCH(qint64, max);
        QFETCH(qint64, read);
        writeStore("[General]\nValue=" + stored + "\n");
        const qint64 expected = read == -1 ? 42 : read;
        QCOMPARE(Registry::ReadRegValue("KOLVEX7", "", "Value", 42, min, max), expected);
    }

    void garbageStoreReadsDefaults()
    {
        writeStore(QByteArray("\0\xff[[[=\n=\n\xfe", 10));
        QCOMPARE(Registry::ReadRegValue("KOLVEX7", "", "Port", 5), qint64(5));
    }

    void failedWriteIsReportedNotFatal()
    {
        // a file where the tool's folder should be
        QFile blocker(configFolder());
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        blocker.close();
        QVERIFY(!Registry::WriteRegValue("KOLVEX7", "", "Port", 3));
        QCOMPARE(Registry::ReadRegValue("KOLVEX7", "", "Port", 0), qint64(0));
    }
};

QTEST_GUILESS_MAIN(TestRegistry)
#include "tst_registry.moc"
