#include "app/signalgraph.h"
#include "app/signalwindow.h"
#include "tests/app/mainrig.h"
#include "tone/toneplayer.h"

#include <QCheckBox>
#include <QProgressBar>

// The signal meter beside the main window, over the receiver model on the virtual clock.
class TestSignal : public QObject
{
    Q_OBJECT

    // The meter opened as an operator opens it (Ctrl+M), after its first readings; null when
    // it did not open or read.
    static SignalWindow *openMeter(Started &rig)
    {
        QTest::keyClick(rig.main.get(), Qt::Key_M, Qt::ControlModifier);
        SignalWindow *meter = rig.main->signalMeter();
        return meter && QTest::qWaitFor([&] { return meter->best().readings >= 3; }, 5000)
                   ? meter
                   : nullptr;
    }
    static QString barText(SignalWindow *meter, const char *name)
    {
        for (QProgressBar *bar : meter->findChildren<QProgressBar *>())
            if (bar->accessibleName() == QLatin1String(name))
                return bar->text();
        return QString();
    }

private slots:
    void toneFollowsTheMargin_data()
    {
        QTest::addColumn<std::optional<double>>("margin");
        QTest::addColumn<int>("hz");
        QTest::addColumn<int>("beepMs");
        QTest::newRow("no lock: silence") << std::optional<double>() << 0 << 0;
        QTest::newRow("below 0 dB: the lowest") << std::optional<double>(-1.5) << 400 << 1000;
        QTest::newRow("0 dB") << std::optional<double>(0.0) << 400 << 1000;
        QTest::newRow("half way") << std::optional<double>(8.0) << 1200 << 575;
        QTest::newRow("full scale") << std::optional<double>(16.0) << 2000 << 150;
        QTest::newRow("above: the highest") << std::optional<double>(30.0) << 2000 << 150;
    }
    void toneFollowsTheMargin()
    {
        QFETCH(std::optional<double>, margin);
        QFETCH(int, hz);
        QFETCH(int, beepMs);
        QCOMPARE(ToneHz(margin), hz);
        QCOMPARE(BeepIntervalMs(margin), beepMs);
    }

    // The receiver's texts as figures: "00" and anything but a number is no quality (no lock),
    // "0" is one; "-??.?" is no margin.
    void figuresAsTheReceiverGivesThem_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<std::optional<int>>("quality");
        QTest::addColumn<std::optional<double>>("figure");
        QTest::newRow("a quality") << "80" << std::optional<int>(80) << std::optional<double>(80);
        QTest::newRow("00: no lock") << "00" << std::optional<int>() << std::optional<double>(0);
        QTest::newRow("0: a lock") << "0" << std::optional<int>(0) << std::optional<double>(0);
        QTest::newRow("no signal") << "-??.?" << std::optional<int>() << std::optional<double>();
        QTest::newRow("no reply") << "" << std::optional<int>() << std::optional<double>();
        QTest::newRow("a level") << "-43.50" << std::optional<int>()
                                 << std::optional<double>(-43.5);
    }
    void figuresAsTheReceiverGivesThem()
    {
        QFETCH(QString, text);
        QFETCH(std::optional<int>, quality);
        QFETCH(std::optional<double>, figure);
        QCOMPARE(QualityFigure(text), quality);
        QCOMPARE(SignalFigure(text), figure);
    }

    // The graph breaks where there was no margin, and where the meter paused.
    void graphBreaksWhereTheMeterHadNoMargin()
    {
        SignalGraph graph;
        for (const auto &[ms, margin] : {std::pair{0, std::optional<double>(8.0)},
                                         {100, 8.5},
                                         {200, std::nullopt}, // no lock
                                         {300, 9.0},
                                         {1300, 9.5},  // a second after: still one line
                                         {2400, 9.0}}) // paused 1.1 s: a new line
            graph.add(ms, margin);
        const QList<QPolygonF> lines = graph.lines(QRectF(0, 0, 600, 160));
        QCOMPARE(lines.size(), 3);
        QCOMPARE(lines[1].size(), 2);
        QCOMPARE(lines[2].last(), QPointF(600, 160 - 160 * 9.0 / kMarginFullScaleDb));
    }

    void meterShowsTheReceiversSignalAndTheBest()
    {
        Started rig;
        rig.receiver.model.setNoise(1.0);
        SignalWindow *meter = openMeter(rig);
        QVERIFY(meter && meter->isVisible());
        const SignalReading r = meter->last();
        QVERIFY(r.up && r.locked && r.marginDb && r.levelDbm && r.quality);
        QVERIFY(qAbs(*r.marginDb - 10.0) <= 1.05); // 11034000 V: 10 dB, give or take the noise
        QCOMPARE(barText(meter, "Margin"), QString::number(*r.marginDb, 'f', 1) + " dB");
        QVERIFY(*meter->best().marginDb >= *r.marginDb && *meter->best().levelDbm >= *r.levelDbm);
        // Only queries: nothing on the receiver was set.
        for (const QByteArray &frame : rig.port->writes())
            QVERIFY2(frame.endsWith("=?}"), frame.constData());
    }

    // A pick while the meter reads (the click handled inside the reading's wait, as the
    // desktop's host handles it) is not refused: it runs once the reading ends, the meter
    // pauses through it and then reads the new transponder.
    void pickDuringAReadingRunsAfterIt()
    {
        Started rig;
        SignalWindow *meter = openMeter(rig);
        QVERIFY(meter);
        QByteArrayList order;
        int readingsAtTuneStart = -1, readingsAtTuneEnd = -1;
        qsizetype pointsAtTuneStart = -1, pointsAfter = -1;
        const SignalGraph *graph = meter->findChild<SignalGraph *>();
        const auto answer = rig.port->onWrite;
        rig.port->onWrite = [&](const QByteArray &f) {
            const QByteArray code = f.mid(2, 4);
            order << code;
            if (code == "LNos" && readingsAtTuneStart < 0) {
                readingsAtTuneStart = meter->best().readings;
                pointsAtTuneStart = graph->points();
            }
            if (code == "Snam")
                readingsAtTuneEnd = meter->best().readings;
            if (code == "Slvl" && readingsAtTuneEnd >= 0 && pointsAfter < 0 && meter->reading())
                pointsAfter = graph->points(); // the reading taken before the pick not drawn
            answer(f);
            if (code == "Slvl" && readingsAtTuneStart < 0 && meter->reading())
                rig.pick(rig.main->ListView, 0); // Aurora, 10892000 H: locks
            // The window's events inside the pick's waits, as the desktop's host runs them.
            if (readingsAtTuneStart >= 0 && readingsAtTuneEnd < 0)
                QCoreApplication::processEvents();
        };
        QTRY_VERIFY_WITH_TIMEOUT(readingsAtTuneEnd >= 0, 5000);
        QCOMPARE(rig.host.beeps(), 0); // not refused
        const qsizetype tune = order.indexOf("LNos");
        QCOMPARE(order.mid(tune - 3, 3), (QByteArrayList{"Slvl", "Lnmr", "Sigq"})); // after it
        QCOMPARE(readingsAtTuneEnd, readingsAtTuneStart); // paused through the pick
        QTRY_VERIFY_WITH_TIMEOUT(meter->best().readings > readingsAtTuneEnd + 2, 5000);
        QCOMPARE(pointsAfter, pointsAtTuneStart);
        QCOMPARE(*meter->last().marginDb, 11.2); // the new transponder's
        QCOMPARE(rig.statuses.last(), QString("-42.0 dBm, 11.2 dB"));
    }

    // A pick between two readings runs at once; the meter, due to read in the pick's waits,
    // pauses through it.
    void pickBetweenReadingsPausesTheMeter()
    {
        Started rig;
        SignalWindow *meter = openMeter(rig);
        QVERIFY(meter);
        int readingsAtTuneStart = -1, readingsAtTuneEnd = -1;
        const auto answer = rig.port->onWrite;
        rig.port->onWrite = [&](const QByteArray &f) {
            if (f.contains("{LNos=?}"))
                readingsAtTuneStart = meter->best().readings;
            if (f.contains("{Snam="))
                readingsAtTuneEnd = meter->best().readings;
            answer(f);
            if (readingsAtTuneStart >= 0 && readingsAtTuneEnd < 0)
                QCoreApplication::processEvents(); // as the desktop's host runs them
        };
        rig.pick(rig.main->ListView, 0);
        QCOMPARE(rig.host.beeps(), 0);
        QVERIFY(readingsAtTuneStart >= 3);
        QCOMPARE(readingsAtTuneEnd, readingsAtTuneStart);
    }

    void escapeClosesTheMeterAndItReadsNoMore()
    {
        Started rig;
        SignalWindow *meter = openMeter(rig);
        QVERIFY(meter);
        QTest::keyClick(meter, Qt::Key_Escape);
        QVERIFY(!meter->isVisible());
        const qsizetype written = rig.port->writes().size();
        QTest::qWait(50);
        QCOMPARE(rig.port->writes().size(), written);
    }

    // A port not open is said, and looked at again a second later: no exchange is tried.
    void withNoPortOpenTheMeterSaysSoAndWaits()
    {
        Started rig;
        rig.port->close();
        QTest::keyClick(rig.main.get(), Qt::Key_M, Qt::ControlModifier);
        SignalWindow *meter = rig.main->signalMeter();
        QVERIFY(meter);
        QTest::qWait(200);
        QVERIFY(rig.port->writes().isEmpty());
        QVERIFY(meter->findChild<QLabel *>("state")->text().startsWith("The port is not open"));
    }

    // A receiver that does not answer is asked again a second later, not at once.
    void aSilentReceiverIsAskedOnceASecond()
    {
        Started rig;
        rig.receiver.silent = true;
        QTest::keyClick(rig.main.get(), Qt::Key_M, Qt::ControlModifier);
        QVERIFY(rig.main->signalMeter());
        QTest::qWait(500);
        QCOMPARE(rig.port->writes().size(), 2); // its first question, asked again once
        QTRY_COMPARE_WITH_TIMEOUT(rig.port->writes().size(), 4, 1500);
    }

    // Alt+T: the tone (or, with no sound device, the beep) follows the margin; again: silence.
    void altTTogglesTheTone()
    {
        Started rig;
        SignalWindow *meter = openMeter(rig);
        QVERIFY(meter);
        meter->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(meter));
        QTest::keyClick(meter, Qt::Key_T, Qt::AltModifier);
        const int hz = ToneHz(10.0), beepMs = BeepIntervalMs(10.0);
        TonePlayer &tone = meter->tone();
        if (tone.hasAudio())
            QTRY_COMPARE(tone.pitchHz(), hz);
        else
            QTRY_VERIFY(tone.beepIntervalMs() == beepMs && rig.host.beeps() > 0);
        QTest::keyClick(meter, Qt::Key_T, Qt::AltModifier);
        QTRY_VERIFY(!meter->findChild<QCheckBox *>()->isChecked()); // a mnemonic's animated click
        QCOMPARE(tone.pitchHz() + tone.beepIntervalMs(), 0);
    }
};

QTEST_MAIN(TestSignal)
#include "tst_signal.moc"
