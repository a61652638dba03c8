#!/usr/bin/python3
"""Reads a Standard MIDI File with mido, a reader that shares nothing with
Virel's writer, and lists its channel messages: one line each, with the
track, the channel, the time in seconds (through the file's own tempo map)
and the message bytes in hex. Used by the test scripts and the GUI tests."""
import sys

import mido


def tempo_map(midi):
    """(tick, tempo) changes from every track, sorted; 120 bpm until the first."""
    changes = []
    for track in midi.tracks:
        tick = 0
        for message in track:
            tick += message.time
            if message.type == "set_tempo":
                changes.append((tick, message.tempo))
    changes.sort()
    if not changes or changes[0][0] != 0:
        changes.insert(0, (0, 500000))
    return changes


def seconds_at(tick, changes, division):
    seconds, last_tick, tempo = 0.0, 0, changes[0][1]
    for change_tick, change_tempo in changes:
        if change_tick >= tick:
            break
        seconds += (change_tick - last_tick) * tempo / 1e6 / division
        last_tick, tempo = change_tick, change_tempo
    return seconds + (tick - last_tick) * tempo / 1e6 / division


def read(path):
    """The file, and its channel messages as (track, channel, seconds, bytes)."""
    midi = mido.MidiFile(path)
    changes = tempo_map(midi)
    messages = []
    for number, track in enumerate(midi.tracks):
        tick = 0
        for message in track:
            tick += message.time
            if not message.is_meta and hasattr(message, "channel"):
                messages.append((number, message.channel, seconds_at(tick, changes, midi.ticks_per_beat),
                                 bytes(message.bytes())))
    return midi, messages


def main():
    midi, messages = read(sys.argv[1])
    print("format %d tracks %d division %d" % (midi.type, len(midi.tracks), midi.ticks_per_beat))
    for track in midi.tracks:
        print("track %s" % track.name)
    for number, channel, seconds, data in messages:
        print("%d %d %.6f %s" % (number, channel, seconds, data.hex(" ").upper()))


if __name__ == "__main__":
    main()
