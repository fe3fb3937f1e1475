#include "link/protocol_mssl.h"
#include "manual/edit.h"
#include "tests/support/simulatedreceiver.h"

#include <QLineEdit>
#include <QRadioButton>
#include <QTest>

namespace {

struct Rig
{
    SimulatedReceiver rx;
    Protocol_MsSl driver{rx.link};
    Edit edit{rx.host};
    Rig()
    {
        rx.port.open();
        driver.setAdr(129);
        edit.Eqt = &driver;
    }
    QByteArrayList frames() const
    {
        QByteArrayList out;
        for (const QByteArray &w : rx.port.writes())
            out << w.mid(2, w.size() - 3);
        return out;
    }
};

} // namespace

class TestEdit : public QObject
{
    Q_OBJECT

private slots:
    void keyFilter_data()
    {
        QTest::addColumn<bool>("frequencyBox");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("beeps");
        QTest::newRow("digits, colon, semicolon") << true << "1:;"
                                                  << "1:;" << 0;
        QTest::newRow("point") << true << "12.5"
                               << "125" << 1;
        QTest::newRow("minus") << false << "-4"
                               << "4" << 1;
    }
    void keyFilter()
    {
        QFETCH(bool, frequencyBox);
        QFETCH(QString, typed);
        QFETCH(QString, text);
        QFETCH(int, beeps);
        Rig rig;
        QLineEdit *box = frequencyBox ? rig.edit.Freq : rig.edit.SRte;
        QTest::keyClicks(box, typed);
        QCOMPARE(box->text(), text);
        QCOMPARE(rig.rx.host.beeps(), beeps);
        QTest::keyClick(box, Qt::Key_Backspace);
        QCOMPARE(box->text(), text.left(text.size() - 1));
        QVERIFY(rig.frames().isEmpty()); // nothing goes out while typing
    }

    void enterSendsTheWholeText()
    {
        Rig rig;
        QTest::keyClicks(rig.edit.Freq, "12073000");
        QTest::keyClick(rig.edit.Freq, Qt::Key_Return);
        QCOMPARE(rig.frames(), QByteArrayList{"Tfrq=12073000"});
        QCOMPARE(rig.edit.Freq->text(), QString("12073000"));
        QTest::keyClick(rig.edit.SRte, Qt::Key_Enter); // empty: an empty symbol rate
        QCOMPARE(rig.frames().mid(1), (QByteArrayList{"Sfrq=?", "Sfrq=00000.00"}));
    }

    void editingKeysAndABusyLink()
    {
        Rig rig;
        Edit &e = rig.edit;
        e.show();
        QVERIFY(QTest::qWaitForWindowActive(&e));
        e.Freq->setFocus();
        QTest::keyClicks(e.Freq, "12073000");
        QTest::keyClick(e.Freq, Qt::Key_Home);
        QTest::sendKeyEvent(QTest::Click, e.Freq, Qt::Key_Delete, QString("\x7f"), {});
        QCOMPARE(e.Freq->text(), QString("2073000"));
        QTest::keyClick(e.Freq, Qt::Key_Tab);
        QVERIFY(e.SRte->hasFocus());
        QTest::keyClick(e.SRte, Qt::Key_Backtab);
        QVERIFY(e.Freq->hasFocus());
        QCOMPARE(rig.rx.host.beeps(), 0);

        // While the receiver answers, Enter in the other box and an option click are refused.
        auto answer = rig.rx.port.onWrite;
        rig.rx.port.onWrite = [&](const QByteArray &f) {
            answer(f);
            if (rig.rx.port.writes().size() == 1) {
                QTest::keyClick(e.SRte, Qt::Key_Return);
                QTest::mouseClick(e.Polar[1], Qt::LeftButton, {}, QPoint(6, 6));
            }
        };
        QTest::keyClick(e.Freq, Qt::Key_Return);
        QCOMPARE(rig.frames(), QByteArrayList{"Tfrq=2073000"});
        QCOMPARE(rig.rx.host.beeps(), 2);
        QVERIFY(!e.Polar[1]->isChecked());
    }

    void activation_data()
    {
        QTest::addColumn<QString>("pol");
        QTest::addColumn<int>("selected");
        QTest::addColumn<QByteArrayList>("frames");
        // the demo receiver starts on V ("14")
        QTest::newRow("V") << "V" << 0 << QByteArrayList{"LNBp=?"};
        QTest::newRow("H") << "H" << 1 << QByteArrayList{"LNBp=?", "LNBp=18"};
        QTest::newRow("unknown") << "?" << -1 << QByteArrayList{};
        QTest::newRow("empty") << "" << -1 << QByteArrayList{};
    }
    void activation()
    {
        QFETCH(QString, pol);
        QFETCH(int, selected);
        QFETCH(QByteArrayList, frames);
        Rig rig;
        rig.edit.Frq = "11034000";
        rig.edit.Srt = "27500";
        rig.edit.Pol = pol;
        rig.edit.show();
        QVERIFY(QTest::qWaitForWindowExposed(&rig.edit));
        QTRY_COMPARE(rig.edit.Freq->text(), QString("11034000"));
        QCOMPARE(rig.edit.SRte->text(), QString("27500"));
        QCOMPARE(rig.edit.Polar[0]->isChecked(), selected == 0);
        QCOMPARE(rig.edit.Polar[1]->isChecked(), selected == 1);
        QCOMPARE(rig.frames(), frames);
    }

    void optionClicks()
    {
        Rig rig;
        rig.edit.Pol = "V";
        rig.edit.show();
        QVERIFY(QTest::qWaitForWindowExposed(&rig.edit));
        QTRY_VERIFY(rig.edit.Polar[0]->isChecked());
        rig.rx.port.clearWritten();
        QTest::mouseClick(rig.edit.Polar[0], Qt::LeftButton, {}, QPoint(6, 6));
        QVERIFY(rig.frames().isEmpty());
        QTest::mouseClick(rig.edit.Polar[1], Qt::LeftButton, {}, QPoint(6, 6));
        QCOMPARE(rig.frames(), (QByteArrayList{"LNBp=?", "LNBp=18"}));
    }
};

QTEST_MAIN(TestEdit)
#include "tst_edit.moc"
