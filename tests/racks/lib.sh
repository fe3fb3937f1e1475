# Shared by the rack tests: a work folder removed at exit with the processes started, and
# small waits. Sourced after `bin` is set.
work="$(mktemp -d)"
export XDG_CONFIG_HOME="$work/config"
ports="$XDG_CONFIG_HOME/Halvorn Software/ports"
pids=()
cleanup() {
    for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done
    wait 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT
fail() { echo "FAIL: $*"; for f in "$work"/*.log "$work"/*.err; do [ -f "$f" ] && { echo "== $f"; tail -20 "$f"; }; done; exit 1; }
free_port() { python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1",0)); print(s.getsockname()[1])'; }
wait_for() { # wait_for SECONDS COMMAND...: until the command succeeds
    local until=$((SECONDS + $1)); shift
    until "$@" 2>/dev/null; do [ $SECONDS -lt $until ] || return 1; sleep 0.1; done
}
listening() { (exec 3<>"/dev/tcp/127.0.0.1/$1") 2>/dev/null; }
ctl() { # ctl EXPECTED_STATUS ARGS...: output in $work/ctl.out and ctl.err
    local want="$1"; shift
    local got=0
    timeout 120 "$bin/kolvex7-ctl" "$@" > "$work/ctl.out" 2> "$work/ctl.err" || got=$?
    [ "$got" -eq "$want" ] || fail "kolvex7-ctl $* exited $got, not $want: $(cat "$work/ctl.err")"
}
expect() { grep -qF -- "$1" "$work/$2" || fail "no '$1' in $2: $(cat "$work/$2")"; }
# one_satellite FILE: a position with one transponder, so that a whole scan takes seconds.
one_satellite() {
    printf '%s\n' 'position;13.00E' 'band;Ku' 'start;10892000;H;27500' \
        'tp;11034000;V;27500;-43.5;10.0;Demo One|Demo Two' > "$1"
}
