#include "link/linkstate.h"
#include "link/protocol_mssl.h"
#include "link/statuslabels.h"
#include "platform/memoryport.h"
#include "platform/virtualhost.h"
#include "tests/support/memoryscantree.h"
#include "tests/support/simulatedreceiver.h"

#include <QTest>

#include <functional>

namespace {

struct Labels : StatusLabels
{
    QString texts[5];
    QStringList history; // "index:text" of every change
    QString text(int i) const override { return texts[i]; }
    void setText(int i, const QString &t) override
    {
        texts[i] = t;
        history << QString::number(i) + ':' + t;
    }
    void sweepCut(const QString &pol, const QString &f) override { history << "cut:" + pol + f; }
};

// A receiver scripted per frequency: level and margin of the sweep, lock, services and names.
struct ScanRig
{
    VirtualHost host;
    MemoryPort port{host};
    LinkState link{port, host};
    Protocol_MsSl driver{link};
    Labels status;
    MemoryScanTree tree;
    bool run = true;

    qint64 tuned = 0;
    QByteArray polar = "14";
    // Signal at a frequency on the tuned polarisation: {level, margin}; empty: none.
    std::function<QPair<QByteArray, QByteArray>(qint64)> signal = [](qint64) {
        return QPair<QByteArray, QByteArray>();
    };
    std::function<QByteArray(qint64)> sigq = [](qint64) { return QByteArray("00"); };
    int services = 0;
    std::function<QByteArray(int service, int pass)> name = [](int s, int) {
        return "Name " + QByteArray::number(s);
    };
    int lastName = 0;
    int namePass = 0;

    ScanRig()
    {
        port.open();
        link.Bnd = 1;
        driver.setAdr(129);
        port.onWrite = [this](const QByteArray &frame) { port.feedAfter(1, answer(frame)); };
    }

    QByteArray answer(const QByteArray &frame)
    {
        const int open = int(frame.indexOf('{')), eq = int(frame.indexOf('='));
        const QByteArray code = frame.mid(open + 1, eq - open - 1);
        const QByteArray value = frame.mid(eq + 1, frame.size() - eq - 2);
        auto reply = [&](const QByteArray &v) { return "\x81{" + code + '=' + v + '}'; };
        if (value != "?") {
            if (code == "Tfrq")
                tuned = value.toLongLong();
            else if (code == "LNBp")
                polar = value;
            else if (code == "Snam") {
                if (value.toInt() == 1)
                    ++namePass;
                lastName = value.toInt();
            }
            return reply("OK");
        }
        const QPair<QByteArray, QByteArray> s = signal(tuned);
        if (code == "Tfrq")
            return reply(QByteArray::number(tuned));
        if (code == "Slvl")
            return reply(s.first.isEmpty() ? "-??.??" : s.first);
        if (code == "Lnmr")
            return reply(s.second.isEmpty() ? "-??.?" : s.second);
        if (code == "Sigq")
            return reply(sigq(tuned));
        if (code == "Snam")
            return reply(lastName == 257 ? "Srvc_Mx:" + QByteArray::number(services)
                                         : name(lastName, namePass));
        if (code == "LNBp")
            return reply(polar);
        if (code == "Fend")
            return reply("Null");
        return reply("");
    }

    // Frames of one code sent so far.
    QByteArrayList sent(const QByteArray &code) const
    {
        QByteArrayList out;
        for (const QByteArray &w : port.writes()) {
            if (w.contains("{" + code + "="))
                out << w.mid(1);
        }
        return out;
    }
};

using Signal = QMap<qint64, QPair<QByteArray, QByteArray>>;

} // namespace

class TestScan : public QObject
{
    Q_OBJECT

private slots:
    void sweep_data()
    {
        QTest::addColumn<int>("band");
        QTest::addColumn<Signal>("signal");
        QTest::addColumn<QStringList>("tree");
        QTest::newRow("one carrier at its best score")
            << 1
            << Signal{{11776000, {"-46.0", "5.0"}},
                      {11777000, {"-45.0", "5.1"}},
                      {11778000, {"-44.0", "5.2"}},
                      {11779000, {"-45.0", "5.1"}},
                      {11780000, {"-46.0", "5.0"}}}
            << QStringList{"11778000-V [11778000|V]", "  Margin:5.2 [11778000|V|5.2]"};
        QTest::newRow("equal scores keep the lower frequency")
            << 1 << Signal{{11776000, {"-40.0", "5.0"}}, {11777000, {"-40.0", "5.0"}}}
            << QStringList{"11776000-V [11776000|V]", "  Margin:5.0 [11776000|V|5.0]"};
        QTest::newRow("a -5.0 margin does not split a carrier")
            << 1
            << Signal{{11776000, {"-45.0", "3.0"}},
                      {11777000, {"-45.0", "-5.0"}},
                      {11778000, {"-45.0", "4.0"}}}
            << QStringList{"11778000-V [11778000|V]", "  Margin:4.0 [11778000|V|4.0]"};
        QTest::newRow("-4.1 still counts")
            << 1 << Signal{{11776000, {"-30.0", "-4.1"}}}
            << QStringList{"11776000-V [11776000|V]", "  Margin:-4.1 [11776000|V|-4.1]"};
        QTest::newRow("closed by a missing margin")
            << 1
            << Signal{{11776000, {"-45.0", "2.0"}},
                      {11777000, {"-50.0", ""}},
                      {11778000, {"-45.0", "3.0"}}}
            << QStringList{"11776000-V [11776000|V]", "  Margin:2.0 [11776000|V|2.0]",
                           "11778000-V [11778000|V]", "  Margin:3.0 [11778000|V|3.0]"};
        QTest::newRow("band L, nothing") << 0 << Signal{} << QStringList{};
        QTest::newRow("carrier at the end of the band")
            << 1 << Signal{{12748000, {"-45.0", "2.0"}}, {12749000, {"-44.0", "2.5"}}}
            << QStringList{"12749000-V [12749000|V]", "  Margin:2.5 [12749000|V|2.5]"};
    }
    void sweep()
    {
        QFETCH(int, band);
        QFETCH(Signal, signal);
        QFETCH(QStringList, tree);
        ScanRig rig;
        rig.link.Bnd = quint8(band);
        rig.signal = [&](qint64 f) { return signal.value(f); };
        qint32 totalDuring = -1;
        rig.port.onRead = [&](int) { totalDuring = qMax(totalDuring, rig.driver.scanTotal()); };
        QCOMPARE(rig.driver.RunScanLocal("V", rig.status, rig.tree, rig.run), !tree.isEmpty());
        QCOMPARE(rig.tree.dump(), tree);
        const int steps = band == 1 ? 2050 : 1200;
        const QByteArray first = band == 1 ? "{Tfrq=10700000}" : "{Tfrq=950000}";
        const QByteArray last = band == 1 ? "{Tfrq=12749000}" : "{Tfrq=2149000}";
        const QByteArray end = band == 1 ? "{Tfrq=12750000}" : "{Tfrq=2150000}";
        QCOMPARE(totalDuring, steps);
        QCOMPARE(rig.driver.scanTotal(), 0);
        QCOMPARE(rig.driver.scanDone(), steps);
        QCOMPARE(rig.sent("Tfrq").first(), first);
        QCOMPARE(rig.sent("Tfrq").last(), QByteArray("{Tfrq=?}"));
        QVERIFY(rig.sent("Tfrq").contains(last) && !rig.sent("Tfrq").contains(end));
        QCOMPARE(rig.sent("LNBp").first(), QByteArray("{LNBp=?}"));
        QCOMPARE(rig.status.texts[0], QString("Done"));
        QCOMPARE(rig.status.texts[3], QString());
    }

    void unconfirmedTuningEndsTheSweep()
    {
        ScanRig rig;
        auto answer = rig.port.onWrite;
        rig.port.onWrite = [&](const QByteArray &f) {
            if (f.contains("{Tfrq=?}"))
                rig.port.feedAfter(1, "\x81{Tfrq=950000}"); // never what was asked
            else
                answer(f);
        };
        QVERIFY(!rig.driver.RunScanLocal("V", rig.status, rig.tree, rig.run));
        QCOMPARE(rig.sent("Tfrq").count("{Tfrq=?}"), 21); // first try and 20 repetitions
        QCOMPARE(rig.status.texts[0], QString("No tuning at 10700000"));
        QVERIFY(rig.status.history.contains("cut:V10700000"));
        QCOMPARE(rig.driver.scanTotal(), 0);
    }

    void stopDuringTheSweep()
    {
        ScanRig rig;
        rig.host.after(5000, [&] { rig.run = false; });
        rig.driver.SetScanLocal(rig.status, rig.tree, rig.run);
        const int tunings = int(rig.sent("Tfrq").size());
        QVERIFY2(tunings > 10 && tunings < 2 * 2050, qPrintable(QString::number(tunings)));
        QCOMPARE(rig.driver.scanTotal(), 0);
        // The second sweep starts and ends at once; the receiver is set back.
        QCOMPARE(rig.sent("AStp").last(), QByteArray("{AStp=ON}"));
        QCOMPARE(rig.sent("Vnpd").last(), QByteArray("{Vnpd=ON}"));
    }

    void testRun_emptyTree()
    {
        ScanRig rig;
        QVERIFY(rig.driver.RunTestLocal("27500", rig.status, rig.tree, rig.run, true));
        QVERIFY(rig.port.writes().isEmpty());
        QVERIFY(rig.status.history.isEmpty());
    }

    void testRun_noMarginWithoutRescan()
    {
        ScanRig rig;
        rig.tree.add(0, "11778000|V", "11778000-V");
        QVERIFY(!rig.driver.RunTestLocal("27500", rig.status, rig.tree, rig.run, false));
        QCOMPARE(rig.sent("Tfrq"), QByteArrayList{"{Tfrq=11778000}"});
        QVERIFY(rig.sent("Sigq").isEmpty());
        QCOMPARE(rig.tree.dump(), QStringList{"11778000-V [11778000|V]"});
        QCOMPARE(rig.status.texts[0], QString("Done"));
    }

    void testRun_rescanFindsTheNeighbour()
    {
        ScanRig rig;
        rig.tree.add(rig.tree.add(0, "11778000|V", "11778000-V"), "11778000|V|5.2", "Margin:5.2");
        rig.signal = [](qint64 f) {
            if (f == 11775000 || f == 11778000)
                return QPair<QByteArray, QByteArray>("-44.0", f == 11775000 ? "6.1" : "-0.2");
            return QPair<QByteArray, QByteArray>();
        };
        rig.sigq = [](qint64 f) { return f == 11775000 ? QByteArray("0") : QByteArray("00"); };
        rig.services = 2;
        QVERIFY(rig.driver.RunTestLocal("27500", rig.status, rig.tree, rig.run, true));
        QCOMPARE(rig.sent("Tfrq"),
                 (QByteArrayList{"{Tfrq=11778000}", "{Tfrq=11772000}", "{Tfrq=11775000}"}));
        QCOMPARE(rig.tree.dump(), (QStringList{"11775000-V-27500 [11775000|V|27500] bold",
                                               "  Margin:6.1 [11778000|V|27500|6.1]",
                                               "  Services:2 [11775000-V-27500|2]",
                                               "  001-Name 1 [11775000-V-27500#001-Name 1]",
                                               "  002-Name 2 [11775000-V-27500#002-Name 2]"}));
        QCOMPARE(rig.tree.selections, QList<int>{1});
    }

    void demoSatellite_onlyARescanFindsTheOffsetCarrier()
    {
        SimulatedReceiver rx;
        rx.host.setPassCostUs(200);
        rx.port.open();
        rx.link.Bnd = 1;
        Protocol_MsSl driver{rx.link};
        driver.setAdr(129);
        Labels status;
        MemoryScanTree tree;
        bool run = true;
        driver.SetScanLocal(status, tree, run);
        // The sweep sees Vega 3 MHz above the frequency it locks at.
        QVERIFY(tree.byKey.contains("11541000|V"));
        driver.RunTestLocal("30000", status, tree, run, false);
        QVERIFY(tree.byKey.contains("11541000|V"));
        driver.RunTestLocal("30000", status, tree, run, true);
        QVERIFY(tree.byKey.contains("11538000|V|30000"));
        QVERIFY(tree.byKey.contains("11538000-V-30000#001-Vega Uno"));
    }

    void testRun_stopWhileServicesAreCountedKeepsTheIdentification()
    {
        ScanRig rig;
        rig.tree.add(0, "11778000|V", "11778000-V");
        rig.tree.add(0, "11900000|V", "11900000-V");
        rig.signal = [](qint64) { return QPair<QByteArray, QByteArray>("-44.0", "3.0"); };
        rig.sigq = [](qint64) { return QByteArray("80"); };
        rig.services = 2;
        auto answer = rig.port.onWrite;
        rig.port.onWrite = [&](const QByteArray &f) {
            rig.run = rig.run && !f.endsWith("{Snam=257}");
            answer(f);
        };
        QVERIFY(!rig.driver.RunTestLocal("27500", rig.status, rig.tree, rig.run, false));
        // One pass over the names, then the run ends: the names are not added.
        QCOMPARE(rig.namePass, 1);
        QCOMPARE(rig.tree.dump(),
                 (QStringList{"11778000-V-27500 [11778000|V|27500] bold",
                              "  Services:2 [11778000-V-27500|2]", "11900000-V [11900000|V]"}));
        QVERIFY(rig.driver.OneFound(rig.tree));
    }

    void testRun_lockNeedsANumberOtherThan00_data()
    {
        QTest::addColumn<QByteArray>("quality");
        QTest::addColumn<bool>("locked");
        QTest::newRow("0") << QByteArray("0") << true;
        QTest::newRow("57") << QByteArray("57") << true;
        QTest::newRow("00") << QByteArray("00") << false;
        QTest::newRow("empty") << QByteArray() << false;
        QTest::newRow("text") << QByteArray("NO") << false;
    }
    void testRun_lockNeedsANumberOtherThan00()
    {
        QFETCH(QByteArray, quality);
        QFETCH(bool, locked);
        ScanRig rig;
        rig.tree.add(0, "11778000|V", "11778000-V");
        rig.signal = [](qint64) { return QPair<QByteArray, QByteArray>("-44.0", "3.0"); };
        rig.sigq = [&](qint64) { return quality; };
        rig.services = 1;
        QCOMPARE(rig.driver.RunTestLocal("27500", rig.status, rig.tree, rig.run, false), locked);
        QCOMPARE(rig.sent("Sigq").size(), locked ? 1 : 80);
        if (!locked)
            QVERIFY(rig.status.history.contains("4:DVB |") &&
                    rig.status.history.contains("4:DVB -"));
    }

    void testRun_namePassesWithAPlaceholder()
    {
        ScanRig rig;
        rig.tree.add(0, "11778000|V", "11778000-V");
        rig.signal = [](qint64) { return QPair<QByteArray, QByteArray>("-44.0", "3.0"); };
        rig.sigq = [](qint64) { return QByteArray("80"); };
        rig.services = 5;
        rig.name = [](int s, int) {
            return s == 3 ? QByteArray("Service:0003") : "Name " + QByteArray::number(s);
        };
        QVERIFY(rig.driver.RunTestLocal("27500", rig.status, rig.tree, rig.run, false));
        QCOMPARE(rig.namePass, 6);
        QCOMPARE(rig.tree.dump().mid(1),
                 (QStringList{"  Services:5 [11778000-V-27500|5]",
                              "  001-Name 1 [11778000-V-27500#001-Name 1]",
                              "  002-Name 2 [11778000-V-27500#002-Name 2]",
                              "  003- [11778000-V-27500#003-]", "  004- [11778000-V-27500#004-]",
                              "  005- [11778000-V-27500#005-]"}));
    }

    void testRun_secondTransponderOnTheSameKeyStaysFound()
    {
        ScanRig rig;
        rig.tree.add(0, "11778000|V|27500", "11778000-V-27500");
        rig.tree.add(0, "11772000|V", "11772000-V");
        rig.signal = [](qint64 f) {
            return f == 11778000 ? QPair<QByteArray, QByteArray>("-44.0", "3.0")
                                 : QPair<QByteArray, QByteArray>();
        };
        rig.sigq = [](qint64) { return QByteArray("80"); };
        rig.services = 1;
        QVERIFY(!rig.driver.RunTestLocal("27500", rig.status, rig.tree, rig.run, true));
        QCOMPARE(rig.tree.key(2), QString("11772000|V")); // not a second 11778000|V|27500
        QCOMPARE(rig.tree.count(), 2);
    }

    void setSelected_data()
    {
        QTest::addColumn<QString>("key");
        QTest::addColumn<QByteArrayList>("sets");
        auto row = [](const char *name, QString key, QByteArrayList sets) {
            QTest::newRow(name) << key << sets;
        };
        row("band Ku", "11778000-V-27500#003-Canal Azur",
            {"{LNBp=14}", "{Sfrq=27500.00}", "{Tfrq=11778000}", "{Rstp=003}"});
        row("rate 4883", "11778000-H-4883#001-Feed",
            {"{LNBp=18}", "{Sfrq=04883.00}", "{Tfrq=11778000}", "{Rstp=001}"});
        row("band L", "1234000-V-27500#012-Name-with-dashes",
            {"{LNBp=14}", "{Sfrq=27500.00}", "{Tfrq=1234000}", "{Rstp=012}"});
        row("transponder node", "11778000|V|27500", {});
        row("count node", "11778000-V-27500|2", {});
    }
    void setSelected()
    {
        QFETCH(QString, key);
        QFETCH(QByteArrayList, sets);
        ScanRig rig;
        rig.polar = "13"; // neither: the polarisation is always set
        auto answer = rig.port.onWrite;
        rig.port.onWrite = [&](const QByteArray &f) {
            if (f.contains("{Sfrq=?}"))
                rig.port.feedAfter(1, "\x81{Sfrq=00001.00}");
            else
                answer(f);
        };
        rig.tree.select(rig.tree.add(0, key, key));
        QVERIFY(!rig.driver.SetSelected(rig.tree, 1));
        QByteArrayList setsSent;
        for (const QByteArray &w : rig.port.writes()) {
            if (!w.endsWith("=?}"))
                setsSent << w.mid(1);
        }
        QCOMPARE(setsSent, sets);
    }
};

QTEST_GUILESS_MAIN(TestScan)
#include "tst_scan.moc"
