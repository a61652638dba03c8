#!/usr/bin/python3
"""virel-run --midi-port against a real JACK server: a dummy-backend jackd of
our own (no sound card), jack_midi_dump as the receiving client. What the
port receives equals --midi-log of the same run, message for message, in
order; and a receiver killed mid-run ends in a clean run with one log line.

usage: midi_jack_check.py VIREL_RUN CARTRIDGE"""
import os
import re
import signal
import subprocess
import sys
import tempfile
import time

PORT = "midi-monitor:input"  # jack_midi_dump's input port


def wait_for(what, test, seconds=15.0):
    deadline = time.monotonic() + seconds
    while time.monotonic() < deadline:
        if test():
            return
        time.sleep(0.1)
    raise AssertionError("timed out waiting for " + what)


def start_server(server, env):
    """jackd under its own name. Only a few servers may run on a machine at
    once ("Too many servers already active"), and other tests may hold them:
    a server that will not start is tried again for a while."""
    deadline = time.monotonic() + 120
    while True:
        # Long periods: a JACK MIDI buffer holds a period's worth of events, and
        # on a loaded machine a late cycle has to carry several frames' notes.
        # A generous client timeout, so a late cycle does not have the server
        # drop the runner's or the dump's client.
        jackd = subprocess.Popen(["jackd", "--no-realtime", "-t", "20000", "-n", server,
                                  "-d", "dummy", "-r", "48000", "-p", "2048"],
                                 env=env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        up = time.monotonic() + 10
        while time.monotonic() < up and jackd.poll() is None:
            if subprocess.run(["jack_lsp"], env=env, capture_output=True).returncode == 0:
                return jackd
            time.sleep(0.1)
        if jackd.poll() is None:
            jackd.terminate()
            jackd.wait(10)
        assert time.monotonic() < deadline, "the JACK server did not start"
        time.sleep(1)


def ports(virel_run, env):
    listing = subprocess.run([virel_run, "--list-midi-ports"], env=env, capture_output=True, text=True)
    assert listing.returncode == 0, listing
    return listing.stdout.splitlines()


def start_dump(folder, name, virel_run, env):
    out = open(os.path.join(folder, name), "w")
    # Line-buffered, so what arrived is in the file when the client dies.
    dump = subprocess.Popen(["stdbuf", "-oL", "jack_midi_dump"], env=env, stdout=out, stderr=subprocess.DEVNULL)
    wait_for("jack_midi_dump's port", lambda: PORT in ports(virel_run, env))
    return dump, out


def dumped_messages(path):
    messages = []
    with open(path) as dump:
        for line in dump:
            if ":" not in line:
                continue
            data = []
            for word in line.split(":", 1)[1].split():
                if not re.fullmatch(r"[0-9a-f]{2}", word):
                    break
                data.append(int(word, 16))
            if data:
                messages.append(bytes(data))
    return messages


def logged_messages(path):
    with open(path) as log:
        return [bytes(int(w, 16) for w in line.split()[1:]) for line in log if line.strip()]


def main():
    virel_run, cartridge = sys.argv[1], sys.argv[2]
    server = "virel-test-%d" % os.getpid()
    env = dict(os.environ, JACK_DEFAULT_SERVER=server, JACK_NO_START_SERVER="1")
    # Without a server: listing works (and lists no JACK port), a port that
    # is not there stops the run before it starts.
    listing = subprocess.run([virel_run, "--list-midi-ports"], env=env, capture_output=True, text=True)
    assert listing.returncode == 0 and PORT not in listing.stdout, listing
    missing = subprocess.run([virel_run, "--midi-port", "nao:existe", cartridge], env=env, capture_output=True,
                             text=True)
    assert missing.returncode == 1 and 'no MIDI output port "nao:existe"' in missing.stderr, missing
    with tempfile.TemporaryDirectory() as folder:
        jackd = start_server(server, env)
        try:
            # Everything the run sends arrives, in the order it was sent.
            dump, out = start_dump(folder, "dump.txt", virel_run, env)
            log = os.path.join(folder, "run.log")
            started = time.monotonic()
            run = subprocess.run([virel_run, "--frames", "240", "--midi-port", PORT, "--midi-log", log,
                                  "--log", os.devnull, cartridge], env=env)
            elapsed = time.monotonic() - started
            assert run.returncode == 0, run.returncode
            time.sleep(0.5)  # the last period reaches the client
            dump.send_signal(signal.SIGINT)
            dump.wait(10)
            out.close()
            sent, received = logged_messages(log), dumped_messages(os.path.join(folder, "dump.txt"))
            assert sent, "the run sent no MIDI messages"
            assert received == sent, "received %d messages, sent %d; first difference at %s" % (
                len(received), len(sent),
                next((i for i, (a, b) in enumerate(zip(received, sent)) if a != b), min(len(received), len(sent))))
            # Paced at the console's rate: 240 frames take about four seconds.
            assert elapsed > 3.5, elapsed
            print("port: %d messages received in order in %.2f s" % (len(received), elapsed))

            # The receiver goes away mid-run: the run carries on to its end
            # and says so once.
            dump, out = start_dump(folder, "dump2.txt", virel_run, env)
            run_log = os.path.join(folder, "vanish.log")
            run = subprocess.Popen([virel_run, "--frames", "240", "--midi-port", PORT, "--log", run_log,
                                    cartridge], env=env)
            time.sleep(1.5)
            dump.kill()
            dump.wait(10)
            out.close()
            assert run.wait(30) == 0, run.returncode
            with open(run_log) as f:
                lines = f.read().splitlines()
            lost = [l for l in lines if l.startswith("Porta MIDI perdida")]
            assert lost == ["Porta MIDI perdida: %s; as notas não são mais enviadas a ela." % PORT], lines
            assert lines[-1] == "Cartucho Descarregado.", lines
            print("vanished port: clean run, one log line")
        finally:
            jackd.terminate()
            jackd.wait(10)
    print("ok")


if __name__ == "__main__":
    main()
