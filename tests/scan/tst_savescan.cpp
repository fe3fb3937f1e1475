#include "link/statuslabels.h"
#include "lists/catalogue.h"
#include "lists/listfile.h"
#include "lists/transponderlist.h"
#include "platform/virtualhost.h"
#include "scan/savescan.h"
#include "tests/support/memoryviews.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

namespace {

struct Labels : StatusLabels
{
    QString texts[5];
    QStringList history;
    QString text(int i) const override { return texts[i]; }
    void setText(int i, const QString &t) override
    {
        texts[i] = t;
        history << QString::number(i) + ':' + t;
    }
};

QByteArray readFile(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

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

struct NoList : TransponderList
{
    QStringList rows;
    QString currentFrequency() const override { return QString(); }
    void insertTransponders(int, const QList<TransponderEntry> &entries) override
    {
        for (const TransponderEntry &e : entries)
            rows << e.frequency + ' ' + e.polarisation + ' ' + e.symbolRate;
    }
    void makeCurrent(int) override {}
};

} // namespace

class TestSaveScan : public QObject
{
    Q_OBJECT

private slots:
    void savesTheExampleByteForByte()
    {
        QTemporaryDir program;
        MemoryScanTree tree;
        addTransponder(tree, "12000000", "H", "27500", {"001-Alpha", "002-Beta"});
        tree.add(0, "11778000|V", "11778000-V"); // found, not identified: not saved
        VirtualHost host;
        Labels status;
        QVERIFY(SaveScan(tree, "05.00E", program.path(), host, status));
        QCOMPARE(readFile(program.filePath("05.00E.csv")), QByteArray("12000000;H;27500;\r\n"));
        QCOMPARE(readFile(program.filePath("data/05.00E-12000000-H-27500.csv")),
                 QByteArray("001;Alpha;\r\n002;Beta;\r\n"));
        QCOMPARE(status.history, (QStringList{"0:Saving", "0:"}));
        QVERIFY(host.messages().isEmpty());
        QCOMPARE(QDir(program.path()).entryList(QDir::Files), QStringList{"05.00E.csv"});
    }

    void emptyTreeWritesNothing()
    {
        QTemporaryDir program;
        MemoryScanTree tree;
        VirtualHost host;
        Labels status;
        QVERIFY(!SaveScan(tree, "05.00E", program.path(), host, status));
        QVERIFY(QDir(program.path()).isEmpty());
        QVERIFY(status.history.isEmpty());
    }

    void positionThatIsNoFileNameWritesNothing_data()
    {
        QTest::addColumn<QString>("position");
        QTest::newRow("separator") << "../E";
        QTest::newRow("parent") << "..";
        QTest::newRow("backslash") << "a\\E";
        QTest::newRow("empty") << "";
    }
    void positionThatIsNoFileNameWritesNothing()
    {
        QFETCH(QString, position);
        QTemporaryDir root;
        QVERIFY(QDir(root.path()).mkpath("program"));
        const QString program = root.filePath("program");
        MemoryScanTree tree;
        addTransponder(tree, "12000000", "H", "27500", {"001-One"});
        VirtualHost host;
        Labels status;
        QVERIFY(!SaveScan(tree, position, program, host, status));
        QCOMPARE(host.messages().size(), 1);
        QCOMPARE(host.messages()[0].title, QString("Error"));
        QCOMPARE(QDir(root.path()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries),
                 QStringList{"program"});
        QVERIFY(QDir(program).isEmpty());
    }

    void informationOnlyGivesAnEmptyServiceFile()
    {
        QTemporaryDir program;
        MemoryScanTree tree;
        addTransponder(tree, "12000000", "H", "27500", {});
        VirtualHost host;
        Labels status;
        QVERIFY(SaveScan(tree, "05.00E", program.path(), host, status));
        QCOMPARE(readFile(program.filePath("data/05.00E-12000000-H-27500.csv")), QByteArray());
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
        QTemporaryDir program;
        VirtualHost host;
        Labels status;
        MemoryScanTree first;
        addTransponder(first, "12000000", "H", "27500", {"001-Old"});
        QVERIFY(SaveScan(first, "05.00E", program.path(), host, status));

        MemoryScanTree second;
        addTransponder(second, "12000000", "H", "27500", {"001-New"});
        addTransponder(second, "11034000", "V", "27500", {"001-Other"});
        host.queueAnswer(replace ? Message::AnsweredOk : Message::AnsweredCancel);
        status.history.clear();
        QCOMPARE(SaveScan(second, "05.00E", program.path(), host, status), replace);
        QCOMPARE(host.messages().size(), 1);
        const Message &ask = host.messages()[0];
        QCOMPARE(ask.title, QString("File exists"));
        QCOMPARE(ask.text, "File " + program.filePath("05.00E.csv") +
                               " already exists.\r\nDo you want to replace it ?");
        QCOMPARE(ask.buttons, Message::OkCancel);
        QCOMPARE(ask.icon, Message::NoIcon);
        QCOMPARE(status.texts[0], QString());
        QCOMPARE(readFile(program.filePath("05.00E.csv")),
                 replace ? QByteArray("12000000;H;27500;\r\n11034000;V;27500;\r\n")
                         : QByteArray("12000000;H;27500;\r\n"));
        QCOMPARE(readFile(program.filePath("data/05.00E-12000000-H-27500.csv")),
                 replace ? QByteArray("001;New;\r\n") : QByteArray("001;Old;\r\n"));
        QCOMPARE(QFile::exists(program.filePath("data/05.00E-11034000-V-27500.csv")), replace);
    }

    void failedWriteLosesNothing()
    {
        QTemporaryDir program;
        VirtualHost host;
        Labels status;
        MemoryScanTree first;
        addTransponder(first, "12000000", "H", "27500", {"001-Old"});
        // Only the list file stands: the DataFolder is a plain file, so no service file can be
        // written beside it.
        QVERIFY(SaveScan(first, "05.00E", program.path(), host, status));
        QVERIFY(QDir(program.filePath("data")).removeRecursively());
        QFile blocker(program.filePath("data"));
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        blocker.close();

        MemoryScanTree second;
        addTransponder(second, "11034000", "V", "27500", {"001-New"});
        QVERIFY(!SaveScan(second, "05.00E", program.path(), host, status));
        QCOMPARE(host.messages().size(), 2); // the question, then the error
        const Message &error = host.messages()[1];
        QCOMPARE(error.title, QString("Error"));
        QVERIFY2(error.text.startsWith("File " +
                                       program.filePath("data/05.00E-11034000-V-27500.csv") +
                                       " could not be written.\r\n"),
                 qPrintable(error.text));
        QVERIFY(error.text.size() > error.text.indexOf("\r\n") + 2); // the reason
        QCOMPARE(readFile(program.filePath("05.00E.csv")), QByteArray("12000000;H;27500;\r\n"));
        QCOMPARE(QDir(program.path()).entryList(QDir::Files),
                 (QStringList{"05.00E.csv", "data"})); // no temporary file left behind
        QCOMPARE(status.texts[0], QString());
    }

    void bandLResultsReadBack()
    {
        QTemporaryDir program;
        MemoryScanTree tree;
        addTransponder(tree, "975000", "V", "27500", {"001-L band"});
        addTransponder(tree, "11778000", "H", "4883", {"1000-Four digits"});
        addTransponder(tree, "1234000", "V", "27500", {});
        VirtualHost host;
        Labels status;
        QVERIFY(SaveScan(tree, "05.00E", program.path(), host, status));
        QCOMPARE(readFile(program.filePath("05.00E.csv")),
                 QByteArray("975000;V;27500;\r\n11778000;H;4883;\r\n1234000;V;27500;\r\n"));
        QCOMPARE(readFile(program.filePath("data/05.00E-11778000-H-4883.csv")),
                 QByteArray("1000;Four digits;\r\n"));
        // Placed in a DataFolder, the list reads back. A 7-digit frequency is whole in its
        // record; the reader's own rule (6 or 8 characters) is what refuses it, at line 3.
        QVERIFY(QFile::copy(program.filePath("05.00E.csv"), program.filePath("data/05.00E.csv")));
        NoList list;
        ReadListFile(program.filePath("data"), "05.00E.csv", list, host);
        QCOMPARE(list.rows, (QStringList{"975000 V 27500", "11778000 H 4883"}));
        QCOMPARE(host.messages().size(), 1);
        QCOMPARE(host.messages()[0].text, QString("Line: 3\r\nFormat error: frequency field (1)"));
    }
};

QTEST_GUILESS_MAIN(TestSaveScan)
#include "tst_savescan.moc"
