#include "app/main.h"

#include "app/settingsstore.h"
#include "app/statuspanels.h"
#include "config/config.h"
#include "link/numbers.h"
#include "link/protocol.h"
#include "platform/host.h"
#include "platform/serialport.h"

#include <QHeaderView>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace {

const QString kRestart =
    QStringLiteral("Restart program with SHIFT key pushed to get configuration menu.");

QTreeWidget *reportView(const QStringList &columns, QWidget *parent)
{
    auto *view = new QTreeWidget(parent);
    view->setColumnCount(int(columns.size()));
    view->setHeaderLabels(columns);
    view->setRootIsDecorated(false);
    view->setItemsExpandable(false);
    view->setUniformRowHeights(true);
    view->setAllColumnsShowFocus(true);
    view->setSelectionMode(QAbstractItemView::SingleSelection);
    view->setSelectionBehavior(QAbstractItemView::SelectRows);
    view->header()->setSectionsMovable(false);
    return view;
}

} // namespace

Main::Main(Host &host, std::unique_ptr<SerialPort> port, SettingsStore &store,
           const QString &programFolder, QWidget *parent)
    : QMainWindow(parent), state(*port, host), m_port(std::move(port)), m_host(host),
      m_store(store), m_programFolder(programFolder), Driver(state)
{
    setWindowTitle(QStringLiteral("KOLVEX7"));
    buildControls();
}

Main::~Main() = default;

void Main::buildControls()
{
    auto *central = new QWidget(this);
    ListView = reportView({QStringLiteral("Position"), QStringLiteral("Frequency"),
                           QStringLiteral("Polar"), QStringLiteral("Speed")},
                          central);
    ListView->setObjectName(QStringLiteral("ListView"));
    Service = reportView({QStringLiteral("Num"), QStringLiteral("Name")}, central);
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
    setStatusBar(StatusBar);
    resize(560, 520);
}

void Main::readSettings()
{
    // Each value must fit the variable it is read into; anything else reads as the default.
    state.Prt = qint16(m_store.read(QStringLiteral("Port"), 0, 0, 32767));
    state.Spd = qint32(m_store.read(QStringLiteral("Speed"), 115200, 1, 2147483647));
    state.Adr = quint8(m_store.read(QStringLiteral("Address"), 129, 0, 255));
    state.LNB = quint8(m_store.read(QStringLiteral("LNB_Type"), 0, 0, 255));
    state.Inp = quint8(m_store.read(QStringLiteral("LNB_Input"), 0, 0, 255));
    state.Bnd = quint8(m_store.read(QStringLiteral("LNB_BandL"), 0, 0, 255));
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
    if (state.Prt == 0 || state.Raz)
        return configurationPath();

    Driver.setAdr(state.Adr);
    if (!Protocol::OpenPort(state)) {
        error(QStringLiteral("No response from serial."),
              QStringLiteral("Try to (re)configure serial port."));
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
    // 2400000 itself belongs to both bands.
    const double f = LeadingNumber(state.gFrq);
    if (state.Bnd == 0 && f > 2400000) {
        error(QStringLiteral("Set KOLVEX7 to Band L or change Band option in configuration "
                             "Windows."),
              kRestart);
        return Outcome::Ended;
    }
    if (state.Bnd == 1 && f < 2400000) {
        error(QStringLiteral("Set KOLVEX7 to Band Ku or change Band option in configuration "
                             "Windows."),
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
    dialog.exec();
    if (!dialog.IsOk)
        error(QStringLiteral("Selectected serial port is not available."),
              QStringLiteral("Try to (re)configure serial port."));
    // A failed write is silent: there is nobody left to tell but the next start.
    m_store.write(QStringLiteral("Port"), state.Prt);
    m_store.write(QStringLiteral("Speed"), state.Spd);
    m_store.write(QStringLiteral("Address"), state.Adr);
    m_store.write(QStringLiteral("LNB_Input"), state.Inp);
    m_store.write(QStringLiteral("LNB_Type"), state.LNB);
    m_store.write(QStringLiteral("LNB_BandL"), state.Bnd);
    close();
    return Outcome::Configured;
}

void Main::ShowSettings()
{
    StatusBar->setText(QStringLiteral("Port"), QStringLiteral("COM") + QString::number(state.Prt));
    StatusBar->setText(QStringLiteral("Speed"), QString::number(state.Spd));
    StatusBar->setText(QStringLiteral("Address"), QString::number(state.Adr));
    StatusBar->setText(QStringLiteral("Input"),
                       state.Inp != 0 ? QStringLiteral("B Input") : QStringLiteral("A input"));
}

// The list catalogue: reads the transponder list files of the DataFolder and, for the row on
// the receiver's frequency, lists the services. Empty until the list files are supported.
void Main::LoadTransponderLists() {}
