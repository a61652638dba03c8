// The 2A03's instructions, interrupt and reset sequences, each cycle a bus
// access in the order the chip makes them, written once for any bus: `B`
// gives static Read(Cpu&, address) and Write(Cpu&, address, value), one
// cycle's access each. The processor's own CpuStep takes the CpuBus function
// pointers; the console engine's frame loop instantiates it with its bus
// inline, the hottest path of the engine.
#pragma once

#include <cstdint>

#include "engine/console/cpu/Cpu.h"

namespace cpu2a03 {

// --- Cycles -------------------------------------------------------------------

// The end of a cycle: the chip samples its interrupt inputs in the second
// half of every cycle. NMI is edge-triggered (the edge stays latched until a
// sequence serves it); IRQ is a level, masked by I as it stands now.
[[gnu::always_inline]] inline void EndCycle(Cpu& c) {
  ++c.Cycles;
  if (c.NmiLine && !c.NmiLevel) c.NmiPending = true;
  c.NmiLevel = c.NmiLine;
  c.PollPrev = c.PollNow;
  c.PollNow = c.NmiPending || (c.IrqSources && !(c.P & kCpuI));
}

template <class B>
[[gnu::always_inline]] inline uint8_t Read(Cpu& c, uint16_t address) {
  const uint8_t value = B::Read(c, address);
  EndCycle(c);
  return value;
}

template <class B>
[[gnu::always_inline]] inline void Write(Cpu& c, uint16_t address, uint8_t value) {
  B::Write(c, address, value);
  EndCycle(c);
}

template <class B>
inline uint8_t Fetch(Cpu& c) {
  return Read<B>(c, c.PC++);
}
template <class B>
inline void Push(Cpu& c, uint8_t value) {
  Write<B>(c, 0x100 | c.S--, value);
}
template <class B>
inline uint8_t Pull(Cpu& c) {
  return Read<B>(c, 0x100 | ++c.S);
}

// --- Flags and operations -------------------------------------------------------

inline void SetZN(Cpu& c, uint8_t v) { c.P = (c.P & ~(kCpuZ | kCpuN)) | (v ? 0 : kCpuZ) | (v & kCpuN); }
inline void SetC(Cpu& c, bool on) { c.P = (c.P & ~kCpuC) | (on ? kCpuC : 0); }
inline void SetV(Cpu& c, bool on) { c.P = (c.P & ~kCpuV) | (on ? kCpuV : 0); }

// Binary even with D set: the 2A03's decimal circuit is cut off.
inline void Adc(Cpu& c, uint8_t v) {
  const unsigned sum = c.A + v + (c.P & kCpuC);
  SetV(c, ~(c.A ^ v) & (c.A ^ sum) & 0x80);
  SetC(c, sum > 0xFF);
  c.A = static_cast<uint8_t>(sum);
  SetZN(c, c.A);
}
inline void Sbc(Cpu& c, uint8_t v) { Adc(c, static_cast<uint8_t>(~v)); }
inline void Compare(Cpu& c, uint8_t reg, uint8_t v) {
  SetC(c, reg >= v);
  SetZN(c, static_cast<uint8_t>(reg - v));
}

inline void Lda(Cpu& c, uint8_t v) { SetZN(c, c.A = v); }
inline void Ldx(Cpu& c, uint8_t v) { SetZN(c, c.X = v); }
inline void Ldy(Cpu& c, uint8_t v) { SetZN(c, c.Y = v); }
inline void Lax(Cpu& c, uint8_t v) { SetZN(c, c.A = c.X = v); }
inline void Ora(Cpu& c, uint8_t v) { SetZN(c, c.A |= v); }
inline void And(Cpu& c, uint8_t v) { SetZN(c, c.A &= v); }
inline void Eor(Cpu& c, uint8_t v) { SetZN(c, c.A ^= v); }
inline void Cmp(Cpu& c, uint8_t v) { Compare(c, c.A, v); }
inline void Cpx(Cpu& c, uint8_t v) { Compare(c, c.X, v); }
inline void Cpy(Cpu& c, uint8_t v) { Compare(c, c.Y, v); }
inline void Nop(Cpu&, uint8_t) {}
inline void Bit(Cpu& c, uint8_t v) {
  c.P = (c.P & ~(kCpuZ | kCpuV | kCpuN)) | ((c.A & v) ? 0 : kCpuZ) | (v & (kCpuV | kCpuN));
}
// The undocumented immediates: AND first, then the named operation.
inline void Anc(Cpu& c, uint8_t v) {
  And(c, v);
  SetC(c, c.A & 0x80);
}
inline void Alr(Cpu& c, uint8_t v) {
  c.A &= v;
  SetC(c, c.A & 1);
  SetZN(c, c.A >>= 1);
}
// Rotates through carry; C comes from bit 6 and V from bits 6 xor 5 of the result.
inline void Arr(Cpu& c, uint8_t v) {
  c.A = static_cast<uint8_t>(((c.A & v) >> 1) | ((c.P & kCpuC) << 7));
  SetZN(c, c.A);
  SetC(c, c.A & 0x40);
  SetV(c, ((c.A >> 6) ^ (c.A >> 5)) & 1);
}
// X = (A & X) - v, flags as a compare: no borrow in, and V untouched.
inline void Axs(Cpu& c, uint8_t v) {
  const uint8_t ax = c.A & c.X;
  SetC(c, ax >= v);
  SetZN(c, c.X = static_cast<uint8_t>(ax - v));
}
// The unstable immediates mix A with a constant that differs between chips
// before the AND. $FF is taken here: LAX #imm then loads A and X with the
// operand, the behaviour the instruction is known by.
constexpr uint8_t kMagic = 0xFF;
inline void Lxa(Cpu& c, uint8_t v) { Lax(c, (c.A | kMagic) & v); }
inline void Ane(Cpu& c, uint8_t v) { Lda(c, (c.A | kMagic) & c.X & v); }
inline void Las(Cpu& c, uint8_t v) { SetZN(c, c.A = c.X = c.S = v & c.S); }

inline uint8_t Asl(Cpu& c, uint8_t v) {
  SetC(c, v & 0x80);
  SetZN(c, v = static_cast<uint8_t>(v << 1));
  return v;
}
inline uint8_t Lsr(Cpu& c, uint8_t v) {
  SetC(c, v & 1);
  SetZN(c, v >>= 1);
  return v;
}
inline uint8_t Rol(Cpu& c, uint8_t v) {
  const uint8_t r = static_cast<uint8_t>((v << 1) | (c.P & kCpuC));
  SetC(c, v & 0x80);
  SetZN(c, r);
  return r;
}
inline uint8_t Ror(Cpu& c, uint8_t v) {
  const uint8_t r = static_cast<uint8_t>((v >> 1) | ((c.P & kCpuC) << 7));
  SetC(c, v & 1);
  SetZN(c, r);
  return r;
}
inline uint8_t Inc(Cpu& c, uint8_t v) {
  SetZN(c, ++v);
  return v;
}
inline uint8_t Dec(Cpu& c, uint8_t v) {
  SetZN(c, --v);
  return v;
}
// The undocumented read-modify-writes: the shift or step, then the read
// operation on the new value.
inline uint8_t Slo(Cpu& c, uint8_t v) { return Ora(c, v = Asl(c, v)), v; }
inline uint8_t Rla(Cpu& c, uint8_t v) { return And(c, v = Rol(c, v)), v; }
inline uint8_t Sre(Cpu& c, uint8_t v) { return Eor(c, v = Lsr(c, v)), v; }
inline uint8_t Rra(Cpu& c, uint8_t v) { return Adc(c, v = Ror(c, v)), v; }
inline uint8_t Dcp(Cpu& c, uint8_t v) { return Cmp(c, v = Dec(c, v)), v; }
inline uint8_t Isc(Cpu& c, uint8_t v) { return Sbc(c, v = Inc(c, v)), v; }

// --- Addressing -------------------------------------------------------------------

enum class Mode { Imm, Zp, Zpx, Zpy, Abs, Abx, Aby, Izx, Izy };
// Reads fix a carried page only when there is one; writes and
// read-modify-writes always spend the fix-up cycle.
enum class Access { Read, Write, Modify };

// The indexed cycle reads at the un-fixed address (the base's page with the
// sum's low byte) while the high byte is carried.
template <class B, Access K>
inline uint16_t Indexed(Cpu& c, uint16_t base, uint8_t index) {
  const uint16_t address = static_cast<uint16_t>(base + index);
  if (K != Access::Read || ((address ^ base) & 0xFF00)) Read<B>(c, (base & 0xFF00) | (address & 0xFF));
  return address;
}

template <class B>
inline uint16_t FetchWord(Cpu& c) {
  const uint8_t lo = Fetch<B>(c);
  return static_cast<uint16_t>(lo | Fetch<B>(c) << 8);
}

template <class B, Mode M, Access K>
inline uint16_t Address(Cpu& c) {
  if constexpr (M == Mode::Zp) {
    return Fetch<B>(c);
  } else if constexpr (M == Mode::Zpx || M == Mode::Zpy) {
    const uint8_t base = Fetch<B>(c);
    Read<B>(c, base);  // the zero-page base is read while the index is added
    return static_cast<uint8_t>(base + (M == Mode::Zpx ? c.X : c.Y));
  } else if constexpr (M == Mode::Abs) {
    return FetchWord<B>(c);
  } else if constexpr (M == Mode::Abx || M == Mode::Aby) {
    const uint16_t base = FetchWord<B>(c);
    return Indexed<B, K>(c, base, M == Mode::Abx ? c.X : c.Y);
  } else if constexpr (M == Mode::Izx) {
    uint8_t pointer = Fetch<B>(c);
    Read<B>(c, pointer);
    pointer += c.X;
    const uint8_t lo = Read<B>(c, pointer);
    return static_cast<uint16_t>(lo | Read<B>(c, static_cast<uint8_t>(pointer + 1)) << 8);
  } else {
    static_assert(M == Mode::Izy);
    const uint8_t pointer = Fetch<B>(c);
    const uint8_t lo = Read<B>(c, pointer);
    const uint16_t base = static_cast<uint16_t>(lo | Read<B>(c, static_cast<uint8_t>(pointer + 1)) << 8);
    return Indexed<B, K>(c, base, c.Y);
  }
}

template <class B, Mode M>
inline uint8_t Operand(Cpu& c) {
  if constexpr (M == Mode::Imm)
    return Fetch<B>(c);
  else
    return Read<B>(c, Address<B, M, Access::Read>(c));
}

// The chip writes the unchanged value back in the cycle it computes the new one.
template <class B, Mode M, uint8_t (*Op)(Cpu&, uint8_t)>
inline void Modify(Cpu& c) {
  const uint16_t address = Address<B, M, Access::Modify>(c);
  const uint8_t old = Read<B>(c, address);
  Write<B>(c, address, old);
  Write<B>(c, address, Op(c, old));
}

// SHA, SHX, SHY, TAS: the stored value is the register ANDed with the base
// address's high byte plus one, and when the index carries into the next
// page that value also replaces the address's high byte.
template <class B, Mode M>
inline void StoreHigh(Cpu& c, uint8_t reg) {
  uint16_t base;
  uint8_t index;
  if constexpr (M == Mode::Izy) {
    const uint8_t pointer = Fetch<B>(c);
    const uint8_t lo = Read<B>(c, pointer);
    base = static_cast<uint16_t>(lo | Read<B>(c, static_cast<uint8_t>(pointer + 1)) << 8);
    index = c.Y;
  } else {
    base = FetchWord<B>(c);
    index = M == Mode::Abx ? c.X : c.Y;
  }
  uint16_t address = static_cast<uint16_t>(base + index);
  Read<B>(c, (base & 0xFF00) | (address & 0xFF));
  const uint8_t value = reg & static_cast<uint8_t>((base >> 8) + 1);
  if ((address ^ base) & 0xFF00) address = static_cast<uint16_t>((address & 0xFF) | value << 8);
  Write<B>(c, address, value);
}

// --- Control flow -------------------------------------------------------------------

template <class B>
inline void Branch(Cpu& c, bool taken) {
  const auto offset = static_cast<int8_t>(Fetch<B>(c));
  if (!taken) return;
  // A taken branch polls before its operand fetch and, when it stays in its
  // page, not again: an interrupt arriving later waits one more instruction.
  const bool polled = c.PollPrev;
  Read<B>(c, c.PC);
  const auto target = static_cast<uint16_t>(c.PC + offset);
  if ((target ^ c.PC) & 0xFF00) {
    Read<B>(c, (c.PC & 0xFF00) | (target & 0xFF));
  } else {
    c.PollPrev = polled;
  }
  c.PC = target;
}

// BRK, IRQ and NMI share one sequence. An NMI edge seen by the time P is
// pushed takes the vector over, whichever of them started it; the pushed B
// still tells a BRK apart.
template <class B>
void Interrupt(Cpu& c, bool brk) {
  if (brk) {
    Fetch<B>(c);  // the padding byte after BRK is skipped
  } else {
    Read<B>(c, c.PC);  // the interrupted opcode, fetched and dropped
    Read<B>(c, c.PC);
  }
  Push<B>(c, static_cast<uint8_t>(c.PC >> 8));
  Push<B>(c, static_cast<uint8_t>(c.PC));
  const bool nmi = c.NmiPending;
  c.NmiPending = false;
  Push<B>(c, c.P | kCpuU | (brk ? kCpuB : 0));
  c.P |= kCpuI;
  const uint16_t vector = nmi ? 0xFFFA : 0xFFFE;
  const uint8_t lo = Read<B>(c, vector);
  c.PC = static_cast<uint16_t>(lo | Read<B>(c, vector + 1) << 8);
}

// The interrupt sequence with its three stack writes turned into reads.
template <class B>
void ResetSequence(Cpu& c) {
  Read<B>(c, c.PC);
  Read<B>(c, c.PC);
  for (int i = 0; i < 3; ++i) Read<B>(c, 0x100 | c.S--);
  c.P |= kCpuI;
  const uint8_t lo = Read<B>(c, 0xFFFC);
  c.PC = static_cast<uint16_t>(lo | Read<B>(c, 0xFFFD) << 8);
  c.ResetPending = false;
  c.Jammed = false;
  c.NmiPending = false;
}

template <class B>
inline void Jsr(Cpu& c) {
  const uint8_t lo = Fetch<B>(c);
  Read<B>(c, 0x100 | c.S);  // the stack is read while the low byte is held
  Push<B>(c, static_cast<uint8_t>(c.PC >> 8));
  Push<B>(c, static_cast<uint8_t>(c.PC));
  c.PC = static_cast<uint16_t>(lo | Read<B>(c, c.PC) << 8);
}

template <class B>
inline void Rts(Cpu& c) {
  Read<B>(c, c.PC);
  Read<B>(c, 0x100 | c.S);
  const uint8_t lo = Pull<B>(c);
  c.PC = static_cast<uint16_t>(lo | Pull<B>(c) << 8);
  Read<B>(c, c.PC++);  // the return address points at JSR's last byte
}

template <class B>
inline void Rti(Cpu& c) {
  Read<B>(c, c.PC);
  Read<B>(c, 0x100 | c.S);
  c.P = (Pull<B>(c) & ~kCpuB) | kCpuU;
  const uint8_t lo = Pull<B>(c);
  c.PC = static_cast<uint16_t>(lo | Pull<B>(c) << 8);
}

// The indirect jump's pointer never carries into the next page.
template <class B>
inline void JmpIndirect(Cpu& c) {
  const uint16_t pointer = FetchWord<B>(c);
  const uint8_t lo = Read<B>(c, pointer);
  c.PC = static_cast<uint16_t>(lo | Read<B>(c, (pointer & 0xFF00) | ((pointer + 1) & 0xFF)) << 8);
}

// KIL/JAM: the opcode's operand is read, then the processor stops.
template <class B>
inline void Jam(Cpu& c) {
  Read<B>(c, c.PC);
  c.Jammed = true;
}

// --- The opcode dispatch ---------------------------------------------------------------

#define RD(mode, op) op(c, Operand<B, Mode::mode>(c))
#define ST(mode, value) Write<B>(c, Address<B, Mode::mode, Access::Write>(c), value)
#define RMW(mode, op) Modify<B, Mode::mode, op>(c)
#define ACC(op) (Read<B>(c, c.PC), c.A = op(c, c.A))
#define IMP(body) (Read<B>(c, c.PC), static_cast<void>(body))
#define PUSH(value) (Read<B>(c, c.PC), Push<B>(c, value))
#define PULL(body) (Read<B>(c, c.PC), Read<B>(c, 0x100 | c.S), body)

template <class B>
void Execute(Cpu& c, uint8_t opcode) {
  // clang-format off
  switch (opcode) {
    // 0x00
    case 0x00: Interrupt<B>(c, true); break;
    case 0x01: RD(Izx, Ora); break;
    case 0x02: Jam<B>(c); break;
    case 0x03: RMW(Izx, Slo); break;
    case 0x04: RD(Zp, Nop); break;
    case 0x05: RD(Zp, Ora); break;
    case 0x06: RMW(Zp, Asl); break;
    case 0x07: RMW(Zp, Slo); break;
    case 0x08: PUSH(c.P | kCpuB | kCpuU); break;
    case 0x09: RD(Imm, Ora); break;
    case 0x0A: ACC(Asl); break;
    case 0x0B: RD(Imm, Anc); break;
    case 0x0C: RD(Abs, Nop); break;
    case 0x0D: RD(Abs, Ora); break;
    case 0x0E: RMW(Abs, Asl); break;
    case 0x0F: RMW(Abs, Slo); break;
    // 0x10
    case 0x10: Branch<B>(c, !(c.P & kCpuN)); break;
    case 0x11: RD(Izy, Ora); break;
    case 0x12: Jam<B>(c); break;
    case 0x13: RMW(Izy, Slo); break;
    case 0x14: RD(Zpx, Nop); break;
    case 0x15: RD(Zpx, Ora); break;
    case 0x16: RMW(Zpx, Asl); break;
    case 0x17: RMW(Zpx, Slo); break;
    case 0x18: IMP(c.P &= ~kCpuC); break;
    case 0x19: RD(Aby, Ora); break;
    case 0x1A: IMP(0); break;
    case 0x1B: RMW(Aby, Slo); break;
    case 0x1C: RD(Abx, Nop); break;
    case 0x1D: RD(Abx, Ora); break;
    case 0x1E: RMW(Abx, Asl); break;
    case 0x1F: RMW(Abx, Slo); break;
    // 0x20
    case 0x20: Jsr<B>(c); break;
    case 0x21: RD(Izx, And); break;
    case 0x22: Jam<B>(c); break;
    case 0x23: RMW(Izx, Rla); break;
    case 0x24: RD(Zp, Bit); break;
    case 0x25: RD(Zp, And); break;
    case 0x26: RMW(Zp, Rol); break;
    case 0x27: RMW(Zp, Rla); break;
    case 0x28: PULL(c.P = (Pull<B>(c) & ~kCpuB) | kCpuU); break;
    case 0x29: RD(Imm, And); break;
    case 0x2A: ACC(Rol); break;
    case 0x2B: RD(Imm, Anc); break;
    case 0x2C: RD(Abs, Bit); break;
    case 0x2D: RD(Abs, And); break;
    case 0x2E: RMW(Abs, Rol); break;
    case 0x2F: RMW(Abs, Rla); break;
    // 0x30
    case 0x30: Branch<B>(c, c.P & kCpuN); break;
    case 0x31: RD(Izy, And); break;
    case 0x32: Jam<B>(c); break;
    case 0x33: RMW(Izy, Rla); break;
    case 0x34: RD(Zpx, Nop); break;
    case 0x35: RD(Zpx, And); break;
    case 0x36: RMW(Zpx, Rol); break;
    case 0x37: RMW(Zpx, Rla); break;
    case 0x38: IMP(c.P |= kCpuC); break;
    case 0x39: RD(Aby, And); break;
    case 0x3A: IMP(0); break;
    case 0x3B: RMW(Aby, Rla); break;
    case 0x3C: RD(Abx, Nop); break;
    case 0x3D: RD(Abx, And); break;
    case 0x3E: RMW(Abx, Rol); break;
    case 0x3F: RMW(Abx, Rla); break;
    // 0x40
    case 0x40: Rti<B>(c); break;
    case 0x41: RD(Izx, Eor); break;
    case 0x42: Jam<B>(c); break;
    case 0x43: RMW(Izx, Sre); break;
    case 0x44: RD(Zp, Nop); break;
    case 0x45: RD(Zp, Eor); break;
    case 0x46: RMW(Zp, Lsr); break;
    case 0x47: RMW(Zp, Sre); break;
    case 0x48: PUSH(c.A); break;
    case 0x49: RD(Imm, Eor); break;
    case 0x4A: ACC(Lsr); break;
    case 0x4B: RD(Imm, Alr); break;
    case 0x4C: c.PC = FetchWord<B>(c); break;
    case 0x4D: RD(Abs, Eor); break;
    case 0x4E: RMW(Abs, Lsr); break;
    case 0x4F: RMW(Abs, Sre); break;
    // 0x50
    case 0x50: Branch<B>(c, !(c.P & kCpuV)); break;
    case 0x51: RD(Izy, Eor); break;
    case 0x52: Jam<B>(c); break;
    case 0x53: RMW(Izy, Sre); break;
    case 0x54: RD(Zpx, Nop); break;
    case 0x55: RD(Zpx, Eor); break;
    case 0x56: RMW(Zpx, Lsr); break;
    case 0x57: RMW(Zpx, Sre); break;
    case 0x58: IMP(c.P &= ~kCpuI); break;
    case 0x59: RD(Aby, Eor); break;
    case 0x5A: IMP(0); break;
    case 0x5B: RMW(Aby, Sre); break;
    case 0x5C: RD(Abx, Nop); break;
    case 0x5D: RD(Abx, Eor); break;
    case 0x5E: RMW(Abx, Lsr); break;
    case 0x5F: RMW(Abx, Sre); break;
    // 0x60
    case 0x60: Rts<B>(c); break;
    case 0x61: RD(Izx, Adc); break;
    case 0x62: Jam<B>(c); break;
    case 0x63: RMW(Izx, Rra); break;
    case 0x64: RD(Zp, Nop); break;
    case 0x65: RD(Zp, Adc); break;
    case 0x66: RMW(Zp, Ror); break;
    case 0x67: RMW(Zp, Rra); break;
    case 0x68: PULL(Lda(c, Pull<B>(c))); break;
    case 0x69: RD(Imm, Adc); break;
    case 0x6A: ACC(Ror); break;
    case 0x6B: RD(Imm, Arr); break;
    case 0x6C: JmpIndirect<B>(c); break;
    case 0x6D: RD(Abs, Adc); break;
    case 0x6E: RMW(Abs, Ror); break;
    case 0x6F: RMW(Abs, Rra); break;
    // 0x70
    case 0x70: Branch<B>(c, c.P & kCpuV); break;
    case 0x71: RD(Izy, Adc); break;
    case 0x72: Jam<B>(c); break;
    case 0x73: RMW(Izy, Rra); break;
    case 0x74: RD(Zpx, Nop); break;
    case 0x75: RD(Zpx, Adc); break;
    case 0x76: RMW(Zpx, Ror); break;
    case 0x77: RMW(Zpx, Rra); break;
    case 0x78: IMP(c.P |= kCpuI); break;
    case 0x79: RD(Aby, Adc); break;
    case 0x7A: IMP(0); break;
    case 0x7B: RMW(Aby, Rra); break;
    case 0x7C: RD(Abx, Nop); break;
    case 0x7D: RD(Abx, Adc); break;
    case 0x7E: RMW(Abx, Ror); break;
    case 0x7F: RMW(Abx, Rra); break;
    // 0x80
    case 0x80: RD(Imm, Nop); break;
    case 0x81: ST(Izx, c.A); break;
    case 0x82: RD(Imm, Nop); break;
    case 0x83: ST(Izx, c.A & c.X); break;
    case 0x84: ST(Zp, c.Y); break;
    case 0x85: ST(Zp, c.A); break;
    case 0x86: ST(Zp, c.X); break;
    case 0x87: ST(Zp, c.A & c.X); break;
    case 0x88: IMP(SetZN(c, --c.Y)); break;
    case 0x89: RD(Imm, Nop); break;
    case 0x8A: IMP(Lda(c, c.X)); break;
    case 0x8B: RD(Imm, Ane); break;
    case 0x8C: ST(Abs, c.Y); break;
    case 0x8D: ST(Abs, c.A); break;
    case 0x8E: ST(Abs, c.X); break;
    case 0x8F: ST(Abs, c.A & c.X); break;
    // 0x90
    case 0x90: Branch<B>(c, !(c.P & kCpuC)); break;
    case 0x91: ST(Izy, c.A); break;
    case 0x92: Jam<B>(c); break;
    case 0x93: StoreHigh<B, Mode::Izy>(c, c.A & c.X); break;
    case 0x94: ST(Zpx, c.Y); break;
    case 0x95: ST(Zpx, c.A); break;
    case 0x96: ST(Zpy, c.X); break;
    case 0x97: ST(Zpy, c.A & c.X); break;
    case 0x98: IMP(Lda(c, c.Y)); break;
    case 0x99: ST(Aby, c.A); break;
    case 0x9A: IMP(c.S = c.X); break;
    case 0x9B: c.S = c.A & c.X; StoreHigh<B, Mode::Aby>(c, c.S); break;
    case 0x9C: StoreHigh<B, Mode::Abx>(c, c.Y); break;
    case 0x9D: ST(Abx, c.A); break;
    case 0x9E: StoreHigh<B, Mode::Aby>(c, c.X); break;
    case 0x9F: StoreHigh<B, Mode::Aby>(c, c.A & c.X); break;
    // 0xA0
    case 0xA0: RD(Imm, Ldy); break;
    case 0xA1: RD(Izx, Lda); break;
    case 0xA2: RD(Imm, Ldx); break;
    case 0xA3: RD(Izx, Lax); break;
    case 0xA4: RD(Zp, Ldy); break;
    case 0xA5: RD(Zp, Lda); break;
    case 0xA6: RD(Zp, Ldx); break;
    case 0xA7: RD(Zp, Lax); break;
    case 0xA8: IMP(Ldy(c, c.A)); break;
    case 0xA9: RD(Imm, Lda); break;
    case 0xAA: IMP(Ldx(c, c.A)); break;
    case 0xAB: RD(Imm, Lxa); break;
    case 0xAC: RD(Abs, Ldy); break;
    case 0xAD: RD(Abs, Lda); break;
    case 0xAE: RD(Abs, Ldx); break;
    case 0xAF: RD(Abs, Lax); break;
    // 0xB0
    case 0xB0: Branch<B>(c, c.P & kCpuC); break;
    case 0xB1: RD(Izy, Lda); break;
    case 0xB2: Jam<B>(c); break;
    case 0xB3: RD(Izy, Lax); break;
    case 0xB4: RD(Zpx, Ldy); break;
    case 0xB5: RD(Zpx, Lda); break;
    case 0xB6: RD(Zpy, Ldx); break;
    case 0xB7: RD(Zpy, Lax); break;
    case 0xB8: IMP(c.P &= ~kCpuV); break;
    case 0xB9: RD(Aby, Lda); break;
    case 0xBA: IMP(Ldx(c, c.S)); break;
    case 0xBB: RD(Aby, Las); break;
    case 0xBC: RD(Abx, Ldy); break;
    case 0xBD: RD(Abx, Lda); break;
    case 0xBE: RD(Aby, Ldx); break;
    case 0xBF: RD(Aby, Lax); break;
    // 0xC0
    case 0xC0: RD(Imm, Cpy); break;
    case 0xC1: RD(Izx, Cmp); break;
    case 0xC2: RD(Imm, Nop); break;
    case 0xC3: RMW(Izx, Dcp); break;
    case 0xC4: RD(Zp, Cpy); break;
    case 0xC5: RD(Zp, Cmp); break;
    case 0xC6: RMW(Zp, Dec); break;
    case 0xC7: RMW(Zp, Dcp); break;
    case 0xC8: IMP(SetZN(c, ++c.Y)); break;
    case 0xC9: RD(Imm, Cmp); break;
    case 0xCA: IMP(SetZN(c, --c.X)); break;
    case 0xCB: RD(Imm, Axs); break;
    case 0xCC: RD(Abs, Cpy); break;
    case 0xCD: RD(Abs, Cmp); break;
    case 0xCE: RMW(Abs, Dec); break;
    case 0xCF: RMW(Abs, Dcp); break;
    // 0xD0
    case 0xD0: Branch<B>(c, !(c.P & kCpuZ)); break;
    case 0xD1: RD(Izy, Cmp); break;
    case 0xD2: Jam<B>(c); break;
    case 0xD3: RMW(Izy, Dcp); break;
    case 0xD4: RD(Zpx, Nop); break;
    case 0xD5: RD(Zpx, Cmp); break;
    case 0xD6: RMW(Zpx, Dec); break;
    case 0xD7: RMW(Zpx, Dcp); break;
    case 0xD8: IMP(c.P &= ~kCpuD); break;
    case 0xD9: RD(Aby, Cmp); break;
    case 0xDA: IMP(0); break;
    case 0xDB: RMW(Aby, Dcp); break;
    case 0xDC: RD(Abx, Nop); break;
    case 0xDD: RD(Abx, Cmp); break;
    case 0xDE: RMW(Abx, Dec); break;
    case 0xDF: RMW(Abx, Dcp); break;
    // 0xE0
    case 0xE0: RD(Imm, Cpx); break;
    case 0xE1: RD(Izx, Sbc); break;
    case 0xE2: RD(Imm, Nop); break;
    case 0xE3: RMW(Izx, Isc); break;
    case 0xE4: RD(Zp, Cpx); break;
    case 0xE5: RD(Zp, Sbc); break;
    case 0xE6: RMW(Zp, Inc); break;
    case 0xE7: RMW(Zp, Isc); break;
    case 0xE8: IMP(SetZN(c, ++c.X)); break;
    case 0xE9: RD(Imm, Sbc); break;
    case 0xEA: IMP(0); break;
    case 0xEB: RD(Imm, Sbc); break;
    case 0xEC: RD(Abs, Cpx); break;
    case 0xED: RD(Abs, Sbc); break;
    case 0xEE: RMW(Abs, Inc); break;
    case 0xEF: RMW(Abs, Isc); break;
    // 0xF0
    case 0xF0: Branch<B>(c, c.P & kCpuZ); break;
    case 0xF1: RD(Izy, Sbc); break;
    case 0xF2: Jam<B>(c); break;
    case 0xF3: RMW(Izy, Isc); break;
    case 0xF4: RD(Zpx, Nop); break;
    case 0xF5: RD(Zpx, Sbc); break;
    case 0xF6: RMW(Zpx, Inc); break;
    case 0xF7: RMW(Zpx, Isc); break;
    case 0xF8: IMP(c.P |= kCpuD); break;
    case 0xF9: RD(Aby, Sbc); break;
    case 0xFA: IMP(0); break;
    case 0xFB: RMW(Aby, Isc); break;
    case 0xFC: RD(Abx, Nop); break;
    case 0xFD: RD(Abx, Sbc); break;
    case 0xFE: RMW(Abx, Inc); break;
    case 0xFF: RMW(Abx, Isc); break;
  }
  // clang-format on
}

#undef RD
#undef ST
#undef RMW
#undef ACC
#undef IMP
#undef PUSH
#undef PULL

// Runs one instruction, one interrupt or reset sequence, or one idle cycle
// of a jammed processor.
template <class B>
void CpuStepOn(Cpu& c) {
  if (c.ResetPending) [[unlikely]] {
    ResetSequence<B>(c);
    c.InterruptDue = false;
    return;
  }
  if (c.Jammed) [[unlikely]] {
    // The stopped chip still takes its clock: each idle cycle is one read of
    // $FFFF, so time, and the chips stepped per access, go on.
    Read<B>(c, 0xFFFF);
    return;
  }
  if (c.InterruptDue) {
    Interrupt<B>(c, false);
    // The sequence does not poll at its end: the handler's first
    // instruction always runs.
    c.InterruptDue = false;
    return;
  }
  const uint8_t opcode = Fetch<B>(c);
  Execute<B>(c, opcode);
  // The inputs as they stood at the end of the next-to-last cycle decide;
  // BRK is an interrupt sequence and, like them, lets its handler's first
  // instruction run.
  c.InterruptDue = c.PollPrev && opcode != 0x00 && !c.Jammed;
}

}  // namespace cpu2a03
