#include "app/linkconsole.h"
#include "app/statuspanels.h"
#include "manual/edit.h"
#include "scan/scan.h"
#include "tests/app/mainrig.h"

#include <QClipboard>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTableView>
#include <QTest>
#include <QTreeWidget>

class TestCommands : public QObject
{
    Q_OBJECT

private slots:
    void inputToggles()
    {
        Started rig;
        QTest::mouseClick(rig.main->StatusBar->panel("Input"), Qt::LeftButton);
        QCOMPARE(rig.frames(), (QByteArrayList{"LNin=?", "LNin=Bin"}));
        QCOMPARE(rig.main->StatusBar->text("Input"), QString("B Input"));
        rig.port->clearWritten();
        rig.click("Input");
        QCOMPARE(rig.frames(), (QByteArrayList{"LNin=?", "LNin=Ain"}));
        QCOMPARE(rig.main->StatusBar->text("Input"), QString("A input"));
        QVERIFY(rig.store.writes.isEmpty()); // stored at the next configuration
    }

    void newSpeedAndAddressReachTheLinkAndTheDriver()
    {
        Started rig;
        rig.model = ReceiverModel(SimulatedReceiver::demoSatellite(), {77, false});
        rig.click("Speed", [](QWidget *w) {
            auto *d = static_cast<Config *>(w);
            d->vBds->setEditText("57600");
            d->vAdr->setText("77");
            QTest::mouseClick(d->Test, Qt::LeftButton);
            QTest::mouseClick(d->OK, Qt::LeftButton);
        });
        QCOMPARE(rig.modals, QStringList{"Config"});
        QCOMPARE(rig.store.writes, (QStringList{"Port=1", "Speed=57600", "Address=77",
                                                "LNB_Input=0", "LNB_Type=0", "LNB_BandL=1"}));
        QCOMPARE(rig.main->StatusBar->text("Speed") + rig.main->StatusBar->text("Address"),
                 QString("5760077"));
        QCOMPARE(rig.port->settingsApplied().last(), QString("57600,n,8,1"));
        // After the link test, the receiver's input and type are asked at the new address.
        QCOMPARE(rig.port->writes().mid(1), (QByteArrayList{"\x4d{LNin=?}", "\x4d{LNos=?}"}));
        QVERIFY(rig.main->isVisible() && rig.host.messages().isEmpty() && !rig.main->state.Eto);
    }

    void reopenFailureIsReported()
    {
        Started rig;
        rig.click("Port", [&](QWidget *w) {
            auto *d = static_cast<Config *>(w);
            QTest::mouseClick(d->Test, Qt::LeftButton); // passes on the open port
            rig.port->setOpenFails(true);
            d->vCom->setEditText("2");
            QTest::mouseClick(d->OK, Qt::LeftButton);
        });
        QCOMPARE(rig.host.messages().size(), 1);
        QCOMPARE(rig.host.messages()[0].text.section("\r\n", 0, 0),
                 QString("No response from serial."));
        QCOMPARE(rig.store.writes.first(), QString("Port=2"));
        QVERIFY(rig.main->isVisible());
    }

    void configurationsThatEndTheProgram_data()
    {
        QTest::addColumn<bool>("bandChange"); // or a link test that fails
        QTest::addColumn<QString>("message");
        QTest::newRow("band") << true
                              << "Set KOLVEX7 to new Band selection and restart this application.";
        QTest::newRow("link test") << false << "Selectected serial port is not available.";
    }
    void configurationsThatEndTheProgram()
    {
        QFETCH(bool, bandChange);
        QFETCH(QString, message);
        Started rig;
        rig.click("Port", [&](QWidget *w) {
            auto *d = static_cast<Config *>(w);
            if (!bandChange)
                return d->reject(); // closed without a link test
            d->vBnd[0]->click();
            QTest::mouseClick(d->Test, Qt::LeftButton);
            QTest::mouseClick(d->OK, Qt::LeftButton);
        });
        QCOMPARE(rig.store.writes.last(), QString("LNB_BandL=") + (bandChange ? "0" : "1"));
        QCOMPARE(rig.host.messages().size(), 1);
        QCOMPARE(rig.host.messages()[0].text.section("\r\n", 0, 0), message);
        QCOMPARE(rig.host.messages()[0].icon, Message::Critical);
        QVERIFY(!rig.main->isVisible());
        QCOMPARE(rig.frames().isEmpty(), !bandChange); // nothing further to the receiver
    }

    void scanAndEditUseTheOneDriver()
    {
        Started rig;
        bool busyShown = false; // the run holds the link: the main window says so
        rig.click("Scan", [&](QWidget *w) {
            auto *scan = qobject_cast<Scan *>(w);
            QCOMPARE(&scan->eqt(), &rig.main->driver());
            rig.host.after(3000, [&, scan] { // during the sweep
                busyShown =
                    QApplication::overrideCursor() && !rig.main->StatusBar->isPanelEnabled("Edit");
                scan->close();
            });
            QTest::keyClick(scan->Position, Qt::Key_Return);
            QTest::mouseClick(scan->ScanIt, Qt::LeftButton);
        });
        QCOMPARE(rig.statuses, (QStringList{"Wait", ""})); // until the closed run lets go
        QVERIFY(busyShown && !QApplication::overrideCursor() &&
                rig.main->StatusBar->isPanelEnabled("Edit"));
        const QString frq = rig.main->state.gFrq, srt = rig.main->state.gSrt;
        rig.click("Edit", [&](QWidget *w) {
            auto *e = qobject_cast<Edit *>(w);
            QCOMPARE(e->Eqt, &rig.main->driver());
            QTRY_VERIFY(e->Polar[0]->isChecked()); // activation has run
            QCOMPARE(e->Freq->text() + e->SRte->text(), frq + srt);
            e->Freq->setText("10892000");
            QTest::keyClick(e->Freq, Qt::Key_Return);
            e->reject();
        });
        QCOMPARE(rig.modals, (QStringList{"Scan", "Edit"}));
        QVERIFY(rig.frames().contains("Tfrq=10892000"));
        // Nothing comes back from the dialog.
        QCOMPARE(rig.main->state.gFrq + rig.main->state.gSrt, frq + srt);
        QVERIFY(rig.row(1)->font(0).bold());
    }

    void linkConsoleShowsATuningsExchangesInOrder()
    {
        Started rig;
        QVERIFY(QTest::qWaitForWindowActive(rig.main.get()));
        QTest::keyClick(rig.main.get(), Qt::Key_L, Qt::ControlModifier);
        LinkConsole *console = rig.main->linkConsole();
        QVERIFY(console && console->isVisible());
        rig.pick(rig.main->ListView, 0);
        ExchangeLog &log = console->log();
        QCOMPARE(log.rowCount(), int(rig.port->writes().size()));
        for (int i = 0; i < log.rowCount(); ++i)
            QCOMPARE(log.rowText(i).section('\t', 2, 2),
                     "\\x81" + QString::fromLatin1(rig.port->writes()[i].mid(1)));
        QCOMPARE(log.rowText(0).section('\t', 1, 3),
                 QString("SetLNBType\t\\x81{LNos=?}\t\\x81{LNos=UNVR}"));
        QCOMPARE(log.rowText(log.rowCount() - 1).section('\t', 1, 1), QString("GetService"));

        // Ctrl+C copies the selected rows; a hidden console watches nothing.
        console->View->setFocus();
        console->View->selectRow(1);
        QTest::keyClick(console->View, Qt::Key_C, Qt::ControlModifier);
        QCOMPARE(QApplication::clipboard()->text(), log.rowText(1) + '\n');

        // Paused, a pick passes unrecorded; the saved text says how many were left out.
        QTest::mouseClick(console->Pause, Qt::LeftButton);
        const qsizetype before = rig.port->writes().size();
        rig.pick(rig.main->ListView, 1);
        QTest::mouseClick(console->Pause, Qt::LeftButton);
        QVERIFY(log.text().endsWith(QString("-- %1 exchanges left out while paused --\n")
                                        .arg(rig.port->writes().size() - before)));
        // Beside the scan window, modal to the main window only, Ctrl+L and the console work.
        console->hide();
        struct : QObject
        {
            bool blocked = false; // as the window system tells the console
            bool eventFilter(QObject *, QEvent *e) override
            {
                blocked = e->type() == QEvent::WindowBlocked ||
                          (blocked && e->type() != QEvent::WindowUnblocked);
                return false;
            }
        } modality;
        console->installEventFilter(&modality);
        rig.click("Scan", [&](QWidget *scan) {
            QTRY_VERIFY(QApplication::activeWindow() == scan);
            QTest::keyClick(scan, Qt::Key_L, Qt::ControlModifier);
            QVERIFY(console->isVisible() && log.rowCount() > 0 && !modality.blocked);
            QTest::mouseClick(console->Clear, Qt::LeftButton);
            static_cast<QDialog *>(scan)->reject();
        });
        QCOMPARE(log.rowCount(), 0);
        console->hide();
        QVERIFY(!rig.main->state.observer);
    }
};

QTEST_MAIN(TestCommands)
#include "tst_commands.moc"
