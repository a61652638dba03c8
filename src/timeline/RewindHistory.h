// The rewind history: whole-console snapshots taken once a frame, newest
// last. Only the newest is kept whole; each older one is kept as a patch
// against the one after it (where they differ, the older bytes), so a frame
// costs what changed in it, going back one frame is one patch applied in
// place, and forgetting the oldest frame touches nothing but an index.
//
// Patches live in blocks of a few hundred kilobytes, filled front to back and
// recycled oldest first: once the history is at its limits a push allocates
// nothing, and the memory held is counted as it really is (block and buffer
// capacities, not the bytes in use).
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

class RewindHistory {
 public:
  // Ten minutes at 60 frames a second, in at most 64 MB.
  static constexpr size_t kDefaultFrames = 36000;
  static constexpr size_t kDefaultBytes = size_t{64} << 20;

  RewindHistory();

  // At most `frames` snapshots and about `bytes` of memory (the patches plus
  // the newest snapshot); the oldest go first when either is passed. The
  // newest snapshot is always kept, whatever the limits.
  void SetLimits(size_t frames, size_t bytes);
  void Push(std::span<const uint8_t> snapshot);  // becomes the newest
  bool Empty() const { return !hasNewest_; }
  size_t Frames() const { return hasNewest_ ? count_ + 1 : 0; }
  // Memory held, counted by capacity: blocks (the spare one too), the newest
  // snapshot, the patch being built and the index.
  size_t Bytes() const;
  // The newest snapshot, whole; valid until the next change of the history.
  std::span<const uint8_t> Newest() const { return newest_; }
  // The one before the newest becomes the newest; with one snapshot left the
  // history becomes empty.
  void DropNewest();
  // Forgets every snapshot; the memory stays held for the pushes to come.
  void Clear();

 private:
  // Where one older snapshot's patch lies.
  struct Patch {
    uint32_t block;   // sequence number of its block
    uint32_t offset;  // in that block
    uint32_t length;  // bytes of patch
    uint32_t size;    // the snapshot's own length
  };
  struct Block {
    std::vector<uint8_t> bytes;  // reserved once; its size is the part in use
    size_t patches = 0;
  };

  Patch& At(size_t i) { return ring_[(head_ + i) % ring_.size()]; }
  void AppendPatch(uint32_t size);
  Block& BlockFor(size_t length);
  void DropOldest();
  void DropOldestBlock();
  void Trim();
  // Drops the spare, then the oldest blocks, until `extra` more bytes fit
  // within the limit: a growth that holds old and new storage at once stays
  // inside it.
  void MakeRoom(size_t extra);
  size_t GrownRingSize() const;
  void GrowRing();

  size_t maxFrames_ = kDefaultFrames;
  size_t maxBytes_ = kDefaultBytes;
  size_t blockSize_ = 0;

  std::vector<uint8_t> newest_;
  bool hasNewest_ = false;
  std::vector<uint8_t> scratch_;  // the patch being built

  // Patches oldest first, in a ring that grows by doubling.
  std::vector<Patch> ring_;
  size_t head_ = 0, count_ = 0;

  // Blocks oldest first; blocks_[i] has sequence number firstBlock_ + i.
  std::vector<Block> blocks_;
  uint32_t firstBlock_ = 0;
  Block spare_;  // an emptied block kept for the next one needed
};

// The patch encoding, on its own for the tests and benchmarks that compare
// it: appends to `out` what turns `newer` back into `older` (newer cut or
// padded with zero bytes to older's length, then the patch's bytes put in
// place), and applies such a patch in place to a snapshot already cut or
// padded to the older length. Apply returns false, changing nothing, when
// the patch does not fit `snapshot`.
void AppendSnapshotPatch(std::span<const uint8_t> older, std::span<const uint8_t> newer,
                         std::vector<uint8_t>& out);
bool ApplySnapshotPatch(std::span<const uint8_t> patch, std::span<uint8_t> snapshot);
