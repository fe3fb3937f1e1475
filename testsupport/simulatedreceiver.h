#pragma once

#include "link/linkstate.h"
#include "link/protocol_mssl.h"
#include "sim/receivermodel.h"
#include "sim/satellite.h"
#include "testsupport/memoryport.h"
#include "testsupport/virtualhost.h"

// The receiver model behind an open in-memory port on the virtual clock, with the driver at its
// address: every exchange runs in microseconds of real time, each byte on the wire recorded.
struct SimulatedReceiver
{
    explicit SimulatedReceiver(ReceiverModel::Options options = {}, quint32 startTick = 0)
        : SimulatedReceiver(demoSatellite(), options, startTick)
    {
    }
    explicit SimulatedReceiver(const Satellite &satellite, ReceiverModel::Options options = {},
                               quint32 startTick = 0)
        : host(startTick), port(host), model(satellite, options)
    {
        port.onWrite = [this](const QByteArray &bytes) {
            for (const ReceiverModel::Exchange &e : model.receive(bytes)) {
                if (!e.reply.isEmpty() && !silent)
                    port.feedAfter(latencyMs, e.reply);
                for (const auto &[ms, text] : e.later) {
                    if (!silent)
                        port.feedAfter(ms, text);
                }
            }
        };
        link.Prt = 1;
        link.Spd = 115200;
        port.open();
        driver.setAdr(129);
    }

    static Satellite demoSatellite()
    {
        Satellite sat;
        QString error;
        if (!Satellite::load(QStringLiteral(KOLVEX7_SOURCE_DIR "/sim/data/demo-ku.sat"), &sat,
                             &error))
            qFatal("demo satellite: %s", qPrintable(error));
        return sat;
    }

    // A real position's plan from dtv-scan-tables as the simulator plays it; no transponder when
    // the package is not installed.
    static Satellite planSatellite(const QString &name, quint32 seed = 1)
    {
        Satellite sat;
        QString error;
        Satellite::loadPlan(QStringLiteral("/usr/share/dvb/dvb-s/") + name, seed, &sat, &error);
        return sat;
    }

    // Frames written since the last clear, as one text per write.
    QByteArrayList frames() const { return port.writes(); }

    VirtualHost host;
    MemoryPort port;
    ReceiverModel model;
    LinkState link{port, host};
    Protocol_MsSl driver{link};
    int latencyMs = 2;
    bool silent = false;
};
