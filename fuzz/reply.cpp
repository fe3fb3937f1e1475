// The reply reader fed arbitrary bytes in arbitrary pieces. The first byte of the input chooses
// how the rest is cut, the second the receiver's address. The reply read must be what the whole
// accumulated text gives when searched frame by frame, and the reader must end in its poll bound.

#include "link/linkstate.h"
#include "link/protocol.h"
#include "link/replyscanner.h"
#include "testsupport/memoryport.h"
#include "testsupport/virtualhost.h"

#include <QList>

#include <cstdint>
#include <cstdlib>

namespace {

const QByteArray kCode = "Tfrq";
constexpr int kMaxCode = 8;

// The first frame of `address` whose code is kCode or "Ack", searched in the whole text: false
// when there is none (yet); *value is its value.
bool reference(const QByteArray &text, char address, QByteArray *value)
{
    const int n = int(text.size());
    for (int k = 0; k + 1 < n;) {
        if (text[k] != address || text[k + 1] != '{') {
            ++k;
            continue;
        }
        const int c = k + 2;
        int e = c;
        while (e < n && text[e] != '=' && text[e] != '}' && e - c < kMaxCode)
            ++e;
        if (e == n)
            return false;
        if (text[e] != '=' && text[e] != '}') {
            k = e; // a code too long: no frame, and its last byte may begin one
            continue;
        }
        const QByteArray code = text.mid(c, e - c);
        const bool ours = code == kCode || code == "Ack";
        if (text[e] == '}') {
            if (ours) {
                value->clear();
                return true;
            }
            k = e + 1;
            continue;
        }
        const int close = int(text.indexOf('}', e + 1));
        if (close < 0)
            return false;
        if (ours) {
            const bool tooLong = close - e - 1 > ReplyScanner::kMaxValue;
            *value = tooLong ? QByteArray() : text.mid(e + 1, close - e - 1);
            return true;
        }
        k = close + 1;
    }
    return false;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 2)
        return 0;
    const int cut = 1 + data[0] % 16;
    const quint8 address = data[1];
    const QByteArray text(reinterpret_cast<const char *>(data + 2), int(size - 2));
    QList<QByteArray> pieces;
    for (int i = 0; i < text.size(); i += cut)
        pieces << text.mid(i, cut);

    // The scanner alone, piece by piece until the reply has come.
    ReplyScanner scanner(address, kCode);
    QByteArray seen;
    for (const QByteArray &piece : pieces) {
        scanner.feed(piece);
        seen += piece;
        if (scanner.closed())
            break;
    }
    QByteArray expected;
    if (scanner.closed() != reference(seen, char(address), &expected))
        std::abort();
    if (scanner.closed() && scanner.value() != expected)
        std::abort();

    // The reader over a port that delivers one piece per poll.
    VirtualHost host;
    MemoryPort port(host);
    port.open();
    LinkState link{port, host};
    port.onRead = [&](int n) {
        if (n <= pieces.size())
            port.feed(pieces[n - 1]);
    };
    const QByteArray value = Protocol::ReadReply(link, address, kCode);
    if (port.reads() > Protocol::kReplyPolls + 1)
        std::abort();
    if (!link.Eto && value != scanner.value())
        std::abort();
    if (link.Eto && !value.isEmpty())
        std::abort();
    return 0;
}
