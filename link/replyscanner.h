#pragma once

#include <QByteArray>

// Reads the reply to one exchange out of the text received so far. A reply is a frame: the
// receiver's address as one byte, "{", the code asked (or "Ack", the receiver's refusal), "=",
// the value and "}". Frames of another address or another code (a late reply to an earlier,
// timed-out exchange, a reply to another receiver on the line) and text outside frames are
// skipped: the exchange goes on waiting for its own reply. The address byte and "{" start a
// frame wherever they stand, inside another frame too (noise before a frame, a frame cut
// short): no code or value holds a "{". The address byte is never taken for a "{", "=" or "}"
// of the text, whatever its value. A frame of the right address and code with
// no "=" is a reply with the empty value. Only the value is kept, and at most kMaxValue bytes of
// it, so a line that streams without ever closing a frame cannot make the reader grow without
// bound.
class ReplyScanner
{
public:
    static constexpr int kMaxValue = 4096;

    ReplyScanner(quint8 address, const QByteArray &code);

    void feed(const QByteArray &bytes);
    // The exchange's reply has arrived whole.
    bool closed() const { return m_state == State::Done; }
    // The reply that arrived is the receiver's refusal, "Ack".
    bool refused() const { return closed() && m_frameCode == "Ack"; }
    // The reply's value, or the empty text when the reply had no "=" (or its value was longer
    // than any value the receiver sends).
    QByteArray value() const;

private:
    enum class State
    {
        Outside,  // between frames: looking for the address byte and "{"
        Code,     // in a frame of this address: reading its code up to "=" or "}"
        Value,    // in this exchange's reply: reading its value up to "}"
        Skipping, // in another exchange's frame: up to its "}"
        Done
    };
    // The longest code a frame may carry; a longer one is no frame.
    static constexpr int kMaxCode = 8;

    void closeCode(bool hasValue);
    void startFrame();

    char m_address;
    QByteArray m_code;
    State m_state = State::Outside;
    bool m_afterAddress = false;
    bool m_overflow = false;
    QByteArray m_frameCode;
    QByteArray m_value;
};
