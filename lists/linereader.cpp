#include "lists/linereader.h"

#include <QIODevice>

bool LineReader::fill()
{
    if (m_eof)
        return false;
    m_buffer.remove(0, m_pos);
    m_pos = 0;
    const QByteArray chunk = m_device.read(64 * 1024);
    if (chunk.isEmpty()) {
        m_eof = true;
        return false;
    }
    m_buffer += chunk;
    return true;
}

bool LineReader::next(QByteArray *line)
{
    line->resize(0); // keeps the capacity for the next line
    bool any = false;
    for (;;) {
        if (m_pos >= m_buffer.size() && !fill())
            return any;
        if (m_skipLf) {
            m_skipLf = false;
            if (m_buffer[m_pos] == '\n') {
                ++m_pos;
                continue;
            }
        }
        any = true;
        const char *data = m_buffer.constData();
        int end = m_pos;
        while (end < m_buffer.size() && data[end] != '\r' && data[end] != '\n')
            ++end;
        const int room = kMaxLine - int(line->size());
        line->append(data + m_pos, qMin(end - m_pos, qMax(room, 0)));
        if (end < m_buffer.size()) {
            m_skipLf = data[end] == '\r';
            m_pos = end + 1;
            return true;
        }
        m_pos = end;
    }
}
