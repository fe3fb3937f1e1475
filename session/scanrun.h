#pragma once

#include <QStringList>

#include <functional>

class ReceiverDriver;
class ScanTree;
class StatusLabels;

// The symbol rates a scan tests unless told otherwise (kS/s), as the scan window ticks them.
QStringList DefaultScanRates();

// One pass of tests at each rate in turn (kS/s, as text) until every transponder of the tree is
// identified; true when all are. With watchRun the pass leaves off as soon as Run is cleared;
// without, it relies on each test returning at once then.
bool TestPass(ReceiverDriver &driver, const QStringList &rates, StatusLabels &status,
              ScanTree &tree, bool &Run, bool rescan, bool watchRun);

// A whole scan into an empty tree: the sweeps of both polarisations, a pass of tests, and, for
// what is still unidentified and only while goOn() allows, a pass with rescans.
void RunScan(ReceiverDriver &driver, const QStringList &rates, StatusLabels &status, ScanTree &tree,
             bool &Run, const std::function<bool()> &goOn);
