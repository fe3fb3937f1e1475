#pragma once

#include "platform/registry.h"

#include <QList>

#include <utility>

// The tool's six settings as a configuration would have stored them: 115200 baud, address 129.
inline void SeedSettings(int port, int band = 1, int input = 0, int type = 0)
{
    const QList<std::pair<QString, int>> values{{"Port", port},       {"Speed", 115200},
                                                {"Address", 129},     {"LNB_Type", type},
                                                {"LNB_Input", input}, {"LNB_BandL", band}};
    for (const auto &[name, value] : values)
        Registry::WriteRegValue("KOLVEX7", "", name, value);
}
