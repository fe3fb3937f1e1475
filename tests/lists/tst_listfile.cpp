#include "lists/catalogue.h"
#include "lists/listfile.h"
#include "testsupport/memoryviews.h"
#include "testsupport/writefile.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

class TestListFile : public QObject
{
    Q_OBJECT

private slots:
    void nameRule()
    {
        for (const char *name : {"5.00E.csv", "19.20W.csv", "-1.00W.csv", "5.00E.csv.bak"})
            QVERIFY2(IsListFileName(name), name);
        for (const char *name :
             {"13.5E.csv", "13.00e.csv", "13.00E.CSV", "1000E.csv", "5.00E-12000000-H-27500.csv",
              "ab.00E.csv", "5.0xE.csv", "1.00E.csvW.csv"})
            QVERIFY2(!IsListFileName(name), name);
    }

    void reader_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<int>("rows");
        QTest::addColumn<QString>("message"); // empty: none
        auto row =
            [](const char *name, QByteArray content, int rows, int line, QString field) {
                const QString error = field.isEmpty() ? "not enough field items" : field;
                QTest::newRow(name)
                    << content << rows
                    << (line ? QString("Line: %1\r\nFormat error: %2").arg(line).arg(error)
                             : QString());
            };
        row("every line end, extra fields",
            "12000000;H;27500;\r\n950000;V;4883;\n"
            "11000000;H;45000000;x;y\r12000000;H;27500",
            4, 0, "");
        row("extra line end at the end", "12000000;H;27500;\r\n\r\n", 1, 2, "");
        row("seven-digit frequency", "1234000;H;27500;", 0, 1, "frequency field (1)");
        row("frequency checked before rate", "1200000x;h;abc;", 0, 1, "frequency field (1)");
        row("rate checked before polarisation", "12000000;h;45000001;", 0, 1,
            "symbol rate field (3)");
        row("rate beyond a double", "12000000;H;2753e2001;", 0, 1, "symbol rate field (3)");
        row("frequency in exponent form", "1.1034e7;V;27500;", 0, 1, "frequency field (1)");
        row("negative frequency", "-1234567;V;27500;", 0, 1, "frequency field (1)");
        row("rate with a fraction", "12000000;H;27500;\r\n11000000;H;2963.5;", 2, 0, "");
        row("rate ending in a point", "12000000;H;27500.;", 0, 1, "symbol rate field (3)");
        row("frequency with a fraction", "120000.5;H;27500;", 0, 1, "frequency field (1)");
        row("negative rate", "12000000;H;-5;", 0, 1, "symbol rate field (3)");
        row("rate of zero", "12000000;H;0000;", 0, 1, "symbol rate field (3)");
        row("twenty-digit rate", "12000000;H;00000000000045000001;", 0, 1, "symbol rate field (3)");
        row("bad third line keeps two rows",
            "12000000;H;27500;\r\n950000;V;4883;\r\n11000000;v;22000;\r\n", 2, 3,
            "polarisation field (2)");
        row("one megabyte line", QByteArray(1 << 20, 'x'), 0, 1, "");
    }
    void reader()
    {
        QFETCH(QByteArray, content);
        QFETCH(int, rows);
        QFETCH(QString, message);
        QTemporaryDir dir;
        QVERIFY(WriteFile(dir.filePath("5.00E.csv"), content));
        const ListFileResult r = ReadListFile(dir.path(), "5.00E.csv");
        QVERIFY(r.opened);
        QCOMPARE(r.rows, rows);
        QCOMPARE(RowTexts(r.entries).value(0, "5.00E 12000000 H 27500"), "5.00E 12000000 H 27500");
        const std::optional<Message> told = ListFileMessage("5.00E.csv", r);
        QCOMPARE(told.has_value(), !message.isEmpty());
        if (told)
            QCOMPARE(told->title + '|' + told->text, "File: 5.00E.csv|" + message);
    }

    void catalogueReadsListFilesOnly()
    {
        QTemporaryDir program;
        const QString data = DataFolder(program.path());
        const TransponderRows none = LoadTransponderLists(program.path());
        QVERIFY(none.rows.isEmpty() && none.problems.size() == 1);
        QCOMPARE(none.problems[0].title + '|' + none.problems[0].text,
                 QString("Configuration error|Data directory not found.\r\nCreating it."));
        QVERIFY(QDir(data).exists());

        QVERIFY(WriteFile(data + "/5.00E.csv", "11000000;H;27500;\r\n11100000;V;22000;\r\n"));
        QVERIFY(WriteFile(data + "/19.20W.csv", "950000;V;4883;\r\nbad\r\n"));
        QVERIFY(WriteFile(data + "/5.00E-11000000-H-27500.csv", "001;Name;\r\n"));
        QVERIFY(WriteFile(data + "/1E.csv", "junk"));
        const TransponderRows list = LoadTransponderLists(program.path(), "950000");
        // 19.20W.csv is read first, then 5.00E.csv, whose rows go in ahead of it.
        QCOMPARE(RowTexts(list.rows),
                 (QStringList{"5.00E 11000000 H 27500", "5.00E 11100000 V 22000",
                              "19.20W 950000 V 4883"}));
        QCOMPARE(list.problems.size(), 1);
        QCOMPARE(list.problems[0].title, QString("File: 19.20W.csv"));
        QCOMPARE(list.current, QList<int>{3}); // 19.20W.csv's first, behind 5.00E.csv's two
#ifdef Q_OS_UNIX
        // A list file's name on an endless device is reported, not read for ever.
        QVERIFY(QFile::link("/dev/zero", data + "/20.00E.csv"));
        const ListFileResult endless = ReadListFile(data, "20.00E.csv");
        QVERIFY(!endless.opened);
        QCOMPARE(ListFileMessage("20.00E.csv", endless)->text,
                 QString("Not a regular file: it is not read."));
#endif
    }
};

QTEST_GUILESS_MAIN(TestListFile)
#include "tst_listfile.moc"
