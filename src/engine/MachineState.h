// The part of a snapshot every engine writes and reads: the memories, the bank
// tables and the board's registers, the sound channels and what the sound
// layer last sent, the picture and its colour table, the frame's sound
// register writes and the console voice's chip. An engine's snapshot is this
// part followed by its own section (the designed engine's 'CLAS', the console
// engine's 'CONS'); the container itself (header, framing, verdicts) is
// core/Snapshot.h.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "core/Snapshot.h"

// Replaces `out` with the shared part of the snapshot of `m`. Reusing one
// vector keeps its storage: rewind takes one every few frames.
// `pictureRedrawn`: the engine redraws the whole picture before the next one
// goes out, so it is left out. `heldAtFrameStart`: the engine stands at a
// frame start it will finish on resuming, where its stop silenced the sound.
void TakeSnapshot(const Machine& m, std::vector<uint8_t>& out, bool pictureRedrawn = false,
                  bool heldAtFrameStart = false);

// Puts the shared part of `m` where the snapshot stood, or changes nothing at
// all when it is refused. An engine checks its own section first and applies
// it only after this has said Restored. Inside the run loop's message
// processing the loop carries on from the restored state (as after a reset
// there).
RestoreResult RestoreSnapshot(Machine& m, std::span<const uint8_t> data);

// The shared first step of the run that follows a restore (every engine's run
// loop and step take it): the sound restored while stopped is heard again.
// An engine with a step of its own to finish takes it after this one.
void ResumeRestored(Machine& m);
