#include "scan/scan.h"

#include "link/linkstate.h"
#include "link/protocol.h"
#include "link/protocol_mssl.h"
#include "lists/dvbv5plan.h"
#include "lists/transponderentry.h"
#include "platform/host.h"
#include "platform/numbers.h"
#include "platform/serialport.h"
#include "scan/position.h"
#include "scan/savescan.h"
#include "scan/scandiff.h"
#include "scan/scanpanel.h"
#include "scan/sweepplot.h"
#include "session/scanrun.h"
#include "ui/digitkeys.h"

#include <QCheckBox>
#include <QDir>
#include <QFileDialog>
#include <QFocusEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QSaveFile>
#include <QSignalBlocker>
#include <QSplitter>
#include <QTimer>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace {

const int kKeyRole = Qt::UserRole;
const int kIndexRole = Qt::UserRole + 1;

} // namespace

// --- the scan tree over the tree view ---

void TreeViewScanTree::clear()
{
    m_view->clear();
    m_items.clear();
    m_byKey.clear();
}

QString TreeViewScanTree::key(int node) const
{
    QTreeWidgetItem *i = item(node);
    return i ? i->data(0, kKeyRole).toString() : QString();
}

QString TreeViewScanTree::text(int node) const
{
    QTreeWidgetItem *i = item(node);
    return i ? i->text(0) : QString();
}

int TreeViewScanTree::indexOf(const QTreeWidgetItem *item) const
{
    return item ? item->data(0, kIndexRole).toInt() : 0;
}

int TreeViewScanTree::parent(int node) const
{
    QTreeWidgetItem *i = item(node);
    return i ? indexOf(i->parent()) : 0;
}

int TreeViewScanTree::childCount(int node) const
{
    QTreeWidgetItem *i = item(node);
    return i ? i->childCount() : 0;
}

int TreeViewScanTree::child(int node, int c) const
{
    QTreeWidgetItem *i = item(node);
    return i ? indexOf(i->child(c)) : 0;
}

int TreeViewScanTree::add(int parent, const QString &key, const QString &text)
{
    if (m_byKey.contains(key))
        return 0;
    QTreeWidgetItem *up = item(parent);
    auto *node = up ? new QTreeWidgetItem(up) : new QTreeWidgetItem(m_view);
    node->setText(0, text);
    node->setData(0, kKeyRole, key);
    m_items.append(node);
    const int index = int(m_items.size());
    node->setData(0, kIndexRole, index);
    m_byKey.insert(key, index);
    if (up)
        up->setExpanded(true);
    return index;
}

bool TreeViewScanTree::setKey(int node, const QString &key)
{
    QTreeWidgetItem *i = item(node);
    if (!i || m_byKey.value(key, node) != node)
        return false;
    m_byKey.remove(i->data(0, kKeyRole).toString());
    m_byKey.insert(key, node);
    i->setData(0, kKeyRole, key);
    return true;
}

void TreeViewScanTree::setText(int node, const QString &text)
{
    if (QTreeWidgetItem *i = item(node))
        i->setText(0, text);
}

void TreeViewScanTree::setBold(int node, bool bold)
{
    if (QTreeWidgetItem *i = item(node)) {
        QFont f = i->font(0);
        f.setBold(bold);
        i->setFont(0, f);
    }
}

void TreeViewScanTree::select(int node)
{
    if (QTreeWidgetItem *i = item(node))
        m_view->setCurrentItem(i);
}

int TreeViewScanTree::selected() const
{
    return indexOf(m_view->currentItem());
}

// --- the window ---

Scan::Scan(Protocol_MsSl &driver, Host &host, const QString &programFolder, QWidget *owner)
    : QDialog(owner), Eqt(driver), m_link(driver.link()), m_host(host),
      m_programFolder(programFolder), m_tree(nullptr)
{
    setWindowTitle(QStringLiteral("Transponder Scanning"));
    setModal(true);
    buildControls();
    m_tree = TreeViewScanTree(TreeView);
}

Scan::~Scan()
{
    // A run still unwinding leaves off at its next look.
    m_link.run.stop();
}

void Scan::buildControls()
{
    Position = new QLineEdit(QStringLiteral("5.00E"), this);
    Position->setToolTip(QStringLiteral("Enter satellite position"));
    ScanIt = new QPushButton(QStringLiteral("S&can"), this);
    ScanIt->setToolTip(QStringLiteral("Start  transponder scanning"));
    ReScan = new QPushButton(QStringLiteral("&Rescan"), this);
    ReScan->setToolTip(QStringLiteral("Start again the service search"));
    Save = new QPushButton(QStringLiteral("&Save"), this);
    Save->setToolTip(QStringLiteral("Save information in file"));
    for (QPushButton *b : {ScanIt, ReScan, Save}) {
        b->setEnabled(false);
        b->setAutoDefault(false);
    }

    rates = new QGroupBox(QStringLiteral("Symbol Rates"), this);
    auto *grid = new QGridLayout(rates);
    static const char *const captions[11] = {"45000", "30000", "27500", "23000", "22000", "17000",
                                             "16200", "13200", "10000", "6900",  "4883"};
    const QStringList tickedAtStart = DefaultScanRates();
    for (int i = 0; i < 12; ++i) {
        SRate[i] = new QCheckBox(i < 11 ? QString::fromLatin1(captions[i]) : QString(), rates);
        SRate[i]->setChecked(i < 11 && tickedAtStart.contains(SRate[i]->text()));
        grid->addWidget(SRate[i], i / 4, i % 4);
    }
    SRate[11]->setEnabled(false);
    SymRate = new QLineEdit(rates);
    SymRate->setMaxLength(5);
    SymRate->setToolTip(QStringLiteral("Set a symbol rate not in list"));
    grid->addWidget(SymRate, 3, 0, 1, 2);
    // Unticked, the rates are tried in their order, one at a time over every carrier.
    LikelyFirst = new QCheckBox(QStringLiteral("Likely rate &first"), rates);
    LikelyFirst->setToolTip(QStringLiteral(
        "Try each carrier first at the ticked rate nearest its width (a listed rate comes first "
        "in any case)"));
    grid->addWidget(LikelyFirst, 3, 2, 1, 2);

    auto *statusRow = new QHBoxLayout;
    static const int widths[5] = {110, 30, 60, 80, 60};
    for (int i = 0; i < 5; ++i) {
        Status[i] = new QLabel(this);
        Status[i]->setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
        Status[i]->setMinimumWidth(widths[i]);
        statusRow->addWidget(Status[i], i == 0 ? 2 : 1);
    }

    TreeView = new QTreeWidget(this);
    TreeView->setHeaderHidden(true);
    // The second column says how a transponder compares with the stored list.
    TreeView->setColumnCount(2);
    TreeView->header()->setSectionResizeMode(0, QHeaderView::ResizeToContents);
    TreeView->header()->setStretchLastSection(true);
    // Labels are never edited.
    TreeView->setEditTriggers(QAbstractItemView::NoEditTriggers);
    TreeView->setMinimumHeight(260);
    TreeView->setMinimumWidth(240);
    Panel = new ScanPanel(m_link, m_programFolder, this);
    m_events.listen(&m_status);
    for (ScanEvents *listener : Panel->listeners())
        m_events.listen(listener);
    m_events.listen(&m_notes);
    m_events.listen(&m_tries);
    m_marks.refresh = [this] { Panel->Plot->setCarriers(result()); };
    m_events.listen(&m_marks);
    auto *split = new QSplitter(Qt::Horizontal, this);
    split->addWidget(TreeView);
    split->addWidget(Panel);
    split->setStretchFactor(1, 2);
    split->setSizes({330, 640});

    Timer = new QTimer(this);
    Timer->setInterval(2000);
    Timer->start();

    auto *top = new QHBoxLayout;
    top->addWidget(new QLabel(QStringLiteral("Position"), this));
    top->addWidget(Position);
    top->addWidget(ScanIt);
    top->addWidget(ReScan);
    top->addWidget(Save);
    auto *all = new QVBoxLayout(this);
    all->addLayout(top);
    all->addWidget(rates);
    all->addLayout(statusRow);
    all->addWidget(split, 1);
    resize(980, 620);

    connect(ScanIt, &QPushButton::clicked, this, &Scan::ScanIt_Click);
    connect(ReScan, &QPushButton::clicked, this, &Scan::ReScan_Click);
    connect(Save, &QPushButton::clicked, this, &Scan::Save_Click);
    connect(Panel->ExportPlan, &QPushButton::clicked, this, &Scan::ExportPlan_Click);
    connect(Timer, &QTimer::timeout, this, &Scan::Timer_Timer);
    connect(Position, &QLineEdit::textChanged, this, &Scan::Position_Change);
    connect(SymRate, &QLineEdit::textChanged, this, &Scan::SymRate_Change);
    connect(TreeView, &QTreeWidget::itemClicked, this,
            [this](QTreeWidgetItem *item) { TreeView_NodeClick(item); });
    Position->installEventFilter(this);
    SymRate->installEventFilter(this);
    for (QPushButton *b : {ScanIt, ReScan, Save})
        b->installEventFilter(this);
    TreeView->viewport()->installEventFilter(this);
    // A node chosen in the tree shows on the plot, a marker clicked chooses its node.
    connect(TreeView, &QTreeWidget::currentItemChanged, this, [this](QTreeWidgetItem *item) {
        while (item && item->parent())
            item = item->parent();
        Panel->Plot->select(item ? item->data(0, kKeyRole).toString() : QString());
    });
    connect(Panel->Plot, &SweepPlot::carrierClicked, this, [this](const QString &key) {
        if (RefusedWhileBusy(m_link))
            return;
        if (QTreeWidgetItem *item = m_tree.item(key)) {
            TreeView->setCurrentItem(item);
            TreeView->scrollToItem(item);
        }
    });
}

QString Scan::text(int index) const
{
    return Status[index]->text();
}

void Scan::setText(int index, const QString &text)
{
    Status[index]->setText(text);
}

ScanResult Scan::result() const
{
    return ScanResult::of(m_tree, &m_tries);
}

void Scan::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    Position->setFocus();
    Position->selectAll();
}

void Scan::keyPressEvent(QKeyEvent *event)
{
    // Esc would close the window, losing the unsaved tree and stopping a run: the window
    // closes only through its close button.
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

void Scan::done(int result)
{
    // Transponders identified and not saved are lost with the window: the operator says so.
    const Message ask{windowTitle(),
                      QStringLiteral("The transponders identified are not saved.\r\nDo you want to "
                                     "close the window and lose them ?"),
                      Message::NoIcon, Message::OkCancel};
    if (unsavedIdentified() && m_host.message(ask) == Message::AnsweredCancel)
        return;
    // Closing the window stops a run at its next look at Run; the window stays alive until
    // the run's handler has returned, which then closes nothing more.
    m_link.run.stop();
    QDialog::done(result);
}

// A port lost in an earlier run is reopened, as the main window's next pick does. One that does
// not open starts nothing, and the tree stays as it is.
bool Scan::portReady()
{
    LinkState &link = m_link;
    if (link.MSComm.isOpen() && !link.portLost())
        return true;
    link.MSComm.close();
    if (Protocol::OpenPort(link))
        return true;
    m_host.message({QStringLiteral("Error"),
                    QStringLiteral("The serial port could not be reopened: ") +
                        link.MSComm.openError() +
                        QStringLiteral("\r\nNothing was started; the tree is kept."),
                    Message::Critical, Message::Ok});
    return false;
}

bool Scan::ticked(int i) const
{
    return SRate[i]->checkState() == Qt::Checked;
}

bool Scan::startRun(QPushButton *button, QPushButton *other)
{
    if (m_link.run.Run) { // the run's own button stops it
        m_link.run.stop();
        FinishRun(button);
        return false;
    }
    // A stopped run may still be unwinding: a new one would start inside it.
    if (RefusedWhileBusy(m_link) || !portReady())
        return false;
    // An Alt shortcut starts the run without the focus leaving the position box: the position
    // is normalised here as leaving the box would, and the run keeps it.
    if (!Position_Validate())
        return false;
    m_runPosition = Position->text();
    m_link.run.start();
    m_notes.cuts.clear();
    Status[0]->setToolTip(QString());
    Save->setEnabled(false);
    other->setEnabled(false);
    button->setText(QStringLiteral("&Stop"));
    Panel->setPosition(m_runPosition);
    m_guide = {StoredList(m_programFolder, m_runPosition).value_or(QList<TransponderEntry>()),
               LikelyFirst->isChecked()};
    Panel->runStarted(button == ScanIt, m_link.Bnd, tickedRates(), m_tree.unidentified(), m_guide);
    return true;
}

QStringList Scan::tickedRates() const
{
    QStringList rates;
    for (int i = 0; i < 12; ++i) {
        if (ticked(i))
            rates << SRate[i]->text();
    }
    return rates;
}

bool Scan::unsavedIdentified() const
{
    return m_notes.unsaved; // a new scan's tree starts saved: nothing identified in it yet
}

void Scan::ScanIt_Click()
{
    // A new scan empties the tree: transponders identified and not saved go only if the
    // operator says so, and only once the port is ready.
    const Message ask{windowTitle(),
                      QStringLiteral("The transponders identified are not saved.\r\nDo you want to "
                                     "scan again and lose them ?"),
                      Message::NoIcon, Message::OkCancel};
    const bool idle = !m_link.busy(); // not a click that stops a run
    if (idle &&
        (!portReady() || (unsavedIdentified() && m_host.message(ask) == Message::AnsweredCancel)))
        return;
    if (!startRun(ScanIt, ReScan))
        return;
    m_notes.unsaved = false;
    runPass(ScanIt, [this](RunToken &run) {
        TreeView->hide();
        m_tree.clear();
        m_tries.clear();
        TreeView->show();
        RunScan(Eqt, tickedRates(), m_events, m_tree, run, m_guide);
    });
}

void Scan::ReScan_Click()
{
    if (startRun(ReScan, ScanIt))
        runPass(ReScan, [this](RunToken &run) {
            RunRescan(Eqt, tickedRates(), m_events, m_tree, run, m_guide);
        });
}

void Scan::runPass(QPushButton *button, const std::function<void(RunToken &)> &pass)
{
    const LinkBusy busy(m_link, LinkBusy::Command);
    QPointer<Scan> self(this);
    RunToken &run = m_link.run;
    pass(run);
    // The window may have closed during the pass: nothing of it is touched then.
    const bool finished = self && !run.stopped();
    if (finished)
        FinishRun(button);
    if (self)
        afterRun(finished);
}

void Scan::FinishRun(QPushButton *button)
{
    m_link.run.end();
    Panel->runStopping();
    button->setEnabled(false);
    button->setText(QStringLiteral("Wait"));
    Eqt.Wait(1500);
    if (Eqt.OneFound(m_tree))
        Save->setEnabled(true);
    ReScan->setEnabled(true);
    ScanIt->setEnabled(true);
    button->setText(button == ScanIt ? QStringLiteral("S&can") : QStringLiteral("&Rescan"));
}

// Once a run has unwound (at its end, or after a stop): what it could not do stays in sight,
// and the tree is set against the stored list.
void Scan::afterRun(bool finished)
{
    // Part of the band was never swept: that stays in sight once the run is over.
    const QStringList &cuts = m_notes.cuts;
    if (!cuts.isEmpty()) {
        const QString cut = QStringLiteral("No tuning at ") + cuts.join(QLatin1String(", "));
        Status[0]->setText(cut);
        Status[0]->setToolTip(cut + QStringLiteral(": the sweep stopped there, the rest of the "
                                                   "band was not swept."));
    }
    const QString lost = ReceiverLostText(m_link);
    if (!lost.isEmpty()) {
        Status[0]->setText(QStringLiteral("Receiver lost"));
        Status[0]->setToolTip(lost);
        m_host.message({QStringLiteral("Error"),
                        lost + QStringLiteral("\r\nThe run was stopped; what it found is kept."),
                        Message::Critical, Message::Ok});
    }
    const ScanResult scanned = result();
    const ScanDiff diff = CompareWithList(scanned, m_programFolder, m_runPosition,
                                          Panel->Plot->sweptRanges(), &m_tries);
    // Each transponder's change against the stored list; one not identified tells why not.
    for (const ScannedTransponder &t : scanned.transponders) {
        QTreeWidgetItem *item = m_tree.item(t.key);
        if (!item)
            continue;
        item->setText(1, diff.marks.value(t.key));
        item->setToolTip(0, t.whyNot);
    }
    Panel->Plot->setCarriers(scanned);
    Panel->runFinished(diff, finished && cuts.isEmpty() && lost.isEmpty());
}

void Scan::Save_Click()
{
    // An Alt shortcut clicks the button without taking the focus from the position box: the
    // position is normalised here as leaving the box would.
    if (!Position_Validate())
        return;
    const QString position = Position->text();
    const ScanResult scanned = result();
    const QStringList lacked = StoredNotSaved(scanned, m_programFolder, position);
    if (!lacked.isEmpty()) {
        const Message ask{
            QStringLiteral("Save"),
            QStringLiteral("The list saved lacks %1 transponder(s) of %2: %3.\r\n"
                           "Do you want to save it all the same ?")
                .arg(lacked.size())
                .arg(StoredListPath(m_programFolder, position), lacked.join(QStringLiteral(", "))),
            Message::NoIcon, Message::OkCancel};
        if (m_host.message(ask) == Message::AnsweredCancel)
            return;
    }
    if (SaveScan(scanned, position, m_programFolder, m_host, *this))
        m_notes.unsaved = false;
}

void Scan::ExportPlan_Click()
{
    if (!Position_Validate())
        return;
    const QString position = Position->text();
    QList<TransponderEntry> entries;
    for (const ScannedTransponder &t : result().transponders) {
        if (t.identified())
            entries.append({position, t.frequency, t.polarisation, t.rate});
    }
    if (entries.isEmpty()) {
        m_host.message({windowTitle(), QStringLiteral("No transponder is identified: there is "
                                                      "nothing to export.")});
        return;
    }
    // The name offered stays in the program folder: a position, never a path.
    const QString name =
        (IsNormalPosition(position) ? position : QStringLiteral("scan")) + QStringLiteral(".conf");
    const QString path = QFileDialog::getSaveFileName(
        this, QStringLiteral("Export the transponders identified"),
        QDir(m_programFolder).filePath(name), QStringLiteral("DVBv5 plan (*.conf)"));
    if (path.isEmpty())
        return;
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(WriteDvbv5Plan(entries)) < 0 ||
        !file.commit())
        m_host.message({QStringLiteral("Error"),
                        QStringLiteral("File %1 could not be written.").arg(path),
                        Message::Critical});
}

bool Scan::running() const
{
    return m_link.run.Run;
}

void Scan::Timer_Timer()
{
    if (m_link.run.Run) {
        m_status.showSweepShare();
        Panel->showTimeLeft();
    }
}

void Scan::TreeView_NodeClick(QTreeWidgetItem *item)
{
    if (!item || RefusedWhileBusy(m_link))
        return;
    m_tree.select(m_tree.indexOf(item));
    Eqt.SetSelected(m_tree, m_tree.indexOf(item));
}

void Scan::Position_Change()
{
    const QString t = Position->text();
    if (t.isEmpty())
        return;
    if (!IsPositionCharacter(t.back())) {
        m_host.beep();
        const QSignalBlocker quiet(Position); // the text set back is not a change to check
        Position->setText(t.left(t.size() - 1));
        Position->setCursorPosition(int(Position->text().size()));
    }
}

bool Scan::Position_Validate()
{
    // A text pasted in (a path, a line with a blank) is no position: never read as another.
    if (!Position->text().isEmpty() && !IsPositionText(Position->text())) {
        m_host.message(
            {windowTitle(),
             QStringLiteral("%1 is no position: give one as 13.0E or 30W.").arg(Position->text()),
             Message::Critical});
        return false;
    }
    bool completed = false;
    const QString normal = NormalisePosition(Position->text(), &completed);
    if (completed)
        m_host.beep();
    const QSignalBlocker quiet(Position);
    Position->setText(normal);
    return true;
}

void Scan::SymRate_Change()
{
    const QString t = SymRate->text();
    if (t.isEmpty()) {
        SRate[11]->setEnabled(false);
    } else if (IsNumeric(t)) {
        SRate[11]->setEnabled(true);
        SRate[11]->setText(t);
    }
}

bool Scan::eventFilter(QObject *watched, QEvent *event)
{
    // A click on the tree during a run is refused before the tree moves its selection: it
    // beeps, and nothing moves, not even the plot's marker.
    const QEvent::Type type = event->type();
    if (watched == TreeView->viewport() && m_link.busy() &&
        (type == QEvent::MouseButtonPress || type == QEvent::MouseButtonRelease ||
         type == QEvent::MouseButtonDblClick)) {
        if (type == QEvent::MouseButtonPress)
            m_host.beep();
        return true;
    }
    if (watched == Position && event->type() == QEvent::FocusOut) {
        const Qt::FocusReason reason = static_cast<QFocusEvent *>(event)->reason();
        if (reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason)
            Position_Validate();
    } else if (event->type() == QEvent::KeyPress) {
        auto *key = static_cast<QKeyEvent *>(event);
        if (watched == Position && (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter)) {
            Position_Validate();
            // While a run goes on (or unwinds) the buttons are the run's.
            if (!m_link.busy()) {
                ScanIt->setEnabled(true);
                ScanIt->setFocus();
            }
            return true;
        }
        // Enter on a run's button, as Enter in the position box leaves it: the button is
        // pressed (none of them is the window's default, so Enter elsewhere starts nothing).
        auto *button = qobject_cast<QPushButton *>(watched);
        if ((button == ScanIt || button == ReScan || button == Save) &&
            (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter)) {
            if (button->isEnabled())
                button->click();
            return true;
        }
        if (watched == SymRate && DigitKeyRefused(key->key(), key->text())) {
            m_host.beep();
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}
