#include "link/scanall.h"

#include "link/linkstate.h"
#include "link/protocol.h"
#include "platform/host.h"

namespace ScanAll {

QByteArray Code(int index)
{
    const int block = index / kBlock;
    int rest = index % kBlock;
    QByteArray code(4, 'A');
    for (int i = 3; i >= 0; --i) {
        // Block b has 4 - b upper-case letters, then lower case.
        const char first = i < 4 - block ? 'A' : 'a';
        code[i] = char(first + rest % 26);
        rest /= 26;
    }
    return code;
}

int Index(const QByteArray &code)
{
    if (code.size() != 4)
        return -1;
    // The upper-case letters lead: their count names the block.
    int upper = 0;
    while (upper < 4 && code[upper] >= 'A' && code[upper] <= 'Z')
        ++upper;
    if (upper == 0)
        return -1;
    int index = 0;
    for (int i = 0; i < 4; ++i) {
        const char first = i < upper ? 'A' : 'a';
        if (code[i] < first || code[i] > first + 25)
            return -1;
        index = index * 26 + (code[i] - first);
    }
    return (4 - upper) * kBlock + index;
}

void ScanAllCodes(LinkState &link, quint8 address, const CommandSink &sink, int first)
{
    for (int block = qMax(first, 0) / kBlock; block < 4; ++block) {
        for (int i = qMax(first, block * kBlock); i < (block + 1) * kBlock; ++i) {
            const QByteArray code = Code(i);
            const QByteArray reply = Protocol::SendQuery(link, address, code);
            if (sink && !sink(code, reply))
                return;
        }
        if (block < 3)
            link.host.doEvents();
    }
}

} // namespace ScanAll
