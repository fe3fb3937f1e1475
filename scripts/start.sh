#!/usr/bin/env bash
# Sets everything up and starts the KOLVEX7 receiver simulator with the demo satellite, in a
# configuration folder of its own (an operator's real settings and ports are never touched).
set -euo pipefail
KOLVEX7_ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
source "$KOLVEX7_ROOT/scripts/setup.sh"
kolvex7_setup "$KOLVEX7_ROOT/build" -DCMAKE_BUILD_TYPE=RelWithDebInfo

PORT=1
export XDG_CONFIG_HOME="$KOLVEX7_ROOT/build/demo-config"
mkdir -p "$XDG_CONFIG_HOME"
echo "Starting the receiver simulator as port $PORT (address 129, 115200 baud, band Ku)."
echo "Port link: $XDG_CONFIG_HOME/Halvorn Software/ports/com$PORT"
echo "Use XDG_CONFIG_HOME=$XDG_CONFIG_HOME to reach it. Stop it with Ctrl-C."
exec "$KOLVEX7_ROOT/build/bin/kolvex7-sim" \
    --satellite "$KOLVEX7_ROOT/build/bin/sim/demo-ku.sat" --port "$PORT" \
    --log "$KOLVEX7_ROOT/build/demo-sim.log"
