#include "app/statuspanels.h"
#include "manual/edit.h"
#include "scan/scan.h"
#include "tests/app/mainrig.h"

#include <QComboBox>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTreeWidget>

namespace {

// A started main window, shown, and a hand for the modal windows its commands open.
struct Running : Rig
{
    QStringList modals; // class names of the modal windows seen, in order

    explicit Running(int band = 1)
    {
        QFile f(config.filePath("data/13.00E.csv"));
        f.open(QIODevice::WriteOnly);
        f.write("11034000;V;27500;\r\n10892000;H;27500;\r\n");
        f.close();
        seed(1, band);
        if (start() != Main::Outcome::Running)
            qFatal("start-up failed");
        main->show();
        store.writes.clear();
        port->clearWritten();
    }
    // Clicks the panel; `act` handles the modal window it opens.
    void click(
        const QString &key, std::function<void(QWidget *)> act = [](QWidget *w) {
            static_cast<QDialog *>(w)->reject();
        })
    {
        QTimer watcher;
        QObject::connect(&watcher, &QTimer::timeout, [&] {
            if (QWidget *w = QApplication::activeModalWidget()) {
                modals << w->metaObject()->className();
                act(w);
            }
        });
        watcher.start(0);
        main->StatusBar_PanelClick(key);
    }
    QByteArrayList frames() const
    {
        QByteArrayList out;
        for (const QByteArray &w : port->writes())
            out << w.mid(2, w.size() - 3);
        return out;
    }
};

} // namespace

class TestCommands : public QObject
{
    Q_OBJECT

private slots:
    void inputToggles()
    {
        Running rig;
        QTest::mouseClick(rig.main->StatusBar->panel("Input"), Qt::LeftButton);
        QCOMPARE(rig.frames(), (QByteArrayList{"LNin=?", "LNin=Bin"}));
        QCOMPARE(rig.main->StatusBar->text("Input"), QString("B Input"));
        rig.port->clearWritten();
        rig.click("Input");
        QCOMPARE(rig.frames(), (QByteArrayList{"LNin=?", "LNin=Ain"}));
        QCOMPARE(rig.main->StatusBar->text("Input"), QString("A input"));
        QVERIFY(rig.store.writes.isEmpty()); // stored at the next configuration
    }

    void configurationOfTheSpeed()
    {
        Running rig;
        rig.click("Speed", [](QWidget *w) {
            auto *d = static_cast<Config *>(w);
            d->vBds->setEditText("57600");
            QTest::mouseClick(d->Test, Qt::LeftButton);
            QTest::mouseClick(d->OK, Qt::LeftButton);
        });
        QCOMPARE(rig.modals, QStringList{"Config"});
        QCOMPARE(rig.store.writes, (QStringList{"Port=1", "Speed=57600", "Address=129",
                                                "LNB_Input=0", "LNB_Type=0", "LNB_BandL=1"}));
        QCOMPARE(rig.main->StatusBar->text("Speed"), QString("57600"));
        QCOMPARE(rig.port->settingsApplied().last(), QString("57600,n,8,1"));
        QCOMPARE(rig.frames().mid(1), (QByteArrayList{"LNin=?", "LNos=?"})); // after the test
        QVERIFY(rig.main->isVisible() && rig.host.messages().isEmpty());
    }

    void newAddressReachesTheDriver()
    {
        Running rig;
        rig.model = ReceiverModel(SimulatedReceiver::demoSatellite(),
                                  {77, false}); // the receiver now answers at 77
        rig.click("Address", [](QWidget *w) {
            auto *d = static_cast<Config *>(w);
            d->vAdr->setText("77");
            QTest::mouseClick(d->Test, Qt::LeftButton);
            QTest::mouseClick(d->OK, Qt::LeftButton);
        });
        QCOMPARE(rig.main->StatusBar->text("Address"), QString("77"));
        QCOMPARE(rig.port->writes().last(), QByteArray("\x4d{LNos=?}"));
        QVERIFY(!rig.main->state.Eto);
    }

    void reopenFailureIsReported()
    {
        Running rig;
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
        Running rig;
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
        Running rig;
        rig.click("Scan", [&](QWidget *w) {
            QCOMPARE(&qobject_cast<Scan *>(w)->eqt(), &rig.main->driver());
            static_cast<QDialog *>(w)->reject();
        });
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
        QVERIFY(rig.main->ListView->topLevelItem(0)->font(0).bold());
    }

    void statusAndDisabledPanelsDoNothing()
    {
        Running rig;
        rig.click("Status");
        rig.main->StatusBar->setPanelEnabled("Scan", false);
        rig.main->StatusBar->setPanelEnabled("Input", false);
        rig.click("Scan");
        rig.click("Input");
        QVERIFY(rig.modals.isEmpty());
        QVERIFY(rig.frames().isEmpty());
        QCOMPARE(rig.host.beeps(), 0);
    }

    void clickDuringAnExchangeIsRefused()
    {
        Running rig;
        auto answer = rig.port->onWrite;
        int nested = -1;
        rig.port->onWrite = [&](const QByteArray &f) {
            if (f == "\x81{Tfrq=10892000}") {
                const int before = int(rig.port->writes().size());
                rig.click("Input");
                rig.click("Port");
                nested = int(rig.port->writes().size()) - before;
            }
            answer(f);
        };
        rig.main->ListView_ItemClick(rig.main->ListView->topLevelItem(1));
        QCOMPARE(nested, 0);
        QVERIFY(rig.modals.isEmpty());
        QCOMPARE(rig.host.beeps(), 2);
        QCOMPARE(rig.main->state.Inp, quint8(0));
    }
};

QTEST_MAIN(TestCommands)
#include "tst_commands.moc"
