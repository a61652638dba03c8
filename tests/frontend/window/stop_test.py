#!/usr/bin/env python3
"""Stopping a real `virel` window and a real `virel-run` from outside.

Each case starts the program on its own Xvfb server with a battery cartridge
that counts frames in battery RAM ($6000-$6003), in a temporary folder that
also holds the settings (XDG_CONFIG_HOME), and then stops it: SIGTERM, SIGINT or
SIGHUP (a closed terminal; the first two also with the settings dialog open) must write the battery file and the
settings file; kill -9 must find a battery file no older than the periodic
write rule allows.

Usage: stop_test.py VIREL VIREL_RUN ROM_DIR [unittest arguments]
"""
import os
import shutil
import signal
import struct
import subprocess
import sys
import tempfile
import threading
import time
import unittest

VIREL = RUN = ROMS = None
CARTRIDGE = "battery_counter.nes"
BATTERY = "battery_counter.sav"
WRITE_INTERVAL = 5.0
FRAME_RATE = 60.0988


def battery_count(path):
    with open(path, "rb") as f:
        data = f.read()
    return len(data), struct.unpack_from("<I", data, 0)[0]


class Xvfb:
    """A private X server; -displayfd tells which display number it took."""

    def __enter__(self):
        read, write = os.pipe()
        self.proc = subprocess.Popen(["Xvfb", "-displayfd", str(write), "-screen", "0", "1024x768x24",
                                      "-nolisten", "tcp"], pass_fds=(write,), stderr=subprocess.DEVNULL)
        os.close(write)
        with os.fdopen(read) as f:
            self.display = ":" + f.readline().strip()
        return self

    def __exit__(self, *exc):
        self.proc.terminate()
        self.proc.wait(10)


class Window:
    """A `virel` process on a cartridge copied into a fresh folder."""

    def __init__(self, test, display, driver=None):
        self.folder = tempfile.mkdtemp(prefix="virel-stop-")
        test.addCleanup(shutil.rmtree, self.folder, True)
        shutil.copy(os.path.join(ROMS, CARTRIDGE), self.folder)
        self.battery = os.path.join(self.folder, BATTERY)
        self.settings = os.path.join(self.folder, "config", "QMT", "VIREL.conf")
        env = dict(os.environ, DISPLAY=display, XDG_CONFIG_HOME=os.path.join(self.folder, "config"),
                   SDL_AUDIODRIVER="dummy", QT_QPA_PLATFORM="xcb")
        env.pop("VIREL_DRIVER", None)
        if driver:
            env["VIREL_DRIVER"] = driver
        self.proc = subprocess.Popen([VIREL, os.path.join(self.folder, CARTRIDGE)], env=env,
                                     stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True)
        self.lines = []
        self.stderr = ""
        self.readers = [threading.Thread(target=self._read, daemon=True),
                        threading.Thread(target=self._read_errors, daemon=True)]
        for reader in self.readers:
            reader.start()
        test.addCleanup(self.kill)

    def _read(self):
        for line in self.proc.stdout:
            self.lines.append(line.strip())

    def _read_errors(self):
        self.stderr = self.proc.stderr.read()

    def kill(self):
        if self.proc.poll() is None:
            self.proc.kill()
        self.proc.wait()
        for reader in self.readers:
            reader.join(10)
        self.proc.stdout.close()
        self.proc.stderr.close()

    def wait_for(self, condition, timeout, what):
        deadline = time.monotonic() + timeout
        while time.monotonic() < deadline:
            if condition():
                return
            if self.proc.poll() is not None:
                raise AssertionError(f"virel ended ({self.proc.returncode}) waiting for {what}: {self.stderr}")
            time.sleep(0.02)
        raise AssertionError(f"timed out waiting for {what}")

    def wait_for_periodic_write(self):
        # The first periodic write comes 5 s into the cartridge: it shows the
        # cartridge is running and what its count was then.
        self.wait_for(lambda: os.path.exists(self.battery), 60, "the first periodic battery write")
        time.sleep(0.1)
        return battery_count(self.battery)[1], os.stat(self.battery).st_mtime

    def stop(self, signum):
        self.proc.send_signal(signum)
        try:
            return self.proc.wait(60)
        except subprocess.TimeoutExpired:
            raise AssertionError(f"virel still running 60 s after signal {signum}")


class WindowStop(unittest.TestCase):
    def setUp(self):
        self.x = Xvfb().__enter__()
        self.addCleanup(self.x.__exit__)

    def assert_settings_written(self, window):
        self.assertTrue(os.path.exists(window.settings), "no settings file")
        with open(window.settings, encoding="utf-8") as f:
            text = f.read()
        for line in ("[General]", "FrameRate=1", "[JOY1]", "[JOY2]", "UP=38"):
            self.assertIn(line, text)

    def stop_while_running(self, signum):
        window = Window(self, self.x.display)
        periodic, periodic_time = window.wait_for_periodic_write()
        time.sleep(0.5)
        self.assertEqual(window.stop(signum), 0, window.stderr)
        size, count = battery_count(window.battery)
        self.assertEqual(size, 8192)
        # The unload's own write came after the periodic one and holds a
        # later count.
        self.assertGreater(count, periodic)
        self.assertGreaterEqual(os.stat(window.battery).st_mtime, periodic_time)
        self.assert_settings_written(window)

    def test_sigterm_writes_battery_and_settings(self):
        self.stop_while_running(signal.SIGTERM)

    def test_sigint_writes_battery_and_settings(self):
        self.stop_while_running(signal.SIGINT)

    def test_sighup_writes_battery_and_settings(self):
        self.stop_while_running(signal.SIGHUP)

    def test_sigterm_with_the_settings_dialog_open(self):
        window = Window(self, self.x.display, driver="settings")
        window.wait_for(lambda: "settings-open" in window.lines, 60, "the settings dialog")
        # Long enough into the cartridge that its count has moved.
        time.sleep(1.0)
        self.assertEqual(window.stop(signal.SIGTERM), 0, window.stderr)
        size, count = battery_count(window.battery)
        self.assertEqual(size, 8192)
        self.assertGreater(count, 0)
        self.assert_settings_written(window)

    def test_sigint_with_the_settings_dialog_open(self):
        window = Window(self, self.x.display, driver="settings")
        window.wait_for(lambda: "settings-open" in window.lines, 60, "the settings dialog")
        time.sleep(1.0)
        self.assertEqual(window.stop(signal.SIGINT), 0, window.stderr)
        self.assertGreater(battery_count(window.battery)[1], 0)
        self.assert_settings_written(window)

    def test_kill_9_six_seconds_in_leaves_a_recent_battery_file(self):
        window = Window(self, self.x.display)
        periodic, _ = window.wait_for_periodic_write()
        # The periodic write comes 5 s into the cartridge; one more second
        # makes six.
        time.sleep(1.0)
        killed = time.time()
        window.proc.kill()
        window.proc.wait()
        size, count = battery_count(window.battery)
        self.assertEqual(size, 8192)
        self.assertGreaterEqual(count, periodic)
        # Written within the last interval before the kill (plus a frame and
        # the file system's time stamp resolution) ...
        age = killed - os.stat(window.battery).st_mtime
        self.assertLess(age, WRITE_INTERVAL + 0.5)
        # ... and holding what the game had done by then: more than a second
        # of frames (paced at the console's rate; a sanitizer build may run
        # fewer, hence the modest bound).
        self.assertGreater(count, FRAME_RATE)


class RunnerStop(unittest.TestCase):
    def stop_and_check(self, signum):
        folder = tempfile.mkdtemp(prefix="virel-run-stop-")
        self.addCleanup(shutil.rmtree, folder, True)
        shutil.copy(os.path.join(ROMS, CARTRIDGE), folder)
        shot = os.path.join(folder, "shot.bmp")
        proc = subprocess.Popen([RUN, os.path.join(folder, CARTRIDGE), "--frames", "100000000",
                                 "--screenshot", shot], stdout=subprocess.PIPE, stderr=subprocess.PIPE,
                                text=True, env=dict(os.environ, SDL_AUDIODRIVER="dummy"))
        time.sleep(1.5)
        proc.send_signal(signum)
        out, err = proc.communicate(timeout=60)
        self.assertEqual(proc.returncode, 1, err)
        self.assertIn("stopped by " + signum.name, err)
        self.assertTrue(os.path.getsize(shot) > 0)
        size, count = battery_count(os.path.join(folder, BATTERY))
        self.assertEqual(size, 8192)
        self.assertGreater(count, 0)

    def test_sigterm_writes_what_was_asked_and_says_so(self):
        self.stop_and_check(signal.SIGTERM)

    def test_sighup_writes_what_was_asked_and_says_so(self):
        self.stop_and_check(signal.SIGHUP)


if __name__ == "__main__":
    VIREL, RUN, ROMS = sys.argv[1:4]
    unittest.main(argv=[sys.argv[0]] + sys.argv[4:], verbosity=2)
