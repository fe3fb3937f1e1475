#include "app/linkconsole.h"
#include "app/statuspanels.h"
#include "manual/edit.h"
#include "scan/scan.h"
#include "tests/app/mainrig.h"
#include "testsupport/filedialog.h"

#include <QClipboard>
#include <QComboBox>
#include <QLineEdit>
#include <QMimeData>
#include <QPushButton>
#include <QRadioButton>
#include <QTableView>
#include <QTest>
#include <QTreeWidget>

class TestCommands : public QObject
{
    Q_OBJECT

private slots:
    // A plan (DVBv5) becomes the position's list file and its rows at once: chosen after Ctrl+I,
    // or dropped on the list; a name without a position is refused, nothing written.
    void aPlanImported()
    {
        Started rig;
        auto plan = [&](const QString &name, const QByteArray &tps) {
            QByteArray text;
            for (const QByteArray &tp : tps.split(' '))
                text += "[CHANNEL]\nDELIVERY_SYSTEM = DVBS\nFREQUENCY = " + tp.left(8) +
                        "\nPOLARIZATION = " + (tp[8] == 'H' ? "HORIZONTAL" : "VERTICAL") +
                        "\nSYMBOL_RATE = " + tp.mid(9) + "000\n";
            return WriteFile(rig.config.filePath(name), text) ? rig.config.filePath(name)
                                                              : QString();
        };
        const QString sat = plan("Sat-13.0E", "11034000V27500 11538000V30000");
        rig.host.queueAnswer(Message::AnsweredOk); // replace 13.00E.csv
        const FileDialogAnswer chosen(sat);
        QTest::keyClick(rig.main.get(), Qt::Key_I, Qt::ControlModifier);
        QTRY_COMPARE(rig.column(rig.main->ListView, 1), (QStringList{"11034000", "11538000"}));
        QVERIFY2(rig.host.messages().last().text.contains(
                     "The plan holds 2 band-Ku transponders for 13.00E (2 transponders): 1 new, "
                     "2 gone, 0 with another rate."),
                 qPrintable(rig.host.messages().last().text));
        QVERIFY(rig.row(0)->font(0).bold() && !rig.row(1)->font(0).bold()); // tuned there
        QCOMPARE(rig.statuses.last(),
                 QString("13.00E imported: 1 new, 2 gone, 0 with another rate"));

        // Dropped: a position new to the list goes where the files' order puts it.
        auto drop = [&](const QString &path) {
            QMimeData mime;
            mime.setUrls({QUrl::fromLocalFile(path)});
            QWidget *list = rig.main->ListView->viewport();
            QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &mime, Qt::LeftButton, {});
            QApplication::sendEvent(list, &enter);
            QDropEvent dropped(QPointF(5, 5), Qt::CopyAction, &mime, Qt::LeftButton, {});
            QApplication::sendEvent(list, &dropped);
            return enter.isAccepted() && dropped.isAccepted();
        };
        QVERIFY(drop(plan("Astra-19.2E", "11494000H22000")));
        QVERIFY(drop(plan("Thor-0.8W", "10716000H24500")));
        QCOMPARE(rig.column(rig.main->ListView, 0),
                 (QStringList{"19.20E", "13.00E", "13.00E", "00.80W"}));
        QVERIFY(QFile::exists(rig.config.filePath("data/00.80W.csv")));

        const qsizetype told = rig.host.messages().size();
        QVERIFY(drop(plan("Astra", "11494000H22000")));
        QCOMPARE(rig.host.messages().size(), told + 1);
        QVERIFY(rig.host.messages().last().text.startsWith("Astra names no position"));
        QCOMPARE(rig.main->ListView->topLevelItemCount(), 4);
        {
            const LinkBusy busy(rig.main->state.link, LinkBusy::Command); // a pick walks the rows
            drop(plan("Hispasat-30.0W", "11000000H27500"));
        }
        QCOMPARE(rig.main->ListView->topLevelItemCount(), 4);
        QVERIFY(!QFile::exists(rig.config.filePath("data/30.00W.csv")));
    }

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
        rig.receiver.model = ReceiverModel(SimulatedReceiver::demoSatellite(), {77, false});
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
        QVERIFY(rig.main->isVisible() && rig.host.messages().isEmpty() &&
                !rig.main->state.link.Eto);
    }

    // OK after a passed test, at an address nobody answers: the new address shows at once,
    // the one question asked there shows the busy state, and its time-out is said at once.
    void anAddressNobodyAnswersIsToldAtItsFirstTimeOut()
    {
        Started rig;
        QStringList seen; // what the window showed while the receiver was asked
        rig.port->onWrite = [&, answer = rig.port->onWrite](const QByteArray &frame) {
            seen << rig.main->StatusBar->text("Address") + '|' +
                        rig.main->StatusBar->text("Status") + '|' +
                        QString::number(QApplication::overrideCursor() != nullptr);
            answer(frame);
        };
        rig.click("Address", [](QWidget *w) {
            auto *d = static_cast<Config *>(w);
            QTest::mouseClick(d->Test, Qt::LeftButton);
            d->vAdr->setText("130");
            QTest::mouseClick(d->OK, Qt::LeftButton);
        });
        QCOMPARE(rig.port->writes().mid(1), QByteArrayList{"\x82{LNin=?}"});
        QCOMPARE(seen.last(), "130|Status: Wait|1");
        QCOMPARE(rig.main->StatusBar->text("Status"), QString("Status: No reply at 130"));
        QCOMPARE(rig.timeline.last(), QString("message:No response from unit."));
        QVERIFY(!QApplication::overrideCursor());
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

    // Closing the main window ends the program, the link console open or not.
    void closingTheMainWindowClosesTheConsole()
    {
        Started rig;
        QVERIFY(QTest::qWaitForWindowActive(rig.main.get()));
        QTest::keyClick(rig.main.get(), Qt::Key_L, Qt::ControlModifier);
        QVERIFY(rig.main->linkConsole()->isVisible());
        rig.main->close();
        QVERIFY(!rig.main->linkConsole()->isVisible());
    }

    // Full, the console keeps the rows an operator scrolled up to in place while the oldest go,
    // and a pause it no longer shows is no longer counted.
    void fullConsoleKeepsTheRowsRead()
    {
        Rig rig;
        LinkConsole console(rig.main->state.link);
        console.show();
        ExchangeLog &log = console.log();
        auto feed = [&](int n) {
            for (int i = 0; i < n; ++i)
                log.exchanged({quint64(log.rowCount() + i) * 1000, "Probe", "x", "y", 5, false});
            log.flush();
        };
        QTest::mouseClick(console.Pause, Qt::LeftButton);
        feed(3);
        QTest::mouseClick(console.Pause, Qt::LeftButton);
        feed(ExchangeLog::kMaxRows);
        QVERIFY(log.text().startsWith("-- 3 exchanges left out while paused --\n"));
        QTest::mouseClick(console.View->viewport(), Qt::LeftButton, {}, QPoint(2, 2));
        QTest::keyClick(console.View, Qt::Key_PageUp); // up to read
        const QModelIndex top = console.View->indexAt(QPoint(2, 2));
        const QString read = log.rowText(top.row());
        feed(50);
        QCOMPARE(log.rowText(console.View->indexAt(QPoint(2, 2)).row()), read);
        QVERIFY(!log.text().contains("left out") && log.skipped() == 0);
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
        QTRY_COMPARE(log.rowCount(), int(rig.port->writes().size())); // a batch away
        for (int i = 0; i < log.rowCount(); ++i)
            QCOMPARE(log.rowText(i).section('\t', 2, 2),
                     "\\x81" + QString::fromLatin1(rig.port->writes()[i].mid(1)));
        QCOMPARE(log.rowText(0).section('\t', 1, 3),
                 QString("SetLNBType\t\\x81{LNos=?}\t\\x81{LNos=UNVR}"));
        QCOMPARE(log.rowText(log.rowCount() - 1).section('\t', 1, 1), QString("GetQuality"));

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
        QVERIFY(!rig.main->state.link.watched());
    }
};

QTEST_MAIN(TestCommands)
#include "tst_commands.moc"
