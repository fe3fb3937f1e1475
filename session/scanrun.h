#pragma once

#include <QStringList>

class ReceiverDriver;
class RunToken;
class ScanTree;
class StatusLabels;

// The symbol rates a scan tests unless told otherwise (kS/s), as the scan window ticks them.
QStringList DefaultScanRates();

// One pass of tests at each rate in turn (kS/s, as text) until every transponder of the tree is
// identified; true when all are. The pass leaves off once the run's Run is cleared.
bool TestPass(ReceiverDriver &driver, const QStringList &rates, StatusLabels &status,
              ScanTree &tree, RunToken &run, bool rescan);

// A whole scan into an empty tree: the sweeps of both polarisations, a pass of tests, and, for
// what is still unidentified while the run goes on, a pass with rescans.
void RunScan(ReceiverDriver &driver, const QStringList &rates, StatusLabels &status, ScanTree &tree,
             RunToken &run);

// A rescan: one pass with rescans over what is still unidentified.
void RunRescan(ReceiverDriver &driver, const QStringList &rates, StatusLabels &status,
               ScanTree &tree, RunToken &run);
