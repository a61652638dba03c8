#!/usr/bin/python3
"""virel-run --midi against --midi-log for the same cartridge and frames: the
file read back by mido holds, per channel, the same messages in the same order,
each at its frame / 60.0988 s within a millisecond, for a short run and a
100,000-frame one (no drift); and the recording renders through the fluidsynth
program to audio clearly above silence.

usage: midi_file_check.py VIREL_RUN CARTRIDGE [SOUNDFONT]"""
import array
import os
import subprocess
import sys
import tempfile
import wave

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import midi_read  # noqa: E402

FRAME_RATE = 60.0988
NAMES = ["Pulso 1", "Pulso 2", "Triângulo", "Ruído", "PCM"]


def log_by_channel(path):
    channels = {}
    with open(path) as log:
        for line in log:
            words = line.split()
            data = bytes(int(w, 16) for w in words[1:])
            channels.setdefault(data[0] & 0x0F, []).append((int(words[0]), data))
    return channels


def check_run(virel_run, cartridge, folder, frames):
    mid = os.path.join(folder, "run%d.mid" % frames)
    log = os.path.join(folder, "run%d.log" % frames)
    subprocess.run([virel_run, "--frames", str(frames), "--midi", mid, "--midi-log", log, "--log", os.devnull,
                    cartridge], check=True)
    midi, messages = midi_read.read(mid)
    assert midi.type == 1 and midi.ticks_per_beat == 960, (midi.type, midi.ticks_per_beat)
    assert [t.name for t in midi.tracks[1:]] == NAMES, [t.name for t in midi.tracks]
    # The whole file lasts the run.
    assert abs(midi.length - frames / FRAME_RATE) < 0.001, (midi.length, frames / FRAME_RATE)
    expected = log_by_channel(log)
    assert expected, "the run sent no MIDI messages"
    got = {}
    for track, channel, seconds, data in messages:
        # One track per channel: channel c lives in track c + 1.
        assert track == channel + 1, (track, channel)
        got.setdefault(channel, []).append((seconds, data))
    assert sorted(got) == sorted(expected), (sorted(got), sorted(expected))
    worst = 0.0
    for channel, logged in expected.items():
        recorded = got[channel]
        assert len(recorded) == len(logged), (channel, len(recorded), len(logged))
        for (seconds, data), (frame, logged_data) in zip(recorded, logged):
            assert data == logged_data, (channel, frame, data.hex(), logged_data.hex())
            error = abs(seconds - frame / FRAME_RATE)
            worst = max(worst, error)
            assert error < 0.001, (channel, frame, seconds, frame / FRAME_RATE)
    total = sum(len(v) for v in expected.values())
    print("%d frames: %d messages on %d channels equal the log; worst time error %.3f ms"
          % (frames, total, len(expected), worst * 1000))
    return mid


def check_render(mid, folder, font):
    wav = os.path.join(folder, "render.wav")
    subprocess.run(["fluidsynth", "-ni", "-q", "-F", wav, "-r", "44100", font, mid], check=True,
                   stdout=subprocess.DEVNULL)
    with wave.open(wav) as w:
        assert w.getsampwidth() == 2, w.getsampwidth()
        samples = array.array("h", w.readframes(w.getnframes()))
    assert samples, "fluidsynth rendered nothing"
    rms = (sum(s * s for s in samples) / len(samples)) ** 0.5
    peak = max(abs(s) for s in samples)
    print("render: %d samples, rms %.0f, peak %d (of 32767)" % (len(samples), rms, peak))
    # Silence (or dither) stays within a few units; the demo's music is
    # hundreds of times louder.
    assert rms > 300 and peak > 3000, (rms, peak)


def main():
    virel_run, cartridge = sys.argv[1], sys.argv[2]
    font = sys.argv[3] if len(sys.argv) > 3 else "/usr/share/sounds/sf2/TimGM6mb.sf2"
    with tempfile.TemporaryDirectory() as folder:
        short = check_run(virel_run, cartridge, folder, 1200)
        check_run(virel_run, cartridge, folder, 100000)
        check_render(short, folder, font)
    print("ok")


if __name__ == "__main__":
    main()
