#include "link/protocol_term.h"
#include "testsupport/simulatedreceiver.h"

#include <QTest>

namespace {

struct TermRig
{
    SimulatedReceiver rx;
    Protocol_Term driver{rx.link};
    explicit TermRig(ReceiverModel::Options options = {129, true}) : rx(options)
    {
        driver.setAdr(129);
    }
    // The lines typed, each character having gone out in a write of its own.
    QByteArrayList lines() const
    {
        QByteArrayList out;
        QByteArray line;
        for (const QByteArray &w : rx.port.writes()) {
            if (w.size() != 1) {
                out << "frame " + w;
                continue;
            }
            line += w;
            if (line.endsWith("\r\n")) {
                out << line.chopped(2);
                line.clear();
            }
        }
        return out;
    }
};

} // namespace

class TestTerm : public QObject
{
    Q_OBJECT

private slots:
    // One read of the band scan's printout: the frequency passed, the first lock's frequency to
    // its line's end (8 characters at most), and the end.
    void scanReport_data()
    {
        QTest::addColumn<QByteArray>("read");
        QTest::addColumn<QString>("told"); // passed|locked|end; "-" for none
        QTest::newRow("passed and locked")
            << QByteArray("\r\n11034000 Khz\r\nFREQUENCY SCAN LOCKED AT 11034000\r\n")
            << "11034000|11034000|-";
        QTest::newRow("a short frequency ends with its line")
            << QByteArray("FREQUENCY SCAN LOCKED AT 950000\r\nFREQUENCY SCAN END.")
            << "-|950000|end";
        QTest::newRow("nothing told") << QByteArray(" Khz\r\n") << "-|-|-";
    }
    void scanReport()
    {
        QFETCH(QByteArray, read);
        QFETCH(QString, told);
        const TermScanReport r = ParseScanReport(read);
        QCOMPARE(QStringList({r.hasPassed ? r.passed : "-", r.hasLocked ? r.locked : "-",
                              r.end ? "end" : "-"})
                     .join('|'),
                 told);
    }

    void setLines()
    {
        // operation, argument, the line typed ("" for none), and the result
        const QList<std::tuple<char, QString, QByteArray, bool>> cases{
            {'f', "12000000", "FEND TUNF B71B00", true},
            {'r', "4883", "FEND SYMR 1E8", true},
            {'r', "27505", "FEND SYMR ABE", true}, // half to even
            {'f', "1e19", "", false},              // beyond 32 bits
            {'r', "-27500", "", false},
            {'i', "2", "FEND LNBS ", false},
            {'t', "2", "FEND LNOS UDSQ", true},
            {'p', "V", "FEND LNBP 0E", true},
            {'p', "H", "FEND LNBP 12", true},
            {'p', "v", "", false}};
        for (const auto &[op, arg, line, result] : cases) {
            TermRig rig;
            Protocol_Term &d = rig.driver;
            const bool r = op == 'f'   ? d.SetFrequency(arg)
                           : op == 'r' ? d.SetSpeed(arg)
                           : op == 'i' ? d.SetLNBInput(quint8(arg.toInt()))
                           : op == 't' ? d.SetLNBType(quint8(arg.toInt()))
                                       : d.SetLNBPolar(arg);
            QCOMPARE(rig.lines(), line.isEmpty() ? QByteArrayList{} : QByteArrayList{line});
            QVERIFY2(r == result, qPrintable(arg));
            if (!line.isEmpty()) { // 2 ms after each character, then 100 ms before the reading
                const QList<quint64> &t = rig.rx.port.writeTimesUs();
                QCOMPARE(t[1] - t[0], quint64(2000));
                QCOMPARE(rig.rx.host.nowUs(), t.last() + 2000 + 100000);
            }
        }
    }

    void echoMakesEverySetFail()
    {
        TermRig rig({129, true, 0, false, 0, true});
        QVERIFY(!rig.driver.SetFrequency("12000000") && !rig.driver.SetLNBPolar("H"));
    }
};

QTEST_GUILESS_MAIN(TestTerm)
#include "tst_term.moc"
