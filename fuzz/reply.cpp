// The reply reader fed arbitrary bytes in arbitrary pieces. The first byte of the input chooses
// how the rest is cut. The value read must be what the text accumulated up to the first "}"
// gives when parsed whole, and the reader must end in its poll bound.

#include "link/linkstate.h"
#include "link/protocol.h"
#include "link/replyscanner.h"
#include "platform/memoryport.h"
#include "platform/virtualhost.h"

#include <QList>

#include <cstdint>
#include <cstdlib>

namespace {

// The reply as parsed from the whole accumulated text.
QByteArray reference(const QByteArray &text)
{
    const int p = int(text.indexOf('='));
    if (p < 0)
        return QByteArray();
    const int q = int(text.indexOf('}', p + 1));
    if (q < 0 || q - p - 1 > ReplyScanner::kMaxValue)
        return QByteArray();
    return text.mid(p + 1, q - p - 1);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size == 0)
        return 0;
    const int cut = 1 + data[0] % 16;
    const QByteArray text(reinterpret_cast<const char *>(data + 1), int(size - 1));
    QList<QByteArray> pieces;
    for (int i = 0; i < text.size(); i += cut)
        pieces << text.mid(i, cut);

    // The scanner alone, piece by piece until a "}" has come.
    ReplyScanner scanner;
    QByteArray seen;
    for (const QByteArray &piece : pieces) {
        scanner.feed(piece);
        seen += piece;
        if (scanner.closed())
            break;
    }
    if (scanner.closed() && scanner.value() != reference(seen))
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
    const QByteArray value = Protocol::ReadReply(link);
    if (port.reads() > Protocol::kReplyPolls + 1)
        std::abort();
    if (!link.Eto && value != scanner.value())
        std::abort();
    if (link.Eto && !value.isEmpty())
        std::abort();
    return 0;
}
