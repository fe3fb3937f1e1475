#include "session/scanrun.h"

#include "link/receiverdriver.h"
#include "link/statuslabels.h"

QStringList DefaultScanRates()
{
    return {QStringLiteral("45000"), QStringLiteral("30000"), QStringLiteral("27500"),
            QStringLiteral("22000")};
}

bool TestPass(ReceiverDriver &driver, const QStringList &rates, StatusLabels &status,
              ScanTree &tree, bool &Run, bool rescan, bool watchRun)
{
    status.passStarted(rescan, rates);
    for (const QString &rate : rates) {
        if (watchRun && !Run)
            break;
        if (driver.RunTestLocal(rate, status, tree, Run, rescan))
            return true;
    }
    return false;
}

void RunScan(ReceiverDriver &driver, const QStringList &rates, StatusLabels &status, ScanTree &tree,
             bool &Run, const std::function<bool()> &goOn)
{
    driver.SetScanLocal(status, tree, Run);
    const bool all = TestPass(driver, rates, status, tree, Run, false, true);
    if (!all && goOn())
        TestPass(driver, rates, status, tree, Run, true, false);
}
