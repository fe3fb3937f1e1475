#pragma once

#include <QByteArray>

// Reads a master/slave reply out of the text received so far. The reply's value is the text
// between the first "=" and the first "}" after it; the reply is complete (polling stops) as
// soon as any "}" has arrived. Only the value is kept, and at most kMaxValue bytes of it, so a
// line that streams without ever closing a frame cannot make the reader grow without bound.
class ReplyScanner
{
public:
    static constexpr int kMaxValue = 4096;

    void feed(const QByteArray &bytes);
    // A "}" has arrived.
    bool closed() const { return m_closed; }
    // The value, or the empty text when there is no "=" ... "}" pair (or it is longer than any
    // value the receiver sends).
    QByteArray value() const;

private:
    bool m_closed = false;
    bool m_inValue = false;
    bool m_valueDone = false;
    bool m_overflow = false;
    QByteArray m_value;
};
