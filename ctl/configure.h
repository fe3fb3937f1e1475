#pragma once

#include <QString>

#include <functional>
#include <memory>
#include <optional>

class AnySerialPort;
class Output;
class SettingsStore;

// The LNB type's word in every command's result, as config takes it: "universal", "wide" or
// "diseqc" (0, 1, 2); "unknown" for another number.
QString LnbTypeName(int type);

// What `kolvex7-ctl config` was given: each setting as typed (none: kept as stored), and
// whether to run the link test first and store in spite of it.
struct ConfigRequest
{
    std::optional<QString> port, speed, address, lnbType, input, band;
    bool test = false;
    bool force = false;
    bool changes() const { return port || speed || address || lnbType || input || band; }
};

// Shows the six settings kolvex7 stores, or writes those given, in the same store, within the
// same ranges and in the same order as the configuration dialog. With `test`, the link test
// runs first on the resulting port, speed and address, and values that do not pass it are not
// stored unless `force`. The exit status.
int Configure(const ConfigRequest &request, SettingsStore &store, Output &out,
              const std::function<std::unique_ptr<AnySerialPort>()> &makePort);
