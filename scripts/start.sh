#!/usr/bin/env bash
# Sets everything up and starts the tool against the receiver simulator with the demo
# satellite, in a configuration folder of its own (build/demo-config), so an operator's real
# settings and ports are never touched. Closing the tool stops the simulator.
set -euo pipefail
KOLVEX7_ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
source "$KOLVEX7_ROOT/scripts/setup.sh"
# The programs only: the tests are the test command's business.
KOLVEX7_TARGETS="kolvex7 kolvex7-sim kolvex7-ctl" \
    kolvex7_setup "$KOLVEX7_ROOT/build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKOLVEX7_TESTS=OFF

PORT=1
BIN="$KOLVEX7_ROOT/build/bin"
export XDG_CONFIG_HOME="$KOLVEX7_ROOT/build/demo-config"
store="$XDG_CONFIG_HOME/Halvorn Software"
mkdir -p "$store"

# The demo's link: the simulator's port, 115200 baud, address 129, band Ku. The LNB type and
# input stay as the operator last configured them.
keep=$(grep -E '^(LNB_Type|LNB_Input)=' "$store/KOLVEX7.ini" 2>/dev/null || true)
printf '[General]\nPort=%s\nSpeed=115200\nAddress=129\nLNB_BandL=1\n%s\n' "$PORT" "$keep" \
    > "$store/KOLVEX7.ini"

# The demo satellite's transponder list, in the tool's DataFolder beside the program.
mkdir -p "$BIN/data"
[ -f "$BIN/data/13.00E.csv" ] || cp "$KOLVEX7_ROOT/sim/data/13.00E.csv" "$BIN/data/"

ready="$KOLVEX7_ROOT/build/demo-sim.out"
"$BIN/kolvex7-sim" --satellite "$BIN/sim/demo-ku.sat" --port "$PORT" \
    --log "$KOLVEX7_ROOT/build/demo-sim.log" > "$ready" &
sim=$!
trap 'kill $sim 2>/dev/null || true; wait $sim 2>/dev/null || true' EXIT
for _ in $(seq 50); do
    grep -q ready "$ready" 2>/dev/null && break
    sleep 0.1
done
grep -q ready "$ready" || { echo "The simulator did not start." >&2; exit 1; }
echo "Simulator on port $PORT; what crosses the line is logged in build/demo-sim.log."

if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ] && [ -z "${QT_QPA_PLATFORM:-}" ]; then
    echo "No display: run this command from a desktop session, or under xvfb-run." >&2
    exit 1
fi
"$BIN/kolvex7"
