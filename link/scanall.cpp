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

void ScanAllCodes(LinkState &link, quint8 address, const CommandSink &sink)
{
    for (int block = 0; block < 4; ++block) {
        for (int i = block * kBlock; i < (block + 1) * kBlock; ++i) {
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
