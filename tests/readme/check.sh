#!/usr/bin/env bash
# The README's shell examples, run as written: each block is cut from the README itself, so a
# change there is what runs here, in a home of its own with the built programs first on the
# PATH and kolvex7-sim where the example needs a receiver. Not run here: the two commands of
# the contract (CI runs the test command; the start command opens a window), the installation,
# which needs root (the package test builds and unpacks the package), and enabling the
# service, which needs systemd running the machine (the package test verifies the unit).
#   check.sh BIN_DIR README
set -euo pipefail
bin="$1"
readme="$2"
source "$(dirname "$0")/../racks/lib.sh"
export HOME="$work/home"
mkdir -p "$HOME"
unset XDG_CONFIG_HOME
ports="$HOME/.config/Halvorn Software/ports"
export PATH="$bin:$PATH"

# The shell block whose first line holds $1, as the README writes it.
block() { awk -v key="$1" '/^```sh$/ {inside = 1; text = ""; next}
    /^```$/ && inside {inside = 0; if (index(text, key)) {printf "%s", text; found = 1; exit}}
    inside {text = text $0 "\n"} END {exit !found}' "$readme"; }
for key in ./scripts/start.sh ./scripts/test.sh "cmake -S . -B build-release" \
           "kolvex7-sim --satellite /usr/share" "*/5 * * * *" "ln -s /dev/ttyUSB0" \
           "echo rfc2217://rack2:7001" "kolvex7-ctl watch 3@129" "systemctl enable --now"; do
    block "$key" > /dev/null || fail "no README block with: $key"
done
[ "$(grep -c '^```sh$' "$readme")" -eq 9 ] || fail "a README shell block this test does not know"

# A fresh account: the port folders are made by the examples themselves.
block "ln -s /dev/ttyUSB0" | bash -e
[ "$(readlink "$ports/com5")" = /dev/ttyUSB0 ] || fail "com5 is no link to /dev/ttyUSB0"
block "echo rfc2217://rack2:7001" | bash -e
[ "$(cat "$ports/com7")" = rfc2217://rack2:7001 ] || fail "com7 does not map to rack2"

# Receivers 129 and 130 as port 3.
kolvex7-sim --port 3 --address 129,130 --satellite "$(dirname "$readme")/sim/data/demo-ku.sat" \
    > "$work/sim.out" 2>&1 &
pids+=($!)
wait_for 10 grep -q ready "$work/sim.out" || fail "the simulator did not start"

# The cron job's command, as cron runs it (/bin/sh), on a receiver that lost its lock.
ctl 6 --port 3 --band Ku tune 10892000 H 22000
[ "$(block "*/5 * * * *" | wc -l)" -eq 1 ] || fail "cron takes a job on one line, with no continuation"
job=$(block "*/5 * * * *" | sed 's/^\([^ ]* \)\{5\}//')
sh -c "$job" || fail "the cron job failed"
ctl 0 --port 3 --json status
expect '"frequency":10892000' ctl.out
expect '"locked":true' ctl.out

# The watch: both receivers sampled, the server that is not there told, until stopped.
status=0
timeout 5 bash -c "$(block "kolvex7-ctl watch 3@129")" > "$work/watch.out" 2> "$work/watch.err" ||
    status=$?
[ "$status" -eq 124 ] || fail "the watch ended by itself ($status): $(cat "$work/watch.err")"
expect "address 129" watch.out
expect "address 130" watch.out
expect "rack2" watch.err
echo "readme: every example run"
