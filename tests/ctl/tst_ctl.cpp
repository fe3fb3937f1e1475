#include "ctl/commands.h"
#include "ctl/commandtable.h"
#include "ctl/metrics.h"
#include "ctl/output.h"
#include "ctl/signal.h"
#include "lists/catalogue.h"
#include "lists/listfile.h"
#include "lists/planimport.h"
#include "scan/position.h"
#include "session/receiversample.h"
#include "session/survey.h"
#include "testsupport/memoryviews.h"
#include "testsupport/writefile.h"
#include "testsupport/simulatedreceiver.h"

#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#ifdef Q_OS_UNIX
#include <sys/stat.h>
#endif

#include <cstdio>
#include <tuple>

namespace {

QString readBack(std::FILE *f)
{
    std::fflush(f);
    std::rewind(f);
    QFile file;
    return file.open(f, QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

using Fault = SimulatedReceiver::Fault;

// What a test row puts the receiver through.
struct Trouble
{
    Fault fault = Fault::None;
    QByteArray at;     // the frame the fault starts at
    QByteArray stopAt; // the frame the operator's Ctrl+C comes at; empty: none
    static Trouble of(Fault fault, const QByteArray &at = {}) { return {fault, at, {}}; }
    static Trouble ctrlCAt(const QByteArray &at) { return {Fault::None, {}, at}; }
};

// The command-line tool's commands over the receiver model on the virtual clock.
struct Ctl
{
    explicit Ctl(ReceiverModel::Options options = {}, bool json = false)
        : rx(options), output(json, out, err)
    {
        rx.host.setPassCostUs(200);
    }
    ~Ctl()
    {
        std::fclose(out);
        std::fclose(err);
    }
    // Runs a command line of the tool's through its command table, checked first as the tool
    // does; the exit status. "terminal" first stands for --terminal. The words after a
    // command's arguments stand for its options: tune's --service, codes' --from, signal's
    // --interval, scan's --rates, then "save", "guided" and "force" for the flags.
    int operator()(const QString &line)
    {
        QStringList a = line.split(' ');
        const bool terminal = a[0] == "terminal";
        if (terminal)
            a.removeFirst();
        const CtlSettings settings{129, 0, 1, "1"};
        const CtlCommand *command = FindCtlCommand(a[0]);
        const int arguments = terminal ? command->terminalArguments : command->arguments;
        const QStringList extra = a.mid(1 + arguments);
        const QString valued = a[0] == "tune"     ? "service"
                               : a[0] == "codes"  ? "from"
                               : a[0] == "signal" ? "interval"
                                                  : "rates";
        const auto value = [&](const QString &o) {
            return o == valued && !extra.isEmpty() &&
                           !QStringList{"save", "guided", "force"}.contains(extra[0])
                       ? extra[0]
                       : QString();
        };
        CtlRequest request{a.mid(1, arguments),
                           [&](const QString &o) {
                               return extra.contains(o) || !value(o).isEmpty() ||
                                      (terminal && o == "terminal");
                           },
                           value, program.path()};
        const CtlRefusal refusal = CheckRequest(*command, request, settings);
        if (refusal.refuses())
            return Refuse(output, refusal);
        Commands c(rx.link, settings, output);
        return RunOnLink(*command, c, request);
    }
    // The receiver's fault, and the operator's Ctrl+C as a frame holding `stopAt` goes out.
    void put(const Trouble &t)
    {
        rx.inject(t.fault, t.at);
        if (!t.stopAt.isEmpty())
            rx.stopAt(t.stopAt);
    }
    QStringList result() const { return readBack(out).split('\n', Qt::SkipEmptyParts); }
    QString error() const { return readBack(err); }
    bool saysNoReply() const
    {
        return error().contains("no reply from the receiver at address 129");
    }
    SimulatedReceiver rx;
    QTemporaryDir program;
    std::FILE *out = std::tmpfile();
    std::FILE *err = std::tmpfile();
    Output output;
};

} // namespace

class TestCtl : public QObject
{
    Q_OBJECT

private slots:
    // status asks, and changes nothing; a value left unanswered is said not read.
    void statusOnlyAsks_data()
    {
        QTest::addColumn<bool>("terminal");
        QTest::addColumn<Trouble>("trouble");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("shown"); // a line of the result
        QTest::newRow("master/slave")
            << false << Trouble{} << int(Exit::Ok) << "frequency: 11034000";
        QTest::newRow("terminal mode") << true << Trouble{} << int(Exit::Ok) << "mode: terminal";
        QTest::newRow("polarisation's reply lost")
            << false << Trouble::of(Fault::ReplyLost, "{LNBp=?}") << int(Exit::TimeOut)
            << "polarisation: not read";
    }
    void statusOnlyAsks()
    {
        QFETCH(bool, terminal);
        QFETCH(Trouble, trouble);
        QFETCH(int, status);
        QFETCH(QString, shown);
        Ctl ctl({129, terminal});
        ctl.put(trouble);
        QCOMPARE(ctl("status"), status);
        QVERIFY2(ctl.result().contains(shown), qPrintable(ctl.result().join('|')));
        QVERIFY(ctl.saysNoReply() == (status == Exit::TimeOut));
        for (const QByteArray &frame : ctl.rx.frames())
            QVERIFY2(frame.endsWith("=?}") || !frame.startsWith('\x81'), frame.constData());
    }

    // A receiver gone costs one exchange's time-out, whatever the command; nothing is shown.
    void aSilentReceiverIsAskedOnce_data()
    {
        QTest::addColumn<QString>("line");
        QTest::addColumn<QByteArrayList>("asked"); // what was sent
        for (const char *line : {"tune 10892000 H 27500", "services", "service 1", "catalogue",
                                 "codes Zzzy", "codes Tfra", "scan 13E 27500"})
            QTest::newRow(line) << line << QByteArrayList{"\x81{Usvr=?}"};
        QTest::newRow("set") << "set LNin Bin" << QByteArrayList{"\x81{LNin=Bin}"};
        // Then whether it is in terminal mode: an empty line, and "H".
        QTest::newRow("status") << "status"
                                << QByteArrayList{"\x81{Usvr=?}", "\r", "\n", "H", "\r", "\n"};
    }
    void aSilentReceiverIsAskedOnce()
    {
        QFETCH(QString, line);
        QFETCH(QByteArrayList, asked);
        Ctl ctl;
        ctl.put(Trouble::of(Fault::Silent));
        QCOMPARE(ctl(line), int(Exit::TimeOut));
        QVERIFY(ctl.result().isEmpty());
        QVERIFY(ctl.saysNoReply());
        QCOMPARE(ctl.rx.frames(), asked);
    }

    // tune: the progress, the lock and the services; a service beyond the count is never sent.
    void tune_data()
    {
        QTest::addColumn<QString>("line");
        QTest::addColumn<Trouble>("trouble");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("shown"); // a line of the result; empty: none
        QTest::newRow("service 2 selected")
            << "tune 10892000 h 27500 2" << Trouble{} << int(Exit::Ok) << "005 Aurora Radio";
        QTest::newRow("no lock at another rate")
            << "tune 10892000 H 22000" << Trouble{} << int(Exit::NoLock) << "locked: no";
        QTest::newRow("silent from the lock query: not 'no lock'")
            << "tune 10892000 H 27500" << Trouble::of(Fault::SilentFrom, "{Bst=")
            << int(Exit::TimeOut) << "";
        QTest::newRow("port lost at the lock query")
            << "tune 10892000 H 27500" << Trouble::of(Fault::PortLostFrom, "{Bst=")
            << int(Exit::PortUnavailable) << "";
        QTest::newRow("service 6 of 5")
            << "tune 10892000 H 27500 6" << Trouble{} << int(Exit::Refused) << "locked: yes";
    }
    void tune()
    {
        QFETCH(QString, line);
        QFETCH(Trouble, trouble);
        QFETCH(int, status);
        QFETCH(QString, shown);
        Ctl ctl;
        ctl.put(trouble);
        QCOMPARE(ctl(line), status);
        QVERIFY2(shown.isEmpty() ? ctl.result().isEmpty() : ctl.result().contains(shown),
                 qPrintable(ctl.result().join('|')));
        QVERIFY(status != Exit::Ok ||
                ctl.error().startsWith("kolvex7-ctl: tuning 10892000 H 27500\n"
                                       "kolvex7-ctl: wait setup"));
        QVERIFY(!ctl.rx.frames().contains("\x81{Rstp=6}"));
        QVERIFY(ctl.saysNoReply() == (status == Exit::TimeOut));
    }

    // signal reads again every --interval: stopped 2 s in, it read at 0, 0.5, 1 and 1.5 s.
    void signalReadsEveryInterval()
    {
        Ctl ctl;
        ctl.rx.host.after(2000, [&] { ctl.rx.link.run.stop(); });
        QCOMPARE(ctl("signal 0.5"), int(Exit::Ok));
        QCOMPARE(ctl.rx.frames().count("\x81{Bst=?}"), 4);
    }

    // Ctrl+C during a tuning tunes the receiver back to where it was.
    void ctrlCSetsATuningBack()
    {
        Ctl ctl;
        ctl.put(Trouble::ctrlCAt("{Bst="));
        QCOMPARE(ctl("tune 10892000 H 27500"), int(Exit::Failed));
        QCOMPARE(ctl.rx.model.state().frequency, qint64(11034000));
    }

    // What a command line gets wrong is refused before anything goes to the receiver; a line
    // end left in a value (a script's $(...), a pasted line) is no part of it.
    void refusedBeforeAnythingIsSent_data()
    {
        QTest::addColumn<QString>("line");
        QTest::addColumn<QString>("says");
        QTest::newRow("frequency outside the band") << "tune 2000000 H 27500"
                                                    << "--band L";
        QTest::newRow("polarisation X") << "tune 10892000 X 27500"
                                        << "";
        QTest::newRow("service 256") << "tune 10892000 H 27500 256"
                                     << "";
        QTest::newRow("a value with a '}'") << "set Tfrq 1}2"
                                            << "";
        QTest::newRow("no position") << "scan 13.5Q"
                                     << "";
        QTest::newRow("beyond 180.00") << "scan 180.01W"
                                       << "";
        QTest::newRow("--from no code of the sweep") << "codes tfrq"
                                                     << "AAAA to Zzzz";
        QTest::newRow("scan's line end: never 13.00E") << "scan 13W\n"
                                                       << "";
        QTest::newRow("tune's line end") << "tune 10892000\n H 27500"
                                         << "";
        QTest::newRow("query's line end") << "query Tfrq\n"
                                          << "";
        QTest::newRow("set's line end") << "set Rstp 1\n"
                                        << "";
    }
    void refusedBeforeAnythingIsSent()
    {
        QFETCH(QString, line);
        QFETCH(QString, says);
        Ctl ctl;
        QCOMPARE(ctl(line), int(Exit::BadArguments));
        QVERIFY(ctl.rx.frames().isEmpty() && ctl.result().isEmpty());
        QVERIFY2(ctl.error().contains(says), qPrintable(ctl.error()));
    }

    // The services of the tuned transponder, one selected, one beyond them refused; a code
    // asked or set, and the receiver's refusal with the values it takes.
    void servicesAndCodes_data()
    {
        QTest::addColumn<QString>("line");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("shown");
        QTest::addColumn<QString>("says");
        QTest::newRow("services") << "services" << int(Exit::Ok) << "005 Demo Data"
                                  << "";
        QTest::newRow("service 3") << "service 3" << int(Exit::Ok) << "name: Demo Three"
                                   << "";
        QTest::newRow("service 6 of 5") << "service 6" << int(Exit::Refused) << ""
                                        << "beyond";
        QTest::newRow("query") << "query Tfrq" << int(Exit::Ok) << "reply: 11034000"
                               << "";
        QTest::newRow("code unknown") << "query Zzzz" << int(Exit::Refused) << "reply: Uk"
                                      << "";
        QTest::newRow("value refused") << "set LNin Cin" << int(Exit::Refused) << "reply: Uk"
                                       << "LNin refused by the receiver; it takes Ain";
        QTest::newRow("the arc's edge")
            << "scan 180.00E 27500" << int(Exit::Ok) << "position: 180.00E"
            << "";
    }
    void servicesAndCodes()
    {
        QFETCH(QString, line);
        QFETCH(int, status);
        QFETCH(QString, shown);
        QFETCH(QString, says);
        Ctl ctl;
        QCOMPARE(ctl(line), status);
        QVERIFY2(shown.isEmpty() ? ctl.result().isEmpty() : ctl.result().contains(shown),
                 qPrintable(ctl.result().join('|')));
        QVERIFY2(ctl.error().contains(says), qPrintable(ctl.error()));
        QVERIFY(!ctl.rx.frames().contains("\x81{Rstp=6}"));
    }

    // The catalogue lists every code's reply; a stop lists up to it; a receiver that falls
    // silent is asked three times more, and the progress says how far it got.
    void catalogue_data()
    {
        QTest::addColumn<Trouble>("trouble");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("shown");
        QTest::addColumn<int>("after");        // lines from `shown` to the end; -1 any
        QTest::addColumn<QString>("progress"); // on standard error
        QTest::newRow("answered") << Trouble{} << int(Exit::Ok) << "Tfrq: 11034000" << -1 << "";
        QTest::newRow("Ctrl+C at the lock")
            << Trouble::ctrlCAt("{Bst=") << int(Exit::Failed) << "Bst: OK" << 1 << "";
        QTest::newRow("silent from the lock")
            << Trouble::of(Fault::SilentFrom, "{Bst=") << int(Exit::TimeOut) << "Bst: (no reply)"
            << 3 << "asked 8 of 88 codes\n";
        QTest::newRow("one reply lost") << Trouble::of(Fault::ReplyLost, "{LNBp=?}")
                                        << int(Exit::TimeOut) << "LNBp: (no reply)" << -1 << "";
    }
    void catalogue()
    {
        QFETCH(Trouble, trouble);
        QFETCH(int, status);
        QFETCH(QString, shown);
        QFETCH(int, after);
        QFETCH(QString, progress);
        Ctl ctl;
        ctl.put(trouble);
        QCOMPARE(ctl("catalogue"), status);
        const QStringList result = ctl.result();
        QVERIFY2(result.contains(shown), qPrintable(result.join('|')));
        QVERIFY(after < 0 || result.size() - result.indexOf(shown) == after);
        QVERIFY2(ctl.error().contains(progress), qPrintable(ctl.error()));
        QVERIFY(ctl.saysNoReply() == (status == Exit::TimeOut));
        QCOMPARE(ctl.rx.model.state().frequency, qint64(11034000)); // only asked
    }

    // codes sweeps from --from, lists no refusal, and tells where to go on after a stop, with
    // the time left: the 105,456 codes still to ask at the 2 ms each took so far.
    void codesSweep_data()
    {
        QTest::addColumn<QString>("from");
        QTest::addColumn<QByteArray>("stopAt");
        QTest::addColumn<QString>("goOn");
        QTest::addColumn<QString>("progress");
        QTest::newRow("Ctrl+C at Tfrz") << "Tfra" << QByteArray("{Tfrz=") << "Tfsa"
                                        << "";
        QTest::newRow("Ctrl+C past a progress line")
            << "Tzzy" << QByteArray("{Uaab=") << "Uaac"
            << "asked up to Tzzz: 0 known so far, about 3 min 31 s left\n";
    }
    void codesSweep()
    {
        QFETCH(QString, from);
        QFETCH(QByteArray, stopAt);
        QFETCH(QString, goOn);
        QFETCH(QString, progress);
        Ctl ctl;
        ctl.put(Trouble::ctrlCAt(stopAt));
        QCOMPARE(ctl("codes " + from), int(Exit::Failed));
        QVERIFY(!ctl.result().join('|').contains(": Uk"));
        QVERIFY(from != "Tfra" || ctl.result().contains("Tfrq: 11034000"));
        QCOMPARE(ctl.rx.frames().value(1), "\x81{" + from.toLatin1() + "=?}");
        QVERIFY2(ctl.error().contains("go on with --from " + goOn), qPrintable(ctl.error()));
        QVERIFY(ctl.error().contains(progress));
        QCOMPARE(ctl.rx.model.state().frequency, qint64(11034000)); // only asked
    }

    // A tuning in terminal mode sets the receiver; one not in that mode is told so.
    void terminalTune_data()
    {
        QTest::addColumn<bool>("terminal");
        QTest::addColumn<QString>("rate");
        QTest::addColumn<int>("status");
        QTest::newRow("tuned") << true << "27500" << int(Exit::Ok);
        QTest::newRow("rate refused") << true << "990" << int(Exit::Refused);
        QTest::newRow("not in terminal mode") << false << "27500" << int(Exit::Failed);
    }
    void terminalTune()
    {
        QFETCH(bool, terminal);
        QFETCH(QString, rate);
        QFETCH(int, status);
        Ctl ctl({129, terminal});
        QCOMPARE(ctl("terminal tune 10892000 H " + rate), status);
        const ReceiverModel::State &rx = ctl.rx.model.state();
        QCOMPARE(rx.frequency == 10892000 && rx.lnbPolar == "18" && rx.symbolRate == 27500,
                 status == Exit::Ok);
        QCOMPARE(ctl.result().contains("locked: unknown (terminal mode)"), status == Exit::Ok);
    }

    // The terminal band scan lists the carriers of both polarisations, those up to a stop, and
    // ends when the receiver falls silent.
    void terminalScan_data()
    {
        QTest::addColumn<bool>("terminal");
        QTest::addColumn<Trouble>("trouble");
        QTest::addColumn<int>("status");
        QTest::addColumn<QStringList>("shown"); // lines of the result
        QTest::addColumn<int>("lines");         // -1: any
        QTest::newRow("both polarisations")
            << true << Trouble{} << int(Exit::Ok) << QStringList{"V 12525000", "H 12073000"} << 12;
        QTest::newRow("Ctrl+C in the H scan")
            << true << Trouble::ctrlCAt("2") << int(Exit::Failed) << QStringList{"V 12525000"} << 6;
        QTest::newRow("silent from BSCN") << true << Trouble::of(Fault::SilentFrom, "C")
                                          << int(Exit::TimeOut) << QStringList{} << 0;
        QTest::newRow("not in terminal mode")
            << false << Trouble{} << int(Exit::Failed) << QStringList{} << 0;
    }
    void terminalScan()
    {
        QFETCH(bool, terminal);
        QFETCH(Trouble, trouble);
        QFETCH(int, status);
        QFETCH(QStringList, shown);
        QFETCH(int, lines);
        Ctl ctl({129, terminal});
        ctl.put(trouble);
        QCOMPARE(ctl("terminal scan"), status);
        const QStringList result = ctl.result();
        for (const QString &line : shown)
            QVERIFY2(result.contains(line), qPrintable(result.join('|')));
        QCOMPARE(result.size(), lines);
        QVERIFY(ctl.saysNoReply() == (status == Exit::TimeOut));
    }

    // A frequency the band refuses says where the band came from; one beyond the LNB's band is
    // never sent.
    void tuneRefusals_data()
    {
        QTest::addColumn<int>("band");
        QTest::addColumn<bool>("given"); // by --band
        QTest::addColumn<QString>("frequency");
        QTest::addColumn<QString>("says"); // empty: accepted
        QTest::newRow("L configured") << 0 << false << "11034000"
                                      << "(the band is L as kolvex7 is configured: give --band Ku)";
        QTest::newRow("L given") << 0 << true << "11034000"
                                 << "(the band is L as --band says: give --band Ku)";
        QTest::newRow("100 GHz") << 1 << true << "99999999"
                                 << "frequency 99999999 kHz is outside the Ku band, 10700000 to "
                                    "12750000 kHz (the band is Ku as --band says)";
        QTest::newRow("below Ku") << 1 << false << "10699999"
                                  << "outside the Ku band";
        QTest::newRow("Ku's edges") << 1 << false << "12750000"
                                    << "";
        QTest::newRow("below L") << 0 << false << "949999"
                                 << "outside the L band";
        QTest::newRow("L's edges") << 0 << false << "950000"
                                   << "";
    }
    void tuneRefusals()
    {
        QFETCH(int, band);
        QFETCH(bool, given);
        QFETCH(QString, frequency);
        QFETCH(QString, says);
        const QString refusal =
            TuneRefusal(frequency, "H", "27500", "", {129, 0, quint8(band), "1", given});
        QVERIFY2(says.isEmpty() ? refusal.isEmpty() : refusal.contains(says), qPrintable(refusal));
    }

    // A value the receiver left unanswered is null in JSON; the others are as read.
    void aValueNotReadIsNull()
    {
        Ctl ctl({}, true);
        ctl.rx.port.onWrite = [&, answer = ctl.rx.port.onWrite](const QByteArray &f) {
            if (!f.contains("{LNBp=?}"))
                answer(f);
        };
        QCOMPARE(ctl("status"), Exit::TimeOut);
        const QJsonObject result = QJsonDocument::fromJson(readBack(ctl.out).toUtf8()).object();
        QVERIFY(result["polarisation"].isNull() && result.contains("polarisation"));
        QVERIFY(result["locked"].toBool() && result["frequency"].toInt() == 11034000);
    }

    // A failure in JSON carries its error, the same text as on standard error, and its kind.
    void jsonFailuresSayTheirError()
    {
        for (const auto &[line, silent, kind] : {std::tuple{"status", true, "timeout"},
                                                 {"tune 10892000 H 22000", false, "no-lock"},
                                                 {"query Zzzz", false, "refused"},
                                                 {"set Tfrq 1}2", false, "arguments"}}) {
            Ctl ctl({}, true);
            ctl.rx.silent = silent;
            ctl(line);
            const QJsonObject result = QJsonDocument::fromJson(readBack(ctl.out).toUtf8()).object();
            QCOMPARE(result["error_kind"].toString(), QString(kind));
            QVERIFY(
                readBack(ctl.err).contains("kolvex7-ctl: " + result["error"].toString() + '\n'));
        }
        Ctl fine({}, true);
        fine("status");
        QVERIFY(!readBack(fine.out).contains("error"));
    }

    // signal's line fills the terminal's width but its last column (a wrapped line would not be
    // rewritten in place), its bar as full as the margin is of the full scale.
    void signalLineFillsTheTerminal_data()
    {
        QTest::addColumn<int>("width");
        QTest::addColumn<std::optional<double>>("margin");
        QTest::addColumn<double>("share"); // of the bar filled
        QTest::newRow("80 columns, half scale") << 80 << std::optional<double>(8.0) << 0.5;
        QTest::newRow("200 columns, a quarter") << 200 << std::optional<double>(4.0) << 0.25;
        QTest::newRow("above full scale: full") << 80 << std::optional<double>(25.0) << 1.0;
        QTest::newRow("no lock: empty") << 80 << std::optional<double>() << 0.0;
    }
    void signalLineFillsTheTerminal()
    {
        QFETCH(int, width);
        QFETCH(std::optional<double>, margin);
        QFETCH(double, share);
        SignalReading r{true, bool(margin), -43.5, margin, 80, 0};
        const QString line = SignalLine(r, SignalBest{}, width);
        QCOMPARE(line.size(), width - 1);
        const qsizetype open = line.indexOf('['), close = line.indexOf(']');
        const QString bar = line.mid(open + 1, close - open - 1);
        QCOMPARE(bar.count('#'), qRound(share * bar.size()));
        QCOMPARE(bar.count('#') + bar.count('-'), bar.size());
    }

    // --help lists each command of the table once, its synopsis in the first column and its
    // help lines in the second, at column 31 as the rest of the help's text.
    void helpListsEachCommandOnce()
    {
        const QStringList lines = CommandsHelp().split('\n', Qt::SkipEmptyParts);
        qsizetype helpLines = 0;
        for (const CtlCommand &command : CtlCommands()) {
            QCOMPARE(lines
                         .filter(QRegularExpression(
                             "^  " + QRegularExpression::escape(command.synopsis + ' ')))
                         .size(),
                     1);
            helpLines += command.help.count('\n') + 1;
        }
        QCOMPARE(lines.size(), helpLines);
        for (const QString &line : lines)
            QVERIFY2(line.size() > 31 && line[30] == ' ' && line[31] != ' ', qPrintable(line));
    }

    // A label never breaks the page, whatever a port's name holds.
    void metricLabelsEscaped()
    {
        WatchedReceiver r{"a\"b\\c\nd", 129, QDateTime::currentDateTimeUtc(), {}, {}};
        QVERIFY(MetricsText({r}, "1\"")
                    .contains("kolvex7_up{port=\"a\\\"b\\\\c\\nd\",address=\"129\"} 0\n"));
    }

    void sampleTellsOnlyWhatTheReceiverSaid()
    {
        SimulatedReceiver rx;
        ReceiverSample s = SampleReceiver(rx.link, 129);
        QVERIFY(s.up && s.signal.locked && s.signal.marginDb == 10.0 && s.signal.levelDbm == -43.5);
        QCOMPARE(s.signal.quality, std::optional<int>(80));
        QVERIFY(s.frequencyKHz == 11034000 && s.polarisation == "V" && s.symbolRate == 27500);
        const auto answer = rx.answer;
        rx.inject(Fault::SilentFrom, "{Bst="); // falls silent half way
        QVERIFY(!SampleReceiver(rx.link, 129).up);
        rx.inject(Fault::Silent); // silent from the start: asked twice, a second each, no more
        const quint64 start = rx.host.elapsedUs();
        QVERIFY(!SampleReceiver(rx.link, 129).up);
        QVERIFY(rx.host.elapsedUs() - start >= 2000000 && rx.host.elapsedUs() - start < 2100000);
        // One reply lost on a noisy line: asked again, up, every reading its own.
        bool lost = false;
        rx.port.onWrite = [&](const QByteArray &f) {
            if (!lost && f.contains("{Tfrq=?}"))
                lost = true;
            else
                answer(f);
        };
        rx.silent = false;
        const quint64 noisy = rx.host.elapsedUs();
        const ReceiverSample again = SampleReceiver(rx.link, 129);
        QVERIFY(again.up && again.unanswered == 1 && again.frequencyKHz == 11034000);
        QVERIFY(rx.host.elapsedUs() - noisy < 1500000); // the loss cost a second, not ten
        rx.inject(Fault::None); // back: up again, its earlier silence forgotten
        QVERIFY(SampleReceiver(rx.link, 129).up);
    }

    // --guided: the same transponders, each carrier tried first at the rate its width points to.
    // A listed transponder not identified is told in the result with why not.
    void aGuidedScanFindsTheSame()
    {
        QJsonArray missed;
        auto scan = [&missed](const QString &line, quint64 *us) {
            Ctl ctl({}, true);
            WriteFile(ctl.program.filePath("data/13.00E.csv"), "11900000;V;27500;\r\n");
            const int status = ctl(line);
            *us = ctl.rx.host.nowUs();
            const QJsonDocument result = QJsonDocument::fromJson(readBack(ctl.out).toUtf8());
            missed = result["listed_not_identified"].toArray();
            // What each is, not the margin last read nor the rates tried in their order.
            QJsonArray found;
            for (QJsonValue t : result["transponders"].toArray()) {
                QJsonObject o = t.toObject();
                o.remove("margin");
                o.remove("not_identified");
                found.append(o);
            }
            return std::make_tuple(status, found.size(), found);
        };
        quint64 partsUs = 0, guidedUs = 0;
        const auto [partsStatus, found, parts] = scan("scan 13E 30000,27500,22000", &partsUs);
        const auto [guidedStatus, _, guided] = scan("scan 13E 30000,27500,22000 guided", &guidedUs);
        QVERIFY(partsStatus == Exit::Ok && guidedStatus == Exit::Ok && found == 12);
        QCOMPARE(guided, parts);
        QVERIFY(guidedUs < partsUs);
        QCOMPARE(missed, (QJsonArray{QJsonObject{{"frequency", 11900000},
                                                 {"polarisation", "V"},
                                                 {"symbol_rate", 27500},
                                                 {"found", false},
                                                 {"why", "no carrier seen at its frequency"}}}));
    }

    void scanSavesWhatTheMainWindowReads()
    {
        Ctl ctl({129, false, 0, false, 3});
        QCOMPARE(ctl("scan 13E 27500,30000 save"), Exit::Ok);
        const QString result = readBack(ctl.out);
        QVERIFY(result.contains("11538000-V-30000 margin") && result.contains("  002 Vega Due"));
        QVERIFY(result.contains("\n12073000-H margin 4.2 (no lock at 27500, 30000)\n"));
        QVERIFY(result.contains(ctl.program.filePath("13.00E.csv") + '\n')); // the files written
        QVERIFY(QFile::exists(ctl.program.filePath("data/13.00E-11538000-V-30000.csv")));
        // The list, moved into the DataFolder, is what the main window reads.
        QVERIFY(QFile::copy(ctl.program.filePath("13.00E.csv"),
                            ctl.program.filePath("data/13.00E.csv")));
        const TransponderRows read = LoadTransponderLists(ctl.program.path());
        QVERIFY(RowTexts(read.rows).contains("13.00E 11538000 V 30000") && read.problems.isEmpty());
        const QByteArrayList frames = ctl.rx.frames(); // the receiver set back after its sweep
        QVERIFY(frames.lastIndexOf("\x81{AStp=ON}") > frames.lastIndexOf("\x81{AStp=OFF}"));

        // Replacing the list file is refused unless confirmed (past the check, as with --force,
        // the host is asked); what the list written would lack of the stored one is said first,
        // and why each listed one was not identified.
        QFile list(ctl.program.filePath("data/13.00E.csv"));
        QVERIFY(list.open(QIODevice::Append) && list.write("11900000;V;27500;\r\n") > 0);
        list.close();
        ctl.rx.host.queueAnswer(Message::AnsweredCancel);
        QCOMPARE(ctl("scan 13E 27500 save force"), Exit::NotSaved);
        QVERIFY(readBack(ctl.out).contains("\nlisted 11900000 V 27500 not identified: no carrier "
                                           "seen at its frequency\n"));
        QVERIFY(readBack(ctl.err).contains("lacks 1 transponder(s) of the stored list " +
                                           ctl.program.filePath("data/13.00E.csv") +
                                           ": 11900000 V 27500\n"));

        // As JSON: a rate only where the transponder was identified, its services by number.
        Ctl json({129, false, 0, false, 3}, true);
        QCOMPARE(json("scan 13E 30000"), Exit::Ok);
        QMap<int, QJsonObject> byFrequency;
        for (const QJsonValue &t :
             QJsonDocument::fromJson(readBack(json.out).toUtf8())["transponders"].toArray())
            byFrequency[t["frequency"].toInt()] = t.toObject();
        const QJsonObject vega = byFrequency[11538000], found = byFrequency[12073000];
        QCOMPARE(vega["symbol_rate"].toInt(), 30000);
        QCOMPARE(vega["services"][1]["number"].toInt(), 2);
        QCOMPARE(vega["services"][1]["name"].toString(), QString("Vega Due"));
        QVERIFY(found["margin"] == 4.2 && !found.contains("symbol_rate"));
        QCOMPARE(found["not_identified"].toString(), QString("no lock at 30000"));
    }

    void surveyFindsEveryReceiverOnTheLine()
    {
        Ctl ctl; // at 129, and more at the ends of the range
        std::vector<ReceiverModel> others{{SimulatedReceiver::demoSatellite(), {0}},
                                          {SimulatedReceiver::demoSatellite(), {255}}};
        others[1].state().symbolRate = 22000; // not locked: tuned, at the wrong rate
        bool loseOne = false;
        ctl.rx.port.onWrite = [&, answer = ctl.rx.port.onWrite](const QByteArray &f) {
            answer(f);
            for (ReceiverModel &other : others)
                for (const ReceiverModel::Exchange &e : other.receive(f))
                    if (!(loseOne && f == "\xff{Tfrq=?}"))
                        ctl.rx.port.feedAfter(2, e.reply);
        };
        QCOMPARE(ctl("survey"), int(Exit::Ok));
        QCOMPARE(readBack(ctl.out), QString("0: master/slave, 11034000 kHz, locked\n"
                                            "129: master/slave, 11034000 kHz, locked\n"
                                            "255: master/slave, 11034000 kHz, no lock\n"));
        QVERIFY(ctl.rx.host.nowUs() < 10000000u); // 256 short waits, not 43 minutes
        loseOne = true;                           // 255's frequency: not read, never 0
        QCOMPARE(ctl("survey"), int(Exit::TimeOut));
        QVERIFY(readBack(ctl.out).endsWith("255: master/slave, frequency not read, no lock\n"));
        QCOMPARE(SurveyWaitMs(9600), 71); // longer where the bytes take longer
    }

    void listsShowRowsOrTheFirstError()
    {
        Ctl ctl;
        QVERIFY(WriteFile(ctl.program.filePath("data/13.00E.csv"), "11034000;V;27500;\r\n"));
        QVERIFY(WriteFile(ctl.program.filePath("data/19.20E.csv"), "1;V;27500;\r\n"));
        QCOMPARE(ListFiles(ctl.program.path(), ctl.output), int(Exit::BadListFile));
        QVERIFY(readBack(ctl.out).contains("13.00E.csv: 1 row\n  11034000 V 27500\n19.20E.csv: "
                                           "0 rows, then line 1: "));
#ifdef Q_OS_UNIX
        // A list file's name on anything but a file is told, never passed over.
        const QString data = ctl.program.filePath("data/");
        QVERIFY(QDir().mkpath(data + "1.00W.csv") &&
                mkfifo(qPrintable(data + "2.00W.csv"), 0600) == 0 &&
                QFile::link(data + "4.00W.csv", data + "3.00W.csv"));
        ListFiles(ctl.program.path(), ctl.output);
        const QString told = readBack(ctl.out);
        for (const char *line : {"1.00W.csv: 0 rows, Not a regular file: it is not read.\n",
                                 "2.00W.csv: 0 rows, Not a regular file: it is not read.\n",
                                 "3.00W.csv: 0 rows, A link that leads to no file"})
            QVERIFY2(told.contains(line), qPrintable(told));
#endif
        // A rate with a fraction of a kS/s is its true number in JSON too.
        Ctl json({}, true);
        QVERIFY(WriteFile(json.program.filePath("data/13.00E.csv"), "11034000;V;2963.5;\r\n"));
        QCOMPARE(ListFiles(json.program.path(), json.output), int(Exit::Ok));
        QVERIFY(readBack(json.out).contains(R"("symbol_rate":2963.5)"));
    }

    // The position from the file's name unless given; an existing list replaced only with
    // --force, what changes said either way; a plan with nothing to import refused.
    void importRules_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<QString>("position");  // --position
        QTest::addColumn<QByteArray>("stored"); // data/13.00E.csv before, empty: none
        QTest::addColumn<bool>("force");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("says");
        const QByteArray plan = "[A]\nFREQUENCY = 10719000\nPOLARIZATION = VERTICAL\nSYMBOL_RATE = "
                                "27500000\n[B]\nFREQUENCY = 11000000\nPOLARIZATION = LEFT\n"
                                "SYMBOL_RATE = 2963500\n";
        const QByteArray two = "10719000;V;22000;\r\n12000000;H;27500;\r\n";
        auto row = [&](const char *name, QString file, QByteArray text, QString position,
                       QByteArray stored, bool force, int status, QString says) {
            QTest::newRow(name) << file << text << position << stored << force << status << says;
        };
        row("position from the name", "Sat-13.0E", plan, "", "", false, Exit::Ok,
            "position: 13.00E");
        row("position given", "plan.conf", plan, "13E", "", false, Exit::Ok,
            "changes: 2 new, 0 gone, 0 with another rate");
        row("no position", "Hotbird", plan, "", "", false, Exit::BadArguments,
            "Hotbird names no position");
        row("no position given", "Sat-13.0E", plan, "north", "", false, Exit::BadArguments,
            "--position north is no position");
        row("a line end after the position in the name", "Sat-13.0E\n", plan, "", "", false,
            Exit::BadArguments, "names no position");
        row("a line end after the position given", "Sat-13.0E", plan, "13W\n", "", false,
            Exit::BadArguments, "--position 13W\n is no position");
        row("kept", "Sat-13.0E", plan, "", two, false, Exit::NotSaved,
            "changes: 1 new, 1 gone, 1 with another rate");
        row("replaced", "Sat-13.0E", plan, "", two, true, Exit::Ok, "1 with another rate");
        row("a bad list there", "Sat-13.0E", plan, "", "10719000;V;22000;\r\nx\r\n", true, Exit::Ok,
            "1 with another rate, against the 1 row(s) of the list there read before line 2");
        row("binary", "Sat-13.0E",
            QByteArray("\x7f"
                       "ELF\x02\x01\0\0",
                       8),
            "", two, true, Exit::BadListFile, "is no DVBv5 plan: a binary file");
        row("C band alone", "Sat-13.0E",
            "[C]\nFREQUENCY = 3700000\nPOLARIZATION = VERTICAL\nSYMBOL_RATE = 27500000\n", "", two,
            true, Exit::BadListFile,
            "holds no band-Ku transponder (0 transponders; 1 outside the band)");
    }
    void importRules()
    {
        QFETCH(QString, file);
        QFETCH(QByteArray, text);
        QFETCH(QString, position);
        QFETCH(QByteArray, stored);
        QFETCH(bool, force);
        QFETCH(int, status);
        QFETCH(QString, says);
        Ctl ctl;
        const QString list = ctl.program.filePath("data/13.00E.csv");
        QVERIFY(WriteFile(ctl.program.filePath(file), text));
        QVERIFY(stored.isEmpty() || WriteFile(list, stored));
        QCOMPARE(ImportPlanFile(ctl.program.filePath(file), position, force, ctl.program.path(),
                                ctl.output),
                 status);
        const QString told = readBack(ctl.out) + readBack(ctl.err);
        QVERIFY2(told.contains(says), qPrintable(told));
        QFile written(list);
        QVERIFY(written.open(QIODevice::ReadOnly) || status != Exit::Ok);
        QCOMPARE(written.readAll(),
                 status == Exit::Ok ? "10719000;V;27500;\r\n11000000;H;2963.5;\r\n" : stored);
    }

    // The export: a rate with a fraction of a kS/s in symbols per second; what it cannot write,
    // refused.
    void exportRules()
    {
        Ctl ctl;
        QVERIFY(WriteFile(ctl.program.filePath("data/13.00E.csv"), "11000000;H;2963.5;\r\n"));
        const QString at = ctl.program.path();
        QCOMPARE(ExportPlanFile("13E", "dvbv5", at, ctl.output), int(Exit::Ok));
        QVERIFY(
            readBack(ctl.out).contains("\tPOLARIZATION = HORIZONTAL\n\tSYMBOL_RATE = 2963500\n"));
        QCOMPARE(ExportPlanFile("13E", "vdr", at, ctl.output), int(Exit::BadArguments));
        QCOMPARE(ExportPlanFile("north", "dvbv5", at, ctl.output), int(Exit::BadArguments));
        QCOMPARE(ExportPlanFile("19.2E", "dvbv5", at, ctl.output), int(Exit::BadListFile));
    }

    // Every plan of dtv-scan-tables with a band-Ku transponder becomes a list file the main
    // window reads whole; its export is read by another DVB tool as the same transponders. A
    // plan without one is refused and writes nothing.
    void everySharedPlanImportsAndExports()
    {
        const QDir shared("/usr/share/dvb/dvb-s");
        const QString convert = QStandardPaths::findExecutable("dvb-format-convert");
        if (shared.isEmpty() || convert.isEmpty())
            QSKIP("dtv-scan-tables or dvb-tools is not installed (scripts/test.sh installs them)");
        int imported = 0, transponders = 0;
        for (const QString &name : shared.entryList(QDir::Files)) {
            Ctl ctl;
            const int status =
                ImportPlanFile(shared.filePath(name), "", true, ctl.program.path(), ctl.output);
            bool completed = false;
            const QString list = NormalisePosition(PositionOfPlanName(name), &completed) + ".csv";
            const ListFileResult read = ReadListFile(ctl.program.filePath("data"), list);
            QVERIFY2(status == Exit::Ok ? read.errorLine == 0 && read.rows > 0
                                        : status == Exit::BadListFile && !read.opened,
                     qPrintable(name + ' ' + list + ' ' + read.error));
            imported += status == Exit::Ok;
            transponders += read.rows;
            if (status != Exit::Ok)
                continue;
            std::FILE *plan = std::tmpfile();
            Output exported(false, plan, ctl.err);
            QCOMPARE(ExportPlanFile(list.chopped(4), "dvbv5", ctl.program.path(), exported), 0);
            QVERIFY(WriteFile(ctl.program.filePath("plan.conf"), readBack(plan).toLatin1()));
            std::fclose(plan);
            QProcess tool; // its own line format: "S FREQUENCY POLARISATION RATE FEC"
            tool.start(convert, {"-I", "DVBV5", "-O", "CHANNEL", ctl.program.filePath("plan.conf"),
                                 ctl.program.filePath("plan.chan")});
            QVERIFY(tool.waitForFinished(10000) && tool.exitCode() == 0);
            QStringList expected;
            for (const TransponderEntry &e : read.entries)
                expected << QString("S %1 %2 %3 AUTO")
                                .arg(e.frequency, e.polarisation)
                                .arg(qRound64(e.symbolRate.toDouble() * 1000));
            QFile chan(ctl.program.filePath("plan.chan"));
            QVERIFY(chan.open(QIODevice::ReadOnly));
            QCOMPARE(QString(chan.readAll()).split('\n', Qt::SkipEmptyParts), expected);
        }
        QCOMPARE(imported, 251);
        QCOMPARE(transponders, 5869);
    }

    // Ctrl+C or a receiver gone silent: the finds listed with their margins, no file touched.
    void stoppedScanListsWhatWasFound()
    {
        for (const auto &[silent, status, why] :
             {std::tuple{false, int(Exit::Failed), "stopped"},
              {true, int(Exit::TimeOut), "in a row unanswered"}}) {
            Ctl ctl;
            ReceiverModel::State &rx = ctl.rx.model.state(); // on another transponder, service 3
            std::tie(rx.frequency, rx.lnbPolar, rx.symbolRate, rx.service) =
                std::tuple(10758000, "18", 22000, 3);
            QVERIFY(WriteFile(ctl.program.filePath("13.00E.csv"), "11034000;V;27500;\r\n"));
            quint64 stopUs = 0;
            int unanswered = 0;
            ctl.rx.port.onWrite = [&, silent = silent,
                                   answer = ctl.rx.port.onWrite](const QByteArray &f) {
                unanswered += ctl.rx.silent;
                if (!stopUs && f.contains("{Sfrq=27500.00}")) { // the first test
                    stopUs = ctl.rx.host.nowUs();
                    if (silent)
                        ctl.rx.silent = true;
                    else
                        ctl.rx.link.run.stop();
                }
                answer(f);
            };
            QCOMPARE(ctl("scan 13E 27500 save force"), status);
            const QString found = readBack(ctl.out);
            QVERIFY(found.contains("11034000-V margin 10.0") && !found.contains("margin \n"));
            const QString err = readBack(ctl.err);
            QVERIFY(err.contains(why) && err.contains(" at 27500, about "));
            QVERIFY(ctl.rx.host.nowUs() - stopUs < 90000000u); // not 80 tries of 10 s each
            QCOMPARE(unanswered, silent ? 2 : 0); // and the one that fell silent: 3, as told
            QFile list(ctl.program.filePath("13.00E.csv"));
            QVERIFY(list.open(QIODevice::ReadOnly) && list.readAll() == "11034000;V;27500;\r\n");
            QVERIFY(silent || (rx.frequency == 10758000 && rx.lnbPolar == "18" &&
                               rx.symbolRate == 22000 && rx.service == 3)); // set back
        }
    }
};

QTEST_GUILESS_MAIN(TestCtl)
#include "tst_ctl.moc"
