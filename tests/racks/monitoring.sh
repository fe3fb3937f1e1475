#!/usr/bin/env bash
# Monitoring against the real parts: kolvex7-ctl watch over two receivers on one line of
# kolvex7-sim (and an address nobody answers), its metrics checked by promtool and scraped
# by a real Prometheus, read back through Prometheus's query API.
#   monitoring.sh BIN_DIR DEMO_SATELLITE
set -euo pipefail
bin="$1"
source "$(dirname "$0")/lib.sh"

# The receivers have a second port (42): the operator's, to tune one of them away while the
# watch holds the first.
start_sim() { # replies 20 ms late: a receiver is slower than the simulator
    "$bin/kolvex7-sim" --port 41,42 --address 129,130 --latency 20 --satellite "$1" \
        > "$work/sim.out" 2>&1 &
    sim=$!
    pids+=($sim)
    wait_for 10 grep -q ready "$work/sim.out" || fail "the simulator did not start"
}
start_sim "$2"

for bad in "watch 41@256" "watch x@129" "watch 0" "watch 41 --interval 0" "watch 41 --interval 86401" \
           "watch 41 --listen 9917" "watch 41 --listen localhost:9917" "watch 41 --listen 127.0.0.1:0" \
           "watch 41 --listen 127.0.0.1:65536"; do
    ctl 2 $bad
done
# A receiver given twice, under two spellings of its port, is refused.
ctl 2 watch 41@129 041@129
expect "041@129 names the receiver at 41@129 again" ctl.err

# The metrics file is written only over a regular file or nothing: a device, a FIFO or a folder
# is refused before the watch starts, and never replaced.
mkfifo "$work/fifo.prom"
for target in /dev/full "$work/fifo.prom" "$work"; do
    ctl 2 watch 41 --textfile "$target"
    expect "--textfile $target is no regular file" ctl.err
done
[ -p "$work/fifo.prom" ] || fail "the FIFO was replaced"
# One that cannot be written (its folder is gone) is said once, not every round.
timeout 4 "$bin/kolvex7-ctl" watch 41@129 --interval 1 --textfile "$work/gone/kolvex7.prom" \
    > "$work/gone.out" 2> "$work/gone.err" || true
[ "$(grep -c 'not written' "$work/gone.err")" = 1 ] || fail "not said once: $(cat "$work/gone.err")"
[ "$(grep -c 'address' "$work/gone.out")" -ge 2 ] || fail "fewer than two rounds: $(cat "$work/gone.out")"

metrics=$(free_port); web=$(free_port)
"$bin/kolvex7-ctl" --json watch 41@129 41@130 041@131 --interval 1 \
    --listen "127.0.0.1:$metrics" --textfile "$work/kolvex7.prom" > "$work/watch.out" 2> "$work/watch.err" &
watch=$!
pids+=($watch)
wait_for 15 grep -q '"address":131' "$work/watch.out" || fail "the watch did not sample"
curl -sf "http://127.0.0.1:$metrics/metrics" > "$work/metrics.txt" || fail "no /metrics"
# promtool finds nothing to say of either: no error, and no lint (units, counters' _total).
for page in metrics.txt kolvex7.prom; do
    said=$(promtool check metrics < "$work/$page" 2>&1) && [ -z "$said" ] ||
        fail "promtool on $page: $said"
done
expect 'kolvex7_up{port="41",address="131"} 0' metrics.txt
expect 'kolvex7_margin_db{port="41",address="129"} 10' metrics.txt
expect 'kolvex7_frequency_hertz{port="41",address="129"} 11034000000' metrics.txt
expect 'kolvex7_symbol_rate_baud{port="41",address="129"} 27500000' metrics.txt
expect 'kolvex7_tuning_info{port="41",address="129",polarisation="V",service="1"} 1' metrics.txt
expect 'kolvex7_build_info{version="' metrics.txt
grep -qE '^kolvex7_polls_unanswered_total\{port="41",address="131"\} [1-9]' "$work/metrics.txt" &&
    grep -qE '^kolvex7_exchanges_timed_out_total\{port="41",address="131"\} [2-9]' "$work/metrics.txt" &&
    grep -q '^kolvex7_polls_unanswered_total{port="41",address="129"} 0$' "$work/metrics.txt" ||
    fail "the counters of 131's silence"
! grep -q 'kolvex7_last_answer_timestamp_seconds{port="41",address="131"}' "$work/metrics.txt" ||
    fail "a last answer of a receiver that never answered"
! grep -q 'kolvex7_locked{port="41",address="131"}' "$work/metrics.txt" || fail "readings of 131"
expect '{"address":131,"port":"41","time":' watch.out
# A scrape answers from the last samples at once, though each poll of the silent 131 holds the
# line two seconds, and though a client never finishes its request; other requests get their
# status.
exec 5<> "/dev/tcp/127.0.0.1/$metrics"
printf 'GET /metrics HTTP/1.1\r\nHost: slow\r\n' >&5
for _ in $(seq 12); do
    took=$(curl -sf -o /dev/null -w '%{time_total}' "http://127.0.0.1:$metrics/metrics") ||
        fail "a scrape failed"
    awk -v t="$took" 'BEGIN { exit !(t < 1) }' || fail "a scrape waited $took s for a poll"
    sleep 0.25
done
exec 5>&-
# The text file is replaced whole each round (a new file renamed over the old: a new inode),
# never rewritten in place, so node_exporter never reads half of it.
inode=$(stat -c %i "$work/kolvex7.prom")
replaced() { [ "$(stat -c %i "$work/kolvex7.prom")" != "$inode" ]; }
wait_for 5 replaced || fail "the text file was rewritten in place"
[ "$(curl -s -o /dev/null -w '%{http_code}' -X POST "http://127.0.0.1:$metrics/metrics")" = 405 ] ||
    fail "a POST was not refused"
[ "$(curl -s -o /dev/null -w '%{http_code}' "http://127.0.0.1:$metrics/other")" = 404 ] ||
    fail "another path was served"
# Garbage and a request with a huge header neither end the watch nor stop it serving.
python3 - "$metrics" <<'PY'
import socket, sys
for request in (b"\x00\xffGARBAGE\r\n\r\n", b"GET /metrics HTTP/1.1\r\nX: " + b"a" * 1000000 + b"\r\n\r\n"):
    s = socket.create_connection(("127.0.0.1", int(sys.argv[1])))
    try:
        s.sendall(request)
        s.settimeout(5)
        s.recv(100)
    except OSError:
        pass
    s.close()
PY
curl -sf -o /dev/null "http://127.0.0.1:$metrics/metrics" || fail "no scrape after bad requests"
kill -0 "$watch" || fail "the watch ended on bad requests"
# 131 never answered: each sample says so, and it is never told as having stopped.
! grep -q 'stopped answering' "$work/watch.err" || fail "131 told as stopped"

rules="$(cd "$(dirname "$0")/../.." && pwd)/packaging/prometheus/kolvex7.rules.yml"
cat > "$work/prometheus.yml" <<YAML
global:
  scrape_interval: 1s
  evaluation_interval: 1s
rule_files:
  - $rules
scrape_configs:
  - job_name: kolvex7
    static_configs:
      - targets: ['127.0.0.1:$metrics']
YAML
promtool check config "$work/prometheus.yml" > /dev/null || fail "the scrape configuration"
prometheus --config.file="$work/prometheus.yml" --storage.tsdb.path="$work/tsdb" \
    --web.listen-address="127.0.0.1:$web" > "$work/prometheus.log" 2>&1 &
pids+=($!)
value() { # value QUERY: the single value Prometheus has for it now, or nothing
    curl -sfG "http://127.0.0.1:$web/api/v1/query" --data-urlencode "query=$1" |
        python3 -c 'import json,sys; r=json.load(sys.stdin)["data"]["result"]; print(r[0]["value"][1] if len(r)==1 else "")'
}
is() { [ "$(value "$1")" = "$2" ]; }
wait_for 30 is 'kolvex7_locked{address="129"}' 1 || fail "no lock scraped: $(value 'kolvex7_locked')"
is 'kolvex7_margin_db{address="129"}' 10 || fail "margin: $(value 'kolvex7_margin_db{address="129"}')"
is 'kolvex7_up{address="131"}' 0 || fail "address 131 reported up"

# The operator tunes 129 away to an empty frequency: its lock is lost, 130's is not.
ctl 6 --port 42 --address 129 --band Ku tune 10800000 H 27500
wait_for 20 is 'kolvex7_locked{address="129"}' 0 || fail "the lost lock never reached Prometheus"
is 'kolvex7_locked{address="130"}' 1 || fail "130 lost its lock as well"
is 'kolvex7_margin_db{address="129"}' "" || fail "a margin without a lock"
# The shipped rules, loaded by Prometheus and evaluated on these series: the lost lock is a
# pending Kolvex7NoLock (it fires after 2 minutes); 131, never up, is no Kolvex7ReceiverDown.
alerts() { curl -sf "http://127.0.0.1:$web/api/v1/alerts" | python3 -c 'import json,sys
for a in json.load(sys.stdin)["data"]["alerts"]:
    print(a["labels"]["alertname"], a["labels"].get("address", ""), a["state"])'; }
wait_for 10 eval 'alerts | grep -qx "Kolvex7NoLock 129 pending"' ||
    fail "the lost lock is no pending alert: $(alerts)"
! alerts | grep -q "Kolvex7ReceiverDown 131" || fail "a receiver never up raised an alert"
[ "$(curl -sf "http://127.0.0.1:$web/api/v1/rules" | grep -o '"health":"ok"' | wc -l)" -eq 5 ] ||
    fail "the rules are not all loaded and healthy"
grep -q '"address":129,.*"locked":false' "$work/watch.out" || fail "no JSON line of the lost lock"

! grep -q "answers again" "$work/watch.err" || fail "a first answer told as an answer again"

# The receivers go away (the simulator ends, its terminal with it): told once each, the watch
# goes on asking.
kill "$sim"
wait_for 10 grep -q "address 130 on port 41 stopped answering" "$work/watch.err" ||
    fail "the silence was not told"
served() { curl -sf "http://127.0.0.1:$metrics/metrics" | grep -qF "$1"; }
wait_for 10 served 'kolvex7_up{port="41",address="129"} 0' || fail "up after the simulator ended"
sleep 2
kill -0 "$watch" || fail "the watch ended with its receivers"
start_sim "$2"
wait_for 10 grep -q "address 130 on port 41 answers again" "$work/watch.err" ||
    fail "the receivers back were not found again"

# SIGTERM (a service stopped) ends the watch at once, cleanly, as Ctrl+C does.
kill -TERM "$watch"
SECONDS=0; status=0; wait "$watch" || status=$?
[ "$status" -eq 0 ] || fail "the watch ended with $status after SIGTERM"
[ $SECONDS -lt 3 ] || fail "the watch took ${SECONDS} s to end"
echo "monitoring: all checks passed"
