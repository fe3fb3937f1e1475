#include "link/linkstate.h"
#include "link/protocol_mssl.h"
#include "link/scanall.h"
#include "link/servicelist.h"
#include "testsupport/scriptedreceiver.h"
#include "testsupport/memoryport.h"
#include "testsupport/simulatedreceiver.h"
#include "testsupport/virtualhost.h"

#include <QTest>

#include <tuple>

namespace {

using Names = QMap<QByteArray, QByteArray>;

struct RecordedList : ServiceList
{
    QStringList rows; // "position number name"
    void insertService(int position, const QString &number, const QString &name) override
    {
        rows << QString::number(position) + ' ' + number + ' ' + name;
    }
};

const QByteArrayList kDefaults{"\x81{IQP=Auto}",  "\x81{Dsmd=Auto}", "\x81{Rlof=Auto}",
                               "\x81{Vitr=Auto}", "\x81{Pstu=Auto}", "\x81{Srpd=Psi}",
                               "\x81{Sstp=11}"};

QByteArrayList switchToMasterSlave()
{
    QByteArrayList bytes{"\x81{Usvr=?}"};
    for (const char c : QByteArray("\r\nCNFG CNPR MSLV\r\n"))
        bytes.append(QByteArray(1, c));
    return bytes << "\x81{Usrv=?}";
}

} // namespace

using Fault = SimulatedReceiver::Fault;

class TestProtocolMsSl : public QObject
{
    Q_OBJECT

private slots:
    void initIRD_data()
    {
        QTest::addColumn<bool>("terminal"); // in terminal mode at first
        QTest::addColumn<Fault>("fault");
        QTest::addColumn<QByteArrayList>("frames");
        QTest::addColumn<bool>("result");
        QTest::newRow("master/slave, stale reply waiting")
            << false << Fault::None << QByteArrayList{"\x81{Usvr=?}"} + kDefaults << true;
        QTest::newRow("terminal mode")
            << true << Fault::None << switchToMasterSlave() + kDefaults << true;
        QTest::newRow("silent") << false << Fault::Silent << switchToMasterSlave() << false;
    }
    void initIRD()
    {
        QFETCH(bool, terminal);
        QFETCH(Fault, fault);
        QFETCH(QByteArrayList, frames);
        QFETCH(bool, result);
        SimulatedReceiver rx({129, terminal});
        rx.inject(fault);
        rx.port.feed("\x81{Usvr=Xx}"); // a stale reply, not the probe's
        QCOMPARE(rx.driver.InitIRD(), result);
        QCOMPARE(rx.frames(), frames);
        QCOMPARE(rx.link.Eto,
                 terminal || fault != Fault::None); // InitIRD does not clear a probe's time-out
        QVERIFY(!rx.model.state().terminal);
        if (result)
            QCOMPARE(rx.model.state().defaults["Sstp"], QByteArray("11"));
        else
            QVERIFY(rx.host.nowUs() >= (2 * 10000 + 400) * 1000u);

        ScriptedReceiver errorAck; // an error reply to the probe counts as master/slave
        errorAck.replies["Usvr"] = "Uk";
        QVERIFY(errorAck.driver.InitIRD());
        QCOMPARE(errorAck.port.writes().size(), 8);
    }

    void setters()
    {
        // the operation by the code it sends, its argument, the receiver's value ("": not
        // asked), whether it refuses, the frame set ("": none), the result
        const QList<std::tuple<QByteArray, QString, QByteArray, bool, QByteArray, bool>> cases{
            {"LNin", "0", "Bin", false, "LNin=Ain", true},
            {"LNin", "1", "Ain", true, "LNin=Bin", false},
            {"LNin", "2", "", false, "", false},
            {"LNos", "2", "UNVR", false, "LNos=UDSQ", true},
            {"LNos", "1", "UNVR", true, "LNos=WIDE", false},
            {"LNBp", "H", "14", false, "LNBp=18", true},
            {"Sfrq", "4883", "27500.00", false, "Sfrq=04883.00", true},
            {"Tfrq", "11034000", "", false, "Tfrq=11034000", true},
            {"TfrqNum", "12000000", "", false, "Tfrq=12000000", true},
            {"Rstp", "7", "", true, "Rstp=7", true}}; // a refusal is not looked at
        for (const auto &[code, arg, current, refuse, set, result] : cases) {
            ScriptedReceiver rx;
            if (refuse)
                rx.inject(ScriptedReceiver::Fault::Refuses, code);
            QByteArrayList frames;
            if (!current.isEmpty()) {
                rx.replies[code] = current;
                frames << "\x81{" + code + "=?}";
            }
            if (!set.isEmpty())
                frames << "\x81{" + set + '}';
            Protocol_MsSl &d = rx.driver;
            const bool r = code == "LNin"      ? d.SetLNBInput(quint8(arg.toInt()))
                           : code == "LNos"    ? d.SetLNBType(quint8(arg.toInt()))
                           : code == "LNBp"    ? d.SetLNBPolar(arg)
                           : code == "Sfrq"    ? d.SetSpeed(arg)
                           : code == "Tfrq"    ? d.SetFrequency(arg)
                           : code == "TfrqNum" ? d.SetFrequencyNum(arg.toDouble())
                                               : d.SetServiceNum(quint8(arg.toInt()));
            QVERIFY2(r == result, code + ' ' + arg.toLatin1());
            QCOMPARE(rx.port.writes(), frames);
            // The LNB is given 500 ms after a type change, whether it was accepted or not.
            if (code == "LNos")
                QVERIFY(rx.host.nowUs() - rx.port.writeTimesUs().last() >= 500000);
        }
    }

    // A wait lasts its time, across a tick wrap too, sleeping between events, not spinning.
    void waitSleepsBetweenEvents()
    {
        for (const quint32 startTick : {0u, 0xFFFFFF00u}) {
            VirtualHost host(startTick);
            MemoryPort port(host);
            LinkState link{port, host};
            quint64 clickedUs = 0;
            host.after(700, [&] { clickedUs = host.nowUs(); });
            Protocol_MsSl(link).Wait(2500);
            QVERIFY(host.nowUs() >= 2500000u && host.nowUs() < 2502000u);
            QCOMPARE(clickedUs, quint64(700000));
            QVERIFY2(host.passes() <= 4, qPrintable(QString::number(host.passes())));
        }
    }

    void serviceNames_data()
    {
        QTest::addColumn<Names>("names");
        QTest::addColumn<QStringList>("rows");
        QTest::addColumn<int>("exchanges");
        QTest::newRow("placeholder skipped")
            << Names{{"257", "Srvc_Mx:3"}, {"1", "One"}, {"2", "Service:0002"}, {"3", "Three"}}
            << QStringList{"1 001 One", "2 003 Three"} << 8;
        QTest::newRow("count 0") << Names{{"257", "Srvc_Mx:0"}} << QStringList{} << 2;
        QTest::newRow("no marker") << Names{{"257", "Services 3"}} << QStringList{} << 2;
        QTest::newRow("negative count") << Names{{"257", "Srvc_Mx:-4"}} << QStringList{} << 2;
        QTest::newRow("equals kept, brace cuts, no reply listed empty")
            << Names{{"257", "Srvc_Mx:3"}, {"1", "A=B"}, {"2", "C}D"}}
            << QStringList{"1 001 A=B", "2 002 C", "3 003 "} << 8;
    }
    void serviceNames()
    {
        QFETCH(Names, names);
        QFETCH(QStringList, rows);
        QFETCH(int, exchanges);
        ScriptedReceiver rx;
        rx.names = names;
        RecordedList list;
        rx.driver.GetServiceName(list);
        QCOMPARE(list.rows, rows);
        QByteArrayList expected{"\x81{Snam=257}", "\x81{Snam=?}"};
        for (int i = 1; i < exchanges / 2; ++i)
            expected << "\x81{Snam=" + QByteArray::number(i) + '}' << "\x81{Snam=?}";
        QCOMPARE(rx.port.writes(), expected);
    }

    // The catalogue's codes in their order; then every four-letter code once, upper case first
    // and never back from lower to upper, rising within each block.
    void catalogueAndSweepOfEveryCode()
    {
        SimulatedReceiver rx;
        rx.latencyMs = 0;
        QByteArrayList answers;
        rx.driver.TstAllCmds([&](const QByteArray &code, const QByteArray &reply) {
            answers << code + '=' + reply;
            return answers.size() < 50;
        });
        QCOMPARE(rx.port.writes().size(), 50); // a sink may stop the run
        QVERIFY(answers[0] == "Acrt=Uk" && answers.contains("LNBp=14"));
        rx.driver.TstAllCmds();
        QCOMPARE(rx.port.writes().size(), 50 + 88);
        QByteArray previous;
        for (int i = 0; i < ScanAll::kCodes; ++i) {
            const QByteArray code = ScanAll::Code(i);
            const int upper = 4 - i / ScanAll::kBlock;
            bool ok = code.size() == 4 && (i % ScanAll::kBlock == 0 || previous < code);
            for (int k = 0; k < 4 && ok; ++k)
                ok = code[k] >= (k < upper ? 'A' : 'a') && code[k] <= (k < upper ? 'Z' : 'z');
            if (!ok || ScanAll::Index(code) != i)
                qFatal("code %s out of order at %d", code.constData(), i);
            previous = code;
        }
        QCOMPARE(previous, QByteArray("Zzzz"));
        for (const char *notInTheSweep : {"tfrq", "TfRq", "Tfr", "Tfrq1", "Tfr1", "T{rq"})
            QCOMPARE(ScanAll::Index(notInTheSweep), -1);
        answers.clear();
        rx.driver.GetAllCmds([&](const QByteArray &code, const QByteArray &reply) {
            answers << code + '=' + reply;
            return answers.size() < 3;
        });
        QCOMPARE(answers, (QByteArrayList{"AAAA=Uk", "AAAB=Uk", "AAAC=Uk"}));
    }
};

QTEST_GUILESS_MAIN(TestProtocolMsSl)
#include "tst_protocol_mssl.moc"
