#include "config/config.h"

#include "link/linktest.h"
#include "platform/host.h"
#include "platform/numbers.h"
#include "platform/serialport.h"
#include "session/mainstate.h"
#include "session/settings.h"
#include "session/survey.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QEvent>
#include <QFocusEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <QVBoxLayout>

#include <cmath>

namespace {

const QString kNumerical = QStringLiteral("Numerical value !");

// The range of the variable each box is stored in.
struct Range
{
    qint64 min;
    qint64 max;
};

bool wholeInRange(const QString &text, Range r)
{
    if (!IsNumeric(text))
        return false;
    const double v = LeadingNumber(text);
    return std::floor(v) == v && v >= double(r.min) && v <= double(r.max);
}

qint64 wholeValue(const QString &text)
{
    return qint64(LeadingNumber(text));
}

// The list of a box is fixed, and its text is taken as typed: no completion from the list, and
// Enter adds nothing to it.
void fixList(QComboBox *box)
{
    box->setInsertPolicy(QComboBox::NoInsert);
    box->setCompleter(nullptr);
}

} // namespace

Config::Config(MainState &state, QWidget *owner) : QDialog(owner), m_state(state)
{
    setWindowTitle(QStringLiteral("Configuration"));
    setModal(true);
    buildControls();
    Form_Load();
}

void Config::buildControls()
{
    lFrm1 = new QGroupBox(QStringLiteral("Communication"), this);
    lCom = new QLabel(QStringLiteral("COM"), lFrm1);
    vCom = new QComboBox(lFrm1);
    vCom->setObjectName(QStringLiteral("vCom"));
    vCom->setEditable(true);
    fixList(vCom);
    for (int i = 1; i <= 15; ++i)
        vCom->addItem(QString::number(i));
    vCom->setEditText(QStringLiteral("1"));
    vCom->setToolTip(QStringLiteral("Set serial communication port number"));
    lBds = new QLabel(QStringLiteral("Bauds"), lFrm1);
    vBds = new QComboBox(lFrm1);
    vBds->setObjectName(QStringLiteral("vBds"));
    vBds->setEditable(true);
    fixList(vBds);
    vBds->addItems({QStringLiteral("9600"), QStringLiteral("19200"), QStringLiteral("38400"),
                    QStringLiteral("115200")});
    vBds->setEditText(QStringLiteral("9600"));
    vBds->setToolTip(QStringLiteral("Set serial communication port number"));
    lAdr = new QLabel(QStringLiteral("@IRD"), lFrm1);
    vAdr = new QLineEdit(QStringLiteral("129"), lFrm1);
    vAdr->setObjectName(QStringLiteral("vAdr"));
    vAdr->setToolTip(QStringLiteral("IRD receiver address"));
    Test = new QPushButton(QStringLiteral("Test"), lFrm1);
    Test->setAutoDefault(false);
    auto *comm = new QGridLayout(lFrm1);
    comm->addWidget(lCom, 0, 0);
    comm->addWidget(vCom, 0, 1);
    comm->addWidget(lBds, 1, 0);
    comm->addWidget(vBds, 1, 1);
    comm->addWidget(lAdr, 2, 0);
    comm->addWidget(vAdr, 2, 1);
    Find = new QPushButton(QStringLiteral("Find"), lFrm1);
    Find->setAutoDefault(false);
    Find->setToolTip(QStringLiteral("Find the receivers on the line and choose one"));
    comm->addWidget(Find, 2, 2);
    comm->addWidget(Test, 3, 0, 1, 3);

    lStatus = new QLabel(this);
    lStatus->setObjectName(QStringLiteral("lStatus"));
    lStatus->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    lStatus->setMinimumHeight(lStatus->fontMetrics().height() + 6);

    lFrm2 = new QGroupBox(QStringLiteral("LNB"), this);
    auto *lnbLayout = new QVBoxLayout(lFrm2);
    auto *lnbGroup = new QButtonGroup(this);
    const QString lnbCaptions[3] = {QStringLiteral("Univ.   (9750-10600)"),
                                    QStringLiteral("Wide   (9750-10750)"),
                                    QStringLiteral("Disecq (9750-10600)")};
    for (int i = 0; i < 3; ++i) {
        vLNB[i] = new QRadioButton(lnbCaptions[i], lFrm2);
        lnbGroup->addButton(vLNB[i], i);
        lnbLayout->addWidget(vLNB[i]);
    }

    lIn = new QGroupBox(QStringLiteral("Input"), this);
    auto *inLayout = new QHBoxLayout(lIn);
    auto *inGroup = new QButtonGroup(this);
    lBn = new QGroupBox(QStringLiteral("Band"), this);
    auto *bnLayout = new QHBoxLayout(lBn);
    auto *bnGroup = new QButtonGroup(this);
    const QString inCaptions[2] = {QStringLiteral("A"), QStringLiteral("B")};
    const QString bnCaptions[2] = {QStringLiteral("L"), QStringLiteral("Ku")};
    for (int i = 0; i < 2; ++i) {
        vInp[i] = new QRadioButton(inCaptions[i], lIn);
        inGroup->addButton(vInp[i], i);
        inLayout->addWidget(vInp[i]);
        vBnd[i] = new QRadioButton(bnCaptions[i], lBn);
        bnGroup->addButton(vBnd[i], i);
        bnLayout->addWidget(vBnd[i]);
    }

    OK = new QPushButton(QStringLiteral("&OK"), this);
    OK->setAutoDefault(false);

    auto *right = new QVBoxLayout;
    right->addWidget(lFrm2);
    right->addWidget(lIn);
    right->addWidget(lBn);
    auto *columns = new QHBoxLayout;
    columns->addWidget(lFrm1);
    columns->addLayout(right);
    auto *bottom = new QHBoxLayout;
    bottom->addWidget(lStatus, 1);
    bottom->addWidget(OK);
    auto *all = new QVBoxLayout(this);
    all->addLayout(columns);
    all->addLayout(bottom);

    // The option index is the stored value, and a click stores it at once.
    connect(lnbGroup, &QButtonGroup::idClicked, this, [this](int id) { m_state.LNB = quint8(id); });
    connect(inGroup, &QButtonGroup::idClicked, this, [this](int id) { m_state.Inp = quint8(id); });
    connect(bnGroup, &QButtonGroup::idClicked, this,
            [this](int id) { m_state.link.Bnd = quint8(id); });
    connect(OK, &QPushButton::clicked, this, &Config::OK_Click);
    connect(Test, &QPushButton::clicked, this, &Config::Test_Click);
    connect(Find, &QPushButton::clicked, this, &Config::Find_Click);

    // An editable combo box keeps the focus itself and hands focus events to its line edit
    // directly, so the boxes are watched where the focus is.
    for (QWidget *box :
         {static_cast<QWidget *>(vCom), static_cast<QWidget *>(vBds), static_cast<QWidget *>(vAdr)})
        box->installEventFilter(this);
}

void Config::Form_Load()
{
    vCom->setEditText(QString::number(m_state.link.Prt));
    vBds->setEditText(QString::number(m_state.link.Spd));
    vAdr->setText(QString::number(m_state.Adr));
    // A stored value without an option (an LNB type above 2, say) leaves its options unticked.
    if (m_state.LNB < 3)
        vLNB[m_state.LNB]->setChecked(true);
    if (m_state.Inp < 2)
        vInp[m_state.Inp]->setChecked(true);
    if (m_state.link.Bnd < 2)
        vBnd[m_state.link.Bnd]->setChecked(true);
    IsOk = false;
}

QWidget *Config::boxOf(QObject *watched) const
{
    if (watched == vCom || watched == vBds || watched == vAdr)
        return static_cast<QWidget *>(watched);
    return nullptr;
}

QString Config::boxText(QWidget *box) const
{
    if (box == vCom)
        return vCom->currentText();
    if (box == vBds)
        return vBds->currentText();
    return vAdr->text();
}

bool Config::eventFilter(QObject *watched, QEvent *event)
{
    QWidget *box = boxOf(watched);
    if (!box)
        return QDialog::eventFilter(watched, event);
    if (event->type() == QEvent::FocusIn) {
        // While a refused box takes the focus back, the box the focus passed through on its way
        // neither clears the status line nor is validated.
        if (!m_refocus)
            lStatus->clear();
        else if (box == m_refocus)
            m_refocus = nullptr;
    } else if (event->type() == QEvent::FocusOut && !m_refocus) {
        // Validate runs when the operator moves to another control of the dialog, not when
        // another window takes the focus.
        const Qt::FocusReason reason = static_cast<QFocusEvent *>(event)->reason();
        if (reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason &&
            isVisible() && CheckNumeric(box)) {
            m_refocus = box;
            QTimer::singleShot(0, box, [box] { box->setFocus(Qt::OtherFocusReason); });
        }
    }
    return QDialog::eventFilter(watched, event);
}

bool Config::CheckNumeric(QWidget *box)
{
    // The stored ranges, a port named from 1 (0 stands for none).
    static const Range port{1, Settings::Port.max}, speed{Settings::Speed.min, Settings::Speed.max},
        address{Settings::Address.min, Settings::Address.max};
    const Range r = box == vCom ? port : box == vBds ? speed : address;
    if (!wholeInRange(boxText(box), r)) {
        lStatus->setText(kNumerical);
        m_state.link.host.beep();
        return true;
    }
    lStatus->clear();
    return false;
}

bool Config::validateAll()
{
    // A box refused on leaving it has beeped and is taking the focus back: the click that
    // took the focus away does nothing more.
    if (m_refocus)
        return false;
    for (QWidget *box : {static_cast<QWidget *>(vCom), static_cast<QWidget *>(vBds),
                         static_cast<QWidget *>(vAdr)}) {
        if (CheckNumeric(box)) {
            if (!box->hasFocus() && isActiveWindow()) {
                m_refocus = box;
                box->setFocus(Qt::OtherFocusReason);
            }
            return false;
        }
    }
    return true;
}

void Config::OK_Click()
{
    if (RefusedWhileBusy(m_state.link) || !validateAll())
        return;
    m_state.link.Prt = qint16(wholeValue(vCom->currentText()));
    m_state.link.Spd = qint32(wholeValue(vBds->currentText()));
    m_state.Adr = quint8(wholeValue(vAdr->text()));
    accept();
}

Protocol::PortAt Config::typedPort() const
{
    return {qint16(wholeValue(vCom->currentText())), qint32(wholeValue(vBds->currentText())),
            false};
}

bool Config::openAsTyped(bool *wasOpen)
{
    SerialPort &port = m_state.link.MSComm;
    lStatus->setToolTip(QString());
    *wasOpen = port.isOpen();
    if (*wasOpen)
        port.close();
    if (Protocol::OpenPort(m_state.link, typedPort()))
        return true;
    // The port stays closed, also when it was open before.
    lStatus->setText(QStringLiteral("Unavailable port"));
    lStatus->setToolTip(port.openError());
    if (!port.openError().isEmpty())
        m_state.link.host.message(
            {QStringLiteral("Unavailable port"), port.openError(), Message::Critical, Message::Ok});
    return false;
}

void Config::Find_Click()
{
    if (m_state.link.run.Run) { // the button of a search under way stops it
        m_state.link.run.stop();
        return;
    }
    bool wasOpen = false;
    if (RefusedWhileBusy(m_state.link) || !validateAll() || !openAsTyped(&wasOpen))
        return;
    m_state.link.run.start();
    Find->setText(QStringLiteral("Stop"));
    // The wait suits the speed tried.
    const QList<SurveyHit> hits = Survey(m_state.link, typedPort().speed, [this](int address) {
        lStatus->setText(QStringLiteral("Asking address %1").arg(address));
    });
    m_state.link.run.end();
    Find->setText(QStringLiteral("Find"));
    if (!wasOpen)
        m_state.link.MSComm.close();
    lStatus->setText(hits.isEmpty()
                         ? (m_state.link.run.stopped() ? QStringLiteral("Search stopped")
                                                       : QStringLiteral("No receiver found"))
                         : QStringLiteral("Found: %1").arg(hits.size()));
    if (hits.isEmpty())
        return;
    // The receivers found, to choose one: its address goes into the box.
    QMenu menu(this);
    for (const SurveyHit &hit : hits)
        menu.addAction(QStringLiteral("%1: %2").arg(hit.address).arg(hit.tuningText()))
            ->setData(hit.address);
    if (QAction *chosen = menu.exec(Find->mapToGlobal(QPoint(0, Find->height()))))
        vAdr->setText(QString::number(chosen->data().toInt()));
}

void Config::Test_Click()
{
    bool wasOpen = false;
    if (RefusedWhileBusy(m_state.link) || !validateAll() || !openAsTyped(&wasOpen))
        return;
    // Only this test's answer counts: what the line held is discarded first, and a late
    // answer of another address is left out.
    switch (Protocol::TestLink(m_state.link, quint8(wholeValue(vAdr->text())))) {
    case Protocol::LinkTestResult::Refused:
        lStatus->setText(QStringLiteral("KOLVEX7 replied error"));
        break;
    case Protocol::LinkTestResult::Ok:
        lStatus->setText(QStringLiteral("KOLVEX7 is OK"));
        IsOk = true;
        break;
    case Protocol::LinkTestResult::NoResponse:
        lStatus->setText(QStringLiteral("No response"));
        break;
    case Protocol::LinkTestResult::BadResponse:
        lStatus->setText(QStringLiteral("Bad response"));
        break;
    case Protocol::LinkTestResult::CommError:
        lStatus->setText(QStringLiteral("Comm. error"));
        break;
    }
    if (!wasOpen)
        m_state.link.MSComm.close();
}
