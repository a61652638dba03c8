#!/usr/bin/env python3
"""The window soak: the demo cartridge runs in a real `virel` window on a
private Xvfb server while the built-in scripted user (VIREL_DRIVER=soak) sends
pad keys and commands for a while, then closes the window as a stop signal
does. Meant for the sanitizer build: the program must end with status 0 and
no sanitizer report, its resident memory must not grow after the first 30
seconds, and every file it wrote must be whole.

Usage: soak_test.py VIREL DEMO_ROM [SECONDS] [SEED]
"""
import os
import re
import shutil
import struct
import subprocess
import sys
import tempfile

STATE_SIZE = 2049 + 257 + 16385


def whole_state(path):
    """The three memories, then (with a cartridge loaded) the snapshot."""
    with open(path, "rb") as f:
        data = f.read()
    return len(data) == STATE_SIZE or (len(data) > STATE_SIZE + 16 and data[STATE_SIZE:STATE_SIZE + 8] == b"VIRELSNP")

# Growth allowed after the first 30 s: allocator and font caches settle in
# steps, a leak grows without end.
RSS_SLACK_KB = 24 * 1024


def fail(message):
    print("soak: FAILED: " + message)
    sys.exit(1)


def check_bitmap(path):
    with open(path, "rb") as f:
        data = f.read()
    if len(data) < 54 or data[:2] != b"BM":
        fail(f"{path}: not a bitmap")
    declared = struct.unpack_from("<I", data, 2)[0]
    if declared != len(data):
        fail(f"{path}: header says {declared} bytes, file has {len(data)}")


def main():
    virel, demo = os.path.abspath(sys.argv[1]), sys.argv[2]
    seconds = int(sys.argv[3]) if len(sys.argv) > 3 else 120
    seed = int(sys.argv[4]) if len(sys.argv) > 4 else 1515
    folder = tempfile.mkdtemp(prefix="virel-soak-")
    try:
        cartridge = os.path.join(folder, "demo.nes")
        shutil.copy(demo, cartridge)
        read, write = os.pipe()
        xvfb = subprocess.Popen(["Xvfb", "-displayfd", str(write), "-screen", "0", "1024x768x24", "-nolisten",
                                 "tcp"], pass_fds=(write,), stderr=subprocess.DEVNULL)
        os.close(write)
        with os.fdopen(read) as f:
            display = ":" + f.readline().strip()
        env = dict(os.environ, DISPLAY=display, QT_QPA_PLATFORM="xcb", SDL_AUDIODRIVER="dummy",
                   XDG_CONFIG_HOME=os.path.join(folder, "config"),
                   VIREL_DRIVER=f"soak:{seed}:{seconds}:{folder}")
        # Freed memory waits in AddressSanitizer's quarantine before reuse; a
        # small one keeps resident memory a measure of what the program holds.
        if "ASAN_OPTIONS" in os.environ:
            env["ASAN_OPTIONS"] = os.environ["ASAN_OPTIONS"] + ":quarantine_size_mb=16:thread_local_quarantine_size_kb=256"
        try:
            run = subprocess.run([virel, cartridge], cwd=folder, env=env, capture_output=True, text=True,
                                 timeout=seconds + 300)
        finally:
            xvfb.terminate()
            xvfb.wait(10)
        actions = [line for line in run.stdout.splitlines() if re.fullmatch(r"[a-z-]+", line)]
        print(f"soak: seed {seed}, {seconds} s, {len(actions)} commands:",
              {a: actions.count(a) for a in sorted(set(actions))})
        if run.returncode != 0:
            fail(f"status {run.returncode}\n{run.stderr[-20000:]}")
        for marker in ("Sanitizer", "runtime error:", "LeakSanitizer"):
            if marker in run.stderr:
                fail(f"sanitizer report:\n{run.stderr[-20000:]}")
        rss = dict(re.findall(r"^(rss30|rssEnd)=(\d+)$", run.stdout, re.M))
        if "rssEnd" not in rss:
            fail("the driver did not finish:\n" + run.stdout[-4000:])
        if "rss30" in rss:
            start, end = int(rss["rss30"]), int(rss["rssEnd"])
            print(f"soak: resident memory {start} kB at 30 s, {end} kB at the end")
            if end > start + RSS_SLACK_KB:
                fail(f"resident memory grew from {start} kB to {end} kB")
        # Every file written is whole.
        for name in os.listdir(folder):
            path = os.path.join(folder, name)
            if name.endswith(".bmp"):
                check_bitmap(path)
            elif name.endswith(".wb") and not whole_state(path):
                fail(f"{name}: {os.path.getsize(path)} bytes, not the three memories and a snapshot")
            elif name.endswith(".tmp"):
                fail(f"{name}: a temporary file was left behind")
        settings = os.path.join(folder, "config", "QMT", "VIREL.conf")
        if not os.path.exists(settings) or "[JOY2]" not in open(settings, encoding="utf-8").read():
            fail("the settings file was not written whole")
        print("soak: passed")
    finally:
        shutil.rmtree(folder, True)


if __name__ == "__main__":
    main()
