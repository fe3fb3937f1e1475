#include "link/linkstate.h"
#include "link/protocol_mssl.h"
#include "lists/listfile.h"
#include "lists/transponderlist.h"
#include "platform/memoryport.h"
#include "platform/virtualhost.h"
#include "scan/scan.h"
#include "sim/receivermodel.h"
#include "tests/support/simulatedreceiver.h"

#include <QCheckBox>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>

namespace {

// The scan window over the demo receiver on the virtual clock.
struct Rig
{
    QTemporaryDir program;
    VirtualHost host;
    MemoryPort port{host};
    ReceiverModel model;
    LinkState link{port, host};
    Protocol_MsSl driver{link};
    Scan scan{driver, host, program.path()};
    QStringList sent; // every frame, without the address byte

    explicit Rig(ReceiverModel::Options options = {})
        : model(SimulatedReceiver::demoSatellite(), options)
    {
        // An event-loop pass costs 0.2 ms here, so the long waits of a scan take few passes.
        host.setPassCostUs(200);
        port.open();
        link.Bnd = 1;
        driver.setAdr(129);
        port.onWrite = [this](const QByteArray &frame) {
            sent << QString::fromLatin1(frame.mid(2, frame.size() - 3)); // code=value
            for (const ReceiverModel::Exchange &e : model.receive(frame))
                port.feedAfter(2, e.reply);
        };
    }

    // Enter in the position box: the position is confirmed and a scan can start.
    void ready() { QTest::keyClick(scan.Position, Qt::Key_Return); }

    QStringList roots() const
    {
        QStringList out;
        for (int i = 0; i < scan.TreeView->topLevelItemCount(); ++i)
            out << scan.TreeView->topLevelItem(i)->text(0);
        return out;
    }
    int identified() const
    {
        int n = 0;
        for (const QString &r : roots())
            n += r.count('-') == 2;
        return n;
    }
    void tickOnly(QList<int> rates)
    {
        for (int i = 0; i < 12; ++i)
            scan.SRate[i]->setChecked(rates.contains(i));
    }
};

struct Rows : TransponderList
{
    QStringList rows;
    QString currentFrequency() const override { return QString(); }
    void insertTransponders(int, const QList<TransponderEntry> &entries) override
    {
        for (const TransponderEntry &e : entries)
            rows << e.frequency;
    }
    void makeCurrent(int) override {}
};

} // namespace

class TestScanWindow : public QObject
{
    Q_OBJECT

private slots:
    void opens()
    {
        Rig rig;
        Scan &s = rig.scan;
        s.show();
        QVERIFY(QTest::qWaitForWindowActive(&s));
        QCOMPARE(s.Position->text(), QString("5.00E"));
        QVERIFY(s.Position->hasFocus());
        QCOMPARE(s.Position->selectedText(), QString("5.00E"));
        QVERIFY(!s.ScanIt->isEnabled() && !s.ReScan->isEnabled() && !s.Save->isEnabled());
        QCOMPARE(s.ScanIt->text(), QString("S&can"));
        QStringList ticked;
        for (QCheckBox *b : s.SRate) {
            if (b->isChecked())
                ticked << b->text();
        }
        QCOMPARE(ticked, (QStringList{"45000", "30000", "27500", "22000"}));
        QVERIFY(!s.SRate[11]->isEnabled());
        QCOMPARE(s.SymRate->maxLength(), 5);
        QCOMPARE(s.Timer->interval(), 2000);
        QVERIFY(s.Timer->isActive());
    }

    void positionEntry()
    {
        Rig rig;
        Scan &s = rig.scan;
        s.show();
        QVERIFY(QTest::qWaitForWindowActive(&s));
        s.Position->setCursorPosition(5);
        QTest::keyClick(s.Position, Qt::Key_X);
        QCOMPARE(s.Position->text(), QString("5.00E"));
        QCOMPARE(rig.host.beeps(), 1);
        QTest::keyClick(s.Position, Qt::Key_Return);
        QCOMPARE(s.Position->text(), QString("05.00E"));
        QVERIFY(s.ScanIt->isEnabled());
        QVERIFY(s.ScanIt->hasFocus());
        s.Position->setText("19.2");
        s.Position->setFocus();
        QTest::keyClick(s.Position, Qt::Key_Tab); // leaving the box validates it
        QCOMPARE(s.Position->text(), QString("19.20E"));
        QCOMPARE(rig.host.beeps(), 2);
    }

    void symbolRateEntry()
    {
        Rig rig;
        Scan &s = rig.scan;
        QStringList captions;
        for (const char *key : {"6", "1", "1", "0", "0"}) {
            QTest::keyClicks(s.SymRate, key);
            captions << s.SRate[11]->text();
        }
        QCOMPARE(captions, (QStringList{"6", "61", "611", "6110", "61100"}));
        QVERIFY(s.SRate[11]->isEnabled());
        QTest::keyClicks(s.SymRate, "a");
        QCOMPARE(rig.host.beeps(), 1);
        s.SymRate->setText("612");
        QTest::keyClicks(s.SymRate, ";"); // taken as a key, but not a number
        QCOMPARE(s.SymRate->text(), QString("612;"));
        QCOMPARE(s.SRate[11]->text(), QString("612"));
        s.SRate[11]->setChecked(true);
        s.SymRate->clear();
        QVERIFY(!s.SRate[11]->isEnabled());
        QVERIFY(s.SRate[11]->isChecked());
        QCOMPARE(s.SRate[11]->text(), QString("612"));
    }

    void wholeScanOfTheDemoSatellite()
    {
        Rig rig({129, false, 0, false, 3}); // names are learnt after three queries per lock
        Scan &s = rig.scan;
        s.SRate[10]->setChecked(true); // 4883
        QTest::keyClicks(s.SymRate, "29900");
        s.SRate[11]->setChecked(true);
        s.Position->setText("13E");
        rig.ready();
        QCOMPARE(s.Position->text(), QString("13.00E"));
        QStringList progress;
        rig.host.after(10000, [&] {
            s.Timer_Timer();
            progress << s.Status[4]->text();
        });
        s.ScanIt_Click();
        QVERIFY(!s.running() && !rig.link.busy());
        // 12 carriers; all but the one at 28000 are identified at a ticked rate.
        QCOMPARE(s.TreeView->topLevelItemCount(), 12);
        QCOMPARE(rig.identified(), 11);
        QVERIFY(rig.roots().contains("11034000-V-27500"));
        QVERIFY(rig.roots().contains("12073000-H-4883"));
        QVERIFY(rig.roots().contains("11096000-H"));
        QVERIFY(progress.value(0).endsWith('%'));
        QCOMPARE(s.ScanIt->text(), QString("S&can"));
        QVERIFY(s.Save->isEnabled() && s.ReScan->isEnabled() && s.ScanIt->isEnabled());
        // Names came after the receiver learnt them.
        const QTreeWidgetItem *demo =
            s.TreeView->findItems("11034000-V-27500", Qt::MatchExactly)[0];
        QCOMPARE(demo->child(2)->text(0), QString("001-Demo One"));
        QCOMPARE(demo->font(0).bold(), true);

        QTest::mouseClick(s.Save, Qt::LeftButton);
        QFile list(rig.program.filePath("13.00E.csv"));
        QVERIFY(list.open(QIODevice::ReadOnly));
        QCOMPARE(list.readAll().count("\r\n"), 11);
        QVERIFY(QFile::copy(list.fileName(), rig.program.filePath("data/13.00E.csv")));
        Rows rows;
        ReadListFile(rig.program.filePath("data"), "13.00E.csv", rows, rig.host);
        QCOMPARE(rows.rows.size(), 11);
        QVERIFY(rig.host.messages().isEmpty());
        QVERIFY(QFile::exists(rig.program.filePath("data/13.00E-11034000-V-27500.csv")));
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
        Rig rig;
        rig.ready();
        Scan &s = rig.scan;
        s.show();
        QString captionWhileClosing;
        rig.host.after(3000, [&] {
            QVERIFY(!s.ReScan->isEnabled() && !s.Save->isEnabled());
            rig.host.after(700, [&] { captionWhileClosing = s.ScanIt->text(); });
            if (close)
                s.reject();
            else
                QTest::mouseClick(s.ScanIt, Qt::LeftButton);
        });
        QTest::mouseClick(s.ScanIt, Qt::LeftButton);
        QCOMPARE(s.isVisible(), !close);
        QVERIFY(!s.running() && !rig.link.busy());
        QVERIFY(rig.sent.count("Tfrq=?") < 4100); // the sweep ended at its next look at Run
        QVERIFY(!rig.sent.contains("Sigq=?"));    // and no test was made
        if (!close) {
            QCOMPARE(captionWhileClosing, QString("Wait"));
            QCOMPARE(s.ScanIt->text(), QString("S&can"));
            QVERIFY(s.ReScan->isEnabled() && !s.Save->isEnabled());
        }
    }

    void stopDuringTheTests()
    {
        Rig rig;
        rig.ready();
        Scan &s = rig.scan;
        rig.tickOnly({2}); // 27500
        bool stopped = false;
        auto answer = rig.port.onWrite;
        rig.port.onWrite = [&](const QByteArray &f) {
            answer(f);
            // stop as the second transponder is tuned, the first being identified
            if (!stopped && f.contains("{Tfrq=1") && !f.endsWith("=?}") && rig.identified() == 1 &&
                s.Status[0]->text() == "Testing") {
                stopped = true;
                rig.host.after(0, [&] { QTest::mouseClick(s.ScanIt, Qt::LeftButton); });
            }
        };
        s.ScanIt_Click();
        QVERIFY(stopped);
        QCOMPARE(rig.identified(), 1);
        QVERIFY(s.Save->isEnabled());
        QCOMPARE(s.ScanIt->text(), QString("S&can"));
        QVERIFY(!rig.link.busy());
    }

    void noStartWhileAStoppedRunUnwinds()
    {
        Rig rig;
        rig.ready();
        Scan &s = rig.scan;
        rig.tickOnly({2});
        bool stopped = false;
        int sweepsStarted = 0;
        auto answer = rig.port.onWrite;
        rig.port.onWrite = [&](const QByteArray &f) {
            sweepsStarted += f.endsWith("{Fend=?}");
            answer(f);
            // stop as a test tunes: the test's 2.5 s wait outlasts the 1.5 s close
            if (!stopped && f.endsWith("{Tfrq=10719000}") && s.Status[0]->text() == "Testing") {
                stopped = true;
                rig.host.after(10, [&] { QTest::mouseClick(s.ScanIt, Qt::LeftButton); });
                rig.host.after(1700, [&] {
                    QVERIFY(s.ScanIt->isEnabled());
                    QVERIFY(rig.link.busy());
                    QTest::mouseClick(s.ScanIt, Qt::LeftButton);
                });
            }
        };
        s.ScanIt_Click();
        QVERIFY(stopped);
        QCOMPARE(sweepsStarted, 1);
        QCOMPARE(rig.host.beeps(), 1);
        QVERIFY(!rig.link.busy());
    }

    void noRateTicked()
    {
        Rig rig;
        rig.ready();
        Scan &s = rig.scan;
        rig.tickOnly({});
        QTest::mouseClick(s.ScanIt, Qt::LeftButton);
        // The receiver is readied for its sweep at rate 45000, 3 s after its band search ends.
        QCOMPARE(rig.sent.mid(0, 6), (QStringList{"Fend=?", "Fend=Null", "AStp=OFF", "Vnpd=OFF",
                                                  "Sfrq=?", "Sfrq=45000.00"}));
        const QList<quint64> &t = rig.port.writeTimesUs();
        QVERIFY(t[2] - t[1] >= 3000000);
        QCOMPARE(rig.sent.mid(rig.sent.size() - 2), (QStringList{"AStp=ON", "Vnpd=ON"}));
        QCOMPARE(s.TreeView->topLevelItemCount(), 12);
        QCOMPARE(rig.identified(), 0);
        QVERIFY(!rig.sent.contains("Sigq=?"));
        QVERIFY(!s.Save->isEnabled());
        QVERIFY(s.ReScan->isEnabled());
    }

    void serviceClickTunesOnlyWhenIdle()
    {
        Rig rig;
        Scan &s = rig.scan;
        s.show();
        QVERIFY(QTest::qWaitForWindowActive(&s));
        rig.ready();
        rig.tickOnly({2});
        QTest::mouseClick(s.ScanIt, Qt::LeftButton);
        const QTreeWidgetItem *tp = s.TreeView->findItems("11034000-V-27500", Qt::MatchExactly)[0];
        auto clickService = [&] {
            QTreeWidgetItem *service = tp->child(3); // 002-Demo Two
            s.TreeView->scrollToItem(service);
            QTest::mouseClick(s.TreeView->viewport(), Qt::LeftButton, {},
                              s.TreeView->visualItemRect(service).center());
        };
        rig.sent.clear();
        clickService();
        QCOMPARE(rig.sent.last(), QString("Rstp=002"));
        QVERIFY(rig.sent.contains("Tfrq=11034000"));

        // During a rescan, and while the stopped rescan unwinds, a click beeps and sends
        // nothing; Enter in the position box leaves the run's buttons alone.
        rig.sent.clear();
        QStringList buttons;
        rig.host.after(100, [&] {
            clickService();
            QTest::keyClick(s.Position, Qt::Key_Return);
            buttons << QString::number(s.ScanIt->isEnabled()) + s.ReScan->text();
            QTest::mouseClick(s.ReScan, Qt::LeftButton); // stop
        });
        rig.host.after(800, [&] { clickService(); });
        QTest::mouseClick(s.ReScan, Qt::LeftButton);
        QVERIFY(!rig.sent.contains("Rstp=002"));
        QCOMPARE(rig.host.beeps(), 2);
        QCOMPARE(buttons, QStringList{"0&Stop"});
        QVERIFY(!rig.link.busy());
    }

    void operatorKeys()
    {
        Rig rig;
        Scan &s = rig.scan;
        s.show();
        QVERIFY(QTest::qWaitForWindowActive(&s));
        // Tab leaves the symbol-rate box and Delete edits it, without a beep.
        s.SymRate->setFocus();
        QTest::keyClicks(s.SymRate, "6120");
        s.SymRate->setCursorPosition(0);
        QTest::sendKeyEvent(QTest::Click, s.SymRate, Qt::Key_Delete, QString("\x7f"), {});
        QCOMPARE(s.SymRate->text(), QString("120"));
        QTest::keyClick(s.SymRate, Qt::Key_Tab);
        QVERIFY(!s.SymRate->hasFocus());
        QCOMPARE(rig.host.beeps(), 0);

        rig.tickOnly({2});
        rig.ready();
        QTest::mouseClick(s.ScanIt, Qt::LeftButton);
        // Esc neither closes the window nor loses the tree.
        QTest::keyClick(&s, Qt::Key_Escape);
        QVERIFY(s.isVisible());
        QCOMPARE(s.TreeView->topLevelItemCount(), 12);

        // Alt+S with a separator put in the middle of the position: saved under the
        // normalised position, in the program folder and its data folder only.
        s.Position->setFocus();
        s.Position->clear();
        QTest::keyClicks(s.Position, "..E");
        QTest::keyClick(s.Position, Qt::Key_Left);
        QTest::keyClick(s.Position, Qt::Key_Slash);
        QCOMPARE(s.Position->text(), QString("../E"));
        QTest::keyClick(s.Position, Qt::Key_S, Qt::AltModifier);
        QTRY_COMPARE(s.Position->text(), QString("00.00E")); // a shortcut clicks a moment later
        QVERIFY(QFile::exists(rig.program.filePath("00.00E.csv")));
        QVERIFY(QFile::exists(rig.program.filePath("data/00.00E-11034000-V-27500.csv")));
        QVERIFY(!QFile::exists(rig.program.filePath("../E.csv")));
    }

    void sweepCutShowsAfterTheRun()
    {
        Rig rig;
        Scan &s = rig.scan;
        rig.tickOnly({});
        auto answer = rig.port.onWrite;
        rig.port.onWrite = [&](const QByteArray &f) {
            // Vertical, the receiver never confirms 11500000; horizontal sweeps whole.
            if (f.endsWith("{Tfrq=?}") && rig.model.state().lnbPolar == "14" &&
                rig.model.state().frequency == 11500000)
                rig.port.feedAfter(2, "\x81{Tfrq=0}");
            else
                answer(f);
        };
        rig.ready();
        QTest::mouseClick(s.ScanIt, Qt::LeftButton);
        QCOMPARE(s.Status[0]->text(), QString("No tuning at 11500000 (V)"));
        QVERIFY(rig.roots().contains("12073000-H"));
    }
};

QTEST_MAIN(TestScanWindow)
#include "tst_scanwindow.moc"
