#include "lists/catalogue.h"
#include "lists/listfile.h"
#include "lists/transponderlist.h"
#include "platform/virtualhost.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

namespace {

// The transponder list in memory: rows as "position frequency polar rate", and the positions
// made current, in order.
struct MemoryList : TransponderList
{
    QStringList rows;
    QList<int> current;
    QString gFrq;
    QString currentFrequency() const override { return gFrq; }
    void insertTransponders(int position, const QList<TransponderEntry> &entries) override
    {
        for (const TransponderEntry &e : entries)
            rows.insert(
                position++ - 1,
                QStringList{e.position, e.frequency, e.polarisation, e.symbolRate}.join(' '));
    }
    void makeCurrent(int position) override { current << position; }
};

void writeFile(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

} // namespace

class TestListFile : public QObject
{
    Q_OBJECT

private slots:
    void nameRule_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("isList");
        QTest::newRow("east") << "5.00E.csv" << true;
        QTest::newRow("west") << "19.20W.csv" << true;
        QTest::newRow("signed") << "-1.00W.csv" << true;
        QTest::newRow("anywhere in the name") << "5.00E.csv.bak" << true;
        QTest::newRow("one decimal") << "13.5E.csv" << false;
        QTest::newRow("lower-case letter") << "13.00e.csv" << false;
        QTest::newRow("upper-case extension") << "13.00E.CSV" << false;
        QTest::newRow("service file") << "5.00E-12000000-H-27500.csv" << false;
        QTest::newRow("no point") << "1000E.csv" << false;
        QTest::newRow("letters before") << "ab.00E.csv" << false;
        QTest::newRow("both letters") << "1.00E.csvW.csv" << false;
    }
    void nameRule()
    {
        QFETCH(QString, name);
        QFETCH(bool, isList);
        QCOMPARE(IsListFileName(name), isList);
    }

    void reader_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QStringList>("rows");
        QTest::addColumn<QString>("message"); // empty: none
        const QString row = "5.00E 12000000 H 27500";
        QTest::newRow("empty file") << QByteArray() << QStringList{} << "";
        QTest::newRow("as written")
            << QByteArray("12000000;H;27500;\r\n") << QStringList{row} << "";
        QTest::newRow("no closing separator")
            << QByteArray("12000000;H;27500") << QStringList{row} << "";
        QTest::newRow("extra fields")
            << QByteArray("12000000;H;27500;x;y\r\n") << QStringList{row} << "";
        QTest::newRow("lone LF and lone CR")
            << QByteArray("12000000;H;27500;\n950000;V;4883;\r11000000;H;22000;")
            << QStringList{row, "5.00E 950000 V 4883", "5.00E 11000000 H 22000"} << "";
        QTest::newRow("extra line end at the end")
            << QByteArray("12000000;H;27500;\r\n\r\n") << QStringList{row}
            << "Line: 2\r\nFormat error: not enough field items";
        QTest::newRow("blank first line") << QByteArray("\r\n12000000;H;27500;") << QStringList{}
                                          << "Line: 1\r\nFormat error: not enough field items";
        QTest::newRow("single separator") << QByteArray(";") << QStringList{}
                                          << "Line: 1\r\nFormat error: not enough field items";
        QTest::newRow("seven characters") << QByteArray("1234000;H;27500;") << QStringList{}
                                          << "Line: 1\r\nFormat error: frequency field (1)";
        QTest::newRow("nine characters") << QByteArray("012000000;H;27500;") << QStringList{}
                                         << "Line: 1\r\nFormat error: frequency field (1)";
        QTest::newRow("frequency before rate") << QByteArray("1200000x;h;abc;") << QStringList{}
                                               << "Line: 1\r\nFormat error: frequency field (1)";
        QTest::newRow("rate before polarisation")
            << QByteArray("12000000;h;45000001;") << QStringList{}
            << "Line: 1\r\nFormat error: symbol rate field (3)";
        QTest::newRow("rate with exponent over")
            << QByteArray("12000000;H;4.5000001E7;") << QStringList{}
            << "Line: 1\r\nFormat error: symbol rate field (3)";
        QTest::newRow("rate beyond a double")
            << QByteArray("12000000;H;2753e2001;") << QStringList{}
            << "Line: 1\r\nFormat error: symbol rate field (3)";
        QTest::newRow("rate with leading point")
            << QByteArray("12000000;H;.5;") << QStringList{"5.00E 12000000 H .5"} << "";
        QTest::newRow("highest rate")
            << QByteArray("12000000;H;45000000;") << QStringList{"5.00E 12000000 H 45000000"} << "";
        QTest::newRow("blank inside the rate") << QByteArray("12000000;H;27 500;") << QStringList{}
                                               << "Line: 1\r\nFormat error: symbol rate field (3)";
        QTest::newRow("lower-case polarisation")
            << QByteArray("12000000;v;27500;") << QStringList{}
            << "Line: 1\r\nFormat error: polarisation field (2)";
        QTest::newRow("bad third line keeps two rows")
            << QByteArray("12000000;H;27500;\r\n950000;V;4883;\r\n11000000;X;22000;\r\n")
            << QStringList{row, "5.00E 950000 V 4883"}
            << "Line: 3\r\nFormat error: polarisation field (2)";
        QTest::newRow("binary") << QByteArray("\0\xff\x01;\x80\0;;\xfe", 9) << QStringList{}
                                << "Line: 1\r\nFormat error: frequency field (1)";
        QTest::newRow("one megabyte line") << QByteArray(1 << 20, 'x') << QStringList{}
                                           << "Line: 1\r\nFormat error: not enough field items";
    }
    void reader()
    {
        QFETCH(QByteArray, content);
        QFETCH(QStringList, rows);
        QFETCH(QString, message);
        QTemporaryDir dir;
        writeFile(dir.filePath("5.00E.csv"), content);
        VirtualHost host;
        MemoryList list;
        const ListFileResult r = ReadListFile(dir.path(), "5.00E.csv", list, host);
        QVERIFY(r.opened);
        QCOMPARE(list.rows, rows);
        if (message.isEmpty()) {
            QVERIFY(host.messages().isEmpty());
            return;
        }
        QCOMPARE(host.messages().size(), 1);
        QCOMPARE(host.messages()[0].title, QString("File: 5.00E.csv"));
        QCOMPARE(host.messages()[0].text, message);
        QCOMPARE(host.messages()[0].icon, Message::NoIcon);
    }

    void unreadableFileIsPassedOverSilently()
    {
        QTemporaryDir dir;
        QVERIFY(QDir(dir.path()).mkdir("5.00E.csv")); // a folder where the file should be
        VirtualHost host;
        MemoryList list;
        QVERIFY(!ReadListFile(dir.path(), "5.00E.csv", list, host).opened);
        QVERIFY(!ReadListFile(dir.path(), "7.00E.csv", list, host).opened);
        QVERIFY(host.messages().isEmpty());
        QVERIFY(list.rows.isEmpty());
    }

    void currentFrequencyRows()
    {
        QTemporaryDir dir;
        writeFile(dir.filePath("5.00E.csv"),
                  "11000000;H;27500;\r\n12000000;V;27500;\r\n12000000;H;22000;\r\n");
        VirtualHost host;
        MemoryList list;
        list.gFrq = "12000000";
        ReadListFile(dir.path(), "5.00E.csv", list, host);
        QCOMPARE(list.current, (QList<int>{2, 3})); // the last one stays selected
    }

    void longFileKeepsCounting()
    {
        QTemporaryDir dir;
        QByteArray content = QByteArray("12000000;H;27500;\r\n").repeated(40000);
        content += "bad\r\n";
        writeFile(dir.filePath("5.00E.csv"), content);
        VirtualHost host;
        MemoryList list;
        const ListFileResult r = ReadListFile(dir.path(), "5.00E.csv", list, host);
        QCOMPARE(r.rows, 40000);
        QCOMPARE(host.messages()[0].text,
                 QString("Line: 40001\r\nFormat error: not enough field items"));
    }

    void catalogueReadsListFilesOnly()
    {
        QTemporaryDir program;
        const QString data = DataFolder(program.path());
        QCOMPARE(data, program.path() + "/data");
        VirtualHost host;
        MemoryList list;

        LoadTransponderLists(program.path(), list, host);
        QCOMPARE(host.messages().size(), 1);
        QCOMPARE(host.messages()[0].title, QString("Configuration error"));
        QCOMPARE(host.messages()[0].text, QString("Data directory not found.\r\nCreating it."));
        QVERIFY(QDir(data).exists());
        QVERIFY(list.rows.isEmpty());

        writeFile(data + "/5.00E.csv", "11000000;H;27500;\r\n11100000;V;22000;\r\n");
        writeFile(data + "/19.20W.csv", "950000;V;4883;\r\nbad\r\n");
        writeFile(data + "/5.00E-11000000-H-27500.csv", "001;Name;\r\n");
        writeFile(data + "/E.csv", "junk");
        writeFile(data + "/1E.csv", "junk");
        LoadTransponderLists(program.path(), list, host);
        // 19.20W.csv is read first, then 5.00E.csv, whose rows go in ahead of it.
        QCOMPARE(list.rows, (QStringList{"5.00E 11000000 H 27500", "5.00E 11100000 V 22000",
                                         "19.20W 950000 V 4883"}));
        QCOMPARE(host.messages().size(), 2);
        QCOMPARE(host.messages()[1].title, QString("File: 19.20W.csv"));
    }

    void recordsReadBack()
    {
        const TransponderEntry e{"5.00E", "12000000", "H", "27500"};
        QCOMPARE(ListRecord(e), QByteArray("12000000;H;27500;\r\n"));
        QCOMPARE(ServiceFileName(e), QString("5.00E-12000000-H-27500.csv"));
        QCOMPARE(ServiceLine("007-Canal Azur"), QByteArray("007;Canal Azur;\r\n"));
        QCOMPARE(ServiceLine("012-"), QByteArray("012;;\r\n"));
        QCOMPARE(ServiceLine("1000-A-B"), QByteArray("1000;A-B;\r\n"));

        QTemporaryDir dir;
        writeFile(dir.filePath("5.00E.csv"),
                  ListRecord(e) + ListRecord({"5.00E", "950000", "V", "4883"}));
        VirtualHost host;
        MemoryList list;
        ReadListFile(dir.path(), "5.00E.csv", list, host);
        QCOMPARE(list.rows, (QStringList{"5.00E 12000000 H 27500", "5.00E 950000 V 4883"}));
        QVERIFY(host.messages().isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestListFile)
#include "tst_listfile.moc"
