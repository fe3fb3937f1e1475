#pragma once

#include "session/scanorder.h"

#include <QStringList>

class Protocol_MsSl;
class RunToken;
class ScanTree;
class ScanEventsFanOut;

// The symbol rates a scan tests unless told otherwise (kS/s), as the scan window ticks them.
QStringList DefaultScanRates();

// One pass of tests over the carriers of the tree not yet identified, each at its rates in the
// order given, a rate at a time over them all, until every transponder of the tree is
// identified; true when all are. The pass leaves off once the run's Run is cleared.
bool TestPass(Protocol_MsSl &driver, const QStringList &rates, const ScanOrder &order,
              ScanEventsFanOut &events, ScanTree &tree, RunToken &run, bool rescan);

// A whole scan into an empty tree: the sweeps of both polarisations, a pass of tests, a try of
// each listed transponder no carrier stood for, and, for what is still unidentified while the
// run goes on, a pass with rescans.
void RunScan(Protocol_MsSl &driver, const QStringList &rates, ScanEventsFanOut &events,
             ScanTree &tree, RunToken &run, const ScanGuide &guide = {});

// A rescan: one pass with rescans over what is still unidentified.
void RunRescan(Protocol_MsSl &driver, const QStringList &rates, ScanEventsFanOut &events,
               ScanTree &tree, RunToken &run, const ScanGuide &guide = {});
