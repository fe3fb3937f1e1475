#pragma once

#include "link/scanresult.h"
#include "link/scantree.h"
#include "link/statuslabels.h"
#include "session/scanorder.h"

#include <QDialog>
#include <QHash>
#include <QList>
#include <QStringList>

#include <functional>

class Host;
class LinkState;
class RunToken;
class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTimer;
class QTreeWidget;
class QTreeWidgetItem;
class Protocol_MsSl;
class ScanPanel;

// The scan tree shown in a tree view: each node an item, its key kept with it.
class TreeViewScanTree : public ScanTree
{
public:
    explicit TreeViewScanTree(QTreeWidget *view) : m_view(view) {}

    void clear();
    int count() const override { return int(m_items.size()); }
    QString key(int node) const override;
    QString text(int node) const override;
    int parent(int node) const override;
    int childCount(int node) const override;
    int child(int node, int i) const override;
    int add(int parent, const QString &key, const QString &text) override;
    bool setKey(int node, const QString &key) override;
    void setText(int node, const QString &text) override;
    void setBold(int node, bool bold) override;
    void select(int node) override;
    int selected() const override;
    int indexOf(const QTreeWidgetItem *item) const;
    QTreeWidgetItem *item(int node) const { return m_items.value(node - 1); }
    QTreeWidgetItem *item(const QString &key) const { return item(m_byKey.value(key)); }
    // The keys of the transponders.

private:
    QTreeWidget *m_view;
    QList<QTreeWidgetItem *> m_items;
    QHash<QString, int> m_byKey;
};

// The transponder scanning window: the receiver sweeps the band of the position typed in,
// the transponders found are tested at each ticked symbol rate, and the results can be saved
// as a list file with its service files. A click on a service tunes the receiver to it.
class Scan : public QDialog, private StatusLabels
{
    Q_OBJECT

public:
    Scan(Protocol_MsSl &Eqt, Host &host, const QString &programFolder, QWidget *owner = nullptr);
    ~Scan() override;

    QLineEdit *Position;
    QPushButton *ScanIt;
    QPushButton *ReScan;
    QPushButton *Save;
    QGroupBox *rates;
    QCheckBox *SRate[12];
    QLineEdit *SymRate;
    QCheckBox *LikelyFirst; // each carrier tried first at the rate its width points to
    QLabel *Status[5];
    QTreeWidget *TreeView;
    QTimer *Timer;
    ScanPanel *Panel; // the sweep's plot, the time left, the changes against the stored list

    Protocol_MsSl &eqt() const { return Eqt; }
    bool running() const;

    void ScanIt_Click();
    void ReScan_Click();
    void Save_Click();
    void ExportPlan_Click();
    void Timer_Timer();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void done(int result) override;

private:
    QString text(int index) const override;
    void setText(int index, const QString &text) override;

    void buildControls();
    bool portReady();
    // Starts a scan or rescan on its button; false when the click stopped a run instead, or
    // was refused because a stopped run is still unwinding.
    bool startRun(QPushButton *button, QPushButton *other);
    QStringList tickedRates() const;
    // One pass of the run (a scan or a rescan) holding the link, then its end: `button`'s
    // finish when it was not stopped, and what the run could not do kept in sight.
    void runPass(QPushButton *button, const std::function<void(RunToken &)> &pass);
    void FinishRun(QPushButton *button);
    // The run has unwound; `finished` when nobody stopped it.
    void afterRun(bool finished);
    bool ticked(int i) const;
    // Transponders identified stand in the tree, and were not saved since.
    bool unsavedIdentified() const;
    // What the tree holds now, as one value.
    ScanResult result() const;
    void Position_Change();
    // The position normalised; false, after saying so, when its text is no position.
    bool Position_Validate();
    void SymRate_Change();
    void TreeView_NodeClick(QTreeWidgetItem *item);

    Protocol_MsSl &Eqt;
    LinkState &m_link; // the driver's
    Host &m_host;
    QString m_programFolder;
    TreeViewScanTree m_tree;
    ScanTries m_tries; // why the carriers of the tree not identified are not
    // What the runs leave for later: the sweeps of the last run that ended early ("frequency
    // (polarisation)"), and whether transponders were identified since the last save.
    struct RunNotes : ScanEvents
    {
        QStringList cuts;
        bool unsaved = false;
        void sweepCut(const QString &Pol, const QString &frequency) override
        {
            cuts << frequency + QStringLiteral(" (") + Pol + QLatin1Char(')');
        }
        void identified(const QString &, int) override { unsaved = true; }
    } m_notes;
    // The run's events, told to the status labels first, then the panel, the notes, the tries
    // and the marks.
    ScanEventsFanOut m_events;
    ScanStatus m_status{*this};
    // Redraws the plot's carriers as the run finds, tries and identifies them; it listens
    // last, after what it reads (the tree, the tries).
    struct CarrierMarks : ScanEvents
    {
        std::function<void()> refresh;
        void carrierFound(const QString &, double, double) override { refresh(); }
        void sweepCut(const QString &, const QString &) override { refresh(); }
        void passStarted(bool, const QStringList &) override { refresh(); }
        void tryEnded(TryOutcome) override { refresh(); }
        void identified(const QString &, int) override { refresh(); }
        void passEnded(bool, bool) override { refresh(); }
        void runEnded(bool) override { refresh(); }
    } m_marks;
    // The position of the last run, normalised when it started, and what guides its tests.
    QString m_runPosition;
    ScanGuide m_guide;
};
