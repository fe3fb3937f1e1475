#!/usr/bin/env bash
# Receivers in racks, against the real parts a site puts beside the tool: kolvex7-sim on a
# pseudo-terminal behind Debian's ser2net (raw TCP and RFC 2217), reached by kolvex7-ctl.
#   check.sh BIN_DIR
set -euo pipefail
bin="$1"
source "$(dirname "$0")/lib.sh"

one_satellite "$work/one.sat"
"$bin/kolvex7-sim" --port 31 --satellite "$work/one.sat" --log "$work/sim.log" > "$work/sim.out" 2>&1 &
pids+=($!)
wait_for 10 grep -q ready "$work/sim.out" || fail "the simulator did not start"
pts="$(readlink "$ports/com31")"

# Ctrl+C during a tune is acknowledged at once, and no progress line follows it.
"$bin/kolvex7-ctl" --port 31 --band Ku tune 10892000 H 27500 > "$work/int.out" 2> "$work/int.err" &
tuning=$!
wait_for 10 grep -q "wait setup" "$work/int.err" || fail "the tune did not start"
kill -INT "$tuning"
status=0; wait "$tuning" || status=$?
[ "$status" -eq 1 ] || fail "a tune stopped by Ctrl+C exited $status, not 1"
sed -n '/stopping: setting the receiver back/,$p' "$work/int.err" > "$work/after.err"
[ "$(wc -l < "$work/after.err")" -eq 2 ] && grep -q "^kolvex7-ctl: stopped: " "$work/after.err" ||
    fail "Ctrl+C not acknowledged alone: $(cat "$work/int.err")"

# The signal meter against a noisy, slow receiver: each reading within the noise of the true
# margin, four replies' latency each, Ctrl+C ends it with exit 0 and the best values read.
"$bin/kolvex7-sim" --port 37 --satellite "$work/one.sat" --noise 2 --latency 25 \
    > "$work/sim37.out" 2>&1 &
pids+=($!)
wait_for 10 grep -q ready "$work/sim37.out" || fail "the noisy simulator did not start"
ctl 0 --port 37 --band Ku tune 11034000 V 27500
"$bin/kolvex7-ctl" --port 37 --json signal --tone > "$work/signal.out" 2> "$work/signal.err" &
meter=$!
sleep 2; kill -INT "$meter"
status=0; wait "$meter" || status=$?
[ "$status" -eq 0 ] || fail "signal ended by Ctrl+C exited $status, not 0"
python3 - "$work/signal.out" <<'PY' || fail "signal's readings: $(cat "$work/signal.out")"
import json, sys
lines = [json.loads(l) for l in open(sys.argv[1])]
readings, result = lines[:-1], lines[-1]
margins = [r["margin_db"] for r in readings]
assert all(r["up"] and r["locked"] and r["quality"] == 80 for r in readings), "not all locked"
assert all(7.95 <= m <= 12.05 for m in margins), f"outside 10 dB +- 2: {margins}"
assert len(set(margins)) > 1, "no noise seen"
assert 5 <= len(readings) <= 21, f"{len(readings)} readings in 2 s at 4 x 25 ms each"
assert result["status"] == 0 and result["readings"] == len(readings)
assert result["best_margin_db"] == max(margins) and result["ever_locked"]
PY
grep -q $'\a' "$work/signal.err" || fail "no bell stood for the tone without an audio device"
"$bin/kolvex7-ctl" --port 37 signal --interval 0.3 > "$work/signal.out" 2>&1 &
meter=$!
sleep 1; kill -INT "$meter"; wait "$meter"
expect "best_margin_db: " signal.out
grep -qE '^locked  margin +[0-9.]+ dB \[#+-*\] level +-[0-9.]+ dBm quality +80 best' "$work/signal.out" ||
    fail "no reading line with its bar: $(cat "$work/signal.out")"
for bad in "--interval -1" "--interval 1e3" "--interval 3601" "--listen 127.0.0.1:1"; do
    ctl 2 --port 37 signal $bad
done
ctl 2 --port 37 status --tone
# The longest interval is taken; a receiver that never answered ends with exit 4, no reading.
"$bin/kolvex7-ctl" --port 37 signal --interval 3600 > "$work/signal.out" 2>&1 &
meter=$!
sleep 0.5; kill -INT "$meter"; wait "$meter" || fail "signal --interval 3600 was refused"
"$bin/kolvex7-sim" --port 38 --satellite "$work/one.sat" --silent > "$work/sim38.out" 2>&1 &
pids+=($!)
wait_for 10 grep -q ready "$work/sim38.out" || fail "the silent simulator did not start"
"$bin/kolvex7-ctl" --port 38 --json signal > "$work/signal.out" 2> "$work/signal.err" &
meter=$!
sleep 2.5; kill -INT "$meter"
status=0; wait "$meter" || status=$?
[ "$status" -eq 4 ] || fail "signal of a silent receiver exited $status, not 4"
expect '"readings":0' signal.out
expect '{"time":' signal.out
expect '"up":false' signal.out

# A simulator killed leaves its link, whose terminal number another program then gets: the tool
# says so rather than talk to that terminal, and a new simulator on the port takes it over.
"$bin/kolvex7-sim" --port 35 --satellite "$work/one.sat" > "$work/sim35.out" 2>&1 &
killed=$!
wait_for 10 grep -q ready "$work/sim35.out" || fail "the second simulator did not start"
kill -9 "$killed"; wait "$killed" 2> /dev/null || true
python3 -c 'import pty,time; pty.openpty(); time.sleep(60)' &
pids+=($!)
sleep 0.3
ctl 3 --port 35 status
expect "left by a simulator that has ended" ctl.err
"$bin/kolvex7-sim" --port 35 --satellite "$work/one.sat" > "$work/sim35.out" 2>&1 &
pids+=($!)
wait_for 10 grep -q ready "$work/sim35.out" || fail "the dead simulator's port was not taken over"
ctl 0 --port 35 query Tfrq

# Another program's lock on the device is respected in each form serial programs write; a lock
# whose process has ended is taken over.
lock="/run/lock/LCK..$(echo "${pts#/dev/}" | tr / _)"
sleep 600 & holder=$!
pids+=($holder)
text_lock() { printf '%10d\n' "$holder"; }          # minicom, picocom, uucp
qt_lock() { printf '%d\nminicom\nhost\n' "$holder"; } # Qt's programs
binary_lock() { python3 -c "import struct,sys;sys.stdout.buffer.write(struct.pack('<i',$holder))"; }
for form in text_lock qt_lock binary_lock; do
    $form > "$lock"
    ctl 3 --port 31 status
    expect "is in use by sleep (process $holder, by its lock" ctl.err
    [ -e "$lock" ] || fail "a living program's lock was removed ($form)"
done
kill "$holder"; wait "$holder" 2> /dev/null || true
ctl 0 --port 31 query Tfrq
# While the tool holds the terminal, a second opener is refused (TIOCEXCL). Root passes that
# mode by right, so the second opener is another user where the tests run as root.
"$bin/kolvex7-ctl" --port 31 watch --interval 1 > "$work/excl.out" 2>&1 &
excl=$!
pids+=($excl)
wait_for 10 grep -q "address 129" "$work/excl.out" || fail "the watch did not sample"
as_other=()
[ "$(id -u)" -ne 0 ] || { chmod o+rw "$pts"; as_other=(setpriv --reuid=nobody --regid=nogroup --clear-groups); }
"${as_other[@]}" bash -c 'exec 3<> "$1"' _ "$pts" 2> "$work/excl.err" && fail "a second opener got the port"
expect "Device or resource busy" excl.err
kill "$excl"; wait "$excl" 2> /dev/null || true

raw=$(free_port); rfc=$(free_port)
start_ser2net() {
    cat > "$work/ser2net.yaml" <<YAML
%YAML 1.1
---
connection: &raw
  accepter: tcp,127.0.0.1,$raw
  connector: serialdev,$pts,115200n81,local
  options:
    chardelay: false
connection: &rfc
  accepter: telnet(rfc2217),tcp,127.0.0.1,$rfc
  connector: serialdev,$pts,115200n81,local
  options:
    chardelay: false
YAML
    ser2net -n -u -c "$work/ser2net.yaml" >> "$work/ser2net.log" 2>&1 &
    ser2net_pid=$!
    pids+=($ser2net_pid)
    wait_for 10 listening "$raw" && wait_for 10 listening "$rfc" || fail "ser2net did not listen"
}
start_ser2net

# A stored setting that is no whole number, a settings file that is no file, and no port
# stored: each told with the file, never read as a default.
ini="$XDG_CONFIG_HOME/Halvorn Software/KOLVEX7.ini"
: > "$ini"
ctl 3 status
expect "no port is configured (Port in $ini is not set)" ctl.err
for speed in abc 9600.5 1e5 0x1C200 99999999999999999999; do
    printf '[General]\nPort=31\nSpeed=%s\n' "$speed" > "$ini"
    ctl 2 status
    expect "the stored setting Speed=$speed in $ini is not a whole number" ctl.err
done
rm "$ini" && mkfifo "$ini"
ctl 2 status
expect "the settings file $ini is not a regular file" ctl.err
rm "$ini"

# Settings from a script, as kolvex7 stores them: a link test that fails stores nothing unless
# forced; a band change says the receiver must follow; a value out of range is refused.
ctl 4 config --port 31 --address 130 --test
[ ! -e "$ini" ] || fail "a failed link test stored the settings"
ctl 0 config --port 31 --band Ku --lnb-type wide --input B --test
expect "link_test: KOLVEX7 is OK" ctl.out
expect "set KOLVEX7 to the new band selection" ctl.err
for line in Port=31 Speed=115200 Address=129 LNB_Input=1 LNB_Type=1 LNB_BandL=1; do
    grep -qx "$line" "$ini" || fail "not stored: $line"
done
ctl 0 config --address 130 --test --force
grep -qx Address=130 "$ini" || fail "--force did not store"
for bad in "--address 256" "--input C" "--lnb-type dish" "--port tcp://127.0.0.1:1"; do
    ctl 2 config $bad
done
ctl 0 --json config
expect '"address":130,"band":"Ku","lnb_input":"B","lnb_type":"wide","port":31' ctl.out
rm "$ini"

# A port name on a folder or a pipe is told as what it is; a mapping file's control characters
# are shown escaped, never sent to the terminal.
mkdir "$ports/com40" && mkfifo "$ports/com41"
ctl 3 --port 40 status
expect "com40 is a folder, neither a link to a serial device nor a file naming" ctl.err
ctl 3 --port 41 status
expect "com41 is a pipe, a socket or a device node" ctl.err
printf 'tcp://x\033[31m\000red\n' > "$ports/com42"
ctl 3 --port 42 status
expect 'first line reads: tcp://x\x1b[31m\x00red does not' ctl.err
! grep -q $'\033' "$work/ctl.err" || fail "an escape character reached the terminal"

# An option a command does not take is refused, never ignored.
ctl 2 status --save --force --rates 1
expect "does not go with status (only with scan)" ctl.err
ctl 2 query Tfrq --band Ku
expect "--band does not go with query (only with tune, scan, config)" ctl.err

# A band refusal says where the band came from; nothing beyond the LNB's band is sent.
ctl 2 --band L tune 11034000 V 27500
expect "(the band is L as --band says: give --band Ku)" ctl.err
ctl 2 --band Ku tune 99999999 V 27500
expect "outside the Ku band, 10700000 to 12750000 kHz" ctl.err

# Raw TCP: the bytes pass through; ser2net keeps the line at its own settings.
ctl 0 --port "tcp://127.0.0.1:$raw" status
expect "locked: no" ctl.out
# An IPv4 address written as IPv6 is reached as itself; a link-local one is refused.
ctl 0 --port "tcp://[::ffff:127.0.0.1]:$raw" query Tfrq
ctl 2 --port "tcp://[fe80::1]:$raw" status
expect "names a link-local IPv6 address, which needs an interface" ctl.err
# RFC 2217: the speed asked for reaches the line, as the simulator sees it.
ctl 0 --port "rfc2217://127.0.0.1:$rfc" --speed 57600 --band Ku tune 11034000 V 27500
expect "001 Demo One" ctl.out
expect " line 57600,n,8,1" sim.log
ctl 0 --port "rfc2217://127.0.0.1:$rfc" --speed 19200 status
expect "locked: yes" ctl.out
expect " line 19200,n,8,1" sim.log
# A port number mapped to the server, as the window opens it.
echo "tcp://127.0.0.1:$raw" > "$ports/com32"
ctl 0 --port 32 query Tfrq
expect "11034000" ctl.out
# A whole scan through the raw port (of a position with no list stored: the demo's list of
# 13.00E would be tried too).
ctl 0 --port "tcp://127.0.0.1:$raw" --band Ku scan 14E --rates 27500
expect "11034000-V-27500 margin 10.0" ctl.out
# An RFC 2217 client on a raw port is told so; nothing listening is told so.
ctl 3 --port "rfc2217://127.0.0.1:$raw" status
expect "is it a raw TCP port?" ctl.err
ctl 3 --port "tcp://127.0.0.1:$(free_port)" status
expect "Nothing answers at tcp://127.0.0.1:" ctl.err
for bad in tcp://127.0.0.1 tcp://127.0.0.1:0 tcp://127.0.0.1:70000 tcp://127.0.0.1:7/x \
           tcp://u@127.0.0.1:7 "tcp://127.0.0.1:7?x" telnet://127.0.0.1:7; do
    ctl 2 --port "$bad" status
done
echo "ser2net:$raw" > "$ports/com33" # a mapping without a usable URL is told as such
ctl 3 --port 33 status
expect "whose first line reads: ser2net:$raw is no network serial port" ctl.err

# A device another connection holds: the server's own words reach the operator, and the
# connection it closes never ends the tool by SIGPIPE (status 141), whatever the moment.
"$bin/kolvex7-ctl" --port "tcp://127.0.0.1:$raw" watch --interval 1 > "$work/hold.out" 2>&1 &
holding=$!
pids+=($holding)
wait_for 10 grep -q "address 129" "$work/hold.out" || fail "the holding watch did not sample"
for try in 1 2 3; do
    ctl 3 --port "tcp://127.0.0.1:$raw" status
    expect 'the server said "Port already in use"' ctl.err
    # libgensio 2.6 leaves 24 bytes of a request pending when the server hangs up in the middle
    # of it; LeakSanitizer would turn that into exit 1.
    ASAN_OPTIONS=detect_leaks=0 ctl 3 --port "rfc2217://127.0.0.1:$rfc" status
    # Its words, or, when it closes before the connection is open, what that means.
    grep -qE "refused the port: \"Port's device already in use\"|the server refuses it, as it does when another connection holds its device" \
        "$work/ctl.err" || fail "no refusal told: $(cat "$work/ctl.err")"
done
kill "$holding"; wait "$holding" 2> /dev/null || true

# The server goes away during a tune: the port is lost, said so, exit 3, at once.
"$bin/kolvex7-ctl" --port "tcp://127.0.0.1:$raw" --band Ku --trace tune 10892000 H 27500 \
    > "$work/ctl.out" 2> "$work/ctl.err" &
tuning=$!
wait_for 10 grep -q "Tfrq=10892000" "$work/ctl.err" || fail "the tune did not start"
kill "$ser2net_pid"
status=0; SECONDS=0; wait "$tuning" || status=$?
[ "$status" -eq 3 ] || fail "a lost server during a tune exited $status, not 3"
[ $SECONDS -lt 5 ] || fail "a lost server took ${SECONDS} s to be noticed"
expect "port tcp://127.0.0.1:$raw was lost" ctl.err
echo "racks: all checks passed"
