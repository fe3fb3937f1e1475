#include "config/config.h"
#include "link/exchangeobserver.h"
#include "session/mainstate.h"
#include "testsupport/memoryport.h"
#include "testsupport/simulatedreceiver.h"
#include "testsupport/virtualhost.h"

#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTimer>

#include <tuple>

namespace {

struct Rig
{
    VirtualHost host;
    MemoryPort port{host};
    MainState state{port, host};
    Rig() // address 129, input A, a universal LNB
    {
        state.link.Prt = 3;
        state.link.Spd = 9600;
        state.link.Bnd = 1;
    }
};

bool showActive(QWidget &w)
{
    w.show();
    w.activateWindow();
    return QTest::qWaitForWindowActive(&w);
}

} // namespace

class TestConfig : public QObject
{
    Q_OBJECT

private slots:
    void optionsStoreAtOnceAndOkStoresTheLinkAsTyped()
    {
        Rig rig;
        rig.state.LNB = 7; // stored, but no option has it
        {
            Config dlg(rig.state);
            QCOMPARE(dlg.vCom->currentText() + dlg.vBds->currentText() + dlg.vAdr->text(),
                     QString("39600129"));
            QVERIFY(dlg.vInp[0]->isChecked() && dlg.vBnd[1]->isChecked() && !dlg.IsOk);
            for (QRadioButton *b : dlg.vLNB)
                QVERIFY(!b->isChecked());
            QVERIFY(showActive(dlg));
            dlg.vLNB[1]->click();
            dlg.vInp[1]->click();
            dlg.vBnd[0]->click();
            dlg.vCom->setEditText("7");
            dlg.reject();
        }
        QVERIFY(rig.state.LNB == 1 && rig.state.Inp == 1 && rig.state.link.Bnd == 0);
        QCOMPARE(rig.state.link.Prt, qint16(3)); // typed, but only OK stores it

        // The lists stay fixed and the text is taken as typed: no completion, Enter adds nothing.
        Config dlg(rig.state);
        QVERIFY(showActive(dlg));
        for (auto [box, text] : {std::pair{dlg.vBds, "1"}, {dlg.vCom, "16"}}) {
            box->setFocus();
            box->lineEdit()->selectAll();
            QTest::keyClicks(box->lineEdit(), text);
            QTest::keyClick(box->lineEdit(), Qt::Key_Return);
        }
        QVERIFY(dlg.vBds->count() == 4 && dlg.vCom->count() == 15);
        dlg.vAdr->setText("200");
        QTest::mouseClick(dlg.OK, Qt::LeftButton);
        QCOMPARE(dlg.result(), int(QDialog::Accepted));
        QVERIFY(rig.state.link.Prt == 16 && rig.state.link.Spd == 1 && rig.state.Adr == 200);
    }

    void leavingABoxValidatesIt()
    {
        for (const auto &[box, text, valid] : {std::tuple{"vCom", "4", true},
                                               {"vCom", "COM4", false},
                                               {"vCom", "0", false},
                                               {"vBds", "3000000000", false},
                                               {"vAdr", " 200 ", true},
                                               {"vAdr", "", false},
                                               {"vAdr", "256", false},
                                               {"vAdr", "1E2", true}}) {
            Rig rig;
            Config dlg(rig.state);
            QVERIFY(showActive(dlg));
            QWidget *w = dlg.findChild<QWidget *>(box);
            w->setFocus();
            QTRY_VERIFY(w->hasFocus());
            if (auto *combo = qobject_cast<QComboBox *>(w))
                combo->setEditText(text);
            else
                static_cast<QLineEdit *>(w)->setText(text);
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            QCoreApplication::processEvents();
            QVERIFY2(w->hasFocus() == !valid, text);
            QCOMPARE(dlg.lStatus->text(), valid ? QString() : QString("Numerical value !"));
            QCOMPARE(rig.host.beeps(), valid ? 0 : 1);
            if (valid)
                continue;
            QTest::mouseClick(dlg.OK, Qt::LeftButton); // refused with one more beep
            QVERIFY(dlg.isVisible() && rig.state.Adr == 129 && rig.host.beeps() == 2);
        }
    }

    void linkTest()
    {
        for (const auto &[answer, delayMs, status] :
             {std::tuple{"\x81{Utst=I}", 20, "KOLVEX7 is OK"},
              {"\x81{Ack=Uk}", 20, "KOLVEX7 replied error"},
              {"", 0, "No response"},
              {"\x81{Utst=I}", 250, "No response"}, // too late
              {"\x81{Utst=I}\r\n", 20, "Bad response"},
              {"\x81{Tfrq=1}", 20, "Comm. error"},
              {"\x82{Utst=I}", 20, "No response"}, // another receiver's answer
              {"\x82{Utst=I}\x81{Utst=I}", 20, "KOLVEX7 is OK"}}) {
            Rig rig;
            rig.port.onWrite = [&](const QByteArray &) { rig.port.feedAfter(delayMs, answer); };
            struct : ExchangeObserver // the link console
            {
                QByteArrayList seen;
                void exchanged(const LinkExchange &e) override { seen << e.operation + e.sent; }
            } console;
            rig.state.link.watch(&console);
            Config dlg(rig.state);
            dlg.vCom->setEditText("4");
            dlg.vBds->setEditText("19200");
            QTest::mouseClick(dlg.Test, Qt::LeftButton);
            QCOMPARE(dlg.lStatus->text(), QString(status));
            QCOMPARE(dlg.IsOk, QString(status) == "KOLVEX7 is OK");
            QCOMPARE(rig.port.written(), QByteArray("\x81{Utst=?}"));
            QCOMPARE(console.seen, QByteArrayList{"LinkTest\x81{Utst=?}"});
            QCOMPARE(rig.port.settingsApplied(), QStringList{"19200,n,8,1"});
            QCOMPARE(rig.host.sleptMs(), quint64(200));
            QCOMPARE(rig.host.passes(), quint64(0)); // a plain wait
            QVERIFY(!rig.port.isOpen());             // it was closed before the test
            QCOMPARE(rig.state.link.Prt, qint16(3)); // the test stores nothing
        }
    }

    void linkTest_aLaterTest()
    {
        Rig rig;
        rig.port.open();
        int delayMs = 5;
        rig.port.onWrite = [&](const QByteArray &) { rig.port.feedAfter(delayMs, "\x81{Utst=I}"); };
        Config dlg(rig.state);
        dlg.vCom->setEditText("6");
        QTest::mouseClick(dlg.Test, Qt::LeftButton);
        QVERIFY(dlg.IsOk);
        delayMs = 300; // too late: a failure after a success leaves IsOk as it was
        QTest::mouseClick(dlg.Test, Qt::LeftButton);
        QCOMPARE(dlg.lStatus->text(), QString("No response"));
        rig.host.sleep(500); // the late answer has come; the next test does not take it
        QTest::mouseClick(dlg.Test, Qt::LeftButton);
        QCOMPARE(dlg.lStatus->text(), QString("No response"));
        QVERIFY(dlg.IsOk);
        QVERIFY(rig.port.isOpen()); // open before the test: open after it, on the new line
        QCOMPARE(rig.port.portNumber(), qint16(6));

        rig.port.setOpenFails(true);
        QTest::mouseClick(dlg.Test, Qt::LeftButton);
        QCOMPARE(dlg.lStatus->text(), QString("Unavailable port"));
        QVERIFY(!rig.port.isOpen());
    }

    void findOffersTheReceiversOnTheLine()
    {
        for (const bool stopped : {false, true}) {
            Rig rig;
            std::vector<ReceiverModel> line{{SimulatedReceiver::demoSatellite(), {129}},
                                            {SimulatedReceiver::demoSatellite(), {200}}};
            rig.port.onWrite = [&](const QByteArray &f) {
                for (ReceiverModel &receiver : line)
                    for (const ReceiverModel::Exchange &e : receiver.receive(f))
                        rig.port.feedAfter(2, e.reply);
            };
            Config dlg(rig.state);
            QVERIFY(showActive(dlg));
            if (stopped) // Test and OK refused meanwhile; Find stops it, long before 129
                rig.host.after(3000, [&] {
                    for (QPushButton *b : {dlg.Test, dlg.OK, dlg.Find})
                        QTest::mouseClick(b, Qt::LeftButton);
                });
            QTimer chooser; // the second receiver found, chosen from the menu with the keys
            QObject::connect(&chooser, &QTimer::timeout, [&] {
                if (auto *menu = qobject_cast<QMenu *>(QApplication::activePopupWidget())) {
                    chooser.stop();
                    for (Qt::Key key : {Qt::Key_Down, Qt::Key_Down, Qt::Key_Return})
                        QTest::keyClick(menu, key);
                }
            });
            chooser.start(0);
            dlg.vBds->setEditText("115200"); // the waits suit the speed tried: 9 s, not 18
            QTest::mouseClick(dlg.Find, Qt::LeftButton);
            QVERIFY(rig.host.nowUs() < 12000000u && rig.state.link.Spd == 9600);
            QCOMPARE(dlg.lStatus->text(), QString(stopped ? "Search stopped" : "Found: 2"));
            QCOMPARE(dlg.vAdr->text(), QString(stopped ? "129" : "200"));
            QVERIFY(dlg.Find->text() == "Find" && !rig.port.isOpen() && dlg.isVisible() &&
                    rig.host.beeps() == 2 * stopped);
        }
    }
};

QTEST_MAIN(TestConfig)
#include "tst_config.moc"
