#pragma once

#include "link/linkstate.h"
#include "link/protocol_mssl.h"
#include "sim/receivermodel.h"
#include "sim/satellite.h"
#include "testsupport/memoryport.h"
#include "testsupport/virtualhost.h"

#include <QMap>
#include <QSet>

// The receiver behind an in-memory port: the simulator's model answers every frame written
// there, unless the test scripted a reply or a refusal in its stead, or puts it through a fault
// by name. A test may also put its own answer in the model's stead (`answer`).
struct ReceiverStandIn
{
    ReceiverStandIn(MemoryPort &port, const Satellite &satellite, ReceiverModel::Options options)
        : line(port), model(satellite, options)
    {
        answer = [this](const QByteArray &frame) {
            for (const ReceiverModel::Exchange &e : model.receive(frame)) {
                if (!e.reply.isEmpty())
                    line.feedAfter(latencyMs, e.reply);
                for (const auto &[ms, text] : e.later)
                    line.feedAfter(ms, text);
            }
        };
        line.onWrite = [this](const QByteArray &frame) { respond(frame); };
    }
    ReceiverStandIn(const ReceiverStandIn &) = delete;
    ReceiverStandIn &operator=(const ReceiverStandIn &) = delete;

    // How the receiver fails, by name.
    enum class Fault
    {
        None,
        Silent,       // answers nothing at all
        SilentFrom,   // answers until a frame holding `at` goes out, nothing from there on
        PortLostFrom, // as SilentFrom, and its port goes away there
        ReplyLost,    // leaves out the reply to every frame holding `at`
        Refuses,      // refuses every set of a frame holding `at` ("{Ack=Uk}")
    };
    // Puts the receiver through the fault from now on.
    void inject(Fault fault, const QByteArray &at = {})
    {
        silent = fault == Fault::Silent;
        if (fault == Fault::Refuses)
            refused << at;
        line.onWrite = [this, fault, at](const QByteArray &f) {
            const bool there = !at.isEmpty() && f.contains(at);
            silent =
                silent || (there && (fault == Fault::SilentFrom || fault == Fault::PortLostFrom));
            line.setLost(silent && fault == Fault::PortLostFrom);
            if (!(there && fault == Fault::ReplyLost))
                respond(f);
        };
    }

    // The frame's reply: none while silent; a query's scripted reply (none when null); a set's
    // refusal; otherwise the answer.
    void respond(const QByteArray &frame)
    {
        if (silent)
            return;
        const int open = int(frame.indexOf('{')), eq = int(frame.indexOf('='));
        const QByteArray code = frame.mid(open + 1, eq - open - 1);
        const bool query = frame.mid(eq + 1).startsWith("?}");
        if (query && replies.contains(code)) {
            if (!replies[code].isNull())
                line.feedAfter(latencyMs, frame.left(open + 1) + code + '=' + replies[code] + '}');
        } else if (!query && refused.contains(code)) {
            line.feedAfter(latencyMs, frame.left(open) + "{Ack=Uk}");
        } else {
            answer(frame);
        }
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

    MemoryPort &line;
    ReceiverModel model;
    int latencyMs = 2;
    bool silent = false;
    QMap<QByteArray, QByteArray> replies; // query replies in the model's stead; null: none
    QSet<QByteArray> refused;             // codes whose sets it refuses
    // The answer to a frame the script leaves alone: the model's.
    std::function<void(const QByteArray &)> answer;
};

// The virtual clock and the in-memory port of a stand-in with its own link.
struct VirtualLine
{
    explicit VirtualLine(quint32 startTick) : host(startTick), port(host) {}
    VirtualHost host;
    MemoryPort port;
};

// The stand-in behind an open in-memory port on the virtual clock, with its link and the driver
// at its address: every exchange runs in microseconds of real time, each byte on the wire
// recorded.
struct SimulatedReceiver : VirtualLine, ReceiverStandIn
{
    explicit SimulatedReceiver(ReceiverModel::Options options = {}, quint32 startTick = 0)
        : SimulatedReceiver(demoSatellite(), options, startTick)
    {
    }
    explicit SimulatedReceiver(const Satellite &satellite, ReceiverModel::Options options = {},
                               quint32 startTick = 0)
        : VirtualLine(startTick), ReceiverStandIn(port, satellite, options)
    {
        link.Prt = 1;
        link.Spd = 115200;
        port.open();
        driver.setAdr(129);
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

    // Frames written since the last clear, as one text per write.
    QByteArrayList frames() const { return port.writes(); }

    LinkState link{port, host};
    Protocol_MsSl driver{link};
};
