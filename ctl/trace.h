#pragma once

#include "link/exchangeobserver.h"

#include <QByteArray>

#include <cstdio>

// --trace: every exchange on standard error, one line each: seconds since the first exchange,
// the operation, the bytes out and in (non-printable ones as \xNN), the latency, and
// "time-out" when the reply did not come.
class TraceObserver : public ExchangeObserver
{
public:
    explicit TraceObserver(std::FILE *err = stderr) : m_err(err) {}
    void exchanged(const LinkExchange &e) override;

private:
    std::FILE *m_err;
    quint64 m_firstUs = 0;
    bool m_started = false;
};
