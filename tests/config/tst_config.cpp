#include "app/mainstate.h"
#include "config/config.h"
#include "platform/memoryport.h"
#include "platform/virtualhost.h"

#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

#include <tuple>

namespace {

struct Rig
{
    VirtualHost host;
    MemoryPort port{host};
    MainState state{port, host};
    Rig()
    {
        state.Prt = 3;
        state.Spd = 9600;
        state.Adr = 129;
        state.LNB = 0;
        state.Inp = 0;
        state.Bnd = 1;
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
    void opensWithTheSettings()
    {
        Rig rig;
        rig.state.LNB = 7; // stored, but no option has it
        Config dlg(rig.state);
        QCOMPARE(dlg.vCom->currentText() + dlg.vBds->currentText() + dlg.vAdr->text(),
                 QString("39600129"));
        QVERIFY(dlg.vInp[0]->isChecked() && dlg.vBnd[1]->isChecked() && !dlg.IsOk);
        for (QRadioButton *b : dlg.vLNB)
            QVERIFY(!b->isChecked());
    }

    void leavingABoxValidatesIt_data()
    {
        QTest::addColumn<QString>("box");
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("valid");
        for (const auto &[name, box, text, valid] :
             {std::tuple{"port", "vCom", "4", true},
              {"port text", "vCom", "COM4", false},
              {"port 0", "vCom", "0", false},
              {"speed beyond 32 bits", "vBds", "3000000000", false},
              {"address blanks", "vAdr", " 200 ", true},
              {"address empty", "vAdr", "", false},
              {"address 256", "vAdr", "256", false},
              {"address exponent", "vAdr", "1E2", true}})
            QTest::newRow(name) << QString(box) << QString(text) << valid;
    }
    void leavingABoxValidatesIt()
    {
        QFETCH(QString, box);
        QFETCH(QString, text);
        QFETCH(bool, valid);
        Rig rig;
        Config dlg(rig.state);
        QVERIFY(showActive(dlg));
        QWidget *w = dlg.findChild<QWidget *>(box);
        QVERIFY(w);
        w->setFocus();
        QTRY_VERIFY(w->hasFocus());
        if (auto *combo = qobject_cast<QComboBox *>(w))
            combo->setEditText(text);
        else
            static_cast<QLineEdit *>(w)->setText(text);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QCoreApplication::processEvents();
        QCOMPARE(w->hasFocus(), !valid);
        QCOMPARE(dlg.lStatus->text(), valid ? QString() : QString("Numerical value !"));
        QCOMPARE(rig.host.beeps(), valid ? 0 : 1);
    }

    void okRefusesABadBoxWithOneBeep()
    {
        Rig rig;
        Config dlg(rig.state);
        QVERIFY(showActive(dlg));
        dlg.vAdr->setFocus();
        QTRY_VERIFY(dlg.vAdr->hasFocus());
        dlg.vAdr->setText("300");
        QTest::mouseClick(dlg.OK, Qt::LeftButton);
        QVERIFY(dlg.isVisible());
        QCOMPARE(rig.state.Adr, quint8(129)); // never wrapped to 44
        QCOMPARE(dlg.lStatus->text(), QString("Numerical value !"));
        QCOMPARE(rig.host.beeps(), 1);
    }

    void listsStayFixedAndTextIsTakenAsTyped()
    {
        Rig rig;
        Config dlg(rig.state);
        QVERIFY(showActive(dlg));
        dlg.vBds->setFocus();
        dlg.vBds->lineEdit()->selectAll();
        QTest::keyClicks(dlg.vBds->lineEdit(), "1");
        QTest::keyClick(dlg.vBds->lineEdit(), Qt::Key_Return);
        dlg.vCom->setFocus();
        dlg.vCom->lineEdit()->selectAll();
        QTest::keyClicks(dlg.vCom->lineEdit(), "16");
        QTest::keyClick(dlg.vCom->lineEdit(), Qt::Key_Return);
        QCOMPARE(dlg.vBds->count(), 4);
        QCOMPARE(dlg.vCom->count(), 15);
        QTest::mouseClick(dlg.OK, Qt::LeftButton);
        QCOMPARE(rig.state.Spd, qint32(1));
        QCOMPARE(rig.state.Prt, qint16(16));
    }

    void optionsStoreAtOnceAndOkStoresTheLink()
    {
        Rig rig;
        {
            Config dlg(rig.state);
            QVERIFY(showActive(dlg));
            dlg.vLNB[1]->click();
            dlg.vInp[1]->click();
            dlg.vBnd[0]->click();
            dlg.vCom->setEditText("7");
            dlg.reject();
        }
        QVERIFY(rig.state.LNB == 1 && rig.state.Inp == 1 && rig.state.Bnd == 0);
        QCOMPARE(rig.state.Prt, qint16(3)); // typed, but only OK stores it

        Config dlg(rig.state);
        QVERIFY(showActive(dlg));
        dlg.vCom->setEditText("12");
        dlg.vBds->setEditText("115200");
        dlg.vAdr->setText("200");
        QTest::mouseClick(dlg.OK, Qt::LeftButton);
        QCOMPARE(dlg.result(), int(QDialog::Accepted));
        QVERIFY(rig.state.Prt == 12 && rig.state.Spd == 115200 && rig.state.Adr == 200);
    }

    void linkTest_data()
    {
        QTest::addColumn<QByteArray>("answer");
        QTest::addColumn<int>("delayMs");
        QTest::addColumn<QString>("status");
        QTest::newRow("right answer") << QByteArray("\x81{Utst=I}") << 20 << "KOLVEX7 is OK";
        QTest::newRow("error ack") << QByteArray("\x81{Ack=Uk}") << 20 << "KOLVEX7 replied error";
        QTest::newRow("nothing") << QByteArray() << 0 << "No response";
        QTest::newRow("too late") << QByteArray("\x81{Utst=I}") << 250 << "No response";
        QTest::newRow("line end after it")
            << QByteArray("\x81{Utst=I}\r\n") << 20 << "Bad response";
        QTest::newRow("other reply") << QByteArray("\x81{Tfrq=1}") << 20 << "Comm. error";
    }
    void linkTest()
    {
        QFETCH(QByteArray, answer);
        QFETCH(int, delayMs);
        QFETCH(QString, status);
        Rig rig;
        rig.port.onWrite = [&](const QByteArray &) {
            if (!answer.isEmpty())
                rig.port.feedAfter(delayMs, answer);
        };
        Config dlg(rig.state);
        dlg.vCom->setEditText("4");
        dlg.vBds->setEditText("19200");
        QTest::mouseClick(dlg.Test, Qt::LeftButton);
        QCOMPARE(dlg.lStatus->text(), status);
        QCOMPARE(dlg.IsOk, status == "KOLVEX7 is OK");
        QCOMPARE(rig.port.written(), QByteArray("\x81{Utst=?}"));
        QCOMPARE(rig.port.settingsApplied(), QStringList{"19200,n,8,1"});
        QCOMPARE(rig.host.sleptMs(), quint64(200));
        QCOMPARE(rig.host.passes(), quint64(0)); // a plain wait
        QVERIFY(!rig.port.isOpen());             // it was closed before the test
        QCOMPARE(rig.state.Prt, qint16(3));      // the test stores nothing
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
};

QTEST_MAIN(TestConfig)
#include "tst_config.moc"
