// Field lists: what a chip, a board or an engine saves, named once in a
// function template that every pass over the state walks, so that saving and
// loading can never drift apart:
//
//   template <class Io, class P> void PpuFields(Io& io, P& p) {
//     io(p.Line, p.Dot, p.Oam);
//     PulseFields(io, p.Pulse);  // a nested struct: its own list
//   }
//
// P is the struct (const for the writer), so the same list also reads a
// struct of an earlier layout that has fields of the same names.
//
// A section is a tag, its length (the snapshot's framing, core/Snapshot.h)
// and then: a u32 version bumped by hand when the list changes, a u32 shape
// (a check of the list's field sizes and counts, worked out from the list
// itself), the CRC-32 of the fields, and the fields, little-endian, packed.
// The reader takes a section only when version and shape are the ones it
// lists, the fields fill the section exactly, their check matches and every
// bool is 0 or 1: a list changed without a bumped version is refused, never
// misread, and a flipped byte never reaches a flag; an edit that leaves the
// list alone changes nothing.
//
// Only fixed-size scalars (integers, bool, float, double, enums), arrays of
// them and arrays of listed structs are fields: no pointer, no size_t.
#pragma once

#include <array>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <span>
#include <type_traits>
#include <vector>

#include "core/Crc32.h"

static_assert(std::endian::native == std::endian::little, "states are written in the host's byte order");

namespace state {

// Fields are declared with the fixed-width types (uint64_t, not size_t).
template <typename T>
concept Scalar = (std::is_arithmetic_v<T> || std::is_enum_v<T>) && !std::is_same_v<T, long double>;

// Appends fields to a byte vector.
class Writer {
 public:
  explicit Writer(std::vector<uint8_t>& out) : out_(out) {}
  template <typename... T>
  void operator()(const T&... fields) {
    (Put(fields), ...);
  }

 private:
  template <Scalar T>
  void Put(const T& v) {
    Bytes(&v, sizeof v);
  }
  template <Scalar T, size_t N>
  void Put(const std::array<T, N>& a) {
    Bytes(a.data(), sizeof a);
  }
  template <Scalar T, size_t N>
  void Put(const T (&a)[N]) {
    Bytes(a, sizeof a);
  }
  void Bytes(const void* p, size_t n) {
    const size_t at = out_.size();
    out_.resize(at + n);
    std::memcpy(out_.data() + at, p, n);
  }
  std::vector<uint8_t>& out_;
};

// Reads fields in order; reading past the end marks the reader bad and
// leaves the field as it was.
class Reader {
 public:
  explicit Reader(std::span<const uint8_t> bytes) : bytes_(bytes) {}
  template <typename... T>
  void operator()(T&... fields) {
    (Get(fields), ...);
  }
  bool Bad() const { return bad_; }
  // Every byte taken, none missing.
  bool Exact() const { return !bad_ && at_ == bytes_.size(); }

 private:
  template <Scalar T>
  void Get(T& v) {
    if constexpr (std::is_same_v<T, bool>) {
      uint8_t byte = v;
      Bytes(&byte, 1);
      if (byte > 1) bad_ = true;
      v = byte != 0;
    } else {
      Bytes(&v, sizeof v);
    }
  }
  template <Scalar T, size_t N>
  void Get(std::array<T, N>& a) {
    if constexpr (std::is_same_v<T, bool>) {
      for (T& v : a) Get(v);
    } else {
      Bytes(a.data(), sizeof a);
    }
  }
  template <Scalar T, size_t N>
  void Get(T (&a)[N]) {
    if constexpr (std::is_same_v<T, bool>) {
      for (T& v : a) Get(v);
    } else {
      Bytes(a, sizeof a);
    }
  }
  void Bytes(void* p, size_t n) {
    if (bad_ || n > bytes_.size() - at_) {
      bad_ = true;
      return;
    }
    std::memcpy(p, bytes_.data() + at_, n);
    at_ += n;
  }
  std::span<const uint8_t> bytes_;
  size_t at_ = 0;
  bool bad_ = false;
};

// The list's shape: each field's size and count folded into one number, so
// that adding, removing, resizing or reordering fields of different sizes
// changes it. Cheap enough to work out on every save.
class Shaper {
 public:
  template <typename... T>
  void operator()(const T&... fields) {
    (Add(fields), ...);
  }
  uint32_t Shape() const { return hash_; }

 private:
  template <Scalar T>
  void Add(const T&) {
    Mix(sizeof(T));
  }
  template <Scalar T, size_t N>
  void Add(const std::array<T, N>&) {
    Mix(0x80000000u | static_cast<uint32_t>(N << 4) | sizeof(T));
  }
  template <Scalar T, size_t N>
  void Add(const T (&)[N]) {
    Mix(0x80000000u | static_cast<uint32_t>(N << 4) | sizeof(T));
  }
  void Mix(uint32_t v) { hash_ = (hash_ ^ v) * 16777619u; }  // FNV-1a over the sizes
  uint32_t hash_ = 2166136261u;
};

// Arrays of listed structs: each element through its list.
template <typename Io, typename T, size_t N, typename List>
void Each(Io& io, std::array<T, N>& items, List list) {
  for (T& item : items) list(io, item);
}
template <typename Io, typename T, size_t N, typename List>
void Each(Io& io, const std::array<T, N>& items, List list) {
  for (const T& item : items) list(io, item);
}
template <typename Io, typename T, size_t N, typename List>
void Each(Io& io, T (&items)[N], List list) {
  for (T& item : items) list(io, item);
}

// The shape of what `list` saves of `s`.
template <typename S, typename List>
uint32_t ShapeOf(const S& s, List list) {
  Shaper shaper;
  list(shaper, s);
  return shaper.Shape();
}

constexpr size_t kSectionHead = 8 + 12;  // tag, length; version, shape, check

// Appends a section: tag, length, version, shape, check, fields.
template <typename S, typename List>
void WriteSection(std::vector<uint8_t>& out, uint32_t tag, uint32_t version, const S& s, List list) {
  const size_t start = out.size();
  Writer w(out);
  const uint32_t shape = ShapeOf(s, list);
  w(tag, uint32_t{0}, version, shape, uint32_t{0});
  list(w, s);
  const auto length = static_cast<uint32_t>(out.size() - start - 8);
  const uint32_t check = Crc32(out.data() + start + kSectionHead, out.size() - start - kSectionHead);
  std::memcpy(out.data() + start + 4, &length, 4);
  std::memcpy(out.data() + start + 16, &check, 4);
}

enum class SectionVerdict : uint8_t {
  Read,         // every field read, nothing left over
  OtherLayout,  // another version, or the same version with another list
  Damaged,      // cut short or with bytes left over
};

// Reads a section's contents (what follows its tag and length) into `s`
// through `list`. `s` is changed only by a Read; stage into a copy when a
// refusal must leave the live state alone.
template <typename S, typename List>
SectionVerdict ReadSection(std::span<const uint8_t> contents, uint32_t version, S& s, List list) {
  Reader r(contents);
  uint32_t savedVersion = 0, savedShape = 0, check = 0;
  r(savedVersion, savedShape, check);
  if (r.Bad()) return SectionVerdict::Damaged;
  if (savedVersion != version || savedShape != ShapeOf(s, list)) return SectionVerdict::OtherLayout;
  if (Crc32(contents.data() + 12, contents.size() - 12) != check) return SectionVerdict::Damaged;
  S staged = s;
  list(r, staged);
  if (!r.Exact()) return SectionVerdict::Damaged;
  s = staged;
  return SectionVerdict::Read;
}

}  // namespace state
