#include "link/linkstate.h"
#include "link/protocol_mssl.h"
#include "link/servicelist.h"
#include "tests/support/simulatedreceiver.h"

#include <QTest>

#include <functional>
#include <map>

namespace {

using Names = QMap<QByteArray, QByteArray>;

// A receiver that answers queries from a table (a code missing from it is never answered) and
// accepts or refuses every set.
struct ScriptedReceiver
{
    explicit ScriptedReceiver(quint32 startTick = 0) : host(startTick), port(host)
    {
        port.open();
        port.onWrite = [this](const QByteArray &frame) {
            const int open = int(frame.indexOf('{')), eq = int(frame.indexOf('='));
            const QByteArray code = frame.mid(open + 1, eq - open - 1);
            const QByteArray value = frame.mid(eq + 1, frame.size() - eq - 2);
            if (value != "?") {
                lastName = code == "Snam" ? value : lastName;
                port.feedAfter(2, refuseSets ? "\x81{Ack=Uk}" : "\x81{" + code + "=OK}");
            } else if (code == "Snam" && names.contains(lastName)) {
                port.feedAfter(2, "\x81{Snam=" + names[lastName] + '}');
            } else if (replies.contains(code)) {
                port.feedAfter(2, "\x81{" + code + '=' + replies[code] + '}');
            }
        };
        driver.setAdr(129);
    }
    VirtualHost host;
    MemoryPort port;
    LinkState link{port, host};
    Protocol_MsSl driver{link};
    QMap<QByteArray, QByteArray> replies;
    Names names; // replies to a "Snam" query, by the number last set ("257": the count)
    QByteArray lastName;
    bool refuseSets = false;
};

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

class TestProtocolMsSl : public QObject
{
    Q_OBJECT

private slots:
    void initIRD_data()
    {
        QTest::addColumn<int>("receiver"); // 0 master/slave, 1 terminal mode, 2 silent
        QTest::addColumn<QByteArrayList>("frames");
        QTest::addColumn<bool>("result");
        QTest::newRow("master/slave, stale reply waiting")
            << 0 << QByteArrayList{"\x81{Usvr=?}"} + kDefaults << true;
        QTest::newRow("terminal mode") << 1 << switchToMasterSlave() + kDefaults << true;
        QTest::newRow("silent") << 2 << switchToMasterSlave() << false;
    }
    void initIRD()
    {
        QFETCH(int, receiver);
        QFETCH(QByteArrayList, frames);
        QFETCH(bool, result);
        SimulatedReceiver rx({129, receiver == 1});
        rx.silent = receiver == 2;
        rx.port.open();
        rx.port.feed("\x81{Usvr=Xx}"); // a stale reply, not the probe's
        Protocol_MsSl driver(rx.link);
        driver.setAdr(129);
        QCOMPARE(driver.InitIRD(), result);
        QCOMPARE(rx.frames(), frames);
        QCOMPARE(rx.link.Eto, receiver != 0); // InitIRD does not clear a probe's time-out
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

    void getters_data()
    {
        QTest::addColumn<QByteArray>("code");
        QTest::addColumn<QByteArray>("reply"); // empty: no reply at all
        QTest::addColumn<QString>("result");
        auto row = [](QByteArray code, QByteArray reply, QString result) {
            QTest::addRow("%s %s", code.data(), reply.data()) << code << reply << result;
        };
        row("LNin", "Bin", "1");
        row("LNin", "ain", "255");
        row("LNos", "UDSQ", "2");
        row("LNBp", "18", "H");
        row("LNBp", "13", "?");
        row("Sfrq", "04883.00", "04883");
        row("Sfrq", "27500", "27500");
        row("Sfrq", "", "");
        row("Tfrq", "11034000", "11034000");
    }
    void getters()
    {
        QFETCH(QByteArray, code);
        QFETCH(QByteArray, reply);
        QFETCH(QString, result);
        ScriptedReceiver rx;
        if (!reply.isEmpty())
            rx.replies[code] = reply;
        Protocol_MsSl &d = rx.driver;
        const std::map<QByteArray, std::function<QString()>> ops{
            {"LNin", [&] { return QString::number(d.GetLNBInput()); }},
            {"LNos", [&] { return QString::number(d.GetLNBType()); }},
            {"LNBp", [&] { return d.GetLNBPolar(); }},
            {"Sfrq", [&] { return d.GetSpeed(); }},
            {"Tfrq", [&] { return d.GetFrequency(); }}};
        QCOMPARE(ops.at(code)(), result);
        QCOMPARE(rx.port.writes(), QByteArrayList{"\x81{" + code + "=?}"});
        QCOMPARE(rx.link.Eto, reply.isEmpty());
    }

    void setters_data()
    {
        QTest::addColumn<QByteArray>("code"); // the operation, by the code it sends
        QTest::addColumn<QString>("arg");
        QTest::addColumn<QByteArray>("current");
        QTest::addColumn<bool>("refuse");
        QTest::addColumn<QByteArrayList>("frames"); // after the query, if any
        QTest::addColumn<bool>("result");
        auto row = [](QByteArray code, QString arg, QByteArray current, bool refuse,
                      QByteArrayList frames, bool result) {
            QTest::addRow("%s %s%s", code.data(), qPrintable(arg), refuse ? " refused" : "")
                << code << arg << current << refuse << frames << result;
        };
        row("LNin", "0", "Bin", false, {"\x81{LNin=Ain}"}, true);
        row("LNin", "1", "Ain", true, {"\x81{LNin=Bin}"}, false);
        row("LNin", "2", "", false, {}, false);
        row("LNos", "2", "UNVR", false, {"\x81{LNos=UDSQ}"}, true);
        row("LNos", "1", "UNVR", true, {"\x81{LNos=WIDE}"}, false);
        row("LNBp", "H", "14", false, {"\x81{LNBp=18}"}, true);
        row("Sfrq", "4883", "27500.00", false, {"\x81{Sfrq=04883.00}"}, true);
        row("Tfrq", "11034000", "", false, {"\x81{Tfrq=11034000}"}, true);
        row("TfrqNum", "12000000", "", false, {"\x81{Tfrq=12000000}"}, true);
        row("Rstp", "7", "", true, {"\x81{Rstp=7}"}, true); // a refusal is not looked at
    }
    void setters()
    {
        QFETCH(QByteArray, code);
        QFETCH(QString, arg);
        QFETCH(QByteArray, current);
        QFETCH(bool, refuse);
        QFETCH(QByteArrayList, frames);
        QFETCH(bool, result);
        ScriptedReceiver rx;
        rx.refuseSets = refuse;
        if (!current.isEmpty()) {
            rx.replies[code] = current;
            frames.prepend("\x81{" + code + "=?}");
        }
        Protocol_MsSl &d = rx.driver;
        const std::map<QByteArray, std::function<bool()>> ops{
            {"LNin", [&] { return d.SetLNBInput(quint8(arg.toInt())); }},
            {"LNos", [&] { return d.SetLNBType(quint8(arg.toInt())); }},
            {"LNBp", [&] { return d.SetLNBPolar(arg); }},
            {"Sfrq", [&] { return d.SetSpeed(arg); }},
            {"Tfrq", [&] { return d.SetFrequency(arg); }},
            {"TfrqNum", [&] { return d.SetFrequencyNum(arg.toDouble()); }},
            {"Rstp", [&] { return d.SetServiceNum(quint8(arg.toInt())); }}};
        QCOMPARE(ops.at(code)(), result);
        QCOMPARE(rx.port.writes(), frames);
        // The LNB is given 500 ms after a type change, whether it was accepted or not.
        if (code == "LNos")
            QVERIFY(rx.host.nowUs() - rx.port.writeTimesUs().last() >= 500000);
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

    void serviceNamesBeyond999()
    {
        ScriptedReceiver rx;
        rx.names = {{"257", "Srvc_Mx:1000"}, {"1000", "Last"}, {"3", "Three"}};
        RecordedList list;
        QCOMPARE(rx.driver.GetServiceNumber(), qint16(1000));
        rx.driver.GetServiceName(list);
        QCOMPARE(list.rows.size(), 1000);
        QCOMPARE(list.rows.last(), QString("1000 1000 Last"));
        QCOMPARE(list.rows[41], QString("42 042 "));

        // One name: set, then asked for even when the set is refused; the address is one byte.
        rx.refuseSets = true;
        rx.driver.setAdr(200);
        QCOMPARE(rx.driver.GetService(3), QString("Three"));
        QCOMPARE(rx.port.writes().mid(rx.port.writes().size() - 2),
                 (QByteArrayList{"\xc8{Snam=3}", "\xc8{Snam=?}"}));
    }

    void waitRunsTheEventLoop_data()
    {
        QTest::addColumn<quint32>("startTick");
        QTest::addColumn<int>("ms");
        QTest::newRow("plain") << quint32(1000) << 100;
        QTest::newRow("across the wrap") << quint32(0xFFFFFFC0u) << 100;
        QTest::newRow("negative") << quint32(0xFFFFFFF0u) << -20;
    }
    void waitRunsTheEventLoop()
    {
        QFETCH(quint32, startTick);
        QFETCH(int, ms);
        ScriptedReceiver rx(startTick);
        rx.host.setPassCostUs(100);
        rx.driver.Wait(qint16(ms));
        const quint64 waitedUs = rx.host.nowUs();
        if (ms <= 0)
            QCOMPARE(rx.host.passes(), quint64(1));
        else
            QVERIFY2(waitedUs >= quint64(ms) * 1000 && waitedUs <= quint64(ms) * 1000 + 1100,
                     qPrintable(QString::number(waitedUs)));
        QCOMPARE(rx.host.sleptMs(), quint64(0));
    }
};

QTEST_GUILESS_MAIN(TestProtocolMsSl)
#include "tst_protocol_mssl.moc"
