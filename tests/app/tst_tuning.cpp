#include "app/reportview.h"
#include "app/statuspanels.h"
#include "lists/transponderentry.h"
#include "tests/app/mainrig.h"

#include <QApplication>
#include <QHeaderView>
#include <QLabel>
#include <QTest>
#include <QTreeWidget>

using Fault = ReceiverStandIn::Fault;

class TestTuning : public QObject
{
    Q_OBJECT

private slots:
    void pick_data()
    {
        QTest::addColumn<Fault>("fault");
        QTest::addColumn<int>("row");
        QTest::addColumn<QByteArrayList>("frames");
        QTest::addColumn<QString>("statuses");
        const QByteArrayList tuning{"\x81{LNos=?}",        "\x81{LNBp=?}", "\x81{LNBp=18}",
                                    "\x81{Tfrq=10892000}", "\x81{Sfrq=?}", "\x81{Rstp=1}"};
        QTest::newRow("locks") << Fault::None << 0
                               << tuning + QByteArrayList{"\x81{Bst=?}", "\x81{Snam=257}"}
                               << "Search Services|No error|Wait setup|Sync|Get Services|-42.0 "
                                  "dBm, 11.2 dB";
        // Every setting is still sent after a refusal; no lock is awaited then.
        QTest::newRow("refused") << Fault::Refuses << 0 << tuning << "Search Services|Error|";
        // Ends with the lock query, then the signal for the status bar.
        QTest::newRow("no lock") << Fault::None << 2 << QByteArrayList{}
                                 << "Search Services|No error|Wait setup|No sync|-42.0 dBm, no "
                                    "lock";
        // The type's query and its set both time out; nothing else is sent.
        QTest::newRow("time-out") << Fault::Silent << 0
                                  << QByteArrayList{"\x81{LNos=?}", "\x81{LNos=UNVR}"}
                                  << "Search Services|Time out|";
    }
    void pick()
    {
        QFETCH(Fault, fault);
        QFETCH(int, row);
        QFETCH(QByteArrayList, frames);
        QFETCH(QString, statuses);
        Started rig; // the receiver's transponder and service are marked at start
        QVERIFY(rig.main->ListView->currentItem() == rig.row(1) &&
                rig.marked(rig.main->ListView) == QList<int>{1});
        QCOMPARE(rig.marked(rig.main->Service), QList<int>{0});
        rig.receiver.inject(fault, "LNBp");
        const bool tuned = fault == Fault::None, locks = tuned && row == 0;
        const QString polar = rig.main->state.gPol;
        bool busyDuringTuning = false;
        auto answer = rig.port->onWrite;
        rig.port->onWrite = [&](const QByteArray &f) {
            busyDuringTuning |= f == "\x81{Tfrq=10892000}" && QApplication::overrideCursor() &&
                                !rig.main->StatusBar->isPanelEnabled("Scan") &&
                                !rig.main->StatusBar->isPanelEnabled("Edit") &&
                                !rig.main->StatusBar->isPanelEnabled("Input");
            answer(f);
        };
        rig.pick(rig.main->ListView, row);
        const QByteArrayList w = rig.port->writes();
        QCOMPARE(w.mid(0, frames.size()), frames);
        QVERIFY(tuned ? w.size() > frames.size() : w.size() == frames.size());
        const QByteArrayList signal{"\x81{Bst=?}", "\x81{Slvl=?}", "\x81{Lnmr=?}", "\x81{Sigq=?}"};
        QVERIFY(!tuned || locks || w.mid(w.size() - 5) == QByteArrayList{"\x81{Bst=?}"} + signal);
        QCOMPARE(busyDuringTuning, fault != Fault::Silent);
        QCOMPARE(rig.statuses.join('|'), statuses);
        auto ms = [&](int i) { return rig.statusMs[i]; };
        if (locks) {
            QVERIFY(ms(3) - ms(2) >= 2500);
            QVERIFY(ms(4) - ms(3) >= 2000 && ms(4) - ms(3) < 2100);
        }
        if (tuned) // the status clears a second after the outcome
            QVERIFY(ms(rig.statusMs.size() - 1) - ms(rig.statusMs.size() - 2) >= 1000);
        QCOMPARE(rig.main->state.gPol, fault == Fault::Silent ? polar : "H");
        QCOMPARE(rig.host.beeps(), int(fault == Fault::Silent));
        QCOMPARE(rig.marked(rig.main->ListView), QList<int>{row});
        QCOMPARE(rig.main->state.gSvc, locks ? "Aurora TV" : "Demo One");
        const QStringList aurora{"Aurora TV", "Aurora News", "Aurora Sport", "Aurora Film",
                                 "Aurora Radio"};
        QCOMPARE(rig.column(rig.main->Service, 1), locks ? aurora : QStringList{});
        QCOMPARE(rig.marked(rig.main->Service), locks ? QList<int>{0} : QList<int>{});
        QVERIFY(!QApplication::overrideCursor() && rig.main->StatusBar->isPanelEnabled("Scan"));
    }

    void bandCheck_data()
    {
        QTest::addColumn<int>("band");
        QTest::addColumn<QString>("frequency");
        QTest::addColumn<QString>("refusal"); // empty: tuning goes ahead
        for (auto [band, f, refusal] : {std::tuple{0, "2400000", ""},
                                        {0, "2400001", "Not allowed for L band"},
                                        {1, "2399999", "Not allowed for Ku band"},
                                        {1, "11000000", ""},
                                        {5, "950000", ""}})
            QTest::addRow("band %d at %s", band, f) << band << QString(f) << QString(refusal);
    }
    void bandCheck()
    {
        QFETCH(int, band);
        QFETCH(QString, frequency);
        QFETCH(QString, refusal);
        Started rig;
        rig.main->state.link.Bnd = quint8(band);
        rig.main->insertTransponders(1, {{"13.00E", frequency, "H", "27500"}});
        rig.pick(rig.main->ListView, 0);
        QCOMPARE(rig.main->state.gFrq, frequency); // taken before the check
        if (refusal.isEmpty()) {
            QVERIFY(rig.port->writes().contains("\x81{Tfrq=" + frequency.toLatin1() + '}'));
            return;
        }
        QVERIFY(rig.port->writes().isEmpty());
        QCOMPARE(rig.host.beeps(), 1);
        QCOMPARE(rig.statuses, QStringList{refusal});
        QLabel *status = rig.main->StatusBar->panel("Status"); // shown whole at the start's size
        rig.main->StatusBar->setText("Status", "Status: Search Services");
        QTRY_VERIFY(status->width() >= status->sizeHint().width());
        QCOMPARE(rig.marked(rig.main->ListView), QList<int>{2}); // the start's mark stays
        QCOMPARE(rig.main->Service->topLevelItemCount(), 5);
    }

    void servicePick()
    {
        Started rig;
        auto *services = rig.main->Service;
        bool busyShown = false;
        rig.port->onWrite = [&, answer = rig.port->onWrite](const QByteArray &f) {
            busyShown = QApplication::overrideCursor() != nullptr;
            answer(f);
        };
        rig.pick(services, 2);
        QCOMPARE(rig.port->writes(), QByteArrayList{"\x81{Rstp=3}"});
        QVERIFY(busyShown);
        QCOMPARE(rig.marked(services), QList<int>{2});
        QCOMPARE(rig.main->state.gSvc, QString("Demo One"));
        QVERIFY(rig.statuses.isEmpty());
        QVERIFY(!QApplication::overrideCursor());

        ServiceListView(services).insertService(6, "256", "Too far");
        rig.pick(services, 5);
        QCOMPARE(rig.port->writes().size(), 1); // refused: 256 is no service byte
        QCOMPARE(rig.host.beeps(), 1);
        QCOMPARE(rig.marked(services), QList<int>{2});
    }

    void lostPortIsShownAndOpenedAgain()
    {
        Started rig;
        auto answer = rig.port->onWrite;
        rig.port->onWrite = [&](const QByteArray &f) {
            rig.port->setLost(f == "\x81{Tfrq=10892000}"); // gone in the middle of a pick
            answer(f);
        };
        rig.pick(rig.main->ListView, 0);
        QLabel *port = rig.main->StatusBar->panel("Port");
        QCOMPARE(port->text(), QString("COM1 lost"));
        QTRY_VERIFY(port->width() >= port->sizeHint().width()); // shown whole
        // Each pick or command opens the port again first, as at start-up, or goes no further.
        rig.port->setOpenFails(true);
        rig.pick(rig.main->ListView, 1);
        rig.click("Input");
        QCOMPARE(rig.port->opens(), 3);
        QCOMPARE(rig.host.messages().size(), 2);
        QVERIFY(rig.statuses.count("Search Services") == 1 && rig.main->state.Inp == 0 &&
                port->text() == "COM1 lost");
        rig.port->setOpenFails(false);
        rig.pick(rig.main->ListView, 1);
        QVERIFY(rig.port->writes().contains("\x81{Tfrq=11034000}") && port->text() == "COM1");
        rig.port->setLost(true);
        rig.pick(rig.main->Service, 1);
        QVERIFY(rig.port->writes().last() == "\x81{Rstp=2}" && rig.port->opens() == 5);
    }

    void picksAndPanelsDuringATuningAreRefused()
    {
        Started rig;
        auto answer = rig.port->onWrite;
        int nested = 0;
        rig.port->onWrite = [&](const QByteArray &f) {
            const int before = int(rig.port->writes().size());
            if (f == "\x81{Tfrq=10892000}") {
                rig.pick(rig.main->ListView, 3);
                rig.click("Input"); // disabled: no beep
                rig.click("Port");
            }
            if (f == "\x81{Snam=2}") // the first service is listed while the next is asked
                rig.pick(rig.main->Service, 0);
            nested += int(rig.port->writes().size()) - before;
            answer(f);
        };
        rig.pick(rig.main->ListView, 0);
        QCOMPARE(nested, 0);
        QVERIFY(rig.modals.isEmpty());
        QCOMPARE(rig.host.beeps(), 3);
        QCOMPARE(rig.main->state.gFrq, QString("10892000"));
        QVERIFY(!rig.main->state.link.busy() && rig.main->state.Inp == 0);
    }

    void columnSortIsByText()
    {
        Started rig;
        rig.main->insertTransponders(1, {{"13.00E", "950000", "V", "27500"}});
        QHeaderView *header = rig.main->ListView->header();
        // Clicks spaced beyond the double-click interval, as an operator makes them.
        auto click = [&](int section) {
            QTest::mouseClick(header->viewport(), Qt::LeftButton, {},
                              QPoint(header->sectionViewportPosition(section) + 5, 5),
                              QApplication::doubleClickInterval() + 10);
        };
        const QStringList ascending{"10892000", "10892000", "11034000", "12073000", "950000"};
        click(1);
        QCOMPARE(rig.column(rig.main->ListView, 1), ascending);
        click(1); // and descending

        // A click while a pick clears the marks would move rows behind its back: it beeps.
        auto answer = rig.port->onWrite;
        rig.port->onWrite = [&](const QByteArray &f) {
            if (f.contains("{Tfrq=1"))
                click(2);
            answer(f);
        };
        rig.pick(rig.main->ListView, 2);
        QCOMPARE(rig.host.beeps(), 1); // and the arrow stays where the rows' order is
        QVERIFY(header->sortIndicatorSection() == 1 &&
                header->sortIndicatorOrder() == Qt::DescendingOrder);
        QCOMPARE(rig.column(rig.main->ListView, 1),
                 QStringList(ascending.rbegin(), ascending.rend()));
        QCOMPARE(rig.marked(rig.main->ListView), QList<int>{2});
    }
};

QTEST_MAIN(TestTuning)
#include "tst_tuning.moc"
