#include "link/replyscanner.h"

void ReplyScanner::feed(const QByteArray &bytes)
{
    for (const char c : bytes) {
        if (m_valueDone) {
            // the value is settled; the rest of the text no longer matters
            break;
        }
        if (!m_inValue) {
            if (c == '=')
                m_inValue = true;
            else if (c == '}')
                m_closed = true;
        } else if (c == '}') {
            m_valueDone = true;
            m_closed = true;
        } else if (m_value.size() < kMaxValue) {
            m_value.append(c);
        } else {
            m_overflow = true;
        }
    }
}

QByteArray ReplyScanner::value() const
{
    if (!m_valueDone || m_overflow)
        return QByteArray();
    return m_value;
}
