// The reply reader fed arbitrary bytes in arbitrary pieces. The first byte of the input chooses
// how the rest is cut, the second the receiver's address. The reply read must be what the whole
// accumulated text gives when searched frame by frame, the reader must end in its poll bound,
// and a whole reply after any text is read.

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
// when there is none (yet); *value is its value. Every address byte followed by "{" starts a
// frame (the search for the next going on after that "{"), and ends what went before it: a frame
// is what lies between its start and the next.
bool reference(const QByteArray &text, char address, QByteArray *value)
{
    const int n = int(text.size());
    QList<int> starts; // where each frame's code begins
    for (int k = 0; k + 1 < n;) {
        if (text[k] == address && text[k + 1] == '{') {
            starts << k + 2;
            k += 2;
        } else {
            ++k;
        }
    }
    for (int i = 0; i < starts.size(); ++i) {
        const int c = starts[i], end = i + 1 < starts.size() ? starts[i + 1] - 2 : n;
        int e = c;
        while (e < end && text[e] != '=' && text[e] != '}' && e - c < kMaxCode)
            ++e;
        if (e == end || (text[e] != '=' && text[e] != '}'))
            continue; // cut short by the next frame (or not whole yet), or a code too long
        const QByteArray code = text.mid(c, e - c);
        if (code != kCode && code != "Ack")
            continue;
        if (text[e] == '}') {
            value->clear();
            return true;
        }
        const int close = int(text.indexOf('}', e + 1));
        if (close < 0 || close >= end)
            continue;
        const bool tooLong = close - e - 1 > ReplyScanner::kMaxValue;
        *value = tooLong ? QByteArray() : text.mid(e + 1, close - e - 1);
        return true;
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

    // Whatever came before, a whole reply after it is never missed.
    ReplyScanner after(address, kCode);
    after.feed(text + char(address) + "{Tfrq=1}");
    if (!after.closed())
        std::abort();

    // The reader over a port that delivers one piece per poll.
    VirtualHost host;
    MemoryPort port(host);
    port.open();
    LinkState link{port, host};
    // The reply awaited a few polls past the last piece, not the ten seconds of a real line:
    // an input with no reply in it then costs its pieces, not 10,000 polls.
    const ShortReplyWait wait(link, int(pieces.size()) + 2);
    port.onRead = [&](int n) {
        if (n <= pieces.size())
            port.feed(pieces[n - 1]);
    };
    const QByteArray value = Protocol::ReadReply(link, address, kCode);
    if (port.reads() > link.replyPolls() + 1)
        std::abort();
    if (!link.Eto && value != scanner.value())
        std::abort();
    if (link.Eto && !value.isEmpty())
        std::abort();
    return 0;
}
