#!/usr/bin/env bash
# Sets everything up and runs the whole test suite, built with AddressSanitizer and
# UndefinedBehaviorSanitizer.
set -euo pipefail
KOLVEX7_ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
source "$KOLVEX7_ROOT/scripts/setup.sh"
# The tests' own tools: MinGW-w64 compiles the Windows code for its syntax check; lintian and
# dpkg-shlibdeps check the package and compute its dependencies; ser2net and Prometheus are
# the network serial server and the monitoring that the rack tests run the tools against;
# dtv-scan-tables holds real positions' plans, which the reader, the simulator, the scan and the
# import are tested on; dvb-tools' dvb-format-convert reads the plans the export writes.
KOLVEX7_PACKAGES+=(python3 g++-mingw-w64-x86-64-win32 lintian dpkg-dev ser2net prometheus
                  dtv-scan-tables dvb-tools)
kolvex7_setup "$KOLVEX7_ROOT/build-asan" -DCMAKE_BUILD_TYPE=Debug -DKOLVEX7_SANITIZE=ON

export QT_QPA_PLATFORM=offscreen
export ASAN_OPTIONS="detect_leaks=1:abort_on_error=1"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
cd "$KOLVEX7_ROOT/build-asan"
# One test more than there are cores: many tests spend most of their time waiting on a simulator,
# a server or a receiver's prescribed waits, not computing (4 min instead of 5.7 on 2 cores).
ctest --output-on-failure --parallel "$(($(nproc) + 1))"
