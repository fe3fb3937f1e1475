// kolvex7: remote control of a KOLVEX7 satellite receiver over a serial port.

#include "app/main.h"
#include "app/widgethost.h"
#include "platform/anyserialport.h"
#include "platform/programfolder.h"
#include "platform/timerresolution.h"
#include "session/settingsstore.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QProcess>

#include <csignal>

namespace {

void describe(QCoreApplication &app)
{
    app.setApplicationName(QStringLiteral("kolvex7"));
    app.setApplicationVersion(QStringLiteral(KOLVEX7_VERSION_TEXT));
}

} // namespace

int main(int argc, char **argv)
{
#ifdef SIGPIPE
    // A serial server that closes the connection is a lost port, said so; never a silent end.
    std::signal(SIGPIPE, SIG_IGN);
#endif
    // Options are answered before any window starts, so --help and --version need no display.
    if (argc > 1) {
        QCoreApplication core(argc, argv);
        describe(core);
        QCommandLineParser parser;
        parser.setApplicationDescription(QStringLiteral(
            "Remote control of a KOLVEX7 satellite receiver over a serial port.\n"
            "Hold SHIFT while it starts to open the configuration dialog first.\n"
            "Transponder lists and saved scans live in the data folder beside the program, or,\n"
            "once installed, in $XDG_DATA_HOME/Halvorn Software/KOLVEX7."));
        parser.addHelpOption();
        parser.addVersionOption();
        parser.process(core); // --help, --version and unknown options end here
        if (!parser.positionalArguments().isEmpty())
            parser.showHelp(2);
    }
    QApplication app(argc, argv);
    describe(app);
    const FineTimerResolution timers;
    WidgetHost host;
    SettingsStore store;
    Main w(host, MakeSerialPort(), store, ProgramFolder(QCoreApplication::applicationDirPath()));
    // Closing the main window ends the program and closes the port with it.
    const Main::Outcome outcome = w.Form_Load();
    if (outcome == Main::Outcome::Restart)
        QProcess::startDetached(QCoreApplication::applicationFilePath(),
                                QCoreApplication::arguments().mid(1));
    if (outcome != Main::Outcome::Running)
        return 0;
    w.show();
    return app.exec();
}
