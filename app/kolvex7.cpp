// kolvex7: remote control of a KOLVEX7 satellite receiver over a serial port.

#include "app/main.h"
#include "app/settingsstore.h"
#include "app/widgethost.h"
#include "platform/systemserialport.h"

#include <QApplication>

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    WidgetHost host;
    SettingsStore store;
    Main w(host, std::make_unique<SystemSerialPort>(), store,
           QCoreApplication::applicationDirPath());
    // Closing the main window ends the program and closes the port with it.
    if (w.Form_Load() != Main::Outcome::Running)
        return 0;
    w.show();
    return app.exec();
}
