#include "link/protocol_mssl.h"
#include "manual/edit.h"
#include "testsupport/simulatedreceiver.h"

#include <QLineEdit>
#include <QRadioButton>
#include <QTest>

namespace {

struct Rig
{
    SimulatedReceiver rx;
    Edit edit{rx.host};
    Rig() { edit.Eqt = &rx.driver; }
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
    void editingKeysAndABusyLink()
    {
        Rig rig;
        Edit &e = rig.edit;
        e.show();
        QVERIFY(QTest::qWaitForWindowActive(&e));
        e.Freq->setFocus();
        QTest::keyClicks(e.Freq, "1:;.5"); // the point is refused with a beep
        QTest::keyClicks(e.SRte, "-4");
        QTest::keyClick(e.SRte, Qt::Key_Backspace);
        QCOMPARE(e.Freq->text() + '|' + e.SRte->text(), QString("1:;5|"));
        QTest::keyClick(e.SRte, Qt::Key_Enter); // empty: an empty symbol rate; typing sent nothing
        QCOMPARE(rig.frames(), (QByteArrayList{"Sfrq=?", "Sfrq=00000.00"}));
        rig.rx.port.clearWritten();
        e.Freq->clear();
        QTest::keyClicks(e.Freq, "12073000");
        QTest::keyClick(e.Freq, Qt::Key_Home);
        QTest::sendKeyEvent(QTest::Click, e.Freq, Qt::Key_Delete, QString("\x7f"), {});
        QCOMPARE(e.Freq->text(), QString("2073000"));
        QTest::keyClick(e.Freq, Qt::Key_Tab);
        QVERIFY(e.SRte->hasFocus());
        QTest::keyClick(e.SRte, Qt::Key_Backtab);
        QVERIFY(e.Freq->hasFocus());
        QCOMPARE(rig.rx.host.beeps(), 2);

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
        QCOMPARE(rig.rx.host.beeps(), 4);
        QVERIFY(!e.Polar[1]->isChecked());
    }

    void activationSetsThePolarisationAndAClickWhatDiffers()
    {
        Rig rig; // the demo receiver starts on V ("14")
        rig.edit.Frq = "11034000";
        rig.edit.Srt = "27500";
        rig.edit.Pol = "H";
        rig.edit.show();
        QVERIFY(QTest::qWaitForWindowExposed(&rig.edit));
        QTRY_COMPARE(rig.edit.Freq->text() + rig.edit.SRte->text(), QString("1103400027500"));
        QVERIFY(!rig.edit.Polar[0]->isChecked() && rig.edit.Polar[1]->isChecked());
        QCOMPARE(rig.frames(), (QByteArrayList{"LNBp=?", "LNBp=18"}));
        rig.rx.port.clearWritten();
        QTest::mouseClick(rig.edit.Polar[1], Qt::LeftButton, {}, QPoint(6, 6)); // chosen already
        QVERIFY(rig.frames().isEmpty());
        QTest::mouseClick(rig.edit.Polar[0], Qt::LeftButton, {}, QPoint(6, 6));
        QCOMPARE(rig.frames(), (QByteArrayList{"LNBp=?", "LNBp=14"}));
    }
};

QTEST_MAIN(TestEdit)
#include "tst_edit.moc"
