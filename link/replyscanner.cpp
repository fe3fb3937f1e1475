#include "link/replyscanner.h"

ReplyScanner::ReplyScanner(quint8 address, const QByteArray &code)
    : m_address(char(address)), m_code(code)
{
}

void ReplyScanner::closeCode(bool hasValue)
{
    const bool ours = m_frameCode == m_code || m_frameCode == "Ack";
    if (!ours)
        m_state = hasValue ? State::Skipping : State::Outside;
    else
        m_state = hasValue ? State::Value : State::Done;
}

void ReplyScanner::startFrame()
{
    m_state = State::Code;
    m_frameCode.clear();
    m_value.clear();
    m_overflow = false;
}

void ReplyScanner::feed(const QByteArray &bytes)
{
    for (const char c : bytes) {
        if (m_state == State::Done)
            return; // the reply is settled; what follows belongs to nobody here
        // The address byte and "{" start a frame wherever they stand: no code or value holds a
        // "{", so what came before them was noise, or a frame cut short.
        if (c == '{' && m_afterAddress) {
            startFrame();
            m_afterAddress = false;
            continue;
        }
        switch (m_state) {
        case State::Outside:
            break;
        case State::Code:
            if (c == '=' || c == '}')
                closeCode(c == '=');
            else if (m_frameCode.size() < kMaxCode)
                m_frameCode.append(c);
            else
                m_state = State::Outside; // no code is this long: not a frame after all
            break;
        case State::Value:
            if (c == '}')
                m_state = State::Done;
            else if (m_value.size() < kMaxValue)
                m_value.append(c);
            else
                m_overflow = true;
            break;
        case State::Skipping:
            if (c == '}')
                m_state = State::Outside;
            break;
        case State::Done:
            break;
        }
        m_afterAddress = c == m_address;
    }
}

QByteArray ReplyScanner::value() const
{
    if (m_state != State::Done || m_overflow)
        return QByteArray();
    return m_value;
}
