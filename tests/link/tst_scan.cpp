#include "link/exchangerecorder.h"
#include "link/linkstate.h"
#include "link/protocol_mssl.h"
#include "link/scankey.h"
#include "link/scanresult.h"
#include "lists/dvbv5plan.h"
#include "session/scanestimate.h"
#include "session/scanorder.h"
#include "session/scanrun.h"
#include "testsupport/memoryviews.h"
#include "testsupport/scriptedreceiver.h"
#include "testsupport/memoryport.h"
#include "testsupport/simulatedreceiver.h"
#include "testsupport/virtualhost.h"

#include <QTest>

using Unnamed = QMap<QByteArray, int>;

namespace {

// The scripted receiver sweeping and testing, with the scan window's labels and tree in memory.
struct ScanRig : ScriptedReceiver
{
    ScanRig() : ScriptedReceiver(0, true) {}
    MemoryLabels status;
    MemoryScanTree tree;
    bool run = true;

    // One untested transponder found by the sweep, locking with n services.
    void locking(qint64 f, int n)
    {
        tree.add(0, QString::number(f) + "|V", QString::number(f) + "-V");
        signal[f] = {"-44.0", "3.0"};
        quality[f] = "80";
        services = n;
    }
};

} // namespace

class TestScan : public QObject
{
    Q_OBJECT

private slots:
    void sweep_data()
    {
        QTest::addColumn<int>("band");
        QTest::addColumn<QString>("signal"); // "frequency level/margin" steps; others have none
        QTest::addColumn<QString>("found");  // "frequency:margin" of each carrier
        auto row = [](const char *name, int band, const char *signal, const char *found) {
            QTest::newRow(name) << band << QString(signal) << QString(found);
        };
        row("the best score", 1, "11776000 -46/5.0 11777000 -45/5.1 11778000 -44/5.2",
            "11778000:5.2");
        row("equal scores keep the lower", 1, "11776000 -40/5.0 11777000 -40/5.0", "11776000:5.0");
        row("-5.0 neither feeds nor splits", 1,
            "11776000 -45/3.0 11777000 -45/-5.0 11778000 -45/4.0", "11778000:4.0");
        row("-4.1 counts", 1, "11776000 -30/-4.1", "11776000:-4.1");
        row("-5.0 alone is no carrier", 1, "11776000 -30/-5.0", "");
        row("no margin closes", 1, "11776000 -45/2.0 11777000 -50/ 11778000 -45/3.0",
            "11776000:2.0 11778000:3.0");
        row("band L, nothing", 0, "", "");
        row("open at the band's end", 1, "12748000 -45/2.0 12749000 -44/2.5", "12749000:2.5");
        row("touching carriers split at their valley", 1,
            "11774000 -46/4.5 11775000 -45/5.0 11776000 -46/4.5 11777000 -51/-2.0 "
            "11778000 -46/4.5 11779000 -45/5.5",
            "11775000:5.0 11779000:5.5");
        row("a valley 10 dB below the peak is one carrier", 1,
            "11775000 -45/5.0 11776000 -45/0.0 11777000 -43/5.0", "11777000:5.0");
        row("a rise of 10 dB out of the valley is one carrier", 1,
            "11775000 -43/5.0 11776000 -45/0.0 11777000 -45/5.0", "11775000:5.0");
        row("a valley deeper than 10 dB splits", 1,
            "11775000 -45/5.0 11776000 -45/-0.1 11777000 -45/5.0", "11775000:5.0 11777000:5.0");
        row("a split where the next carrier is stronger at once", 1,
            "11775000 -45/5.0 11776000 -55/0.0 11777000 -40/6.0", "11775000:5.0 11777000:6.0");
        row("no rise out of the valley", 1, "11775000 -45/5.0 11776000 -51/-2.0 11777000 -47/0.0",
            "11775000:5.0");
    }
    void sweep()
    {
        QFETCH(int, band);
        QFETCH(QString, signal);
        QFETCH(QString, found);
        ScanRig rig;
        rig.link.Bnd = quint8(band);
        const QStringList steps = signal.split(' ', Qt::SkipEmptyParts);
        for (int i = 0; i < steps.size(); i += 2)
            rig.signal[steps[i].toLongLong()] = {steps[i + 1].section('/', 0, 0).toLatin1(),
                                                 steps[i + 1].section('/', 1).toLatin1()};
        qint32 totalDuring = -1;
        QString lastShare; // the share done as the window's timer would show it
        rig.port.onRead = [&](int) {
            totalDuring = qMax(totalDuring, rig.status.status.sweepSteps());
            rig.status.status.showSweepShare();
            lastShare = rig.status.texts[4];
        };
        QCOMPARE(rig.driver.RunScanLocal("V", rig.status, rig.tree, rig.run), !found.isEmpty());
        QStringList tree;
        for (const QString &f : found.split(' ', Qt::SkipEmptyParts)) {
            const QString freq = f.section(':', 0, 0), margin = f.section(':', 1);
            tree << freq + "-V [" + freq + "|V]"
                 << "  Margin:" + margin + " [" + freq + "|V|" + margin + "]";
        }
        QCOMPARE(rig.tree.dump(), tree);
        QCOMPARE(totalDuring, band ? 2050 : 1200);
        QCOMPARE(rig.status.status.sweepSteps(), 0);
        const QByteArrayList tunings = rig.sent("Tfrq");
        QCOMPARE(tunings.first(), band ? "{Tfrq=10700000}" : "{Tfrq=950000}");
        QCOMPARE(tunings.at(tunings.size() - 2), band ? "{Tfrq=12749000}" : "{Tfrq=2149000}");
        QCOMPARE(rig.status.texts[0], QString("Done"));
        QCOMPARE(lastShare, QString("100%"));
    }

    // Carriers of a real position's spacing (22000 kS/s, 29.5 MHz apart, so that no step
    // between them is without signal) are told apart; one wide carrier under reading noise
    // stays one.
    void carriersAsTheSimulatorShowsThem_data()
    {
        QTest::addColumn<QList<int>>("rates"); // kS/s of carriers side by side, from 11000000
        QTest::addColumn<int>("spacing");      // kHz
        QTest::addColumn<double>("noise");     // dB
        QTest::newRow("three touching 22000") << QList<int>{22000, 22000, 22000} << 29500 << 0.0;
        QTest::newRow("touching 22000 and 27500, noisy")
            << QList<int>{22000, 27500} << 33000 << 1.0;
        QTest::newRow("one 45000, noisy") << QList<int>{45000} << 0 << 1.0;
        QTest::newRow("one 30000, noisy") << QList<int>{30000} << 0 << 1.0;
    }
    void carriersAsTheSimulatorShowsThem()
    {
        QFETCH(QList<int>, rates);
        QFETCH(int, spacing);
        QFETCH(double, noise);
        for (quint32 seed = 1; seed <= 3; ++seed) {
            QList<PlanTransponder> plan;
            for (int i = 0; i < rates.size(); ++i)
                plan.append({11000000 + i * spacing, 'H', rates[i] * 1000});
            ReceiverModel::Options options;
            options.noiseDb = noise;
            options.seed = seed;
            SimulatedReceiver rx(Satellite::fromPlan(plan, seed), options);
            rx.link.Bnd = 1;
            MemoryLabels labels;
            MemoryScanTree tree;
            bool run = true;
            rx.model.state().autoStep = "OFF"; // the receiver's sweep
            rx.driver.RunScanLocal("H", labels, tree, run);
            QStringList found;
            for (const QString &key : tree.unidentified())
                found << ScanKey::ofTransponder(key).frequency;
            QCOMPARE(found.size(), rates.size());
            for (int i = 0; i < rates.size(); ++i) // within a tenth of the carrier's rate
                QVERIFY2(qAbs(found[i].toLongLong() - plan[i].frequency) <= rates[i] / 10,
                         qPrintable(found.join(' ')));
        }
    }

    void testRun_data()
    {
        QTest::addColumn<bool>("rescan");
        QTest::addColumn<int>("offset"); // where the carrier locks, from the sweep's frequency
        QTest::addColumn<QByteArrayList>("tunings");
        QTest::newRow("without rescan, one tuning")
            << false << -3000 << QByteArrayList{"{Tfrq=11778000}"};
        QTest::newRow("rescan: 3 MHz below")
            << true << -3000
            << QByteArrayList{"{Tfrq=11778000}", "{Tfrq=11772000}", "{Tfrq=11775000}"};
        QTest::newRow("rescan: 3 MHz above, below first")
            << true << 3000
            << QByteArrayList{"{Tfrq=11778000}", "{Tfrq=11772000}", "{Tfrq=11775000}",
                              "{Tfrq=11781000}"};
    }
    void testRun()
    {
        QFETCH(bool, rescan);
        QFETCH(int, offset);
        QFETCH(QByteArrayList, tunings);
        ScanRig rig;
        const ScanKey carrier = ScanKey::found("11778000", "V");
        rig.tree.add(rig.tree.add(0, carrier.key(), carrier.text()), carrier.margin("5.2").key(),
                     "Margin:5.2");
        // At the sweep's frequency a margin of -0.2 is too low; where the carrier locks, -0.05
        // is enough.
        const qint64 at = 11778000 + offset;
        rig.signal = {{at, {"-44.0", "-0.05"}}, {11778000, {"-44.0", "-0.2"}}};
        rig.quality[at] = "0";
        rig.services = 2;
        QCOMPARE(rig.driver.RunTestLocal("27500", rig.status, rig.tree, rig.run, rescan), rescan);
        QCOMPARE(rig.sent("Tfrq"), tunings);
        const QString T = QString::number(at) + "-V-27500";
        const QStringList identified{
            T + " [" + QString::number(at) + "|V|27500] bold",
            "  Margin:-0.05 [11778000|V|27500|-0.05]", "  Services:2 [" + T + "|2]",
            "  001-Name 1 [" + T + "#001-Name 1]", "  002-Name 2 [" + T + "#002-Name 2]"};
        const QStringList found{"11778000-V [11778000|V]", "  Margin:5.2 [11778000|V|5.2]"};
        QCOMPARE(rig.tree.dump(), rescan ? identified : found);
        QCOMPARE(rig.tree.selected(), 1);
        QCOMPARE(rig.status.texts[0], QString("Done"));
    }

    // Every service's name is asked in the first pass; later passes, six in all at most, ask
    // only for the names still missing, and a service never named hides no name after it.
    void serviceNamePasses_data()
    {
        QTest::addColumn<Unnamed>("unnamedFor");
        QTest::addColumn<QByteArrayList>("asked");
        QTest::addColumn<QStringList>("labels");
        QTest::newRow("all named at once") << Unnamed{} << QByteArrayList{"1", "2", "3"}
                                           << QStringList{"001-Name 1", "002-Name 2", "003-Name 3"};
        QTest::newRow("one never named")
            << Unnamed{{"2", 99}} << QByteArrayList{"1", "2", "3", "2", "2", "2", "2", "2"}
            << QStringList{"001-Name 1", "002-", "003-Name 3"};
        QTest::newRow("two named late")
            << Unnamed{{"1", 1}, {"3", 2}} << QByteArrayList{"1", "2", "3", "1", "3", "3"}
            << QStringList{"001-Name 1", "002-Name 2", "003-Name 3"};
    }
    void serviceNamePasses()
    {
        QFETCH(Unnamed, unnamedFor);
        QFETCH(QByteArrayList, asked);
        QFETCH(QStringList, labels);
        ScanRig rig;
        rig.locking(11778000, 3);
        rig.unnamedFor = unnamedFor;
        QVERIFY(rig.driver.RunTestLocal("27500", rig.status, rig.tree, rig.run, false));
        QByteArrayList sets;
        for (const QByteArray &f : rig.sent("Snam"))
            if (!f.endsWith("=?}") && f != "{Snam=257}")
                sets << f.mid(6, f.size() - 7);
        QCOMPARE(sets, asked);
        QStringList shown;
        for (int n = 1; n <= rig.tree.count(); ++n)
            if (ScanKey::ofChild(rig.tree.key(n)).kind == ScanKey::Service)
                shown << rig.tree.text(n);
        QCOMPARE(shown, labels);
    }

    // The labels say what the tests do: the polarisation only as it changes, the rate, the
    // frequency tried, what the try polls for (turning as a poll comes to nothing), then done.
    void labelsFollowTheTests()
    {
        ScanRig rig;
        rig.locking(11778000, 1);
        rig.locking(11800000, 1);
        rig.tree.add(0, "11900000|H", "11900000-H");
        rig.signal[11900000] = {"-44.0", "3.0"};
        rig.quality[11900000] = "80";
        rig.unnamedFor = {{"1", 1}};
        QVERIFY(rig.driver.RunTestLocal("27500", rig.status, rig.tree, rig.run, false));
        const QStringList tries{"4:DVB", "4:SVC", "4:NAM", "4:NAM -"};
        const QStringList shown = QStringList{"0:Testing", "4:", "2:27500", "1:V", "3:11778000"}
                                  << tries << "4:NAM |"
                                  << "4:"
                                  << "2:27500"
                                  << "3:11800000" << tries << "4:"
                                  << "2:27500"
                                  << "1:H"
                                  << "3:11900000" << tries << "0:Done"
                                  << "1:"
                                  << "2:"
                                  << "3:"
                                  << "4:";
        QCOMPARE(rig.status.history, shown);
    }

    void lockNeedsANumberOtherThan00()
    {
        for (auto [quality, locked] : {std::pair{"0", true}, {"00", false}, {"NO", false}}) {
            ScanRig rig;
            rig.locking(11778000, 1);
            rig.quality[11778000] = quality;
            QCOMPARE(rig.driver.RunTestLocal("27500", rig.status, rig.tree, rig.run, false),
                     locked);
            QCOMPARE(rig.sent("Sigq").size(), locked ? 1 : 80);
            QCOMPARE(rig.status.history.contains("4:DVB |"), !locked);
        }
    }

    // Whole scans: every transponder at a ticked rate identified with every service name; the
    // time left, once a second, within a quarter of the truth from the sweep's end on (half in
    // the sweep's second half), real plans stored as the list; without, within the span told.
    void wholeScans_data()
    {
        QTest::addColumn<QString>("plan"); // empty: the demo satellite, without a stored list
        QTest::addColumn<QStringList>("rates");
        QTest::addColumn<bool>("rescan"); // a rescan of what a scan at these rates left
        QTest::addColumn<int>("latencyMs");
        QTest::addColumn<bool>("listed"); // a real plan stored as the position's list
        QTest::addColumn<bool>("likelyFirst");
        const QStringList four = DefaultScanRates();
        QTest::newRow("default rates") << QString() << four << false << 2 << false << false;
        QTest::newRow("one rate") << QString() << QStringList{"27500"} << false << 2 << false
                                  << false;
        QTest::newRow("no rate") << QString() << QStringList{} << false << 2 << false << false;
        QTest::newRow("rescan") << QString() << four << true << 2 << false << false;
        QTest::newRow("slow replies")
            << QString() << QStringList{"30000", "27500"} << false << 300 << false << false;
        QTest::newRow("Hotbird 13.0E") << "Hotbird-13.0E" << four << false << 2 << true << false;
        QTest::newRow("Astra 28.2E") << "Astra-28.2E" << four << false << 2 << true << false;
        QTest::newRow("Astra 3B 23.5E") << "Astra-3B-23.5E" << four << false << 2 << true << false;
        QTest::newRow("Astra 3B 23.5E, rescan, no list")
            << "Astra-3B-23.5E" << four << true << 2 << false << false;
        QTest::newRow("Hotbird 13.0E, no list")
            << "Hotbird-13.0E" << four << false << 2 << false << false;
        QTest::newRow("Astra 28.2E, no list")
            << "Astra-28.2E" << four << false << 2 << false << false;
        QTest::newRow("Hotbird 13.0E, no list, likely rate first")
            << "Hotbird-13.0E" << four << false << 2 << false << true;
    }
    void wholeScans()
    {
        QFETCH(QString, plan);
        QFETCH(QStringList, rates);
        QFETCH(bool, rescan);
        QFETCH(int, latencyMs);
        QFETCH(bool, listed);
        QFETCH(bool, likelyFirst);
        const Satellite sat = plan.isEmpty() ? SimulatedReceiver::demoSatellite()
                                             : SimulatedReceiver::planSatellite(plan);
        if (sat.transponders.isEmpty())
            QSKIP("dtv-scan-tables is not installed (scripts/test.sh installs it)");
        QList<TransponderEntry> list;
        for (const SimTransponder &t : listed ? sat.transponders : QList<SimTransponder>())
            list.append({plan, QString::number(t.frequency), QString(t.polar),
                         QString::number(t.symbolRate)});
        SimulatedReceiver rx(sat);
        rx.latencyMs = latencyMs;
        rx.link.Bnd = 1;
        MemoryLabels labels;
        MemoryScanTree tree;
        RunToken &run = rx.link.run;
        run.start();
        ScanEstimate estimate(rx.link);
        labels.listen(&estimate);
        struct Sample
        {
            quint64 at;
            qint64 left;
            bool sweep;
            ScanEstimate::Span span;
        };
        QList<Sample> samples;
        bool sampling = rescan; // from the sweep on H, its second half, on
        std::function<void()> sample = [&] {
            const bool sweep = labels.texts[0] == "Scanning";
            sampling = sampling || (sweep && labels.texts[1] == "H");
            if (sampling)
                samples.append({rx.host.nowUs(), estimate.leftMs(), sweep, estimate.leftSpan()});
            rx.host.after(1000, sample);
        };
        rx.host.after(1000, sample);
        const ScanGuide guide{list, likelyFirst};
        estimate.start(true, 1, rates, {}, guide);
        RunScan(rx.driver, rates, labels, tree, run, guide);
        if (rescan) {
            samples.clear(); // the rescan's own, from its start
            estimate.start(false, 1, rates, tree.unidentified(), guide);
            RunRescan(rx.driver, rates, labels, tree, run, guide);
        }
        const quint64 end = rx.host.nowUs();
        QVERIFY(!samples.isEmpty());
        for (const Sample &s : samples) {
            const double actual = double(end - s.at) / 1000.0;
            const double within = qMax((s.sweep ? 0.5 : 0.25) * actual, 1000.0);
            const QString told = QString("at %1 s: %2 s left, told %3 s, %4 to %5 s")
                                     .arg(s.at / 1000000)
                                     .arg(actual / 1000)
                                     .arg(double(s.left) / 1000)
                                     .arg(double(s.span.lowMs) / 1000)
                                     .arg(double(s.span.highMs) / 1000);
            QVERIFY2(s.sweep ||
                         (s.span.lowMs - within <= actual && actual <= s.span.highMs + within),
                     qPrintable(told));
            QVERIFY2(!(plan.isEmpty() || listed) || qAbs(double(s.left) - actual) <= within,
                     qPrintable(told));
        }
        // Every transponder at a ticked rate is identified where the receiver locks (within
        // 2 MHz), with every name the receiver gives: a service it never names hides no other.
        const QList<ScannedTransponder> found = ScanResult::of(tree).transponders;
        for (const SimTransponder &t : sat.transponders) {
            const QString rate = QString::number(t.symbolRate);
            const auto as = std::find_if(found.cbegin(), found.cend(), [&](const auto &f) {
                return f.rate == rate && f.polarisation == QString(t.polar) &&
                       qAbs(f.khz() - double(t.frequency)) <= 2000;
            });
            // With the plan stored as the list, at any rate.
            const bool expected = rates.contains(rate) || (listed && !rates.isEmpty());
            QVERIFY2(!expected || as != found.cend(), qPrintable(QString::number(t.frequency)));
            QStringList named;
            for (int s = 0; s < t.services.size(); ++s)
                named << ServiceLabel::make(
                    s + 1, t.services[s].startsWith("Service:") ? QString() : t.services[s]);
            QVERIFY(!expected || as->services == named);
        }
    }

    // The rates a carrier is tried at, in order: a listed rate first, ticked or not; with the
    // likely rate first, then the ticked rate nearest the carrier's width; then the rest.
    void ratesInOrder_data()
    {
        QTest::addColumn<QString>("listed");  // "F P S", or empty: no list
        QTest::addColumn<double>("widthMhz"); // the carrier's signal as swept, round 11000 MHz V
        QTest::addColumn<bool>("likelyFirst");
        QTest::addColumn<QStringList>("rates"); // ticked
        QTest::addColumn<QStringList>("first");
        QTest::addColumn<QStringList>("rescan");
        const QStringList four = DefaultScanRates();
        const QStringList parts = four;
        QTest::newRow("no list: the rates' order") << "" << 37.0 << false << four << parts << parts;
        QTest::newRow("listed at a ticked rate") << "11010000 V 22000" << 37.0 << false << four
                                                 << QStringList{"22000", "45000", "30000", "27500"}
                                                 << QStringList{"22000", "45000", "30000", "27500"};
        QTest::newRow("listed at a rate not ticked")
            << "11000000 V 29900" << 37.0 << false << four
            << QStringList{"29900", "45000", "30000", "27500", "22000"}
            << QStringList{"29900", "45000", "30000", "27500", "22000"};
        QTest::newRow("listed beyond the signal and half a step")
            << "11019001 V 29900" << 37.0 << false << four << parts << parts;
        QTest::newRow("listed on the other polarisation")
            << "11000000 H 29900" << 37.0 << false << four << parts << parts;
        QTest::newRow("likely first: 37 MHz is 27500")
            << "" << 37.0 << true << four << QStringList{"27500", "45000", "30000", "22000"}
            << parts;
        QTest::newRow("likely first: 29 MHz is 22000")
            << "" << 29.0 << true << four << QStringList{"22000", "45000", "30000", "27500"}
            << parts;
        QTest::newRow("likely first: 60 MHz is 45000")
            << "" << 60.0 << true << four << parts << parts;
        QTest::newRow("likely first after the listed rate")
            << "11000000 V 29900" << 37.0 << true << four
            << QStringList{"29900", "27500", "45000", "30000", "22000"}
            << QStringList{"29900", "45000", "30000", "27500", "22000"};
        QTest::newRow("no rate ticked: no test") << "11000000 V 29900" << 37.0 << true
                                                 << QStringList{} << QStringList{} << QStringList{};
    }
    void ratesInOrder()
    {
        QFETCH(QString, listed);
        QFETCH(double, widthMhz);
        QFETCH(bool, likelyFirst);
        QFETCH(QStringList, rates);
        QFETCH(QStringList, first);
        QFETCH(QStringList, rescan);
        const QStringList l = listed.split(' ');
        ScanGuide guide{{}, likelyFirst};
        if (!listed.isEmpty())
            guide.listed = {{"13.00E", l[0], l[1], l[2]}, {"13.00E", "12000000", "V", "27500"}};
        ScanOrder order(rates, guide);
        // The steps with signal lie half a step in from its edges.
        const double half = widthMhz * 500 - 250;
        const QString key = ScanKey::found("11000000", "V").key();
        order.carrierFound(key, 11000000 - half, 11000000 + half);
        QCOMPARE(order.firstRates(key), first);
        QCOMPARE(order.rescanRates(key), rescan);
    }

    // The likely rate first identifies what the rates' order does, in no more time, over real
    // positions' plans (no list stored); how much less, bench_guidedscan tells.
    void likelyRateFirstIdentifiesTheSame_data()
    {
        QTest::addColumn<QString>("plan");
        QTest::newRow("Hotbird 13.0E") << "Hotbird-13.0E";
        QTest::newRow("Astra 28.2E") << "Astra-28.2E";
        QTest::newRow("Astra 3B 23.5E") << "Astra-3B-23.5E";
    }
    void likelyRateFirstIdentifiesTheSame()
    {
        QFETCH(QString, plan);
        const Satellite sat = SimulatedReceiver::planSatellite(plan);
        if (sat.transponders.isEmpty())
            QSKIP("dtv-scan-tables is not installed (scripts/test.sh installs it)");
        auto scan = [&](bool likelyFirst, quint64 *us) {
            SimulatedReceiver rx(sat);
            rx.link.Bnd = 1;
            MemoryLabels labels;
            MemoryScanTree tree;
            rx.link.run.start();
            RunScan(rx.driver, DefaultScanRates(), labels, tree, rx.link.run, {{}, likelyFirst});
            *us = rx.host.nowUs();
            QStringList keys;
            for (const ScannedTransponder &t : ScanResult::of(tree).transponders)
                keys << t.key;
            return keys;
        };
        quint64 partsUs = 0, likelyUs = 0;
        const QStringList parts = scan(false, &partsUs);
        QCOMPARE(scan(true, &likelyUs), parts);
        QVERIFY2(likelyUs <= partsUs,
                 qPrintable(
                     QString("%1 s against %2 s").arg(likelyUs / 1000000).arg(partsUs / 1000000)));
    }

    // A listed transponder no carrier of the sweep stood for is tried once, at its own frequency
    // and rate, unless a carrier was identified as it already.
    void aListedTransponderNoCarrierStoodForIsTried()
    {
        SimulatedReceiver rx;
        rx.link.Bnd = 1;
        MemoryLabels labels;
        struct Tries : ScanEvents
        {
            QStringList at;
            void testStarted(const QString &, const QString &f, const QString &r) override
            {
                at << f + ' ' + r;
            }
        } tries;
        labels.listen(&tries);
        MemoryScanTree tree;
        rx.link.run.start();
        // Nothing at the first; the third is the second moved 1 MHz, in the same signal.
        const QList<TransponderEntry> list{{"13.00E", "11800000", "V", "27500"},
                                           {"13.00E", "11034000", "V", "27500"},
                                           {"13.00E", "11035000", "V", "27500"}};
        RunScan(rx.driver, {"27500"}, labels, tree, rx.link.run, {list});
        QCOMPARE(tries.at.count("11800000 27500"), 1);
        QVERIFY(!tries.at.contains("11035000 27500"));
        // Tried and not locked: no node for it.
        for (const ScannedTransponder &t : ScanResult::of(tree).transponders)
            QVERIFY(t.frequency != "11800000");
    }

    // Why a listed transponder was not identified, from the sweep's steps near it and the tries
    // at its rate within the receiver's capture (2750 kHz here).
    void whyAListedOneWasNotIdentified_data()
    {
        QTest::addColumn<QStringList>("events"); // "level F", or "try F S outcome"
        QTest::addColumn<QString>("why");
        QTest::newRow("nothing seen, nothing locked")
            << QStringList{"try 11000000 27500 NoMargin"} << "no carrier seen at its frequency";
        QTest::newRow("a level near, no margin")
            << QStringList{"level 11002000", "try 11000000 27500 NoMargin"} << "seen but no margin";
        QTest::newRow("a level beyond the capture")
            << QStringList{"level 11003000"} << "no carrier seen at its frequency";
        QTest::newRow("a level, tried at other rates only")
            << QStringList{"level 11000000", "try 11000000 30000 NoServices"}
            << "not tried at its rate";
        QTest::newRow("a margin, no lock")
            << QStringList{"try 11000000 27500 NoMargin", "try 11002000 27500 NoLock"}
            << "no lock at its rate";
        QTest::newRow("a lock beyond the capture")
            << QStringList{"try 11003000 27500 NoServices"} << "no carrier seen at its frequency";
        QTest::newRow("locked, no services")
            << QStringList{"try 11000000 27500 NoLock", "try 11000000 27500 NoServices"}
            << "no services";
        QTest::newRow("stopped") << QStringList{"try 11000000 27500 Stopped"}
                                 << "stopped while it was tried";
    }
    void whyAListedOneWasNotIdentified()
    {
        QFETCH(QStringList, events);
        QFETCH(QString, why);
        static const QStringList outcomes{"Stopped", "NoMargin", "NoLock", "NoServices"};
        ScanTries tries;
        tries.sweepStep("H", 11000000, -40.0, 5.0); // the other polarisation
        for (const QString &e : events) {
            const QStringList p = e.split(' ');
            if (p[0] == "level") {
                tries.sweepStep("V", p[1].toDouble(), -50.0, std::nullopt);
                continue;
            }
            tries.testStarted(p[1] + "|V", p[1], p[2]);
            tries.tryEnded(TryOutcome(outcomes.indexOf(p[3])));
        }
        QCOMPARE(tries.whyNotListed(11000000, "V", "27500", 2750), why);
    }

    // Why a carrier the sweep found was not identified, from the tries the run told of.
    void whyNotIdentified_data()
    {
        QTest::addColumn<QStringList>("events"); // a rate tried, or "lock"
        QTest::addColumn<QString>("why");
        QTest::newRow("never tried") << QStringList{} << "not tried";
        QTest::newRow("no lock") << QStringList{"30000", "27500", "27500"}
                                 << "no lock at 30000, 27500";
        QTest::newRow("locked, not identified")
            << QStringList{"30000", "lock", "27500"} << "locked at 30000 but not identified";
    }
    void whyNotIdentified()
    {
        QFETCH(QStringList, events);
        QFETCH(QString, why);
        ScanTries tries;
        tries.testStarted(ScanKey::found("12000000", "H").key(), "12000000", "22000"); // another
        const QString key = ScanKey::found("11000000", "V").key();
        for (const QString &e : events)
            e == "lock" ? tries.locked() : tries.testStarted(key, "11000000", e);
        QCOMPARE(tries.whyNot(key), why);
    }

    void timeLeftFallsDuringATry()
    {
        for (const bool rescan : {false, true}) {
            SimulatedReceiver rx; // its clock and its link, nothing sent
            ScanEstimate estimate(rx.link);
            const QString key = ScanKey::found("11000000", "V").key();
            estimate.start(!rescan, 1, {"27500"}, {key});
            estimate.passStarted(rescan, {"27500"});
            estimate.testStarted(key, "11000000", "27500");
            const qint64 before = estimate.leftMs();
            rx.host.advanceUs(2000000);
            QCOMPARE(estimate.leftMs(), before - 2000);
            estimate.locked(); // left of a lock: its waits, 5.5 s, and 20 exchanges of 5 ms
            QCOMPARE(estimate.leftMs(), 3600);
        }
    }

    // Until the tries at the rate the carriers' widths point to show how often they lock, the
    // time left is told as a span; once they have, as one time.
    void aWideSpanIsToldAsASpan()
    {
        SimulatedReceiver rx; // its clock and its link, nothing sent
        ScanEstimate estimate(rx.link);
        estimate.start(true, 1, {"27500"});
        for (int i = 0; i < 40; ++i) // 37 MHz wide: 27500
            estimate.carrierFound(QString("%1|V").arg(11000000 + 40000 * i), 0, 36800);
        estimate.passStarted(false, {"27500"});
        QCOMPARE(estimate.leftText(), QString("about 3 to 7 min left"));
        for (int i = 0; i < 20; ++i) {
            estimate.testStarted(QString("%1|V").arg(11000000 + 40000 * i), "", "27500");
            rx.host.advanceUs(5600000);
            estimate.locked();
            estimate.identified("", 1);
        }
        QCOMPARE(estimate.leftText(), QString("about 1 min 59 s left"));
    }

    // A listed transponder gives its rate to the carrier whose signal it lies in, and to no
    // neighbour: beyond the signal's edge (and half a step) it is another carrier's.
    void aListedRateBelongsToTheCarrierItLiesIn()
    {
        SimulatedReceiver rx; // its clock and its link, nothing sent
        auto left = [&](qint64 listedKhz, const QString &pol = "V") {
            ScanEstimate estimate(rx.link);
            estimate.start(true, 1, {"27500"}, {},
                           ScanGuide{{{"13.00E", QString::number(listedKhz), pol, "28000"}}});
            estimate.carrierFound(ScanKey::found("11000000", "V").key(), 10981500,
                                  11018500); // 37 MHz: 27500
            estimate.passStarted(false, {"27500"});
            return estimate.leftMs();
        };
        QVERIFY(left(11019000) < left(11019001)); // tried first at 28000, where it likely locks
        QCOMPARE(left(11019001), left(12000000)); // by its width: likely at 27500
        QCOMPARE(left(11000000, "H"), left(12000000));
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
        row("transponder node", ScanKey::identified("11778000", "V", "27500").key(), {});
        row("count node", "11778000-V-27500|2", {});
        row("label without a name", "11778000-V-27500#003", {});
    }
    void setSelected()
    {
        QFETCH(QString, key);
        QFETCH(QByteArrayList, sets);
        ScanRig rig;
        rig.polar = "13"; // neither: the polarisation is always set
        rig.tree.select(rig.tree.add(0, key, key));
        QVERIFY(!rig.driver.SetSelected(rig.tree, 1));
        QByteArrayList setsSent;
        for (const QByteArray &w : rig.port.writes())
            if (!w.endsWith("=?}"))
                setsSent << w.mid(1);
        QCOMPARE(setsSent, sets);
    }

    // Once the run's receiver counts as lost, a try sends nothing more, and what asks how its
    // exchanges went hears that they went unanswered.
    void aLostReceiversRunSendsNothing()
    {
        ScanRig rig;
        rig.port.open();
        for (int i = 0; i < LinkState::kLostAfterSilentExchanges; ++i)
            rig.link.replied(false);
        const ExchangeTally tally(rig.link);
        QVERIFY(!rig.driver.TestAt("11000000", "V", "27500", rig.status, rig.tree, rig.run));
        QVERIFY(rig.port.writes().isEmpty());
        QVERIFY(tally.unanswered());
    }

    // A whole scan of the demo satellite at one rate, as its listeners hear it: a line for each
    // sweep and pass, a word for each carrier ("*n": locked, identified with n services; "+k":
    // k more tries at neighbouring frequencies).
    void eventsOfAWholeScanInOrder()
    {
        struct Recorder : ScanEvents
        {
            QStringList log{""};
            QString tested;
            int tries = 0;
            void add(const QString &word) { log.last() += word; }
            void sweepStep(const QString &pol, double, std::optional<double>,
                           std::optional<double>) override
            {
                if (!log.last().startsWith("sweep " + pol))
                    log << "sweep " + pol + ":";
            }
            void carrierFound(const QString &key, double, double) override
            {
                add(" " + ScanKey::ofTransponder(key).frequency);
            }
            void passStarted(bool rescan, const QStringList &rates) override
            {
                log << (rescan ? "rescan " : "pass ") + rates.join(',') + ":";
            }
            void testStarted(const QString &key, const QString &, const QString &) override
            {
                tries = key == tested ? tries + 1 : 0;
                if (tries > 1) // "+k" becomes "+k+1"
                    log.last().chop(QString::number(tries - 1).size() + 1);
                add(tries ? "+" + QString::number(tries) : " " + QString(key).remove('|'));
                tested = key;
            }
            void locked() override { add("*"); }
            void identified(const QString &, int n) override { add(QString::number(n)); }
            void passEnded(bool, bool all) override { add(all ? "; all" : "; end"); }
            void runEnded(bool completed) override { log << (completed ? "done" : "stopped"); }
        } recorder;
        SimulatedReceiver rx;
        rx.link.Bnd = 1;
        MemoryLabels labels;
        labels.listen(&recorder);
        MemoryScanTree tree;
        rx.link.run.start();
        RunScan(rx.driver, {"27500"}, labels, tree, rx.link.run);
        QCOMPARE(recorder.log,
                 QStringList({"", "sweep V: 10719000 10971000 11034000 11258000 11541000 12525000",
                              "sweep H: 10758000 10892000 11096000 11393000 11681000 12073000",
                              "pass 27500: 10719000V*4 10971000V 11034000V*5 11258000V*3 "
                              "11541000V 12525000V*5 10758000H 10892000H*5 11096000H 11393000H "
                              "11681000H*3 12073000H; end",
                              "rescan 27500: 10971000V+4 11541000V+4 10758000H+4 11096000H+4 "
                              "11393000H+4 12073000H+4; end",
                              "done"}));

        // A rescan stopped at its first try: the pass ends, and so does the run.
        struct StopAtFirstTry : ScanEvents
        {
            RunToken *run;
            void testStarted(const QString &, const QString &, const QString &) override
            {
                run->stop();
            }
        } stopper;
        stopper.run = &rx.link.run;
        labels.listen(&stopper);
        rx.link.run.start();
        RunRescan(rx.driver, {"27500", "22000"}, labels, tree, rx.link.run);
        QCOMPARE(recorder.log.mid(6),
                 QStringList({"rescan 27500,22000: 10971000V; end", "stopped"}));
    }

    // Each kind of node's key read back into its fields, and built again from them.
    void scanKeys_data()
    {
        QTest::addColumn<QString>("key");
        QTest::addColumn<bool>("child");
        QTest::addColumn<int>("kind");
        QTest::addColumn<QString>("fields"); // frequency, polarisation, rate, value by '/'
        auto row = [](const char *key, bool child, int kind, const char *fields) {
            QTest::newRow(key) << QString(key) << child << kind << QString(fields);
        };
        row("11778000|V", false, ScanKey::Found, "11778000/V//");
        row("1234000|H|4883", false, ScanKey::Identified, "1234000/H/4883/");
        row("11778000|V|-4.1", true, ScanKey::Margin, "11778000/V//-4.1");
        row("11778000|V|27500|5.2", true, ScanKey::Margin, "11778000/V/27500/5.2");
        row("11778000-V-27500|12", true, ScanKey::Services, "11778000/V/27500/12");
        row("11778000-V-27500#0012-Name-with-dashes", true, ScanKey::Service,
            "11778000/V/27500/0012-Name-with-dashes");
        row("11778000|V|27500|5.2", false, ScanKey::None, "///"); // no transponder
        row("11778000-V-27500|12", false, ScanKey::None, "///");
        row("11778000|V|27500|5.2|1", true, ScanKey::None, "///");
        row("11778000-V#001-A", true, ScanKey::None, "///"); // no rate
        row("11778000|", false, ScanKey::None, "///");
    }
    void scanKeys()
    {
        QFETCH(QString, key);
        QFETCH(bool, child);
        QFETCH(int, kind);
        QFETCH(QString, fields);
        const ScanKey k = child ? ScanKey::ofChild(key) : ScanKey::ofTransponder(key);
        QCOMPARE(int(k.kind), kind);
        QCOMPARE(QStringList({k.frequency, k.polarisation, k.rate, k.value}).join('/'), fields);
        if (kind == ScanKey::None)
            return;
        QCOMPARE(k.key(), key);
        QCOMPARE(ScanKey::identifiedKey(key), kind == ScanKey::Identified);
        const ScanKey t = k.transponder();
        QCOMPARE(t.text(), fields.section('/', 0, k.rate.isEmpty() ? 1 : 2).replace('/', '-'));
        if (k.kind == ScanKey::Service) {
            QCOMPARE(t.service(k.value).key(), key);
            const ServiceLabel label = ServiceLabel::of(k.value);
            QCOMPARE(label.number + "|" + label.name, QString("0012|Name-with-dashes"));
            QCOMPARE(ServiceLabel::make(7, "A-B"), QString("007-A-B"));
        }
    }
};

QTEST_GUILESS_MAIN(TestScan)
#include "tst_scan.moc"
