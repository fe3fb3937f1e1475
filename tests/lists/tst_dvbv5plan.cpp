#include "lists/dvbv5plan.h"

#include <QDir>
#include <QFile>
#include <QSet>
#include <QTest>

namespace {

const QString kPlans = QStringLiteral("/usr/share/dvb/dvb-s");
constexpr qint64 kKu = 10700000, kKuEnd = 12750000;

QByteArray readAll(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// "F P RATE" of each transponder read.
QStringList described(const Dvbv5Plan &plan)
{
    QStringList out;
    for (const PlanTransponder &t : plan.transponders)
        out << QString::number(t.frequency) + ' ' + t.polarisation + ' ' + t.rateText();
    return out;
}

} // namespace

class TestDvbv5Plan : public QObject
{
    Q_OBJECT

private slots:
    // Every plan of Debian's dtv-scan-tables reads, and each entry is accounted for: kept,
    // outside the band, a further stream or not for satellite; nothing goes unsaid.
    void everyPlanOfThePackageReads()
    {
        const QStringList files = QDir(kPlans).entryList(QDir::Files);
        if (files.isEmpty())
            QSKIP("dtv-scan-tables is not installed (scripts/test.sh installs it)");
        int entries = 0, kept = 0, outside = 0;
        for (const QString &name : files) {
            const QByteArray text = readAll(QDir(kPlans).filePath(name));
            const Dvbv5Plan plan = ReadDvbv5Plan(text, kKu, kKuEnd);
            QVERIFY2(plan.ok(), qPrintable(name + ": " + plan.error));
            QCOMPARE(plan.entries, int(text.count("\n[")) + (text.startsWith('[') ? 1 : 0));
            QCOMPARE(plan.transponders.size() + plan.outsideBand + plan.streams +
                         plan.notSatellite + plan.incomplete,
                     plan.entries);
            QCOMPARE(plan.incomplete, 0);
            QSet<QPair<qint64, char>> seen;
            for (const PlanTransponder &t : plan.transponders) {
                QVERIFY(t.frequency >= kKu && t.frequency < kKuEnd);
                QVERIFY(t.polarisation == 'H' || t.polarisation == 'V');
                QVERIFY2(!seen.contains({t.frequency, t.polarisation}), qPrintable(name));
                seen.insert({t.frequency, t.polarisation});
                QVERIFY(text.contains("= " + QByteArray::number(t.frequency)));
                QVERIFY(text.contains("= " + QByteArray::number(t.symbolRate)));
            }
            entries += plan.entries;
            kept += plan.transponders.size();
            outside += plan.outsideBand;
        }
        QCOMPARE(entries, 9498);
        // Counted apart, by hand, over the package of Debian 12.
        QCOMPARE(kept, 5869);
        QCOMPARE(outside, 3211);
    }

    // The reader's rules, each on a small plan.
    void rules_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<QStringList>("read");
        QTest::addColumn<QString>("summary"); // or the refusal, "line N: why"
        auto row = [](const char *name, const char *text, QStringList read, const char *summary) {
            QTest::newRow(name) << QByteArray(text) << read << QString(summary);
        };
        const char *hv = "[CHANNEL]\nFREQUENCY = 11000000\nPOLARIZATION = HORIZONTAL\n"
                         "SYMBOL_RATE = 27500000\n";
        row("one entry", hv, {"11000000 H 27500"}, "1 transponders");
        row("keys in any case, blanks around",
            "[Sky]\n\tfrequency=11000000\r\n  Polarization   =   VERTICAL \r\n"
            "Symbol_Rate = 22000000\r\n",
            {"11000000 V 22000"}, "1 transponders");
        row("circular as the LNB's voltage selects it",
            "[A]\nFREQUENCY = 11000000\nPOLARIZATION = LEFT\nSYMBOL_RATE = 27500000\n"
            "[B]\nFREQUENCY = 11020000\nPOLARIZATION = RIGHT\nSYMBOL_RATE = 27500000\n",
            {"11000000 H 27500", "11020000 V 27500"},
            "2 transponders; 2 circular (left read as H, right as V)");
        row("further streams of one transponder",
            "[A]\nFREQUENCY = 11000000\nPOLARIZATION = VERTICAL\nSYMBOL_RATE = 30000000\n"
            "STREAM_ID = 1\n[A]\nFREQUENCY = 11000000\nPOLARIZATION = VERTICAL\n"
            "SYMBOL_RATE = 30000000\nSTREAM_ID = 2\n",
            {"11000000 V 30000"}, "1 transponders; 1 further streams of a transponder listed");
        row("C band counted",
            "[A]\nFREQUENCY = 3880000\nPOLARIZATION = VERTICAL\nSYMBOL_RATE = 27500000\n", {},
            "0 transponders; 1 outside the band");
        row("band edges",
            "[A]\nFREQUENCY = 10700000\nPOLARIZATION = VERTICAL\nSYMBOL_RATE = 27500000\n"
            "[A]\nFREQUENCY = 12750000\nPOLARIZATION = VERTICAL\nSYMBOL_RATE = 27500000\n",
            {"10700000 V 27500"}, "1 transponders; 1 outside the band");
        row("terrestrial entry",
            "[A]\nDELIVERY_SYSTEM = DVBT\nFREQUENCY = 11000000\nPOLARIZATION = VERTICAL\n"
            "SYMBOL_RATE = 27500000\n",
            {}, "0 transponders; 1 not for satellite");
        row("a rate that is no whole kS/s",
            "[A]\nFREQUENCY = 11000000\nPOLARIZATION = VERTICAL\nSYMBOL_RATE = 2963500\n",
            {"11000000 V 2963.5"}, "1 transponders");
        row("no rate", "[A]\nFREQUENCY = 11000000\nPOLARIZATION = VERTICAL\n", {},
            "0 transponders; 1 without a frequency, polarisation or rate");
        row("binary", "[A]\nFREQUENCY = 1\0", {}, "line 0: a binary file, not a DVBv5 plan");
        row("empty", "", {}, "line 0: no [NAME] entry: not a DVBv5 plan");
        row("a list file", "11000000;H;27500;\r\n", {}, "line 1: neither [NAME] nor KEY = VALUE");
        row("a key before any block", "FREQUENCY = 11000000\n[A]\n", {},
            "line 1: KEY = VALUE before the first [NAME]");
    }
    void rules()
    {
        QFETCH(QByteArray, text);
        QFETCH(QStringList, read);
        QFETCH(QString, summary);
        if (QByteArray(QTest::currentDataTag()) == "binary")
            text.append('\0'); // the literal's own terminator is not part of it
        const Dvbv5Plan plan = ReadDvbv5Plan(text, kKu, kKuEnd);
        QCOMPARE(described(plan), read);
        QCOMPARE(plan.ok() ? plan.summary()
                           : QString("line %1: %2").arg(plan.errorLine).arg(plan.error),
                 summary);
    }
};

QTEST_GUILESS_MAIN(TestDvbv5Plan)
#include "tst_dvbv5plan.moc"
