#include "link/linkstate.h"
#include "link/protocol_mssl.h"
#include "link/scankey.h"
#include "lists/listfile.h"
#include "scan/scan.h"
#include "scan/scanpanel.h"
#include "scan/sweepplot.h"
#include "sim/receivermodel.h"
#include "testsupport/clickitem.h"
#include "testsupport/filedialog.h"
#include "testsupport/memoryviews.h"
#include "testsupport/writefile.h"
#include "testsupport/memoryport.h"
#include "testsupport/simulatedreceiver.h"
#include "testsupport/virtualhost.h"

#include <QChartView>
#include <QCheckBox>
#include <QDate>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QLineSeries>
#include <QProgressBar>
#include <QPushButton>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>

namespace {

// The scan window over the demo receiver on the virtual clock.
struct Rig : SimulatedReceiver
{
    QTemporaryDir program;
    Scan scan{driver, host, program.path()};
    QStringList sent; // every frame as code=value

    // The rates ticked by index; {-1} keeps those ticked when the window opens.
    explicit Rig(ReceiverModel::Options options = {}, QList<int> rates = {2})
        : SimulatedReceiver(options)
    {
        host.setPassCostUs(200); // so the long waits of a scan take few event-loop passes
        link.Bnd = 1;
        port.onWrite = [this](const QByteArray &frame) {
            sent << QString::fromLatin1(frame.mid(2, frame.size() - 3));
            answer(frame);
        };
        for (int i = 0; i < 12 && !rates.contains(-1); ++i)
            scan.SRate[i]->setChecked(rates.contains(i));
        scan.show();
        if (!QTest::qWaitForWindowActive(&scan))
            qFatal("the scan window did not show");
    }
    void ready() { QTest::keyClick(scan.Position, Qt::Key_Return); }
    QTreeWidgetItem *root(const QString &text) const
    {
        const auto items = scan.TreeView->findItems(text, Qt::MatchExactly);
        return items.isEmpty() ? nullptr : items[0];
    }
    int identified() const
    {
        int n = 0;
        for (int i = 0; i < scan.TreeView->topLevelItemCount(); ++i)
            n += scan.TreeView->topLevelItem(i)->text(0).count('-') == 2;
        return n;
    }
};

// A whole scan at 30000 and 27500 against a stored list: the demo's list without 11681000 H,
// with 11258000 V moved 5 MHz down, 10971000 V at a rate it does not lock at, and one more. The
// rates listed are tried, ticked or not. What the window showed as the tests began is kept.
struct WholeScan : Rig
{
    WholeScan() : Rig({}, {1, 2})
    {
        const QByteArrayList rows{"10719000;V;27500;", "10758000;H;22000;", "10892000;H;27500;",
                                  "10971000;V;29000;", "11034000;V;27500;", "11096000;H;28000;",
                                  "11253000;V;27500;", "11393000;H;22000;", "11538000;V;30000;",
                                  "11800000;V;27500;", "12073000;H;4883;",  "12525000;V;27500;"};
        WriteFile(program.filePath("data/13.00E.csv"), rows.join("\r\n") + "\r\n");
        scan.Position->setText("13E");
        ready();
        const QString swept = ScanKey::found("11034000", "V").key();
        SweepPlot *plot = scan.Panel->Plot;
        port.onWrite = [this, swept, plot, answer = port.onWrite](const QByteArray &f) {
            answer(f);
            if (plot->steps() % 1000 == 999)
                plot->flush(); // as its timer does while the sweep goes on
            if (timeLeft.isEmpty() && scan.Status[0]->text() == "Testing") {
                timeLeft = scan.Panel->TimeLeft->text();
                markedAtTests = !plot->markerPosition(swept).isNull();
            }
        };
        QTest::mouseClick(scan.ScanIt, Qt::LeftButton);
    }
    QString timeLeft;
    bool markedAtTests = false;
};

// The demo receiver scanned at 27500, and a service of 11034000 V.
struct Scanned : Rig
{
    Scanned()
    {
        ready();
        QTest::mouseClick(scan.ScanIt, Qt::LeftButton);
        service = root("11034000-V-27500")->child(3); // 002-Demo Two
    }
    QTreeWidgetItem *service = nullptr;
};

} // namespace

class TestScanWindow : public QObject
{
    Q_OBJECT

private slots:
    // A stop keeps the names read; a receiver gone silent ends the run, and the window says why.
    // A run started by Alt+C takes the position normalised, never a path pasted into the box.
    void stopDuringTheNamesAndAReceiverGoneSilent()
    {
        for (const bool silent : {false, true}) {
            Rig rig;
            Scan &s = rig.scan;
            bool acted = false;
            rig.port.onWrite = [&, answer = rig.port.onWrite](const QByteArray &f) {
                if (!acted && f.contains(silent ? "{Sfrq=27500.00}" : "{Snam=2}")) {
                    acted = true;
                    if (!silent)
                        rig.host.after(0, [&] { QTest::mouseClick(s.ScanIt, Qt::LeftButton); });
                }
                if (!(acted && silent))
                    answer(f);
            };
            rig.ready();
            // Started by its shortcut, the run takes the position as leaving the box would; a
            // text pasted in that is no position starts nothing and is never read as another.
            s.Position->setFocus();
            s.Position->setText("../x/pwnE"); // pasted: only its last character is checked
            QTest::keyClick(s.Position, Qt::Key_C, Qt::AltModifier);
            QTRY_COMPARE(rig.host.messages().size(), 1); // it clicks a moment later
            QVERIFY(rig.host.messages()[0].text.startsWith("../x/pwnE is no position") &&
                    rig.sent.isEmpty() && s.Position->text() == "../x/pwnE");
            s.Position->setText("0");
            QTest::keyClick(s.Position, Qt::Key_C, Qt::AltModifier);
            QTRY_COMPARE(s.Position->text(), QString("00.00E"));
            QTreeWidgetItem *first = rig.root("10719000-V-27500");
            QCOMPARE(first && first->childCount() > 2 && s.Save->isEnabled(), !silent);
            if (!silent)
                QCOMPARE(first->child(first->childCount() - 1)->text(0), QString("004-Radio Nord"));
            QVERIFY((s.Status[0]->text() == "Receiver lost") == silent &&
                    rig.host.messages().size() == 1 + int(silent));
            rig.host.queueAnswer(Message::AnsweredCancel); // keep the window
            s.close(); // asked first only with transponders identified and not saved
            QCOMPARE(s.isVisible(), !silent);
        }
    }

    // A new scan asks before it empties a tree of transponders identified and not saved; a
    // tree without one identified is closed without a question.
    void unsavedTranspondersAreNotLostUnasked()
    {
        QTest::failOnWarning(QRegularExpression("Negative sizes")); // no list: no summary
        Rig rig;
        Scan &s = rig.scan;
        rig.ready();
        QTest::mouseClick(s.ScanIt, Qt::LeftButton);
        QVERIFY(rig.root("10719000-V-27500"));
        rig.host.queueAnswer(Message::AnsweredCancel);
        QTest::mouseClick(s.ScanIt, Qt::LeftButton);
        QCOMPARE(rig.host.messages().size(), 1);
        QVERIFY(rig.host.messages()[0].text.contains("scan again and lose them"));
        QVERIFY(rig.root("10719000-V-27500")); // kept, nothing sent
        // Again, with no rate ticked: the sweeps find carriers, the tests identify none.
        s.SRate[2]->setFocus();
        QTest::keyClick(s.SRate[2], Qt::Key_Space);
        QVERIFY(!s.SRate[2]->isChecked());
        rig.host.queueAnswer(Message::AnsweredOk);
        QTest::mouseClick(s.ScanIt, Qt::LeftButton);
        QCOMPARE(rig.host.messages().size(), 2);
        QVERIFY(!rig.root("10719000-V-27500") && rig.root("10719000-V"));
        s.close();
        QCOMPARE(rig.host.messages().size(), 2);
        QVERIFY(!s.isVisible());
    }

    // After the port was lost, the next run reopens it; one that cannot be reopened starts
    // nothing and keeps the tree.
    void aLostPortIsReopenedByTheNextRun()
    {
        Rig rig;
        Scan &s = rig.scan;
        rig.ready();
        const auto answer = rig.port.onWrite;
        rig.port.onWrite = [&](const QByteArray &f) {
            rig.port.setLost(f.contains("{Snam=1}") || rig.port.isLost());
            answer(f);
        };
        QTest::mouseClick(s.ScanIt, Qt::LeftButton);
        QCOMPARE(s.Status[0]->text(), QString("Receiver lost"));
        QVERIFY(rig.root("10719000-V-27500"));
        rig.port.onWrite = answer;
        rig.port.setOpenFails(true);
        const qsizetype sent = rig.port.writes().size();
        QTest::mouseClick(s.ScanIt, Qt::LeftButton);
        QCOMPARE(rig.host.messages().size(), 2);
        QVERIFY(rig.host.messages()[1].text.contains("could not be reopened"));
        QVERIFY(rig.root("10719000-V-27500") && rig.port.writes().size() == sent);
        rig.port.setOpenFails(false);
        QTest::mouseClick(s.ReScan, Qt::LeftButton);
        QVERIFY(rig.port.isOpen() && !rig.port.isLost() && rig.root("10892000-H-27500"));
    }

    // Alt+F ticks the likely rate first: a carrier 37 MHz wide is tried at 27500 before 30000.
    // Alt+D exports what was identified as a DVBv5 plan, rates in symbols per second.
    void likelyRateFirstAndThePlanExported()
    {
        Rig rig({}, {1, 2}); // 30000 and 27500
        Scan &s = rig.scan;
        s.Position->setText("13E");
        rig.ready();
        const FileDialogAnswer chosen;                   // the name offered
        QTest::keyClick(&s, Qt::Key_D, Qt::AltModifier); // nothing identified yet: nothing to ask
        QTRY_COMPARE(rig.host.messages().size(), 1);     // a shortcut clicks a moment later
        QVERIFY(chosen.taken.isEmpty() &&
                rig.host.messages()[0].text.startsWith("No transponder is identified"));

        QTest::keyClick(&s, Qt::Key_F, Qt::AltModifier);
        QTRY_VERIFY(s.LikelyFirst->isChecked());
        QStringList tries; // the rate shown as each test tunes
        rig.port.onWrite = [&, answer = rig.port.onWrite](const QByteArray &f) {
            if (f.contains("{Tfrq=11034000}") && s.Status[0]->text() == "Testing")
                tries << s.Status[2]->text();
            answer(f);
        };
        QTest::mouseClick(s.ScanIt, Qt::LeftButton);
        QCOMPARE(tries, QStringList{"27500"});
        QTest::keyClick(&s, Qt::Key_D, Qt::AltModifier);
        QTRY_COMPARE(chosen.taken, rig.program.filePath("13.00E.conf"));
        QFile plan(chosen.taken);
        QVERIFY(plan.open(QIODevice::ReadOnly));
        const QByteArray text = plan.readAll();
        QCOMPARE(text.count("[CHANNEL]"), rig.identified());
        QVERIFY(text.contains("FREQUENCY = 11034000\n\tPOLARIZATION = VERTICAL\n\t"
                              "SYMBOL_RATE = 27500000\n"));
    }

    // The plot exported carries the position and when it was swept, and not the marker of the
    // carrier chosen in the tree; a summary of changes too long for its line is cut after a
    // whole entry, the whole of it in its tooltip.
    void aSweepExportedAndALongSummary()
    {
        Rig rig({}, {}); // no rate: the sweeps alone
        Scan &s = rig.scan;
        QByteArray rows; // 40 listed where the demo has nothing
        for (int i = 0; i < 40; ++i)
            rows += QByteArray::number(12100000 + i * 10000) + ";V;27500;\r\n";
        QVERIFY(WriteFile(rig.program.filePath("data/13.00E.csv"), rows));
        s.Position->setText("13E");
        rig.ready();
        QTest::mouseClick(s.ScanIt, Qt::LeftButton);
        const QString summary = s.Panel->Changes->toolTip();
        QVERIFY(summary.startsWith("Against 13.00E.csv: 12 new, 0 shifted, 40 missing (12100000"));
        QVERIFY(
            s.Panel->Changes->text().endsWith(" V 27500: no carrier seen at its frequency, …") &&
            summary.startsWith(s.Panel->Changes->text().chopped(3)));
        QCOMPARE(s.Panel->Changes->minimumHeight(),
                 3 * s.Panel->Changes->fontMetrics().lineSpacing());
        SweepPlot *plot = s.Panel->Plot;
        QCOMPARE(plot->view()->chart()->title(), "13.00E swept " +
                                                     QDate::currentDate().toString(Qt::ISODate) +
                                                     plot->view()->chart()->title().right(6));
        const QString png = rig.program.filePath("plot.png");
        QVERIFY(plot->savePng(png));
        const QImage unselected(png);
        s.TreeView->setCurrentItem(rig.root("11034000-V"));
        QVERIFY(plot->savePng(png) && !plot->selectedKey().isEmpty());
        QCOMPARE(QImage(png), unselected);
    }

    void keysInTheEntryBoxes()
    {
        Rig rig({}, {-1});
        Scan &s = rig.scan;
        QStringList ticked;
        for (QCheckBox *b : s.SRate)
            if (b->isChecked())
                ticked << b->text();
        QCOMPARE(ticked, (QStringList{"45000", "30000", "27500", "22000"}));
        QVERIFY(s.Position->hasFocus() && s.Position->selectedText() == "5.00E");
        QVERIFY(!s.ScanIt->isEnabled() && !s.ReScan->isEnabled() && !s.Save->isEnabled());
        s.Position->setCursorPosition(5);
        QTest::keyClick(s.Position, Qt::Key_X); // refused with a beep
        QTest::keyClick(s.Position, Qt::Key_Return);
        QCOMPARE(s.Position->text(), QString("05.00E"));
        QVERIFY(s.ScanIt->isEnabled() && s.ScanIt->hasFocus());
        bool started = false; // a second Enter starts the scan
        rig.host.after(100, [&] {
            started = rig.link.busy();
            QTest::mouseClick(s.ScanIt, Qt::LeftButton); // stop
        });
        QTest::keyClick(s.ScanIt, Qt::Key_Return);
        QVERIFY(started);
        s.Position->setText("19.2");
        s.Position->setFocus();
        QTest::keyClick(s.Position, Qt::Key_Tab); // leaving the box validates it
        QCOMPARE(s.Position->text(), QString("19.20E"));

        // The last rate's caption follows its box; Delete edits it, Tab leaves it, a letter beeps.
        s.SymRate->setFocus();
        QTest::keyClicks(s.SymRate, "61a20;");
        QCOMPARE(s.SymRate->text(), QString("6120;")); // ";" is taken, but is not a number
        QCOMPARE(s.SRate[11]->text(), QString("6120"));
        s.SymRate->setCursorPosition(0);
        QTest::sendKeyEvent(QTest::Click, s.SymRate, Qt::Key_Delete, QString("\x7f"), {});
        QCOMPARE(s.SymRate->text(), QString("120;"));
        QVERIFY(s.SRate[11]->isEnabled());
        QTest::keyClick(s.SymRate, Qt::Key_Tab);
        QVERIFY(!s.SymRate->hasFocus());
        QCOMPARE(rig.host.beeps(), 3);
        s.SymRate->clear();
        QVERIFY(!s.SRate[11]->isEnabled());
    }

    void openingAndClosingExchangesAndASweepCut()
    {
        Rig rig;
        auto answer = rig.port.onWrite;
        rig.port.onWrite = [&](const QByteArray &f) {
            // V never confirms 11500000, H sweeps whole; the run is stopped at the first test.
            if (f.endsWith("{Sigq=?}") && !rig.sent.contains("Sigq=?"))
                rig.host.after(0, [&] { QTest::mouseClick(rig.scan.ScanIt, Qt::LeftButton); });
            if (f.endsWith("{Tfrq=?}") && rig.model.state().lnbPolar == "14" &&
                rig.model.state().frequency == 11500000)
                rig.port.feedAfter(2, "\x81{Tfrq=0}");
            else
                answer(f);
        };
        rig.ready();
        QTest::mouseClick(rig.scan.ScanIt, Qt::LeftButton);
        // The receiver is readied for its sweep at rate 45000, 3 s after its band search ends.
        QCOMPARE(rig.sent.mid(0, 6), (QStringList{"Fend=?", "Fend=Null", "AStp=OFF", "Vnpd=OFF",
                                                  "Sfrq=?", "Sfrq=45000.00"}));
        QVERIFY(rig.port.writeTimesUs()[2] - rig.port.writeTimesUs()[1] >= 3000000);
        QVERIFY(rig.sent.indexOf("Vnpd=ON") > rig.sent.indexOf("AStp=ON"));
        QCOMPARE(rig.scan.Status[0]->text(), QString("No tuning at 11500000 (V)")); // still
        QVERIFY(rig.root("12073000-H") && !rig.root("12525000-V"));
        QVERIFY(rig.sent.contains("Sigq=?") && !rig.scan.Save->isEnabled());
    }

    void endingDuringTheSweep_data()
    {
        QTest::addColumn<bool>("close"); // the window's close button, or the Stop button
        QTest::newRow("stop") << false;
        QTest::newRow("close") << true;
    }
    void endingDuringTheSweep()
    {
        QFETCH(bool, close);
        Rig rig({}, {-1});
        Scan &s = rig.scan;
        rig.ready();
        QString captionWhileClosing;
        rig.host.after(3000, [&] {
            QVERIFY(!s.ReScan->isEnabled() && !s.Save->isEnabled());
            rig.host.after(700, [&] { captionWhileClosing = s.ScanIt->text(); });
            if (close)
                s.close(); // as the title bar's close button does
            else
                QTest::mouseClick(s.ScanIt, Qt::LeftButton);
        });
        QTest::mouseClick(s.ScanIt, Qt::LeftButton);
        QCOMPARE(s.isVisible(), !close);
        QVERIFY(!s.running() && !rig.link.busy());
        QVERIFY(rig.sent.count("Tfrq=?") < 4100); // the sweep ended at its next look at Run
        QVERIFY(!rig.sent.contains("Sigq=?"));    // and no test was made
        QCOMPARE(rig.sent.mid(rig.sent.size() - 2), (QStringList{"AStp=ON", "Vnpd=ON"}));
        if (!close) {
            QCOMPARE(captionWhileClosing, QString("Wait"));
            QVERIFY(s.ScanIt->text() == "S&can" && s.ReScan->isEnabled() && !s.Save->isEnabled());
        }
    }

    void stopDuringTheTests()
    {
        Rig rig;
        Scan &s = rig.scan;
        rig.ready();
        int sweeps = 0;
        bool stopped = false;
        auto answer = rig.port.onWrite;
        rig.port.onWrite = [&](const QByteArray &f) {
            sweeps += f.endsWith("{Fend=?}");
            answer(f);
            // Stopped at the 2nd tuning, whose 2.5 s outlast the 1.5 s close: a click refused.
            if (!stopped && f.contains("{Tfrq=1") && !f.endsWith("=?}") && rig.identified() == 1 &&
                s.Status[0]->text() == "Testing") {
                stopped = true;
                rig.host.after(10, [&] { QTest::mouseClick(s.ScanIt, Qt::LeftButton); });
                rig.host.after(1700, [&] {
                    QVERIFY(s.ScanIt->isEnabled() && rig.link.busy());
                    QVERIFY(s.Panel->TimeLeft->text().isEmpty()); // nothing left to estimate
                    QTest::mouseClick(s.ScanIt, Qt::LeftButton);
                });
            }
        };
        QTest::mouseClick(s.ScanIt, Qt::LeftButton);
        QVERIFY(stopped);
        QCOMPARE(rig.identified(), 1);
        QVERIFY(s.Save->isEnabled() && s.ScanIt->text() == "S&can" && !rig.link.busy());
        QCOMPARE(sweeps, 1);
        QCOMPARE(rig.host.beeps(), 1);
        // A stopped run shows no time left and no bar, nor does saving what it found.
        QVERIFY(s.Panel->TimeLeft->text().isEmpty() && s.Panel->Progress->value() == 0);
        QTest::mouseClick(s.Save, Qt::LeftButton);
        QVERIFY(s.Panel->TimeLeft->text().isEmpty() && s.Panel->Progress->value() == 0);
    }

    // Escape after a scan keeps the window and its tree; a service clicked tunes to it.
    void aServiceClickedTunesToIt()
    {
        Scanned rig;
        QTest::keyClick(&rig.scan, Qt::Key_Escape);
        QVERIFY(rig.scan.isVisible());
        QCOMPARE(rig.scan.TreeView->topLevelItemCount(), 12);
        rig.sent.clear();
        clickItem(rig.scan.TreeView, rig.service);
        QCOMPARE(rig.sent.last(), QString("Rstp=002"));
        QVERIFY(rig.sent.contains("Tfrq=11034000"));
    }

    // During a rescan and its unwinding a click beeps, sends nothing; Enter leaves the buttons.
    void aServiceClickedDuringARescanIsRefused()
    {
        Scanned rig;
        Scan &s = rig.scan;
        rig.sent.clear();
        QString buttons;
        bool moved = true;
        rig.host.after(100, [&] {
            QTreeWidgetItem *current = s.TreeView->currentItem();
            clickItem(s.TreeView, rig.service);
            moved = s.TreeView->currentItem() != current;
            QTest::keyClick(s.Position, Qt::Key_Return);
            buttons = QString::number(s.ScanIt->isEnabled()) + s.ReScan->text();
            QTest::mouseClick(s.ReScan, Qt::LeftButton); // stop
        });
        rig.host.after(800, [&] { clickItem(s.TreeView, rig.service); });
        QTest::mouseClick(s.ReScan, Qt::LeftButton);
        QVERIFY(!rig.sent.contains("Rstp=002"));
        QCOMPARE(rig.host.beeps(), 2);
        QVERIFY(!moved); // the refused click moved no selection
        QCOMPARE(buttons, QString("0&Stop"));
        QVERIFY(!rig.link.busy());
    }

    // A separator typed into its middle makes the text no position: Alt+S saves nothing, and
    // never under another; it saves under the position normalised once it is one.
    void altSSavesUnderAPositionOnly()
    {
        Scanned rig;
        Scan &s = rig.scan;
        s.Position->setFocus();
        s.Position->clear();
        QTest::keyClicks(s.Position, "..E");
        QTest::keyClick(s.Position, Qt::Key_Left);
        QTest::keyClick(s.Position, Qt::Key_Slash);
        QCOMPARE(s.Position->text(), QString("../E"));
        const qsizetype told = rig.host.messages().size();
        QTest::keyClick(s.Position, Qt::Key_S, Qt::AltModifier);
        QTRY_COMPARE(rig.host.messages().size(), told + 1); // a shortcut clicks a moment later
        QVERIFY(!QFile::exists(rig.program.filePath("00.00E.csv")));
        QVERIFY(!QFile::exists(rig.program.filePath("../E.csv")));
        s.Position->clear();
        QTest::keyClicks(s.Position, "0");
        QTest::keyClick(s.Position, Qt::Key_S, Qt::AltModifier);
        QTRY_COMPARE(s.Position->text(), QString("00.00E"));
        QVERIFY(QFile::exists(rig.program.filePath("00.00E.csv")));
        QVERIFY(QFile::exists(rig.program.filePath("data/00.00E-11034000-V-27500.csv")));
        s.close(); // saved: nothing to ask
        QVERIFY(!s.isVisible() && rig.host.messages().size() == told + 1);
    }

    // The time left shows while the run goes on; when it is done, a full bar.
    void timeLeftOfAWholeScan()
    {
        WholeScan rig;
        QVERIFY(rig.timeLeft.startsWith("about ") && rig.scan.Panel->TimeLeft->text().isEmpty());
        QCOMPARE(rig.scan.Panel->Progress->value(), rig.scan.Panel->Progress->maximum());
    }

    // The sweep's every step, one line each and drawn in its trace, and a marker per carrier:
    // those identified, and those found that are not, marked already as the tests begin.
    void plotOfAWholeScan()
    {
        WholeScan rig;
        SweepPlot *plot = rig.scan.Panel->Plot;
        QVERIFY(rig.markedAtTests);
        QCOMPARE(plot->steps(), 2 * 2050);
        QCOMPARE(plot->csv().count('\n'), 1 + 2 * 2050);
        QVERIFY(plot->csv().contains("\n11034000;V;-43.50;10.0\n11035000;V;-43.52;9.6\n"));
        QVERIFY(plot->csv().contains("\n10700000;V;;\n")); // no signal: no numbers
        plot->flush();
        QMap<QString, QList<QPointF>> traces;
        for (QAbstractSeries *a : plot->view()->chart()->series())
            if (auto *trace = qobject_cast<QXYSeries *>(a))
                traces[trace->name()] = trace->points();
        QCOMPARE(traces["identified"].size(), 11);
        QCOMPARE(traces["found"].size(), 1);
        QVERIFY(traces["level V"].size() == 2050 && traces["margin H"].size() == 2050);
        QVERIFY(traces["level V"].contains(QPointF(11034, -43.5)) &&
                traces["margin V"].contains(QPointF(11034, 10)));
    }

    // What changed against the stored list, in a line and on the nodes.
    void changesAgainstTheStoredList()
    {
        WholeScan rig;
        QCOMPARE(rig.scan.Panel->Changes->text(),
                 QString("Against 13.00E.csv: 1 new, 1 shifted, 1 missing (11800000 V 27500: no "
                         "carrier seen at its frequency), 1 found, not identified (10971000 V "
                         "29000: seen but no margin)"));
        QCOMPARE(rig.root("11681000-H-27500")->text(1), QString("new"));
        QCOMPARE(rig.root("11258000-V-27500")->text(1), QString("shifted from 11253000"));
        QCOMPARE(rig.root("10971000-V")->text(1), QString("listed, not identified"));
        QCOMPARE(rig.root("10971000-V")->toolTip(0), QString("no lock at 29000, 30000, 27500"));
        QCOMPARE(rig.root("11034000-V-27500")->text(1), QString());
    }

    // A node chosen shows on the plot; a marker clicked chooses its node.
    void nodeAndMarkerChooseEachOther()
    {
        WholeScan rig;
        Scan &s = rig.scan;
        SweepPlot *plot = s.Panel->Plot;
        s.TreeView->setCurrentItem(rig.root("11034000-V-27500"));
        QCOMPARE(plot->selectedKey(), ScanKey::identified("11034000", "V", "27500").key());
        QChartView *view = plot->view();
        const QPoint at = view->mapFromScene(view->chart()->mapToPosition(
            plot->markerPosition(ScanKey::identified("10892000", "H", "27500").key())));
        QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, at);
        QCOMPARE(s.TreeView->currentItem(), rig.root("10892000-H-27500"));
    }

    // Save tells what the list saved would lack of the stored one, and asks first.
    void saveTellsWhatTheListWouldLack()
    {
        WholeScan rig;
        rig.host.queueAnswer(Message::AnsweredCancel);
        QTest::keyClick(rig.scan.TreeView, Qt::Key_S, Qt::AltModifier);
        QTRY_COMPARE(rig.host.messages().size(), 1);
        QVERIFY2(rig.host.messages()[0].text.contains(
                     "lacks 2 transponder(s) of " +
                     QDir::toNativeSeparators(rig.program.filePath("data/13.00E.csv")) +
                     ": 11800000 V 27500, 10971000 V 29000.\r\n"),
                 qPrintable(rig.host.messages()[0].text));
        QVERIFY(!QFile::exists(rig.program.filePath("13.00E.csv")));
    }
};

QTEST_MAIN(TestScanWindow)
#include "tst_scanwindow.moc"
