#include "session/scanrun.h"

#include "link/linkstate.h"
#include "link/receiverdriver.h"
#include "link/statuslabels.h"

QStringList DefaultScanRates()
{
    return {QStringLiteral("45000"), QStringLiteral("30000"), QStringLiteral("27500"),
            QStringLiteral("22000")};
}

bool TestPass(ReceiverDriver &driver, const QStringList &rates, StatusLabels &status,
              ScanTree &tree, RunToken &run, bool rescan)
{
    status.passStarted(rescan, rates);
    bool all = false;
    for (const QString &rate : rates) {
        if (!run.Run || all)
            break;
        all = driver.RunTestLocal(rate, status, tree, run.Run, rescan);
    }
    status.passEnded(rescan, all);
    return all;
}

void RunScan(ReceiverDriver &driver, const QStringList &rates, StatusLabels &status, ScanTree &tree,
             RunToken &run)
{
    driver.SetScanLocal(status, tree, run.Run);
    const bool all = TestPass(driver, rates, status, tree, run, false);
    if (!all && run.Run)
        TestPass(driver, rates, status, tree, run, true);
    status.runEnded(run.Run);
}

void RunRescan(ReceiverDriver &driver, const QStringList &rates, StatusLabels &status,
               ScanTree &tree, RunToken &run)
{
    TestPass(driver, rates, status, tree, run, true);
    status.runEnded(run.Run);
}
