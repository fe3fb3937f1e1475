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
        answer = port.onWrite;
        link.Prt = 1;
        link.Spd = 115200;
        port.open();
        driver.setAdr(129);
    }

    // How the receiver fails, by name.
    enum class Fault
    {
        None,
        Silent,       // answers nothing at all
        SilentFrom,   // answers until a frame holding `at` goes out, nothing from there on
        PortLostFrom, // as SilentFrom, and its port goes away there
        ReplyLost,    // leaves out the reply to every frame holding `at`
    };
    // Puts the receiver through the fault from now on.
    void inject(Fault fault, const QByteArray &at = {})
    {
        silent = fault == Fault::Silent;
        port.onWrite = [this, fault, at](const QByteArray &f) {
            const bool there = !at.isEmpty() && f.contains(at);
            silent =
                silent || (there && (fault == Fault::SilentFrom || fault == Fault::PortLostFrom));
            port.setLost(silent && fault == Fault::PortLostFrom);
            if (!(there && fault == Fault::ReplyLost))
                answer(f);
        };
    }
    // The operator's Ctrl+C as the first frame holding `at` goes out: the link's run stops.
    void stopAt(const QByteArray &at)
    {
        port.onWrite = [this, at, next = port.onWrite](const QByteArray &f) {
            if (f.contains(at) && !link.run.stopped())
                link.run.stop();
            next(f);
        };
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
    // The receiver's answer to what was written, as the model gives it.
    std::function<void(const QByteArray &)> answer;
};
