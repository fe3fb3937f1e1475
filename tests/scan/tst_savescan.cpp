#include "link/scankey.h"
#include "link/scanresult.h"
#include "scan/savescan.h"
#include "scan/scandiff.h"
#include "testsupport/memoryviews.h"
#include "testsupport/writefile.h"
#include "testsupport/virtualhost.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

namespace {

// An identified transponder with its information nodes and services.
void addTransponder(MemoryScanTree &tree, const QString &f, const QString &p, const QString &s,
                    const QStringList &services)
{
    const QString T = f + '-' + p + '-' + s;
    const int node = tree.add(0, f + '|' + p + '|' + s, T);
    tree.add(node, f + '|' + p + '|' + s + "|5.0", "Margin:5.0");
    tree.add(node, T + '|' + QString::number(services.size()),
             "Services:" + QString::number(services.size()));
    for (const QString &label : services)
        tree.add(node, T + '#' + label, label);
}

struct Rig
{
    QTemporaryDir program;
    VirtualHost host;
    MemoryLabels status;
    bool save(const MemoryScanTree &tree, const QString &position = "05.00E")
    {
        return SaveScan(ScanResult::of(tree), position, program.path(), host, status);
    }
    QByteArray file(const QString &name) const
    {
        QFile f(program.filePath(name));
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
    }
};

} // namespace

class TestSaveScan : public QObject
{
    Q_OBJECT

private slots:
    void savesTheIdentifiedTransponders()
    {
        Rig rig;
        MemoryScanTree tree;
        addTransponder(tree, "12000000", "H", "27500", {"001-Alpha", "002-", "003-Beta-Gamma"});
        const ScanKey found = ScanKey::found("11778000", "V"); // not identified: not saved
        tree.add(0, found.key(), found.text());
        addTransponder(tree, "975000", "V", "27500", {"1000-Four digits"});
        addTransponder(tree, "1234000", "V", "27500", {});
        QVERIFY(rig.save(tree));
        QCOMPARE(rig.file("05.00E.csv"),
                 QByteArray("12000000;H;27500;\r\n975000;V;27500;\r\n1234000;V;27500;\r\n"));
        QCOMPARE(rig.file("data/05.00E-12000000-H-27500.csv"),
                 QByteArray("001;Alpha;\r\n002;;\r\n003;Beta-Gamma;\r\n"));
        QCOMPARE(rig.file("data/05.00E-975000-V-27500.csv"), QByteArray("1000;Four digits;\r\n"));
        QCOMPARE(rig.file("data/05.00E-1234000-V-27500.csv"), QByteArray());
        QCOMPARE(rig.status.history, (QStringList{"0:Saving", "0:"}));
        QCOMPARE(QDir(rig.program.path()).entryList(QDir::Files), QStringList{"05.00E.csv"});
    }

    void nothingWrittenWithoutATransponderOrForAPositionThatIsNoFileName()
    {
        for (const QString position : {"05.00E", "../E", "..", ""}) {
            Rig rig;
            QVERIFY(QDir(rig.program.path()).mkpath("program"));
            MemoryScanTree tree; // at 05.00E a transponder found, none identified
            if (position != "05.00E")
                addTransponder(tree, "12000000", "H", "27500", {"001-One"});
            else
                tree.add(0, ScanKey::found("12000000", "H").key(), "12000000-H");
            QVERIFY(!SaveScan(ScanResult::of(tree), position, rig.program.filePath("program"),
                              rig.host, rig.status));
            QCOMPARE(rig.host.messages().size(), 1);
            QCOMPARE(QDir(rig.program.path()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries),
                     QStringList{"program"});
            QVERIFY(QDir(rig.program.filePath("program")).isEmpty());
        }
        // Nor is a run compared with any list but its position's own in the DataFolder.
        Rig rig;
        MemoryScanTree tree;
        addTransponder(tree, "12000000", "H", "27500", {});
        QVERIFY(WriteFile(rig.program.filePath("p/E.csv"), "12000000;H;27500;\r\n"));
        QVERIFY(
            !CompareWithList(ScanResult::of(tree), rig.program.filePath("p"), "../E", {}).compared);
        QVERIFY(WriteFile(rig.program.filePath("p/data/05.00E.csv"),
                          "12000000;H;27500;\r\n11000000;H;27500;\r\n11500000;V;27500;\r\n"));
        const ScanDiff diff = CompareWithList(ScanResult::of(tree), rig.program.filePath("p"),
                                              "05.00E", {{'H', {10700000, 10800000}}});
        QCOMPARE(diff.summary(), QString("Against 05.00E.csv: 0 new, 0 shifted, 0 missing; "
                                         "H not swept above 10800000, V not swept"));
    }

    // A transponder found within the receiver's capture of its listed frequency (a tenth of its
    // rate, half a sweep step at least) is the listed one; beyond, within half its rate, it has
    // moved; farther, it is new. One found but not identified is told as such.
    void comparedWithTheStoredList_data()
    {
        QTest::addColumn<QString>("listed");
        QTest::addColumn<QString>("found"); // "F P [S]"
        QTest::addColumn<QString>("summary");
        auto row = [](const char *name, const char *listed, const char *found, QString summary) {
            QTest::newRow(name) << listed << found << "Against 05.00E.csv: " + summary;
        };
        row("1 MHz off at 27500", "11257000;V;27500;", "11258000 V 27500",
            "0 new, 0 shifted, 0 missing");
        row("2.75 MHz off at 27500", "11255250;V;27500;", "11258000 V 27500",
            "0 new, 0 shifted, 0 missing");
        row("3 MHz off at 27500", "11255000;V;27500;", "11258000 V 27500",
            "0 new, 1 shifted, 0 missing");
        row("half a step off at 4883", "12073500;H;4883;", "12073000 H 4883",
            "0 new, 0 shifted, 0 missing");
        row("1 MHz off at 4883", "12074000;H;4883;", "12073000 H 4883",
            "0 new, 1 shifted, 0 missing");
        row("half the rate off at 4883", "12075441;H;4883;", "12073000 H 4883",
            "0 new, 1 shifted, 0 missing");
        row("beyond half the rate at 4883", "12075442;H;4883;", "12073000 H 4883",
            "1 new, 0 shifted, 1 missing (12075442 H 4883)");
        row("found, not identified", "10971000;V;29900;", "10971000 V",
            "0 new, 0 shifted, 0 missing, 1 found, not identified (10971000 V 29900)");
        row("found 3 MHz off, not identified", "11538000;V;30000;", "11541000 V",
            "0 new, 0 shifted, 0 missing, 1 found, not identified (11538000 V 30000)");
        row("another rate is another transponder", "11258000;V;27500;", "11258000 V 22000",
            "1 new, 0 shifted, 1 missing (11258000 V 27500)");
    }
    void comparedWithTheStoredList()
    {
        QFETCH(QString, listed);
        QFETCH(QString, found);
        QFETCH(QString, summary);
        Rig rig;
        QVERIFY(WriteFile(rig.program.filePath("data/05.00E.csv"), listed.toLatin1() + "\r\n"));
        MemoryScanTree tree;
        const QStringList f = found.split(' ');
        if (f.size() == 3)
            addTransponder(tree, f[0], f[1], f[2], {});
        else
            tree.add(0, f[0] + '|' + f[1], f[0] + '-' + f[1]);
        const ScanDiff diff =
            CompareWithList(ScanResult::of(tree), rig.program.path(), "05.00E",
                            {{'H', {10700000, 12749000}}, {'V', {10700000, 12749000}}});
        QCOMPARE(diff.summary(), summary);
    }

    void replacingAsksFirst_data()
    {
        QTest::addColumn<bool>("replace");
        QTest::newRow("OK") << true;
        QTest::newRow("Cancel") << false;
    }
    void replacingAsksFirst()
    {
        QFETCH(bool, replace);
        Rig rig;
        MemoryScanTree first, second;
        addTransponder(first, "12000000", "H", "27500", {"001-Old"});
        QVERIFY(rig.save(first));
        addTransponder(second, "12000000", "H", "27500", {"001-New"});
        addTransponder(second, "11034000", "V", "27500", {"001-Other"});
        rig.host.queueAnswer(replace ? Message::AnsweredOk : Message::AnsweredCancel);
        QCOMPARE(rig.save(second), replace);
        QCOMPARE(rig.host.messages().size(), 1);
        const Message &ask = rig.host.messages()[0];
        QCOMPARE(ask.title + '|' + ask.text, "File exists|File " +
                                                 rig.program.filePath("05.00E.csv") +
                                                 " already exists.\r\nDo you want to replace it ?");
        QVERIFY(ask.buttons == Message::OkCancel && ask.icon == Message::NoIcon);
        QCOMPARE(rig.status.texts[0], QString());
        QCOMPARE(rig.file("05.00E.csv"),
                 QByteArray("12000000;H;27500;\r\n") +
                     (replace ? QByteArray("11034000;V;27500;\r\n") : QByteArray()));
        QCOMPARE(rig.file("data/05.00E-12000000-H-27500.csv"),
                 replace ? QByteArray("001;New;\r\n") : QByteArray("001;Old;\r\n"));
        QCOMPARE(QFile::exists(rig.program.filePath("data/05.00E-11034000-V-27500.csv")), replace);
    }

    void failedWriteLosesNothing()
    {
        Rig rig;
        MemoryScanTree first, second;
        addTransponder(first, "12000000", "H", "27500", {"001-Old"});
        QVERIFY(rig.save(first));
        // The DataFolder becomes a plain file: no service file can be written in it.
        QVERIFY(QDir(rig.program.filePath("data")).removeRecursively());
        QVERIFY(WriteFile(rig.program.filePath("data"), {}));

        addTransponder(second, "11034000", "V", "27500", {"001-New"});
        QVERIFY(!rig.save(second));
        QCOMPARE(rig.host.messages().size(), 2); // the question, then the error
        const Message &error = rig.host.messages()[1];
        QCOMPARE(error.title, QString("Error"));
        const QString line = "File " + rig.program.filePath("data/05.00E-11034000-V-27500.csv") +
                             " could not be written.\r\n";
        QVERIFY2(error.text.startsWith(line) && error.text.size() > line.size(), // the reason
                 qPrintable(error.text));
        QCOMPARE(rig.file("05.00E.csv"), QByteArray("12000000;H;27500;\r\n"));
        QCOMPARE(QDir(rig.program.path()).entryList(QDir::Files),
                 (QStringList{"05.00E.csv", "data"})); // no temporary file left behind
        QCOMPARE(rig.status.texts[0], QString());
    }
};

QTEST_GUILESS_MAIN(TestSaveScan)
#include "tst_savescan.moc"
