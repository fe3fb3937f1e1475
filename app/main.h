#pragma once

#include "link/protocol_mssl.h"
#include "lists/transponderentry.h"
#include "session/mainstate.h"

#include <QMainWindow>

#include <functional>
#include <memory>

class Host;
class QAction;
class QDialog;
class QTreeWidget;
class LinkConsole;
class SignalWindow;
struct SignalReading;
class QTreeWidgetItem;
class SerialPort;
class SettingsStore;
class StatusPanels;

// The status panel's text after a pick: the level and margin read ("Status: -43.5 dBm,
// 10.0 dB"), "no lock" without a margin, "No signal" without a level, "Signal not read" when
// the receiver did not answer.
QString SignalStatus(const SignalReading &reading);

// The main window: the start object of the tool and the only window that lives for the whole
// run. It owns the one serial port, the one receiver driver and the public state that the other
// windows read and write through it. Form_Load is the start-up sequence. Picking a transponder
// row tunes the receiver to it and lists its services; picking a service row selects it. Rows
// that stand for what the receiver has now are marked (red and bold).
class Main : public QMainWindow
{
    Q_OBJECT

public:
    // How start-up ended.
    enum class Outcome
    {
        Running,    // the receiver is in line; show the window and run
        Configured, // the configuration dialog ran; settings stored; the program ends
        Restart,    // as Configured, the dialog confirmed and stored: the program starts again
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

    // Reads the list files of the DataFolder into ListView (start-up's last step).
    void LoadTransponderLists();

    // Window events.
    void StatusBar_PanelClick(const QString &key);
    void ListView_ItemClick(QTreeWidgetItem *Item);
    void Service_ItemClick(QTreeWidgetItem *Item);
    // c is the 1-based column.
    void ListView_ColumnClick(int c);

    // The mark procedures: marked rows are red and bold, the others black. Each yields to the
    // event loop as it goes, so the window stays live over a long list.
    void ClearTransponderMarks();
    void MarkTransponder(QTreeWidgetItem *Item);
    void ClearServiceMarks();
    void MarkCurrentService(const QString &Name);
    void MarkService(QTreeWidgetItem *Item);

    // Inserts unmarked rows, the first at the 1-based position and the others after it.
    void insertTransponders(int position, const QList<TransponderEntry> &entries);
    // The row at the position stands for what the receiver is tuned to: select and mark it,
    // list the receiver's services and mark the current one.
    void makeCurrent(int position);

    Protocol_MsSl &driver() { return Driver; }
    const QString &programFolder() const { return m_programFolder; }

    // A position's plan (DVBv5) made its list file, and its rows in the list at once: chosen in
    // a file dialog (Ctrl+I, the status bar's menu), or a file dropped on the list.
    void chooseAndImportPlan();
    void importPlan(const QString &path);

    // Shows the link console, made on first use.
    void showLinkConsole();
    LinkConsole *linkConsole() const { return m_console; }
    // Shows the signal meter, made on first use.
    void showSignalMeter();
    SignalWindow *signalMeter() const { return m_signal; }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    void buildControls();
    // The position's rows in the list replaced by the entries.
    void replacePositionRows(const QString &position, const QList<TransponderEntry> &entries);
    void readSettings();
    Outcome configurationPath();
    void error(const QString &first, const QString &second);
    // "Try to (re)configure serial port.", and why the port would not open when it says.
    QString reconfigureHint() const;
    void setStatus(const QString &text);
    // True when an operator's command cannot run now: refused with a beep while a command
    // holds the link, as ever; while only the signal meter's reading holds it, `command` runs
    // as soon as that reading ends.
    bool heldBack(const std::function<void()> &command);
    // The panels and the cursor follow the link's activity.
    void showBusy(bool busy);
    void tune(QTreeWidgetItem *Item);
    void configure();
    // After a configuration: the driver's address, and the port reopened with the new port and
    // speed; the receiver's LNB input and type brought in line. False, after saying so, when the
    // port cannot be opened.
    bool reopenLink();
    // Before a pick or a command: a port lost since the last one (the status bar says "COMn
    // lost") is opened again as at start-up; false when it cannot be.
    bool portReady();
    void toggleInput();
    bool writeSettings();
    // Shows a dialog modal to this window (not to the whole program) until it closes.
    void runModal(QDialog &dialog);

    LinkConsole *m_console = nullptr;
    SignalWindow *m_signal = nullptr;
    QAction *m_consoleAction = nullptr;
    std::unique_ptr<SerialPort> m_port;
    Host &m_host;
    SettingsStore &m_store;
    QString m_programFolder;
    Protocol_MsSl Driver;

    // No column is the sort column until the first header click.
    int m_sortColumn = -1;
    Qt::SortOrder m_sortOrder = Qt::AscendingOrder;
};
