#pragma once

#include "sim/receivermodel.h"

#include <QByteArray>
#include <QFile>
#include <QString>

#include <csignal>
#include <deque>

// Serves a receiver model on a pseudo-terminal, with the line's timing and faults:
// reply latency, line-speed pacing, dropped, split or noisy replies, or a silent receiver.
class PtyServer
{
public:
    struct Options
    {
        int latencyMs = 0;
        int baud = 0;         // 0: no pacing
        bool silent = false;  // never answers
        int dropEvery = 0;    // drop every Nth reply (0: none)
        bool split = false;   // each reply byte in a write of its own, 1 ms apart
        bool garbage = false; // line noise before each reply
        QString logPath;
    };

    // The receivers on the line, one per address: each answers only its own frames.
    PtyServer(const QList<ReceiverModel *> &models, const Options &options);
    ~PtyServer();

    // Creates the pseudo-terminal and publishes it as port `number` (the "comN" link).
    bool start(int number, QString *error);
    QString devicePath() const { return m_slavePath; }
    QString linkPath() const { return m_linkPath; }
    // Serves every server's terminal until *stop is set; the exit status.
    static int run(const QList<PtyServer *> &servers, volatile std::sig_atomic_t *stop);

private:
    struct Timed
    {
        qint64 atUs;
        QByteArray bytes;
    };

    // Reads, answers and writes what is due; how long until something else is due (us).
    qint64 step();
    void takeInput(qint64 now);
    void process(qint64 now);
    void queueReply(qint64 now, const QByteArray &reply);
    void flushOutput(qint64 now);
    qint64 byteTimeUs() const;
    // The log: every byte that crosses the line, in order. Bytes of one direction gather into
    // one line until a frame or a terminal line ends ("}" or LF), the direction changes or the
    // line pauses; each line starts with the milliseconds since start of its first byte.
    void log(const char *direction, const QByteArray &bytes, qint64 now);
    void endLogLine();
    void logLineSettings(qint64 now);
    bool publish(int number, QString *error);

    QList<ReceiverModel *> m_models;
    Options m_opt;
    int m_master = -1;
    int m_slave = -1;
    int m_owner = -1; // the port's owner file, locked while this simulator lives
    QString m_slavePath;
    QString m_linkPath;
    QFile m_log;
    qint64 m_startUs = 0;
    QByteArray m_logLine;
    QByteArray m_lineSettings;
    const char *m_logDirection = "";
    qint64 m_logFirstUs = 0;
    qint64 m_logLastUs = 0;
    int m_replies = 0;
    quint32 m_noise = 12345;
    qint64 m_inFreeAt = 0;  // when the line in is free for the next byte
    qint64 m_outFreeAt = 0; // when the line out is free for the next byte
    std::deque<Timed> m_inQueue;
    std::deque<Timed> m_outQueue;
};
