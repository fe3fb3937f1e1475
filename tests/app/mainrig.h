#pragma once

#include "app/main.h"
#include "app/reportview.h"
#include "app/statuspanels.h"
#include "config/config.h"
#include "session/settingsstore.h"
#include "sim/receivermodel.h"
#include "testsupport/clickitem.h"
#include "testsupport/seedsettings.h"
#include "testsupport/writefile.h"
#include "testsupport/memoryport.h"
#include "testsupport/simulatedreceiver.h"
#include "testsupport/virtualhost.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QPushButton>
#include <QSet>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>

struct RecordingStore : SettingsStore
{
    QStringList writes;
    bool refuse = false; // as a full disk would
    bool write(const QString &name, qint32 value) override
    {
        writes << name + '=' + QString::number(value);
        return !refuse && SettingsStore::write(name, value);
    }
};

// The main window over the receiver stand-in on the virtual clock, with a private settings
// folder. What the operator sees (messages, the dialog) is recorded in one timeline.
struct Rig
{
    QTemporaryDir config;
    VirtualHost host;
    std::unique_ptr<MemoryPort> owned = std::make_unique<MemoryPort>(host); // until Main has it
    MemoryPort *port = owned.get();
    ReceiverStandIn receiver{*port, ReceiverStandIn::demoSatellite(), {}};
    RecordingStore store;
    std::unique_ptr<Main> main;
    QStringList timeline;
    bool confirmDialog = false; // OK in the configuration dialog, or its Cancel

    Rig()
    {
        qputenv("XDG_CONFIG_HOME", config.path().toLocal8Bit());
        host.onMessage = [this](const Message &m) {
            timeline << "message:" + m.text.section("\r\n", 0, 0);
        };
        QDir(config.path()).mkdir("data");
        main = std::make_unique<Main>(host, std::move(owned), store, config.path());
    }

    Main::Outcome start()
    {
        // The dialog runs modally inside start-up; act on it once it is up.
        QTimer watcher;
        QObject::connect(&watcher, &QTimer::timeout, [this] {
            if (auto *d = qobject_cast<Config *>(QApplication::activeModalWidget())) {
                timeline << "dialog";
                if (!confirmDialog)
                    d->reject();
                for (QPushButton *b : {d->Test, d->OK}) // the link tested, then OK
                    if (confirmDialog)
                        QTest::mouseClick(b, Qt::LeftButton);
            }
        });
        watcher.start(0);
        return main->Form_Load();
    }
};

// A started main window, shown, over the demo receiver with this list as 13.00E.csv; status
// texts are recorded with their virtual time, and modal windows are handed to a test.
struct Started : Rig
{
    static constexpr const char *kList = "10892000;H;27500;\r\n" // Aurora, locks
                                         "11034000;V;27500;\r\n" // the receiver's at start
                                         "10892000;H;22000;\r\n" // wrong rate: no lock
                                         "12073000;H;4883;\r\n";
    QStringList statuses;    // the status panel's texts, without "Status: "
    QList<quint64> statusMs; // and when each was shown
    QStringList modals;      // class names of the modal windows seen, in order

    Started()
    {
        if (!WriteFile(config.filePath("data/13.00E.csv"), kList))
            qFatal("cannot write the list");
        SeedSettings(1);
        if (start() != Main::Outcome::Running)
            qFatal("start-up failed");
        QObject::connect(main->StatusBar, &StatusPanels::textChanged,
                         [this](const QString &key, const QString &text) {
                             if (key != "Status")
                                 return;
                             statuses << QString(text).remove("Status: ");
                             statusMs << host.nowUs() / 1000;
                         });
        main->show();
        if (!QTest::qWaitForWindowExposed(main.get()))
            qFatal("the main window did not show");
        store.writes.clear();
        port->clearWritten();
    }
    QTreeWidgetItem *row(int i) const { return main->ListView->topLevelItem(i); }
    void pick(QTreeWidget *view, int i) const { clickItem(view, view->topLevelItem(i)); }
    QStringList column(QTreeWidget *view, int c) const
    {
        QStringList texts;
        for (int i = 0; i < view->topLevelItemCount(); ++i)
            texts << view->topLevelItem(i)->text(c);
        return texts;
    }
    // Rows marked, by index; a row half marked counts as -1000 - index, never right.
    QList<int> marked(QTreeWidget *view) const
    {
        QList<int> rows;
        for (int i = 0; i < view->topLevelItemCount(); ++i)
            if (!hasRowStyle(view->topLevelItem(i), kUnmarked))
                rows << (hasRowStyle(view->topLevelItem(i), kMarked) ? i : -1000 - i);
        return rows;
    }
    // Clicks the panel; `act` handles the modal window it opens.
    void click(
        const QString &key, std::function<void(QWidget *)> act = [](QWidget *w) {
            static_cast<QDialog *>(w)->reject();
        })
    {
        QTimer watcher;
        QObject::connect(&watcher, &QTimer::timeout, [&] {
            if (QWidget *w = QApplication::activeModalWidget()) {
                modals << w->metaObject()->className();
                act(w);
            }
        });
        watcher.start(0);
        QTest::mouseClick(main->StatusBar->panel(key), Qt::LeftButton);
    }
    QByteArrayList frames() const
    {
        QByteArrayList out;
        for (const QByteArray &w : port->writes())
            out << w.mid(2, w.size() - 3);
        return out;
    }
};
