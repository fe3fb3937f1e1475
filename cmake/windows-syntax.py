#!/usr/bin/env python3
"""Compiles, syntax only, every source file that a Windows build compiles, with MinGW-w64
against the Qt headers of this machine and the project's own flags, so that the code under
Q_OS_WIN is at least compiled.

    windows-syntax.py BUILD_DIR

The files are those of BUILD_DIR/compile_commands.json less the Linux-only ones (those built
with KOLVEX7_LINUX_ONLY); the descriptor serial path is left out of the flags, as a Windows
build has only the portable one. Prints one line per file left out with its reason, then the
files that failed with the compiler's words; exits 1 when any did."""

import concurrent.futures
import json
import os
import shlex
import subprocess
import sys

COMPILER = "x86_64-w64-mingw32-g++"

# Files that a Windows build does not compile, with the reason.
LEFT_OUT = {
    "tests/platform/posixprobe.cpp": "the guard's probe, which must fail to build anywhere",
    "platform/networkserialport.cpp": "gensio's network ports: a Windows build reaches a serial "
    "server through the server's own virtual COM port driver",
}
# Flags of this build that a Windows build has not.
NOT_ON_WINDOWS = {"-DKOLVEX7_DESCRIPTOR_IO", "-DKOLVEX7_LINUX_ONLY", "-DKOLVEX7_NETWORK_PORTS"}


def windows_command(entry):
    args = entry.get("arguments") or shlex.split(entry["command"])
    out = [COMPILER, "-fsyntax-only", "-std=c++17", "-Wno-attributes"]
    i = 1
    while i < len(args):
        a = args[i]
        if a in ("-I", "-isystem", "-D", "-include"):
            out += [a, args[i + 1]]
            i += 2
            continue
        if a.startswith(("-I", "-isystem", "-D", "-include")) and a not in NOT_ON_WINDOWS:
            out.append(a)
        i += 1
    return out + [entry["file"]]


def check(entry):
    r = subprocess.run(windows_command(entry), cwd=entry["directory"], capture_output=True,
                       text=True)
    return entry["file"], r.returncode, r.stderr


def main():
    build = os.path.abspath(sys.argv[1])
    source = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
    with open(os.path.join(build, "compile_commands.json")) as f:
        entries = json.load(f)
    todo, seen = [], set()
    for e in entries:
        path = os.path.relpath(e["file"], source)
        command = " ".join(e.get("arguments") or [e["command"]])
        if e["file"] in seen:
            continue
        seen.add(e["file"])
        if path in LEFT_OUT:
            print(f"left out: {path}: {LEFT_OUT[path]}")
        elif "posix_guard_probe_autogen" in path.split(os.sep):
            # Generated only when the guard's test builds its probe, which may be later.
            print(f"left out: {path}: {LEFT_OUT['tests/platform/posixprobe.cpp']}")
        elif "KOLVEX7_LINUX_ONLY" in command:
            print(f"left out: {path}: Linux only")
        else:
            todo.append(e)
    with concurrent.futures.ThreadPoolExecutor(max_workers=2) as pool:
        results = list(pool.map(check, todo))
    failed = [(f, err) for f, rc, err in results if rc != 0]
    for f, err in failed:
        print(f"FAILED: {os.path.relpath(f, source)}\n{err}")
    print(f"{len(todo) - len(failed)} of {len(todo)} files compile for Windows")
    return 1 if failed or not todo else 0


if __name__ == "__main__":
    sys.exit(main())
