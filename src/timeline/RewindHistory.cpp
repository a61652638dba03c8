#include "timeline/RewindHistory.h"

#include <algorithm>
#include <bit>
#include <cstring>

namespace {

// Blocks are a 64th of the memory allowed, between these: small enough that
// recycling one forgets little of the history, large enough that a patch
// seldom leaves much of a block unused.
constexpr size_t kSmallestBlock = 4 * 1024;
constexpr size_t kLargestBlock = 256 * 1024;

// Equal bytes that end a stretch of the patch: two cost no more inside it
// than the two counts of a new stretch would.
constexpr size_t kGap = 3;

// A patch is a series of stretches: a count of bytes left as they are, a
// count of bytes that follow, and those bytes. Counts are LEB128 varints, so
// the usual stretch costs two bytes more than its contents.
void PutCount(std::vector<uint8_t>& out, size_t value) {
  while (value >= 0x80) {
    out.push_back(static_cast<uint8_t>(value | 0x80));
    value >>= 7;
  }
  out.push_back(static_cast<uint8_t>(value));
}

bool GetCount(std::span<const uint8_t> in, size_t& at, size_t& value) {
  value = 0;
  for (unsigned shift = 0; shift < 64 && at < in.size(); shift += 7) {
    const uint8_t byte = in[at++];
    value |= static_cast<size_t>(byte & 0x7F) << shift;
    if (!(byte & 0x80)) return true;
  }
  return false;
}

uint64_t Word(const uint8_t* p) {
  uint64_t w;
  std::memcpy(&w, p, 8);
  return w;
}

// The index of the first byte of a non-zero word of differences, in memory
// order.
size_t FirstByte(uint64_t difference) {
  if constexpr (std::endian::native == std::endian::little) {
    return static_cast<size_t>(std::countr_zero(difference)) / 8;
  } else {
    return static_cast<size_t>(std::countl_zero(difference)) / 8;
  }
}

// Compares `older` with `newer` padded with zero bytes to older's length.
class Comparison {
 public:
  Comparison(std::span<const uint8_t> older, std::span<const uint8_t> newer)
      : a_(older.data()),
        b_(newer.data()),
        size_(older.size()),
        common_(std::min(older.size(), newer.size())) {}

  bool Differs(size_t at) const { return a_[at] != (at < common_ ? b_[at] : 0); }

  // The first place at or after `at` where the two differ, or the size.
  // Snapshots a frame apart are mostly equal: eight bytes at a time.
  size_t NextDifference(size_t at) const {
    // Thirty-two bytes a round while nothing differs, then the word.
    for (; at + 32 <= common_; at += 32) {
      const uint64_t d = (Word(a_ + at) ^ Word(b_ + at)) | (Word(a_ + at + 8) ^ Word(b_ + at + 8)) |
                         (Word(a_ + at + 16) ^ Word(b_ + at + 16)) |
                         (Word(a_ + at + 24) ^ Word(b_ + at + 24));
      if (d) break;
    }
    for (; at + 8 <= common_; at += 8)
      if (const uint64_t d = Word(a_ + at) ^ Word(b_ + at)) return at + FirstByte(d);
    for (; at < common_; ++at)
      if (a_[at] != b_[at]) return at;
    for (; at + 8 <= size_; at += 8)
      if (const uint64_t d = Word(a_ + at)) return at + FirstByte(d);
    for (; at < size_; ++at)
      if (a_[at] != 0) return at;
    return size_;
  }

  // The end of the stretch that starts at a difference `at`: the first run of
  // kGap equal bytes after it, or the size.
  size_t StretchEnd(size_t at) const {
    size_t equal = 0;
    for (++at; at < size_; ++at) {
      if (Differs(at)) {
        equal = 0;
      } else if (++equal == kGap) {
        return at + 1 - kGap;
      }
    }
    return size_ - equal;
  }

 private:
  const uint8_t* a_;
  const uint8_t* b_;
  size_t size_, common_;
};

}  // namespace

void AppendSnapshotPatch(std::span<const uint8_t> older, std::span<const uint8_t> newer,
                         std::vector<uint8_t>& out) {
  const Comparison compare(older, newer);
  for (size_t done = 0;;) {
    const size_t start = compare.NextDifference(done);
    if (start == older.size()) return;
    const size_t end = compare.StretchEnd(start);
    PutCount(out, start - done);
    PutCount(out, end - start);
    out.insert(out.end(), older.begin() + static_cast<std::ptrdiff_t>(start),
               older.begin() + static_cast<std::ptrdiff_t>(end));
    done = end;
  }
}

bool ApplySnapshotPatch(std::span<const uint8_t> patch, std::span<uint8_t> snapshot) {
  // Checked whole before a byte is written, so a damaged patch leaves the
  // snapshot as it was.
  for (int pass = 0; pass < 2; ++pass) {
    size_t from = 0, to = 0;
    while (from < patch.size()) {
      size_t skip = 0, length = 0;
      if (!GetCount(patch, from, skip) || !GetCount(patch, from, length)) return false;
      if (skip > snapshot.size() - to || length > snapshot.size() - to - skip || length > patch.size() - from)
        return false;
      to += skip;
      if (pass == 1) std::memcpy(snapshot.data() + to, patch.data() + from, length);
      to += length;
      from += length;
    }
  }
  return true;
}

RewindHistory::RewindHistory() { SetLimits(kDefaultFrames, kDefaultBytes); }

void RewindHistory::SetLimits(size_t frames, size_t bytes) {
  maxFrames_ = std::max<size_t>(frames, 1);
  maxBytes_ = bytes;
  const size_t blockSize = std::clamp(bytes / 64, kSmallestBlock, kLargestBlock);
  if (blockSize != blockSize_) {
    // Blocks already made keep their size; the spare is made anew when next needed.
    blockSize_ = blockSize;
    spare_ = Block{};
  }
  Trim();
}

size_t RewindHistory::Bytes() const {
  size_t bytes = newest_.capacity() + scratch_.capacity() + spare_.bytes.capacity() +
                 ring_.capacity() * sizeof(Patch) + blocks_.capacity() * sizeof(Block);
  for (const Block& block : blocks_) bytes += block.bytes.capacity();
  return bytes;
}

void RewindHistory::Push(std::span<const uint8_t> snapshot) {
  if (hasNewest_) {
    scratch_.clear();
    AppendSnapshotPatch(newest_, snapshot, scratch_);
    AppendPatch(static_cast<uint32_t>(newest_.size()));
  }
  // Pushing the newest again (its own span) leaves it as it is. A larger
  // snapshot is held beside the old one while it is copied: room for it is
  // made first.
  if (snapshot.size() > newest_.capacity()) MakeRoom(snapshot.size());
  if (snapshot.data() != newest_.data()) newest_.assign(snapshot.begin(), snapshot.end());
  hasNewest_ = true;
  Trim();
}

void RewindHistory::AppendPatch(uint32_t size) {
  if (count_ + 1 >= maxFrames_ && count_ > 0) DropOldest();
  if (count_ == ring_.size()) {
    // The grown index is held beside the old one while it is copied, and a
    // block may follow: room for both is made first, which may leave the
    // index room enough as it is.
    MakeRoom(GrownRingSize() * sizeof(Patch) + std::max(blockSize_, scratch_.size()));
    if (count_ == ring_.size()) GrowRing();
  }
  Block& block = BlockFor(scratch_.size());
  Patch& patch = At(count_);
  patch.block = firstBlock_ + static_cast<uint32_t>(blocks_.size() - 1);
  patch.offset = static_cast<uint32_t>(block.bytes.size());
  patch.length = static_cast<uint32_t>(scratch_.size());
  patch.size = size;
  block.bytes.insert(block.bytes.end(), scratch_.begin(), scratch_.end());
  ++block.patches;
  ++count_;
}

RewindHistory::Block& RewindHistory::BlockFor(size_t length) {
  if (!blocks_.empty()) {
    Block& last = blocks_.back();
    if (last.bytes.capacity() - last.bytes.size() >= length) return last;
  }
  const size_t needed = std::max(blockSize_, length);
  Block block;
  if (spare_.bytes.capacity() >= needed) {
    block = std::move(spare_);
    spare_ = Block{};
  } else if (!blocks_.empty() && Bytes() + needed > maxBytes_ && blocks_.front().bytes.capacity() >= needed) {
    // At the memory limit the oldest block makes room: its frames go, its
    // storage is written again.
    block.bytes = std::move(blocks_.front().bytes);
    DropOldestBlock();
  }
  block.bytes.clear();
  block.bytes.reserve(needed);
  block.patches = 0;
  blocks_.push_back(std::move(block));
  return blocks_.back();
}

void RewindHistory::DropOldest() {
  Block& block = blocks_.front();
  head_ = (head_ + 1) % ring_.size();
  --count_;
  if (--block.patches > 0) return;
  // The block has no patch left: it becomes the spare unless one is kept
  // already, or it is of another size than blocks now are.
  if (block.bytes.capacity() == blockSize_ && spare_.bytes.capacity() == 0) {
    spare_.bytes = std::move(block.bytes);
    spare_.bytes.clear();
  }
  blocks_.erase(blocks_.begin());
  ++firstBlock_;
}

void RewindHistory::DropOldestBlock() {
  // The block's storage may have been taken already: count its patches
  // from the index, which stays in order.
  const uint32_t oldest = firstBlock_;
  while (count_ > 0 && At(0).block == oldest) {
    head_ = (head_ + 1) % ring_.size();
    --count_;
  }
  blocks_.erase(blocks_.begin());
  ++firstBlock_;
}

void RewindHistory::Trim() {
  while (count_ + 1 > maxFrames_) DropOldest();
  // The spare goes first, then whole blocks of the oldest frames.
  if (Bytes() > maxBytes_) spare_ = Block{};
  while (Bytes() > maxBytes_ && !blocks_.empty()) DropOldestBlock();
}

void RewindHistory::MakeRoom(size_t extra) {
  if (Bytes() + extra > maxBytes_) spare_ = Block{};
  while (Bytes() + extra > maxBytes_ && !blocks_.empty()) DropOldestBlock();
}

// No more places than the frame limit can use.
size_t RewindHistory::GrownRingSize() const {
  return std::max(count_ + 1, std::min(std::max<size_t>(64, ring_.size() * 2), maxFrames_));
}

void RewindHistory::GrowRing() {
  std::vector<Patch> grown(GrownRingSize());
  for (size_t i = 0; i < count_; ++i) grown[i] = At(i);
  ring_ = std::move(grown);
  head_ = 0;
}

void RewindHistory::DropNewest() {
  if (!hasNewest_) return;
  if (count_ == 0) {
    newest_.clear();
    hasNewest_ = false;
    return;
  }
  const Patch patch = At(count_ - 1);
  Block& block = blocks_.back();
  // The newest patch is the last one written, at the end of the last block;
  // it was made here for exactly this size, so it always fits.
  newest_.resize(patch.size);
  ApplySnapshotPatch({block.bytes.data() + patch.offset, patch.length}, newest_);
  block.bytes.resize(patch.offset);
  --count_;
  if (--block.patches == 0) {
    if (spare_.bytes.capacity() == 0 && block.bytes.capacity() == blockSize_)
      spare_.bytes = std::move(block.bytes);
    blocks_.pop_back();
  }
}

void RewindHistory::Clear() {
  newest_.clear();
  hasNewest_ = false;
  head_ = count_ = 0;
  // One emptied block is kept as the spare; the rest is given back.
  for (Block& block : blocks_) {
    if (spare_.bytes.capacity() == 0 && block.bytes.capacity() == blockSize_) {
      spare_.bytes = std::move(block.bytes);
      spare_.bytes.clear();
    }
  }
  firstBlock_ += static_cast<uint32_t>(blocks_.size());
  blocks_.clear();
}
