#include "app/widgethost.h"
#include "platform/portfolder.h"
#include "platform/registry.h"
#include "session/settings.h"
#include "session/settingsstore.h"
#include "tests/app/mainrig.h"
#include "testsupport/writefile.h"

#include <QComboBox>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

#ifdef Q_OS_UNIX
#include <sys/stat.h>
#endif

// How a start-up goes: the very first, with SHIFT held, on a port that does not open, to a
// receiver that does not answer.
enum class Start
{
    First,
    ShiftHeld,
    NoPort,
    NoReply
};

class TestMain : public QObject
{
    Q_OBJECT

private slots:
    void startUpThatEndsInTheDialog_data()
    {
        QTest::addColumn<Start>("start");
        QTest::addColumn<QString>("message");
        QTest::addColumn<int>("frames");
        QTest::newRow("first start") << Start::First << QString() << 0;
        QTest::newRow("shift") << Start::ShiftHeld << QString() << 0;
        QTest::newRow("port") << Start::NoPort
                              << "No response from serial.\r\nTry to (re)configure serial "
                                 "port.\r\nThis user may not open /dev/ttyS0."
                              << 0;
        // The probe, the switch from terminal mode typed byte by byte, the second probe
        QTest::newRow("silent")
            << Start::NoReply
            << "No response from unit.\r\nVerify connexion and serial port setting." << 20;
    }
    void startUpThatEndsInTheDialog()
    {
        QFETCH(Start, start);
        QFETCH(QString, message);
        QFETCH(int, frames);
        Rig rig;
        // At the first start the settings cannot be stored either: a folder holds their place.
        const QString where = configFolder() + "/KOLVEX7.ini";
        if (start != Start::First)
            SeedSettings(1, 1);
        QVERIFY(start != Start::First || QDir().mkpath(where));
        rig.host.setShiftDown(start == Start::ShiftHeld);
        rig.port->setOpenFails(start == Start::NoPort);
        rig.port->openErrorText =
            start == Start::NoPort ? "This user may not open /dev/ttyS0." : "";
        rig.receiver.silent = start == Start::NoReply;
        QCOMPARE(rig.start(), Main::Outcome::Configured);
        QCOMPARE(rig.main->state.Raz, start == Start::ShiftHeld);
        QCOMPARE(rig.port->opens(), int(start == Start::NoPort || start == Start::NoReply));
        QCOMPARE(rig.port->writes().size(), frames);
        if (frames)
            QCOMPARE(rig.port->writes().last(), QByteArray("\x81{Usrv=?}"));
        QStringList timeline{"dialog", "message:Selectected serial port is not available."};
        if (!message.isEmpty()) {
            timeline.prepend("message:" + message.section("\r\n", 0, 0));
            QCOMPARE(rig.host.messages().first().text, message);
        }
        if (start == Start::First)
            timeline << "message:The settings could not be stored in " + where + ".";
        QCOMPARE(rig.timeline, timeline);
        const Message &m = rig.host.messages()[int(!message.isEmpty())];
        QCOMPARE(m.title + '|' + m.text, "Error|Selectected serial port is not available.\r\n"
                                         "Try to (re)configure serial port.");
        QVERIFY(m.icon == Message::Critical && m.buttons == Message::Ok);
        QCOMPARE(rig.store.writes, // each is tried, in order, even after a refusal
                 (QStringList{start != Start::First ? "Port=1" : "Port=0", "Speed=115200",
                              "Address=129", "LNB_Input=0", "LNB_Type=0",
                              start != Start::First ? "LNB_BandL=1" : "LNB_BandL=0"}));
    }

    void confirmedSettingsStartTheProgramAgain()
    {
        for (const bool storable : {true, false}) {
            Rig rig;
            SeedSettings(1, 1);
            rig.store.refuse = !storable;
            rig.host.setShiftDown(true);
            rig.confirmDialog = true;
            QCOMPARE(rig.start(), storable ? Main::Outcome::Restart : Main::Outcome::Configured);
            QCOMPARE(rig.timeline.last().endsWith("Settings stored. KOLVEX7 starts again now."),
                     storable);
        }
    }

    void frequencyAndBand_data()
    {
        QTest::addColumn<int>("band");
        QTest::addColumn<QByteArray>("frequency"); // empty: the query is not answered
        QTest::addColumn<QString>("message");      // empty: start-up completes
        const QString powerCycle = "Reset KOLVEX7 by a Power Off/Power On sequence.";
        const QString bandL =
            "Set KOLVEX7 to Band L or change Band option in configuration Windows.";
        const QString bandKu =
            "Set KOLVEX7 to Band Ku or change Band option in configuration Windows.";
        for (auto [band, f, message] : {std::tuple{1, "11034000", QString()},
                                        {1, "ERR", powerCycle},
                                        {1, "", powerCycle},
                                        {0, "2400000", QString()},
                                        {0, "2400001", bandL},
                                        {1, "2399999", bandKu},
                                        {1, "2400000", QString()},
                                        {7, "1200000", QString()}})
            QTest::addRow("band %d at %s", band, f) << band << QByteArray(f) << message;
    }
    void frequencyAndBand()
    {
        QFETCH(int, band);
        QFETCH(QByteArray, frequency);
        QFETCH(QString, message);
        Rig rig;
        SeedSettings(1, band);
        rig.receiver.replies["Tfrq"] = frequency.isEmpty() ? QByteArray() : frequency;
        const Main::Outcome outcome = rig.start();
        QVERIFY(rig.store.writes.isEmpty()); // only the configuration path stores settings
        if (!message.isEmpty()) {
            QCOMPARE(outcome, Main::Outcome::Ended);
            QCOMPARE(rig.host.messages().size(), 1);
            QCOMPARE(rig.host.messages()[0].text,
                     message +
                         "\r\nRestart program with SHIFT key pushed to get configuration menu.");
            QVERIFY(rig.port->writes().last().contains("Tfrq=?"));
            return;
        }
        QCOMPARE(outcome, Main::Outcome::Running);
        QVERIFY(rig.host.messages().isEmpty());
        Main &m = *rig.main;
        QCOMPARE(m.state.gFrq, QString(frequency));
        QCOMPARE(m.state.gPol, QString("V"));
        QCOMPARE(m.state.gSrt, QString("27500"));
        QCOMPARE(m.state.gSvc, QString("Demo One")); // the model stays on its own carrier
        const QByteArrayList tail = rig.port->writes().mid(rig.port->writes().size() - 6);
        QCOMPARE(tail, (QByteArrayList{"\x81{Tfrq=?}", "\x81{LNBp=?}", "\x81{Sfrq=?}",
                                       "\x81{Rstp=1}", "\x81{Snam=1}", "\x81{Snam=?}"}));
        QCOMPARE(m.StatusBar->text("Port") + m.StatusBar->text("Input"), QString("COM1A input"));
    }

    void receiverBroughtInLineWithTheSettings()
    {
        Rig rig;
        SeedSettings(1, 1, 0, 2);
        rig.receiver.model.state().lnbInput = "Bin";
        QString inputPanelAtSet = "not sent";
        auto answer = rig.port->onWrite;
        rig.port->onWrite = [&](const QByteArray &f) {
            if (f == "\x81{LNin=Ain}")
                inputPanelAtSet = rig.main->StatusBar->text("Input");
            answer(f);
        };
        // Two list files: read in name order, each file's rows go in ahead of those read before.
        for (const auto &[name, rows] :
             {std::pair<QString, QByteArray>{"13.00E.csv", "10892000;H;27500;\r\n"},
              std::pair<QString, QByteArray>{"19.20E.csv", "11000000;V;22000;\r\n"
                                                           "11100000;V;22000;\r\n"}}) {
            QVERIFY(WriteFile(rig.config.filePath("data/" + name), rows));
        }
        QCOMPARE(rig.start(), Main::Outcome::Running);
        const QByteArrayList &w = rig.port->writes();
        QCOMPARE(w.count("\x81{LNin=Ain}"), 1);
        QCOMPARE(w.count("\x81{LNos=UDSQ}"), 1);
        QVERIFY(w.indexOf("\x81{LNin=Ain}") < w.indexOf("\x81{LNos=?}")); // input, then type
        QStringList rows;
        for (int i = 0; i < rig.main->ListView->topLevelItemCount(); ++i)
            rows << rig.main->ListView->topLevelItem(i)->text(1);
        QCOMPARE(rows, (QStringList{"11000000", "11100000", "10892000"}));
        QCOMPARE(inputPanelAtSet, QString()); // set before the status bar shows the input
        QCOMPARE(rig.main->StatusBar->text("Input"), QString("A input"));
        QCOMPARE(rig.receiver.model.state().lnbInput, QByteArray("Ain"));
        QCOMPARE(rig.receiver.model.state().lnbType, QByteArray("UDSQ"));
    }

    void widgetHostAsksTheDesktop()
    {
        WidgetHost host;
        QWidget w;
        w.show();
        QVERIFY(QTest::qWaitForWindowActive(&w));
        QTest::keyPress(w.windowHandle(), Qt::Key_Shift, Qt::ShiftModifier);
        QVERIFY(host.shiftDown());
        QTest::keyRelease(w.windowHandle(), Qt::Key_Shift);
        QVERIFY(!host.shiftDown());

        // The box as shown, answered by a click on one of its buttons.
        QString seen;
        QTimer::singleShot(0, [&seen] {
            auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
            QVERIFY(box);
            seen = box->windowTitle() + '|' + box->text() + '|' + QString::number(box->icon()) +
                   '|' + QString::number(box->standardButtons());
            QTest::mouseClick(box->button(QMessageBox::Cancel), Qt::LeftButton);
        });
        QCOMPARE(host.message({"File exists", "a\r\nb", Message::Critical, Message::OkCancel}),
                 Message::AnsweredCancel);
        QCOMPARE(seen,
                 "File exists|a\nb|3|" + QString::number(QMessageBox::Ok | QMessageBox::Cancel));
    }

    void valuesReadBackWithinTheirVariable()
    {
        QTemporaryDir config;
        qputenv("XDG_CONFIG_HOME", config.path().toLocal8Bit());
        QCOMPARE(Registry::ReadRegValue("KOLVEX7", "", "Speed", 115200), qint64(115200));
        QVERIFY(!QFile::exists(Registry::storePath("KOLVEX7"))); // reading creates nothing
        QVERIFY(Registry::WriteRegValue("KOLVEX7", "", "Port", 3));
        QCOMPARE(Registry::ReadRegValue("KOLVEX7", "", "Port", 0, -32768, 32767), qint64(3));
        QCOMPARE(Registry::ReadRegValue("OTHER", "", "Port", 7), qint64(7));

        // Values the tool did not write read as the default.
        QVERIFY(WriteFile(Registry::storePath("KOLVEX7"),
                          "[General]\nA=300\nB= 255\nC=4294967296\nD=fast\nE=9600.5\nF=1e5\n"
                          "G=0x1C200\nH=99999999999999999999\n"));
        QCOMPARE(Registry::ReadRegValue("KOLVEX7", "", "A", 42, 0, 255), qint64(42));
        QCOMPARE(Registry::ReadRegValue("KOLVEX7", "", "B", 42, 0, 255), qint64(255));
        for (const char *name : {"C", "D", "E", "F", "G", "H"})
            QCOMPARE(Registry::ReadRegValue("KOLVEX7", "", name, 42), qint64(42));
    }

    // A stored value that is no whole number is told with its text, its key and its file; a
    // settings file that is a pipe is not read (it would hold the reader for ever).
    void settingsThatAreNoNumberAreTold()
    {
        QTemporaryDir config;
        qputenv("XDG_CONFIG_HOME", config.path().toLocal8Bit());
        const QString file = Registry::storePath("KOLVEX7");
        QVERIFY(WriteFile(file, "[General]\nSpeed=9600.5\nAddress=130\n"));
        SettingsStore store;
        QList<SettingOutside> outside;
        QCOMPARE(ReadSettings(store, &outside).Adr, quint8(130));
        QCOMPARE(outside.size(), 1);
        QCOMPARE(StoredSettingRefusal(outside[0], file),
                 "the stored setting Speed=9600.5 in " + file +
                     " is not a whole number kolvex7 allows (1 to 2147483647): configure "
                     "kolvex7 again");
#ifdef Q_OS_UNIX
        QVERIFY(QFile::remove(file) && mkfifo(QFile::encodeName(file), 0600) == 0);
        outside.clear();
        QCOMPARE(ReadSettings(store, &outside).Spd, 115200);
        QCOMPARE(outside.size(), 6);
        QVERIFY(StoredSettingRefusal(outside[0], file).contains(" is not a regular file"));
#endif
    }

    // Each setting at the ends of the values the tool has a meaning for, and just past them.
    // A stored value the type holding it would wrap, or the receiver has no meaning for, reads
    // as its default; the edges of a range are kept.
    void settingsOutsideTheirRangeReadAsTheDefault_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("stored");
        QTest::addColumn<bool>("kept");
        QTest::newRow("address 255 kept") << "Address" << 255 << true;
        QTest::newRow("address 256 would wrap to 0") << "Address" << 256 << false;
        QTest::newRow("address -1 would wrap to 255") << "Address" << -1 << false;
        QTest::newRow("port 32767 kept") << "Port" << 32767 << true;
        QTest::newRow("port 32768 would wrap below 0") << "Port" << 32768 << false;
        QTest::newRow("speed 0 no line") << "Speed" << 0 << false;
        QTest::newRow("speed 1 kept") << "Speed" << 1 << true;
        QTest::newRow("LNB type 2 kept") << "LNB_Type" << 2 << true;
        QTest::newRow("LNB type 3 none") << "LNB_Type" << 3 << false;
        QTest::newRow("input 2 none") << "LNB_Input" << 2 << false;
        QTest::newRow("band 1 kept") << "LNB_BandL" << 1 << true;
        QTest::newRow("band 258 would wrap to 2") << "LNB_BandL" << 258 << false;
    }
    void settingsOutsideTheirRangeReadAsTheDefault()
    {
        QFETCH(QString, name);
        QFETCH(int, stored);
        QFETCH(bool, kept);
        QTemporaryDir config;
        qputenv("XDG_CONFIG_HOME", config.path().toLocal8Bit());
        QVERIFY(Registry::WriteRegValue("KOLVEX7", "", name, stored));
        SettingsStore store;
        QList<SettingOutside> outside;
        const StoredSettings s = ReadSettings(store, &outside);
        const QMap<QString, qint64> values{{"Port", s.Prt},      {"Speed", s.Spd},
                                           {"Address", s.Adr},   {"LNB_Type", s.LNB},
                                           {"LNB_Input", s.Inp}, {"LNB_BandL", s.Bnd}};
        const QMap<QString, qint64> defaults{
            {"Port", Settings::Port.fallback},          {"Speed", Settings::Speed.fallback},
            {"Address", Settings::Address.fallback},    {"LNB_Type", Settings::LNBType.fallback},
            {"LNB_Input", Settings::LNBInput.fallback}, {"LNB_BandL", Settings::Band.fallback}};
        QCOMPARE(values[name], kept ? qint64(stored) : defaults[name]);
        QCOMPARE(outside.size(), kept ? 0 : 1);
        QVERIFY(outside.isEmpty() ||
                (outside[0].setting->name == name && outside[0].stored.value == stored));
    }
};

QTEST_MAIN(TestMain)
#include "tst_main.moc"
