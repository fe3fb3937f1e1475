#include "app/main.h"

#include "app/linkconsole.h"
#include "app/reportview.h"
#include "app/signalwindow.h"
#include "app/statuspanels.h"
#include "config/config.h"
#include "link/protocol.h"
#include "lists/catalogue.h"
#include "lists/transponderentry.h"
#include "manual/edit.h"
#include "platform/host.h"
#include "platform/numbers.h"
#include "platform/serialport.h"
#include "scan/scan.h"
#include "session/settingsstore.h"
#include "session/tuning.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QHeaderView>
#include <QMenu>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace {

const QString kRestart =
    QStringLiteral("Restart program with SHIFT key pushed to get configuration menu.");

} // namespace

Main::Main(Host &host, std::unique_ptr<SerialPort> port, SettingsStore &store,
           const QString &programFolder, QWidget *parent)
    : QMainWindow(parent), state(*port, host), m_port(std::move(port)), m_host(host),
      m_store(store), m_programFolder(programFolder), Driver(state.link)
{
    setWindowTitle(QStringLiteral("KOLVEX7"));
    buildControls();
    connect(&state.link.activity, &LinkActivity::busyChanged, this, &Main::showBusy);
}

void Main::showBusy(bool busy)
{
    // While a command holds the link, the commands that would start another are greyed and
    // the cursor says so; the scan and the manual input open from here.
    for (const char *key : {"Scan", "Edit", "Input"})
        StatusBar->setPanelEnabled(QLatin1String(key), !busy);
    if (busy)
        QApplication::setOverrideCursor(Qt::BusyCursor);
    else
        QApplication::restoreOverrideCursor();
}

Main::~Main()
{
    // The console and the meter use the link in `state`, which goes before the window's
    // children do.
    delete m_console;
    delete m_signal;
}

void Main::buildControls()
{
    auto *central = new QWidget(this);
    ListView = makeReportView({QStringLiteral("Position"), QStringLiteral("Frequency"),
                               QStringLiteral("Polar"), QStringLiteral("Speed")},
                              central);
    ListView->setObjectName(QStringLiteral("ListView"));
    Service = makeReportView({QStringLiteral("Num"), QStringLiteral("Name")}, central);
    Service->setObjectName(QStringLiteral("Service"));
    auto *layout = new QVBoxLayout(central);
    layout->addWidget(ListView, 3);
    layout->addWidget(Service, 2);
    setCentralWidget(central);

    StatusBar = new StatusPanels(this);
    StatusBar->addPanel(QStringLiteral("Port"), QStringLiteral("COM1"),
                        QStringLiteral("Selected port. Click here to configure."));
    StatusBar->addPanel(QStringLiteral("Speed"), QStringLiteral("9600"),
                        QStringLiteral("Selected speed. Click here to configure."));
    StatusBar->addPanel(QStringLiteral("Address"), QStringLiteral("129"),
                        QStringLiteral("Selected addresse. Click here to configure."));
    StatusBar->addPanel(QStringLiteral("Input"), QString(),
                        QStringLiteral("Selected LNB Input. Click here to change."));
    StatusBar->addPanel(QStringLiteral("Scan"), QStringLiteral("SCAN"),
                        QStringLiteral("Click here to scan"));
    StatusBar->addPanel(QStringLiteral("Edit"), QStringLiteral("EDIT"),
                        QStringLiteral("Click here to change current setting."));
    StatusBar->addPanel(QStringLiteral("Status"), QString(), QStringLiteral("Status"), 1);
    // Every status text fits whole, the longest included, at any width the window takes; so
    // does a lost port's.
    QLabel *port = StatusBar->panel(QStringLiteral("Port"));
    port->setText(QStringLiteral("COM99 lost"));
    port->setMinimumWidth(port->sizeHint().width());
    port->setText(QStringLiteral("COM1"));
    QLabel *status = StatusBar->panel(QStringLiteral("Status"));
    int widest = 0;
    for (const char *longest : {"Status: Search Services", "Status: -100.0 dBm, no lock"}) {
        status->setText(QLatin1String(longest));
        widest = qMax(widest, status->sizeHint().width());
    }
    status->setMinimumWidth(widest);
    status->clear();
    setStatusBar(StatusBar);
    resize(560, 520);

    connect(StatusBar, &StatusPanels::panelClick, this, &Main::StatusBar_PanelClick);
    connect(ListView, &QTreeWidget::itemClicked, this,
            [this](QTreeWidgetItem *item) { ListView_ItemClick(item); });
    connect(Service, &QTreeWidget::itemClicked, this,
            [this](QTreeWidgetItem *item) { Service_ItemClick(item); });
    ListView->header()->setSectionsClickable(true);
    connect(ListView->header(), &QHeaderView::sectionClicked, this,
            [this](int section) { ListView_ColumnClick(section + 1); });

    // The link console: Ctrl+L, or a right click on the status bar (left clicks stay the
    // panels' own) opens a menu with it.
    auto *console = new QAction(QStringLiteral("Link console"), this);
    console->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_L));
    console->setShortcutContext(Qt::WindowShortcut);
    addAction(console);
    connect(console, &QAction::triggered, this, &Main::showLinkConsole);
    m_consoleAction = console;
    // Importing a plan: Ctrl+I, the same menu, or a file dropped on the list.
    auto *import = new QAction(QStringLiteral("Import a plan..."), this);
    import->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_I));
    import->setShortcutContext(Qt::WindowShortcut);
    addAction(import);
    connect(import, &QAction::triggered, this, &Main::chooseAndImportPlan);
    // The signal meter: Ctrl+M, or the same menu.
    auto *meter = new QAction(QStringLiteral("Signal meter"), this);
    meter->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_M));
    meter->setShortcutContext(Qt::WindowShortcut);
    addAction(meter);
    connect(meter, &QAction::triggered, this, &Main::showSignalMeter);
    ListView->setAcceptDrops(true);
    ListView->viewport()->setAcceptDrops(true);
    ListView->viewport()->installEventFilter(this);
    StatusBar->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(StatusBar, &QWidget::customContextMenuRequested, this,
            [this, console, import, meter](QPoint at) {
                QMenu menu(this);
                menu.addAction(console);
                menu.addAction(import);
                menu.addAction(meter);
                menu.exec(StatusBar->mapToGlobal(at));
            });
}

void Main::showLinkConsole()
{
    // A window of its own, outside the main window's family: the scan, configuration and
    // manual windows are modal to the main window, and the console stays usable beside them.
    if (!m_console) {
        m_console = new LinkConsole(state.link, nullptr);
        // Closing the main window ends the program, the console open or not.
        m_console->setAttribute(Qt::WA_QuitOnClose, false);
    }
    m_console->show();
    m_console->raise();
    m_console->activateWindow();
}

void Main::showSignalMeter()
{
    // A window of its own beside the main window, as the console is: the list stays usable.
    if (!m_signal) {
        m_signal = new SignalWindow(
            state.link, [this] { return state.Adr; }, nullptr);
        m_signal->setAttribute(Qt::WA_QuitOnClose, false);
    }
    m_signal->show();
    m_signal->raise();
    m_signal->activateWindow();
}

void Main::closeEvent(QCloseEvent *event)
{
    // The program ends with its main window: the console and the meter go with it, and hold
    // nothing open.
    if (m_console)
        m_console->close();
    if (m_signal)
        m_signal->close();
    QMainWindow::closeEvent(event);
}

void Main::runModal(QDialog &dialog)
{
    // Modal to the main window only, so the link console beside it stays usable; Ctrl+L opens
    // the console from the dialog too.
    dialog.setWindowModality(Qt::WindowModal);
    dialog.addAction(m_consoleAction);
    // A window closed during a run is gone at once, but the run lets go of the link only at
    // its next look: until then the main window says to wait.
    bool waiting = false;
    const QMetaObject::Connection closed = connect(&dialog, &QDialog::finished, this, [&] {
        waiting = state.link.busy();
        if (waiting)
            setStatus(QStringLiteral("Status: Wait"));
    });
    dialog.exec();
    disconnect(closed);
    if (waiting)
        setStatus(QString());
}

void Main::readSettings()
{
    // A value the tool has no meaning for reads as the default.
    state.apply(ReadSettings(m_store));
}

QString Main::reconfigureHint() const
{
    const QString why = state.link.MSComm.openError();
    return QStringLiteral("Try to (re)configure serial port.") +
           (why.isEmpty() ? QString() : QStringLiteral("\r\n") + why);
}

void Main::error(const QString &first, const QString &second)
{
    m_host.message({QStringLiteral("Error"), first + QLatin1String("\r\n") + second,
                    Message::Critical, Message::Ok});
}

Main::Outcome Main::Form_Load()
{
    setWindowTitle(windowTitle() + QStringLiteral(" V%1.%2.%3")
                                       .arg(KOLVEX7_VERSION_MAJOR)
                                       .arg(KOLVEX7_VERSION_MINOR)
                                       .arg(KOLVEX7_VERSION_PATCH));
    readSettings();
    state.Raz = m_host.shiftDown();
    if (state.link.Prt == 0 || state.Raz)
        return configurationPath();

    Driver.setAdr(state.Adr);
    if (!Protocol::OpenPort(state.link)) {
        error(QStringLiteral("No response from serial."), reconfigureHint());
        return configurationPath();
    }
    if (!Driver.InitIRD()) {
        error(QStringLiteral("No response from unit."),
              QStringLiteral("Verify connexion and serial port setting."));
        return configurationPath();
    }
    if (Driver.GetLNBInput() != state.Inp)
        Driver.SetLNBInput(state.Inp);
    if (Driver.GetLNBType() != state.LNB)
        Driver.SetLNBType(state.LNB);
    ShowSettings();

    state.gFrq = Driver.GetFrequency();
    if (!IsNumeric(state.gFrq)) {
        error(QStringLiteral("Reset KOLVEX7 by a Power Off/Power On sequence."), kRestart);
        return Outcome::Ended;
    }
    if (!InBand(state.link.Bnd, LeadingNumber(state.gFrq))) {
        error(QStringLiteral("Set KOLVEX7 to Band %1 or change Band option in configuration "
                             "Windows.")
                  .arg(state.link.Bnd == 0 ? QStringLiteral("L") : QStringLiteral("Ku")),
              kRestart);
        return Outcome::Ended;
    }

    state.gPol = Driver.GetLNBPolar();
    state.gSrt = Driver.GetSpeed();
    Driver.SetServiceNum(1);
    state.gSvc = Driver.GetService(1);
    ListView->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    Service->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    LoadTransponderLists();
    return Outcome::Running;
}

Main::Outcome Main::configurationPath()
{
    Config dialog(state, this);
    runModal(dialog);
    if (!dialog.IsOk)
        error(QStringLiteral("Selectected serial port is not available."),
              QStringLiteral("Try to (re)configure serial port."));
    const bool stored = writeSettings();
    close();
    // The program ends after a configuration; with the settings stored it starts again at
    // once, so the operator lands in the main window rather than at nothing.
    if (!dialog.IsOk || !stored)
        return Outcome::Configured;
    m_host.message({QStringLiteral("KOLVEX7"),
                    QStringLiteral("Settings stored. KOLVEX7 starts again now."), Message::NoIcon,
                    Message::Ok});
    return Outcome::Restart;
}

bool Main::writeSettings()
{
    // The operator learns of a failure: the next start would read the defaults.
    const bool stored = WriteSettings(m_store, state.settings());
    if (!stored)
        error(QStringLiteral("The settings could not be stored in %1.").arg(m_store.location()),
              m_store.advice());
    return stored;
}

void Main::StatusBar_PanelClick(const QString &key)
{
    // A click while a pick or another command waits for the receiver would start a second
    // exchange on the one port.
    if (heldBack([this, key] { StatusBar_PanelClick(key); }))
        return;
    if (!StatusBar->isPanelEnabled(key))
        return;
    if (key == QLatin1String("Port") || key == QLatin1String("Speed") ||
        key == QLatin1String("Address")) {
        configure();
        return;
    }
    const bool command = key == QLatin1String("Input") || key == QLatin1String("Scan") ||
                         key == QLatin1String("Edit");
    if (!command || !portReady())
        return;
    if (key == QLatin1String("Input")) {
        toggleInput();
    } else if (key == QLatin1String("Scan")) {
        // The modal windows ask the busy guard themselves before each exchange.
        Scan scan(Driver, m_host, m_programFolder, this);
        runModal(scan);
    } else if (key == QLatin1String("Edit")) {
        Edit edit(m_host, this);
        edit.Eqt = &Driver;
        edit.Frq = state.gFrq;
        edit.Srt = state.gSrt;
        edit.Pol = state.gPol;
        runModal(edit);
    }
    ShowSettings();
}

void Main::toggleInput()
{
    const LinkBusy busy(state.link, LinkBusy::Command);
    state.Inp = state.Inp == 0 ? 1 : 0;
    Driver.SetLNBInput(state.Inp);
    ShowSettings();
}

void Main::configure()
{
    const quint8 band = state.link.Bnd;
    Config dialog(state, this);
    runModal(dialog);
    if (!dialog.IsOk) {
        error(QStringLiteral("Selectected serial port is not available."),
              QStringLiteral("Try to (re)configure serial port."));
        writeSettings();
        close();
        return;
    }
    writeSettings();
    reopenLink();
    if (state.link.Bnd != band) {
        m_host.message({QStringLiteral("Error"),
                        QStringLiteral("Set KOLVEX7 to new Band selection and restart this "
                                       "application."),
                        Message::Critical, Message::Ok});
        close();
        return;
    }
    ShowSettings();
}

bool Main::reopenLink()
{
    // The new address, port and speed take effect now, so the status bar tells the truth; the
    // exchanges show the busy state, and a receiver that does not answer there is said at its
    // first time-out, not after every question has waited out its own.
    const LinkBusy busy(state.link, LinkBusy::Command);
    Driver.setAdr(state.Adr);
    state.link.MSComm.close();
    ShowSettings();
    if (!Protocol::OpenPort(state.link)) {
        error(QStringLiteral("No response from serial."), reconfigureHint());
        return false;
    }
    setStatus(QStringLiteral("Status: Wait"));
    state.link.Eto = false;
    const quint8 input = Driver.GetLNBInput();
    if (state.link.Eto) {
        setStatus(QStringLiteral("Status: No reply at %1").arg(state.Adr));
        error(QStringLiteral("No response from unit."),
              QStringLiteral("Verify connexion and serial port setting."));
        return false;
    }
    if (input != state.Inp)
        Driver.SetLNBInput(state.Inp);
    if (Driver.GetLNBType() != state.LNB)
        Driver.SetLNBType(state.LNB);
    setStatus(QString());
    return true;
}

bool Main::portReady()
{
    if (state.link.MSComm.isOpen() && !state.link.portLost())
        return true;
    const bool reopened = reopenLink();
    ShowSettings();
    return reopened;
}

void Main::ShowSettings()
{
    const bool lost = !state.link.MSComm.isOpen() || state.link.portLost();
    StatusBar->setText(QStringLiteral("Port"), QStringLiteral("COM") +
                                                   QString::number(state.link.Prt) +
                                                   (lost ? QStringLiteral(" lost") : QString()));
    StatusBar->setText(QStringLiteral("Speed"), QString::number(state.link.Spd));
    StatusBar->setText(QStringLiteral("Address"), QString::number(state.Adr));
    StatusBar->setText(QStringLiteral("Input"),
                       state.Inp != 0 ? QStringLiteral("B Input") : QStringLiteral("A input"));
}

void Main::LoadTransponderLists()
{
    const TransponderRows list = ::LoadTransponderLists(m_programFolder, state.gFrq);
    for (const Message &problem : list.problems)
        m_host.message(problem);
    insertTransponders(1, list.rows);
    for (const int position : list.current)
        makeCurrent(position);
}

void Main::insertTransponders(int position, const QList<TransponderEntry> &entries)
{
    QList<QTreeWidgetItem *> rows;
    rows.reserve(entries.size());
    for (const TransponderEntry &e : entries)
        rows << new QTreeWidgetItem(
            QStringList{e.position, e.frequency, e.polarisation, e.symbolRate});
    const int at = position - 1;
    ListView->insertTopLevelItems(qBound(0, at, ListView->topLevelItemCount()), rows);
}

void Main::makeCurrent(int position)
{
    QTreeWidgetItem *row = ListView->topLevelItem(position - 1);
    if (!row)
        return;
    ListView->setCurrentItem(row);
    setRowStyle(row, kMarked);
    Service->clear();
    ServiceListView services(Service);
    Driver.GetServiceName(services);
    MarkCurrentService(state.gSvc);
}

QString SignalStatus(const SignalReading &r)
{
    if (!r.up)
        return QStringLiteral("Status: Signal not read");
    if (!r.levelDbm)
        return QStringLiteral("Status: No signal");
    return QStringLiteral("Status: %1 dBm, %2")
        .arg(*r.levelDbm, 0, 'f', 1)
        .arg(r.marginDb ? QStringLiteral("%1 dB").arg(*r.marginDb, 0, 'f', 1)
                        : QStringLiteral("no lock"));
}

bool Main::heldBack(const std::function<void()> &command)
{
    if (m_signal && m_signal->reading()) {
        m_signal->runAfterReading(command);
        return true;
    }
    return RefusedWhileBusy(state.link);
}

void Main::setStatus(const QString &text)
{
    StatusBar->setText(QStringLiteral("Status"), text);
}

void Main::ListView_ItemClick(QTreeWidgetItem *Item)
{
    // A pick while an exchange is under way would interleave two exchanges on the one port.
    if (heldBack([this, Item] { ListView_ItemClick(Item); }))
        return;
    if (!Item) {
        m_host.beep();
        return;
    }
    state.gFrq = Item->text(1);
    const QString refusal = BandRefusal(state.link.Bnd, state.gFrq);
    if (!refusal.isEmpty()) {
        m_host.beep();
        setStatus(refusal);
        return;
    }
    if (!portReady())
        return;
    const LinkBusy busy(state.link, LinkBusy::Command);
    tune(Item);
    ShowSettings();
}

void Main::tune(QTreeWidgetItem *Item)
{
    setStatus(QStringLiteral("Status: Search Services"));
    Service->clear();
    ClearTransponderMarks();
    ClearServiceMarks();
    MarkTransponder(Item);
    m_host.doEvents();

    ServiceListView services(Service);
    const TuningOutcome outcome =
        Tune(Driver, state.LNB, {Item->text(1), Item->text(2), Item->text(3)}, services,
             [this](const QString &text) { setStatus(text); });
    if (outcome.frontEndSet) {
        state.gPol = Item->text(2);
        state.gSrt = Item->text(3);
    }
    if (outcome.locked) {
        state.gSvc = outcome.firstService;
        MarkCurrentService(state.gSvc);
    }
    // The signal the receiver has now, once it was tuned: what an operator checks first.
    setStatus(outcome.accepted && !outcome.timedOut
                  ? SignalStatus(ReadSignal(state.link, quint8(state.Adr)))
                  : QString());
}

void Main::Service_ItemClick(QTreeWidgetItem *Item)
{
    if (heldBack([this, Item] { Service_ItemClick(Item); }))
        return;
    if (!Item) {
        m_host.beep();
        return;
    }
    // The receiver takes a service number of one byte: a higher one would select another
    // service, so it is refused.
    bool isNumber = false;
    const int number = Item->text(0).toInt(&isNumber);
    if (!isNumber || number < 0 || number > 255) {
        m_host.beep();
        return;
    }
    if (!portReady())
        return;
    const LinkBusy busy(state.link, LinkBusy::Command);
    ClearServiceMarks();
    MarkService(Item);
    Driver.SetServiceNum(quint8(number));
    ShowSettings();
}

void Main::ListView_ColumnClick(int c)
{
    // Clearing the marks walks the rows by index and yields as it goes: a sort then would move
    // rows behind its back. The header has moved its arrow already: it goes back to where the
    // rows' order is.
    if (heldBack([this, c] { ListView_ColumnClick(c); })) {
        if (m_sortColumn >= 0)
            ListView->header()->setSortIndicator(m_sortColumn, m_sortOrder);
        return;
    }
    // The header has already moved its own indicator by the time a click reaches here; the
    // list keeps its sort column and order itself.
    m_sortOrder = m_sortColumn == c - 1 && m_sortOrder == Qt::AscendingOrder ? Qt::DescendingOrder
                                                                             : Qt::AscendingOrder;
    m_sortColumn = c - 1;
    QHeaderView *header = ListView->header();
    header->setSortIndicatorShown(true);
    header->setSortIndicator(m_sortColumn, m_sortOrder);
    ListView->sortItems(m_sortColumn, m_sortOrder);
}

void Main::ClearTransponderMarks()
{
    for (int i = 0; i < ListView->topLevelItemCount(); ++i) {
        QTreeWidgetItem *row = ListView->topLevelItem(i);
        setCellStyle(row, 0, kUnmarked);
        for (int c = 1; c < row->columnCount(); ++c) {
            setCellStyle(row, c, kUnmarked);
            m_host.doEvents();
        }
    }
    ListView->viewport()->update();
    m_host.doEvents();
}

void Main::MarkTransponder(QTreeWidgetItem *Item)
{
    setRowStyle(Item, kMarked);
    ListView->viewport()->update();
    m_host.doEvents();
}

void Main::ClearServiceMarks()
{
    for (int i = 0; i < Service->topLevelItemCount(); ++i)
        setRowStyle(Service->topLevelItem(i), kUnmarked);
    Service->viewport()->update();
    m_host.doEvents();
}

void Main::MarkCurrentService(const QString &Name)
{
    for (int i = 0; i < Service->topLevelItemCount(); ++i) {
        QTreeWidgetItem *row = Service->topLevelItem(i);
        if (row->text(1) == Name)
            setRowStyle(row, kMarked);
    }
    Service->viewport()->update();
    m_host.doEvents();
}

void Main::MarkService(QTreeWidgetItem *Item)
{
    setRowStyle(Item, kMarked);
    Service->viewport()->update();
    m_host.doEvents();
}
