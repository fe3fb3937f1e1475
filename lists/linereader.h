#pragma once

#include <QByteArray>

class QIODevice;

// Reads lines of single-byte text. CR LF, a lone LF and a lone CR each end a line; a line end
// at the very end of the text does not start another line. A line longer than kMaxLine keeps
// its first kMaxLine bytes, so a file without line ends cannot exhaust memory.
class LineReader
{
public:
    static constexpr int kMaxLine = 1 << 22;

    explicit LineReader(QIODevice &device) : m_device(device) {}
    // The next line, without its end; false at the end of the text.
    bool next(QByteArray *line);

private:
    bool fill();

    QIODevice &m_device;
    QByteArray m_buffer;
    int m_pos = 0;
    bool m_eof = false;
    bool m_skipLf = false; // the last line ended with CR: a LF right after it belongs to it
};
