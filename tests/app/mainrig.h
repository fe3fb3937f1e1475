#pragma once

#include "app/main.h"
#include "app/registry.h"
#include "app/settingsstore.h"
#include "config/config.h"
#include "platform/memoryport.h"
#include "platform/virtualhost.h"
#include "sim/receivermodel.h"
#include "tests/support/simulatedreceiver.h"

#include <QApplication>
#include <QDir>
#include <QSet>
#include <QTemporaryDir>
#include <QTimer>

struct RecordingStore : SettingsStore
{
    QStringList writes;
    bool write(const QString &name, qint32 value) override
    {
        writes << name + '=' + QString::number(value);
        return SettingsStore::write(name, value);
    }
};

// The main window over the receiver model on the virtual clock, with a private settings
// folder. What the operator sees (messages, the dialog) is recorded in one timeline.
struct Rig
{
    QTemporaryDir config;
    VirtualHost host;
    MemoryPort *port;
    ReceiverModel model{SimulatedReceiver::demoSatellite(), {}};
    RecordingStore store;
    std::unique_ptr<Main> main;
    QMap<QByteArray, QByteArray> overrides; // query replies that stand in for the model's
    QSet<QByteArray> unanswered;            // queries the receiver does not answer
    QSet<QByteArray> refused;               // codes whose sets the receiver refuses
    bool silent = false;
    QStringList timeline;
    std::function<void(Config &)> inDialog = [](Config &d) { d.reject(); };

    Rig()
    {
        qputenv("XDG_CONFIG_HOME", config.path().toLocal8Bit());
        auto owned = std::make_unique<MemoryPort>(host);
        port = owned.get();
        port->onWrite = [this](const QByteArray &frame) { answer(frame); };
        host.onMessage = [this](const Message &m) {
            timeline << "message:" + m.text.section("\r\n", 0, 0);
        };
        QDir(config.path()).mkdir("data");
        main = std::make_unique<Main>(host, std::move(owned), store, config.path());
    }

    void answer(const QByteArray &frame)
    {
        if (silent)
            return;
        const int open = int(frame.indexOf('{'));
        const int eq = int(frame.indexOf('='));
        if (open > 0 && eq > open && !frame.endsWith("=?}") &&
            refused.contains(frame.mid(open + 1, eq - open - 1))) {
            port->feedAfter(2, frame.left(open) + "{Ack=Uk}");
            return;
        }
        if (open > 0 && eq > open && frame.endsWith("=?}")) {
            const QByteArray code = frame.mid(open + 1, eq - open - 1);
            if (unanswered.contains(code))
                return;
            if (overrides.contains(code)) {
                port->feedAfter(2, frame.left(open + 1) + code + '=' + overrides[code] + '}');
                return;
            }
        }
        for (const ReceiverModel::Exchange &e : model.receive(frame)) {
            if (!e.reply.isEmpty())
                port->feedAfter(2, e.reply);
        }
    }

    void seed(int prt, int bnd, int inp = 0, int lnb = 0)
    {
        Registry::WriteRegValue("KOLVEX7", "", "Port", prt);
        Registry::WriteRegValue("KOLVEX7", "", "Speed", 115200);
        Registry::WriteRegValue("KOLVEX7", "", "Address", 129);
        Registry::WriteRegValue("KOLVEX7", "", "LNB_Type", lnb);
        Registry::WriteRegValue("KOLVEX7", "", "LNB_Input", inp);
        Registry::WriteRegValue("KOLVEX7", "", "LNB_BandL", bnd);
    }

    Main::Outcome start()
    {
        // The dialog runs modally inside start-up; act on it once it is up.
        QTimer watcher;
        QObject::connect(&watcher, &QTimer::timeout, [this] {
            if (auto *d = qobject_cast<Config *>(QApplication::activeModalWidget())) {
                timeline << "dialog";
                inDialog(*d);
            }
        });
        watcher.start(0);
        return main->Form_Load();
    }
};
