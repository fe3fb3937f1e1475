#!/usr/bin/env bash
# Every command's JSON against the README's list of keys: each key a command writes is listed
# there, and each listed key is written by some command.
#   jsonkeys.sh BIN_DIR README
set -euo pipefail
bin="$1"
readme="$2"
source "$(dirname "$0")/lib.sh"

one_satellite "$work/one.sat"
echo 'tp;11500000;H;22000;-45.0;8.0;Demo Three' >> "$work/one.sat"
# The scan (half a minute: a rate without a lock is tried 16 s) on a receiver of its own, in a
# folder of its own, while the other commands run.
for p in 51 52; do
    "$bin/kolvex7-sim" --port $p --satellite "$work/one.sat" > "$work/sim$p.out" 2>&1 &
    pids+=($!)
    wait_for 10 grep -q ready "$work/sim$p.out" || fail "the simulator on $p did not start"
    mkdir -p "$work/prog$p/data"
    cp "$bin/kolvex7-ctl" "$work/prog$p/"
done
# Listed: one found at its rate, one found but at another rate than listed; and a bad list file.
printf '11034000;V;27500;\r\n11500000;H;27500;\r\n' > "$work/prog52/data/13.00E.csv"
printf '11034000;V;27500;\r\n' > "$work/prog51/data/13.00E.csv"
printf 'abc;H;27500;\r\n' > "$work/prog51/data/19.20E.csv"
plan="$work/Demo-13.0E"
printf '[CHANNEL]\n\tDELIVERY_SYSTEM = DVBS\n\tFREQUENCY = 11034000\n\tPOLARIZATION = VERTICAL\n\tSYMBOL_RATE = 27500000\n' > "$plan"

json() { # json ARGS...: one more command's JSON lines into all.json, whatever its status
    timeout 120 "$work/prog51/kolvex7-ctl" --port 51 --json "$@" >> "$work/all.json" 2>> "$work/all.err" || true
}
interrupted() { # interrupted SECONDS ARGS...: a command that runs until Ctrl+C
    local seconds="$1"; shift
    "$work/prog51/kolvex7-ctl" --port 51 --json "$@" >> "$work/all.json" 2>> "$work/all.err" &
    local p=$!
    sleep "$seconds"; kill -INT "$p"; wait "$p" || true
}
timeout 120 "$work/prog52/kolvex7-ctl" --port 52 --json --band Ku scan 13.00E --rates 27500 \
    --save --force > "$work/scan.json" 2> "$work/scan.err" &
scan=$!
json config
json config --port 51 --test
json status
json tune 11034000 V 27500 --service 1
json services
json service 1
json query Tfrq
json set Tfrq 11034000
json catalogue
json codes --from Zzzy
json lists
json import "$plan" --force
json export 13.00E
json survey
json tune 10892000 H 22000 # no lock: error and error_kind
interrupted 3 watch --interval 1
interrupted 1 signal --interval 0.2
wait "$scan" || fail "the scan failed: $(cat "$work/scan.err")"
cat "$work/scan.json" >> "$work/all.json"

python3 - "$work/all.json" "$readme" <<'PY'
import json, re, sys
written = set()
def walk(value):
    if isinstance(value, dict):
        for k, v in value.items():
            written.add(k)
            walk(v)
    elif isinstance(value, list):
        for v in value:
            walk(v)
for n, line in enumerate(open(sys.argv[1]), 1):
    try:
        walk(json.loads(line))
    except ValueError:
        sys.exit(f"FAIL: line {n} of the JSON output is no JSON: {line!r}")
text = open(sys.argv[2]).read()
section = text.split("### JSON keys", 1)[1].split("\n#", 1)[0]
listed = set()
for first in re.findall(r"^\| ([^|]*) \|", section, re.M):
    listed |= set(re.findall(r"`([a-z_0-9]+)`", first))
if written - listed:
    sys.exit("FAIL: written but not in the README's list: " + ", ".join(sorted(written - listed)))
if listed - written:
    sys.exit("FAIL: in the README's list but written by no command: " + ", ".join(sorted(listed - written)))
print(f"{len(written)} keys, each in the README's list")
PY
