#include "link/linkstate.h"
#include "link/protocol_mssl.h"
#include "link/servicelist.h"
#include "link/statuslabels.h"
#include "tests/support/simulatedreceiver.h"

#include <QTest>

#include <functional>
#include <map>

namespace {

// A receiver that answers queries from a table (a code missing from it is never answered) and
// accepts or refuses every set.
struct ScriptedReceiver
{
    explicit ScriptedReceiver(quint32 startTick = 0) : host(startTick), port(host)
    {
        port.open();
        port.onWrite = [this](const QByteArray &frame) {
            const int open = int(frame.indexOf('{'));
            const int eq = int(frame.indexOf('='));
            const QByteArray code = frame.mid(open + 1, eq - open - 1);
            const QByteArray value = frame.mid(eq + 1, frame.size() - eq - 2);
            if (value != "?") {
                if (code == "Snam")
                    lastName = value;
                port.feedAfter(2, refuseSets ? "\x81{Ack=Uk}" : "\x81{" + code + "=OK}");
            } else if (code == "Snam" && names.contains(lastName)) {
                port.feedAfter(2, "\x81{Snam=" + names[lastName] + '}');
            } else if (replies.contains(code))
                port.feedAfter(2, "\x81{" + code + '=' + replies[code] + '}');
        };
    }
    VirtualHost host;
    MemoryPort port;
    LinkState link{port, host};
    QMap<QByteArray, QByteArray> replies;
    // Replies to a "Snam" query, by the number last set ("257" for the count).
    QMap<QByteArray, QByteArray> names;
    QByteArray lastName;
    bool refuseSets = false;
};

using Names = QMap<QByteArray, QByteArray>;

struct RecordedList : ServiceList
{
    QStringList rows; // "position number name"
    void insertService(int position, const QString &number, const QString &name) override
    {
        rows << QString::number(position) + ' ' + number + ' ' + name;
    }
};

struct Labels : StatusLabels
{
    QString texts[5];
    QString text(int i) const override { return texts[i]; }
    void setText(int i, const QString &t) override { texts[i] = t; }
};

struct ScanningDriver : Protocol_MsSl
{
    using Protocol_MsSl::Protocol_MsSl;
    void setProgress(qint32 done, qint32 total)
    {
        ScanDone = done;
        ScanTotal = total;
    }
};

QByteArrayList defaultsFrames()
{
    return {"\x81{IQP=Auto}",  "\x81{Dsmd=Auto}", "\x81{Rlof=Auto}", "\x81{Vitr=Auto}",
            "\x81{Pstu=Auto}", "\x81{Srpd=Psi}",  "\x81{Sstp=11}"};
}

QByteArrayList switchBytes()
{
    QByteArrayList bytes;
    for (const char c : QByteArray("\r\nCNFG CNPR MSLV\r\n"))
        bytes.append(QByteArray(1, c));
    return bytes;
}

} // namespace

class TestProtocolMsSl : public QObject
{
    Q_OBJECT

private slots:
    void initIRD_masterSlaveReceiver()
    {
        SimulatedReceiver rx;
        rx.port.open();
        rx.port.feed("\x81{Usvr=Xx}"); // a stale reply, not the probe's
        Protocol_MsSl driver(rx.link);
        driver.setAdr(129);
        QVERIFY(driver.InitIRD());
        QCOMPARE(rx.frames(), QByteArrayList{"\x81{Usvr=?}"} + defaultsFrames());
        QCOMPARE(rx.model.state().defaults["Srpd"], QByteArray("Psi"));
        QCOMPARE(rx.model.state().defaults["Sstp"], QByteArray("11"));
        QVERIFY(!rx.link.Eto);
    }

    void initIRD_errorAckCountsAsMasterSlave()
    {
        ScriptedReceiver rx;
        rx.replies["Usvr"] = "Uk";
        Protocol_MsSl driver(rx.link);
        driver.setAdr(129);
        QVERIFY(driver.InitIRD());
        QCOMPARE(rx.port.writes(), QByteArrayList{"\x81{Usvr=?}"} + defaultsFrames());
    }

    void initIRD_silentReceiver()
    {
        SimulatedReceiver rx;
        rx.silent = true;
        rx.port.open();
        Protocol_MsSl driver(rx.link);
        driver.setAdr(129);
        QVERIFY(!driver.InitIRD());
        QCOMPARE(rx.frames(),
                 QByteArrayList{"\x81{Usvr=?}"} + switchBytes() + QByteArrayList{"\x81{Usrv=?}"});
        QVERIFY(rx.link.Eto);
        QVERIFY(rx.host.nowUs() >= (2 * 10000 + 400) * 1000u);
    }

    void initIRD_receiverInTerminalMode()
    {
        SimulatedReceiver rx({129, true});
        rx.port.open();
        Protocol_MsSl driver(rx.link);
        driver.setAdr(129);
        QVERIFY(driver.InitIRD());
        QCOMPARE(rx.frames(), QByteArrayList{"\x81{Usvr=?}"} + switchBytes() +
                                  QByteArrayList{"\x81{Usrv=?}"} + defaultsFrames());
        QVERIFY(!rx.model.state().terminal);
        QVERIFY(rx.link.Eto); // the first probe timed out; InitIRD does not clear the flag
    }

    void getters_data()
    {
        QTest::addColumn<QByteArray>("code");
        QTest::addColumn<QByteArray>("reply"); // empty: no reply at all
        QTest::addColumn<QString>("result");
        QTest::newRow("input B") << QByteArray("LNin") << QByteArray("Bin") << "1";
        QTest::newRow("input other") << QByteArray("LNin") << QByteArray("ain") << "255";
        QTest::newRow("type diseqc") << QByteArray("LNos") << QByteArray("UDSQ") << "2";
        QTest::newRow("polar 18") << QByteArray("LNBp") << QByteArray("18") << "H";
        QTest::newRow("polar 13") << QByteArray("LNBp") << QByteArray("13") << "?";
        QTest::newRow("speed") << QByteArray("Sfrq") << QByteArray("27500.00") << "27500";
        QTest::newRow("speed padded") << QByteArray("Sfrq") << QByteArray("04883.00") << "04883";
        QTest::newRow("speed without point")
            << QByteArray("Sfrq") << QByteArray("27500") << "27500";
        QTest::newRow("speed time-out") << QByteArray("Sfrq") << QByteArray() << "";
        QTest::newRow("frequency") << QByteArray("Tfrq") << QByteArray("11034000") << "11034000";
    }
    void getters()
    {
        QFETCH(QByteArray, code);
        QFETCH(QByteArray, reply);
        QFETCH(QString, result);
        ScriptedReceiver rx;
        if (!reply.isEmpty())
            rx.replies[code] = reply;
        Protocol_MsSl driver(rx.link);
        driver.setAdr(129);
        const std::map<QByteArray, std::function<QString()>> ops{
            {"LNin", [&] { return QString::number(driver.GetLNBInput()); }},
            {"LNos", [&] { return QString::number(driver.GetLNBType()); }},
            {"LNBp", [&] { return driver.GetLNBPolar(); }},
            {"Sfrq", [&] { return driver.GetSpeed(); }},
            {"Tfrq", [&] { return driver.GetFrequency(); }}};
        const QString got = ops.at(code)();
        QCOMPARE(got, result);
        QCOMPARE(rx.port.writes(), QByteArrayList{"\x81{" + code + "=?}"});
        QCOMPARE(rx.link.Eto, reply.isEmpty());
    }

    void queryThenSet_data()
    {
        QTest::addColumn<QByteArray>("code"); // the operation, by the code it sends
        QTest::addColumn<QString>("arg");
        QTest::addColumn<QByteArray>("current");
        QTest::addColumn<bool>("refuse");
        QTest::addColumn<QByteArrayList>("frames");
        QTest::addColumn<bool>("result");
        auto row = [](const char *name, QByteArray code, QString arg, QByteArray current,
                      bool refuse, QByteArrayList frames, bool result) {
            QTest::newRow(name) << code << arg << current << refuse << frames << result;
        };
        row("input B to A", "LNin", "0", "Bin", false, {"\x81{LNin=?}", "\x81{LNin=Ain}"}, true);
        row("input refused", "LNin", "1", "Ain", true, {"\x81{LNin=?}", "\x81{LNin=Bin}"}, false);
        row("input out of range", "LNin", "2", "Ain", false, {}, false);
        row("type to diseqc", "LNos", "2", "UNVR", false, {"\x81{LNos=?}", "\x81{LNos=UDSQ}"},
            true);
        row("type refused", "LNos", "1", "UNVR", true, {"\x81{LNos=?}", "\x81{LNos=WIDE}"}, false);
        row("polar to H", "LNBp", "H", "14", false, {"\x81{LNBp=?}", "\x81{LNBp=18}"}, true);
        row("speed differs", "Sfrq", "27500", "22000.00", false,
            {"\x81{Sfrq=?}", "\x81{Sfrq=27500.00}"}, true);
        row("speed padded", "Sfrq", "4883", "27500.00", false,
            {"\x81{Sfrq=?}", "\x81{Sfrq=04883.00}"}, true);
        row("frequency always sent", "Tfrq", "11034000", "11034000", false, {"\x81{Tfrq=11034000}"},
            true);
        row("frequency number", "TfrqNum", "12000000", "", false, {"\x81{Tfrq=12000000}"}, true);
        row("service selection ignores refusal", "Rstp", "7", "", true, {"\x81{Rstp=7}"}, true);
    }
    void queryThenSet()
    {
        QFETCH(QByteArray, code);
        QFETCH(QString, arg);
        QFETCH(QByteArray, current);
        QFETCH(bool, refuse);
        QFETCH(QByteArrayList, frames);
        QFETCH(bool, result);
        ScriptedReceiver rx;
        rx.refuseSets = refuse;
        if (!current.isEmpty())
            rx.replies[code] = current;
        Protocol_MsSl driver(rx.link);
        driver.setAdr(129);
        const std::map<QByteArray, std::function<bool()>> ops{
            {"LNin", [&] { return driver.SetLNBInput(quint8(arg.toInt())); }},
            {"LNos", [&] { return driver.SetLNBType(quint8(arg.toInt())); }},
            {"LNBp", [&] { return driver.SetLNBPolar(arg); }},
            {"Sfrq", [&] { return driver.SetSpeed(arg); }},
            {"Tfrq", [&] { return driver.SetFrequency(arg); }},
            {"TfrqNum", [&] { return driver.SetFrequencyNum(arg.toDouble()); }},
            {"Rstp", [&] { return driver.SetServiceNum(quint8(arg.toInt())); }}};
        QCOMPARE(ops.at(code)(), result);
        QCOMPARE(rx.port.writes(), frames);
        // The LNB is given 500 ms after a type change, whether it was accepted or not.
        if (code == "LNos" && frames.size() == 2)
            QVERIFY(rx.host.nowUs() - rx.port.writeTimesUs().last() >= 500000);
    }

    void getService_setsThenQueries()
    {
        SimulatedReceiver rx;
        rx.port.open();
        Protocol_MsSl driver(rx.link);
        driver.setAdr(129);
        QCOMPARE(driver.GetService(3), QString("Demo Three"));
        QCOMPARE(rx.frames(), (QByteArrayList{"\x81{Snam=3}", "\x81{Snam=?}"}));

        // a refused set does not stop the query
        ScriptedReceiver scripted;
        scripted.refuseSets = true;
        scripted.replies["Snam"] = "Old Name";
        Protocol_MsSl other(scripted.link);
        other.setAdr(7);
        QCOMPARE(other.GetService(1), QString("Old Name"));
        QCOMPARE(scripted.port.writes(), (QByteArrayList{"\x07{Snam=1}", "\x07{Snam=?}"}));
    }

    void serviceList_data()
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
        QTest::newRow("equals kept, brace cuts")
            << Names{{"257", "Srvc_Mx:2"}, {"1", "A=B"}, {"2", "C}D"}}
            << QStringList{"1 001 A=B", "2 002 C"} << 6;
        QTest::newRow("unanswered name listed empty")
            << Names{{"257", "Srvc_Mx:2"}, {"2", "Two"}} << QStringList{"1 001 ", "2 002 Two"} << 6;
    }
    void serviceList()
    {
        QFETCH(Names, names);
        QFETCH(QStringList, rows);
        QFETCH(int, exchanges);
        ScriptedReceiver rx;
        rx.names = names;
        Protocol_MsSl driver(rx.link);
        driver.setAdr(129);
        RecordedList list;
        driver.GetServiceName(list);
        QCOMPARE(list.rows, rows);
        QCOMPARE(rx.port.writes().size(), exchanges);
        QCOMPARE(rx.port.writes().mid(0, 2), (QByteArrayList{"\x81{Snam=257}", "\x81{Snam=?}"}));
        for (int i = 2; i < exchanges; i += 2) {
            QCOMPARE(rx.port.writes()[i], "\x81{Snam=" + QByteArray::number(i / 2) + '}');
            QCOMPARE(rx.port.writes()[i + 1], QByteArray("\x81{Snam=?}"));
        }
    }

    void serviceList_fourDigitNumbers()
    {
        ScriptedReceiver rx;
        rx.names["257"] = "Srvc_Mx:1000";
        rx.names["1000"] = "Last";
        Protocol_MsSl driver(rx.link);
        RecordedList list;
        QCOMPARE(driver.GetServiceNumber(), qint16(1000));
        driver.GetServiceName(list);
        QCOMPARE(list.rows.size(), 1000);
        QCOMPARE(list.rows.last(), QString("1000 1000 Last"));
        QCOMPARE(list.rows[41], QString("42 042 "));
    }

    void addressAbove127IsOneByte()
    {
        ScriptedReceiver rx;
        Protocol_MsSl driver(rx.link);
        driver.setAdr(200);
        driver.GetFrequency();
        QCOMPARE(rx.port.written(), QByteArray("\xc8{Tfrq=?}"));
    }

    void wait_data()
    {
        QTest::addColumn<quint32>("startTick");
        QTest::addColumn<int>("ms");
        QTest::newRow("plain") << quint32(1000) << 100;
        QTest::newRow("across the wrap") << quint32(0xFFFFFFC0u) << 100;
        QTest::newRow("zero") << quint32(5) << 0;
        QTest::newRow("negative") << quint32(0xFFFFFFF0u) << -20;
    }
    void wait()
    {
        QFETCH(quint32, startTick);
        QFETCH(int, ms);
        ScriptedReceiver rx(startTick);
        rx.host.setPassCostUs(100);
        Protocol_MsSl driver(rx.link);
        driver.Wait(qint16(ms));
        const quint64 waitedUs = rx.host.nowUs();
        if (ms <= 0) {
            QCOMPARE(rx.host.passes(), quint64(1));
        } else {
            QVERIFY2(waitedUs >= quint64(ms) * 1000, qPrintable(QString::number(waitedUs)));
            QVERIFY2(waitedUs <= quint64(ms) * 1000 + 1100, qPrintable(QString::number(waitedUs)));
        }
        QCOMPARE(rx.host.sleptMs(), quint64(0)); // no sleep: the event loop runs throughout
    }

    void getTimetoGo_data()
    {
        QTest::addColumn<int>("done");
        QTest::addColumn<int>("total");
        QTest::addColumn<QString>("shown");
        QTest::newRow("no scan") << 5 << 0 << "before";
        QTest::newRow("nothing done") << 0 << 100 << "before";
        QTest::newRow("rounds down") << 2 << 3 << "66%";
    }
    void getTimetoGo()
    {
        QFETCH(int, done);
        QFETCH(int, total);
        QFETCH(QString, shown);
        ScriptedReceiver rx;
        ScanningDriver driver(rx.link);
        driver.setProgress(done, total);
        Labels labels;
        labels.texts[4] = "before";
        driver.GetTimetoGo(labels);
        QCOMPARE(labels.texts[4], shown);
        QVERIFY(rx.port.writes().isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestProtocolMsSl)
#include "tst_protocol_mssl.moc"
