#pragma once

#include "platform/systemserialport.h"

// Linux only: the port opened and configured by QSerialPort, then read and written straight on
// its descriptor. QSerialPort's own write enables and disables a write notifier in the event
// dispatcher for every frame, which costs the link more than the bytes on the wire.
class DescriptorSerialPort : public SystemSerialPort
{
public:
    void write(const QByteArray &bytes) override;
    QByteArray read() override;

protected:
    void waitOnLine(int us) override;
};
