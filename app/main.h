#pragma once

#include "app/mainstate.h"
#include "link/protocol_mssl.h"

#include <QMainWindow>

#include <memory>

class Host;
class QTreeWidget;
class SerialPort;
class SettingsStore;
class StatusPanels;

// The main window: the start object of the tool and the only window that lives for the whole
// run. It owns the one serial port, the one receiver driver and the public state that the other
// windows read and write through it. Form_Load is the start-up sequence.
class Main : public QMainWindow
{
    Q_OBJECT

public:
    // How start-up ended.
    enum class Outcome
    {
        Running,    // the receiver is in line; show the window and run
        Configured, // the configuration dialog ran; settings stored; the program ends
        Ended       // the receiver is unusable as it is; a message said why; the program ends
    };

    Main(Host &host, std::unique_ptr<SerialPort> port, SettingsStore &store,
         const QString &programFolder, QWidget *parent = nullptr);
    ~Main() override;

    Outcome Form_Load();
    // Writes the link settings and the LNB input into their status panels.
    void ShowSettings();

    MainState state;
    StatusPanels *StatusBar;
    QTreeWidget *ListView;
    QTreeWidget *Service;

    Protocol_MsSl &driver() { return Driver; }
    const QString &programFolder() const { return m_programFolder; }

private:
    void buildControls();
    void readSettings();
    Outcome configurationPath();
    void error(const QString &first, const QString &second);
    void LoadTransponderLists();

    std::unique_ptr<SerialPort> m_port;
    Host &m_host;
    SettingsStore &m_store;
    QString m_programFolder;
    Protocol_MsSl Driver;
};
