#include "link/replyscanner.h"

ReplyScanner::ReplyScanner(quint8 address, const QByteArray &code)
    : m_address(char(address)), m_code(code)
{
}

void ReplyScanner::closeCode(bool hasValue)
{
    const bool ours = m_frameCode == m_code || m_frameCode == "Ack";
    m_afterAddress = false; // the next frame brings its own address byte
    if (!ours)
        m_state = hasValue ? State::Skipping : State::Outside;
    else
        m_state = hasValue ? State::Value : State::Done;
}

void ReplyScanner::feed(const QByteArray &bytes)
{
    for (const char c : bytes) {
        switch (m_state) {
        case State::Outside:
            if (m_afterAddress && c == '{') {
                m_state = State::Code;
                m_frameCode.clear();
                m_afterAddress = false;
            } else {
                m_afterAddress = c == m_address;
            }
            break;
        case State::Code:
            if (c == '=' || c == '}') {
                closeCode(c == '=');
            } else if (m_frameCode.size() < kMaxCode) {
                m_frameCode.append(c);
            } else {
                m_state = State::Outside; // no code is this long: not a frame after all
                m_afterAddress = c == m_address;
            }
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
            return; // the reply is settled; what follows belongs to nobody here
        }
    }
}

QByteArray ReplyScanner::value() const
{
    if (m_state != State::Done || m_overflow)
        return QByteArray();
    return m_value;
}
