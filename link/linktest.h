#pragma once

#include <QtGlobal>

class LinkState;

namespace Protocol {

// What the link test learnt of the receiver at an address.
enum class LinkTestResult
{
    Ok,          // it answered the test query as a receiver does
    Refused,     // it answered with the receiver's error acknowledgement
    NoResponse,  // nothing came from that address in time
    BadResponse, // it answered the test query, but not with the receiver's answer
    CommError,   // something else came
};

// The configuration dialog's link test on the open port: discards what the line holds, sends
// the query of "Utst" to `address`, waits 200 ms (blocking: the answer must be complete by then)
// and judges what came, as one watched exchange named "LinkTest". Only text from `address`
// counts: a frame of another address (the late answer to a test of another address) is left
// out before the answer is judged, so it can never pass for this receiver's answer.
LinkTestResult TestLink(LinkState &link, quint8 address);

} // namespace Protocol
