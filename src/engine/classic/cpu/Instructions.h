// One 6502 instruction: operand fetch, addressing modes, the operations with
// their flags and the 256-way opcode switch. Everything here is force-inlined
// into its two users, the run loop and the single step (MF6502.cpp), so the
// switch is written once and the run loop pays no call per instruction.
#pragma once

#include <algorithm>
#include <cstdint>

#include "engine/classic/cpu/Bus.h"
#include "engine/classic/cpu/MF6502.h"

#define CPU_INLINE [[gnu::always_inline]] inline

namespace cpu6502 {

// --- The bus --------------------------------------------------------------------
// The machine is handed down from the run loop as a reference, never read
// from a global: every store through a byte pointer could change a global as
// far as the compiler knows, so it would be reloaded after each one.
CPU_INLINE uint8_t Peek(Machine& m, uint16_t address) { return CpuPeek(m, address); }
CPU_INLINE uint8_t Read(Machine& m, uint16_t address) { return CpuRead(m, address); }
CPU_INLINE void Write(Machine& m, uint16_t address, uint8_t value) { CpuWrite(m, address, value); }
// A store that may reach a register ($2000-$5FFF). The run loop keeps its
// record in a local copy; a register write first leaves the slice's cycle
// count in the Machine, where the sound register stream reads how far into
// the line the write came. Zero-page and stack stores never need this.
CPU_INLINE void Write(Machine& m, const TCpuState& r, uint16_t address, uint8_t value) {
  if (static_cast<unsigned>(address >> 13) - 1u < 2u) [[unlikely]]
    Classic(m).Cpu.Cycles = r.Cycles;
  CpuWrite(m, address, value);
}

// --- Instruction stream and stack ------------------------------------------
// Every byte of the instruction stream is peeked: reading code never touches
// an I/O register, even when a program runs from one.
CPU_INLINE uint8_t Fetch(Machine& m, TCpuState& r) { return Peek(m, r.PC++); }
CPU_INLINE uint16_t Fetch16(Machine& m, TCpuState& r) {
  const uint8_t lo = Fetch(m, r);
  const uint8_t hi = Fetch(m, r);
  return static_cast<uint16_t>(lo | hi << 8);
}
CPU_INLINE void Push(Machine& m, TCpuState& r, uint8_t value) {
  Write(m, static_cast<uint16_t>(0x100 | r.S--), value);
}
CPU_INLINE uint8_t Pull(Machine& m, TCpuState& r) { return Peek(m, static_cast<uint16_t>(0x100 | ++r.S)); }
CPU_INLINE void SetNZ(TCpuState& r, uint8_t v) { r.P = static_cast<uint8_t>((r.P & 0x7D) | NZTable[v]); }

// --- Effective addresses ------------------------------------------------------
CPU_INLINE uint8_t Imm(Machine& m, TCpuState& r) { return Fetch(m, r); }
CPU_INLINE uint16_t Zp(Machine& m, TCpuState& r) { return Fetch(m, r); }
CPU_INLINE uint16_t ZpX(Machine& m, TCpuState& r) { return static_cast<uint8_t>(Fetch(m, r) + r.X); }
CPU_INLINE uint16_t ZpY(Machine& m, TCpuState& r) { return static_cast<uint8_t>(Fetch(m, r) + r.Y); }
CPU_INLINE uint16_t Abs(Machine& m, TCpuState& r) { return Fetch16(m, r); }
CPU_INLINE uint16_t AbsX(Machine& m, TCpuState& r) { return static_cast<uint16_t>(Fetch16(m, r) + r.X); }
CPU_INLINE uint16_t AbsY(Machine& m, TCpuState& r) { return static_cast<uint16_t>(Fetch16(m, r) + r.Y); }
// Pointer bytes come from page zero by peek; the pointer's high byte is taken
// at pointer + 1 in 16 bits, so a pointer at $FF reaches $0100.
CPU_INLINE uint16_t Pointer(Machine& m, uint16_t at) {
  const uint8_t lo = Peek(m, at);
  const uint8_t hi = Peek(m, static_cast<uint16_t>(at + 1));
  return static_cast<uint16_t>(lo | hi << 8);
}
CPU_INLINE uint16_t IndX(Machine& m, TCpuState& r) {
  return Pointer(m, static_cast<uint8_t>(Fetch(m, r) + r.X));
}
CPU_INLINE uint16_t IndY(Machine& m, TCpuState& r) {
  return static_cast<uint16_t>(Pointer(m, Fetch(m, r)) + r.Y);
}
// Data operands are full reads, with whatever side effect the register has.
CPU_INLINE uint8_t Rd(Machine& m, uint16_t ea) { return Read(m, ea); }

// --- Loads, logic, comparisons ------------------------------------------------------
CPU_INLINE void Lda(TCpuState& r, uint8_t v) { SetNZ(r, r.A = v); }
CPU_INLINE void Ldx(TCpuState& r, uint8_t v) { SetNZ(r, r.X = v); }
CPU_INLINE void Ldy(TCpuState& r, uint8_t v) { SetNZ(r, r.Y = v); }
CPU_INLINE void Ora(TCpuState& r, uint8_t v) { SetNZ(r, r.A |= v); }
CPU_INLINE void And(TCpuState& r, uint8_t v) { SetNZ(r, r.A &= v); }
CPU_INLINE void Eor(TCpuState& r, uint8_t v) { SetNZ(r, r.A ^= v); }
CPU_INLINE void Bit(TCpuState& r, uint8_t v) {
  r.P = static_cast<uint8_t>((r.P & 0x3D) | (v & 0xC0) | ((r.A & v) ? 0 : FlagZ));
}
// Register minus operand in 16 bits: no borrow out of the low byte sets C.
CPU_INLINE void Compare(TCpuState& r, uint8_t reg, uint8_t v) {
  const uint16_t d = static_cast<uint16_t>(reg - v);
  r.P = static_cast<uint8_t>((r.P & 0x7C) | NZTable[d & 0xFF] | ((d >> 8) ? 0 : FlagC));
}

// --- Arithmetic ------------------------------------------------------------------------
// Decimal mode works digit by digit on the nibbles and changes only A and C;
// N, Z and V keep what they held.
CPU_INLINE void Adc(TCpuState& r, uint8_t v) {
  const uint8_t c = r.P & FlagC;
  if (r.P & FlagD) [[unlikely]] {
    uint8_t lo = static_cast<uint8_t>((r.A & 0x0F) + (v & 0x0F) + c);
    uint8_t hi = static_cast<uint8_t>((r.A >> 4) + (v >> 4));
    if (lo > 9) {
      lo = static_cast<uint8_t>(lo + 6);
      ++hi;
    }
    if (hi > 9) hi = static_cast<uint8_t>(hi + 6);
    r.A = static_cast<uint8_t>((hi << 4) | (lo & 0x0F));
    r.P = static_cast<uint8_t>((r.P & ~FlagC) | (hi > 15 ? FlagC : 0));
    return;
  }
  const uint16_t s = static_cast<uint16_t>(r.A + v + c);
  const uint8_t overflow = (~(r.A ^ v) & (r.A ^ s) & 0x80) ? FlagV : 0;
  r.A = static_cast<uint8_t>(s);
  r.P = static_cast<uint8_t>((r.P & 0x3C) | NZTable[r.A] | overflow | (s >> 8 ? FlagC : 0));
}
CPU_INLINE void Sbc(TCpuState& r, uint8_t v) {
  const uint8_t borrowIn = (r.P & FlagC) ? 0 : 1;
  if (r.P & FlagD) [[unlikely]] {
    uint8_t lo = static_cast<uint8_t>((r.A & 0x0F) - (v & 0x0F) - borrowIn);
    const bool lowBorrow = lo & 0x10;
    if (lowBorrow) lo = static_cast<uint8_t>(lo - 6);
    uint8_t hi = static_cast<uint8_t>((r.A >> 4) - (v >> 4) - (lowBorrow ? 1 : 0));
    if (hi & 0x10) hi = static_cast<uint8_t>(hi - 6);
    r.A = static_cast<uint8_t>((hi << 4) | (lo & 0x0F));
    r.P = static_cast<uint8_t>((r.P & ~FlagC) | (hi <= 15 ? FlagC : 0));
    return;
  }
  const uint16_t d = static_cast<uint16_t>(r.A - v - borrowIn);
  const uint8_t overflow = ((r.A ^ v) & (r.A ^ d) & 0x80) ? FlagV : 0;
  r.A = static_cast<uint8_t>(d);
  r.P = static_cast<uint8_t>((r.P & 0x3C) | NZTable[r.A] | overflow | (d >> 8 ? 0 : FlagC));
}

// --- Shifts, rotations, increments: on A or read once and written once -------------
CPU_INLINE uint8_t Asl(TCpuState& r, uint8_t v) {
  const uint8_t out = static_cast<uint8_t>(v << 1);
  r.P = static_cast<uint8_t>((r.P & 0x7C) | NZTable[out] | (v >> 7));
  return out;
}
CPU_INLINE uint8_t Lsr(TCpuState& r, uint8_t v) {
  const uint8_t out = static_cast<uint8_t>(v >> 1);
  r.P = static_cast<uint8_t>((r.P & 0x7C) | NZTable[out] | (v & 1));
  return out;
}
CPU_INLINE uint8_t Rol(TCpuState& r, uint8_t v) {
  const uint8_t out = static_cast<uint8_t>((v << 1) | (r.P & FlagC));
  r.P = static_cast<uint8_t>((r.P & 0x7C) | NZTable[out] | (v >> 7));
  return out;
}
CPU_INLINE uint8_t Ror(TCpuState& r, uint8_t v) {
  const uint8_t out = static_cast<uint8_t>((v >> 1) | ((r.P & FlagC) << 7));
  r.P = static_cast<uint8_t>((r.P & 0x7C) | NZTable[out] | (v & 1));
  return out;
}
CPU_INLINE uint8_t Inc(TCpuState& r, uint8_t v) {
  const uint8_t out = static_cast<uint8_t>(v + 1);
  SetNZ(r, out);
  return out;
}
CPU_INLINE uint8_t Dec(TCpuState& r, uint8_t v) {
  const uint8_t out = static_cast<uint8_t>(v - 1);
  SetNZ(r, out);
  return out;
}
// Memory forms: one full read, one write of the result, no dummy write.
template <uint8_t (*Op)(TCpuState&, uint8_t)>
CPU_INLINE void Modify(Machine& m, TCpuState& r, uint16_t ea) {
  const uint8_t v = Read(m, ea);
  Write(m, r, ea, Op(r, v));
}

// --- Waiting loops ----------------------------------------------------------------------
// The commonest loops of all are two instructions long: a read that has no
// side effect followed by a branch back to it, taken while nothing changes.
// "BIT $2002 / BPL" waits for vertical blank, "BIT $2002 / BVC" for the
// sprite-0 hit, "CMP frame / BEQ" for the NMI handler to count a frame. Within
// a slice nothing else can change what such a read returns: memory changes
// only through the processor's own writes, the status register only in the
// scanline hook between slices, and reading $2002 clears only bits 6 and 7.
// So when the read would leave the registers and flags exactly as they are,
// every further pass repeats the last one until the slice runs out. The run
// loop then charges those passes' cycles without executing them and stops
// where they would have stopped. The single step never skips: the debugger
// sees every pass.

// The value a read-only operand at `address` gives, without side effects;
// false when reading it has one (I/O other than a settled $2002).
CPU_INLINE bool QuietValue(Machine& m, uint16_t address, uint8_t& value) {
  if (address < 0x2000) {
    value = m.Ram[address & 0x7FF];
  } else if (address == 0x2002) {
    if (Classic(m).PpuStatus & 0xC0) return false;  // this read would still clear a bit
    value = Classic(m).PpuStatus;
  } else if (address >= 0x6000 && m.CpuBankTable[address >> 13].Base) {
    value = Peek(m, address);
  } else {
    return false;
  }
  return true;
}

// `r.PC` is the loop's first instruction, `length` its size in bytes (2 for a
// zero-page operand, 3 for an absolute one); the taken branch follows it.
CPU_INLINE void SkipWaitLoop(Machine& m, TCpuState& r, int length) {
  const uint16_t read = r.PC;
  // Code fetched from an empty window logs a line per byte: no skipping there.
  const auto& banks = m.CpuBankTable;
  if (!banks[read >> 13].Base || !banks[static_cast<uint16_t>(read + length + 1) >> 13].Base) return;
  const uint8_t opcode = Peek(m, read);
  const uint8_t lo = Peek(m, static_cast<uint16_t>(read + 1));
  uint16_t address = lo;
  if (length == 3) address = static_cast<uint16_t>(lo | Peek(m, static_cast<uint16_t>(read + 2)) << 8);
  uint8_t v;
  if (!QuietValue(m, address, v)) return;
  TCpuState next = r;
  // Zero-page and absolute forms differ in bit 3 of the opcode alone.
  switch (length == 3 ? opcode : opcode | 0x08) {
    case 0x2C: Bit(next, v); break;
    case 0xAD: Lda(next, v); break;
    case 0xAE: Ldx(next, v); break;
    case 0xAC: Ldy(next, v); break;
    case 0xCD: Compare(next, next.A, v); break;
    case 0xEC: Compare(next, next.X, v); break;
    case 0xCC: Compare(next, next.Y, v); break;
    case 0x2D: And(next, v); break;
    case 0x0D: Ora(next, v); break;
    default: return;
  }
  if ((length == 3) != ((opcode & 0x08) != 0)) return;  // not the addressing mode the length says
  if (next.A != r.A || next.X != r.X || next.Y != r.Y || next.P != r.P) return;
  const int32_t readCycles = CycleTable[opcode];
  const int32_t branchCycles = CycleTable[Peek(m, static_cast<uint16_t>(read + length))] + 1;
  // Whole passes that leave cycles in the slice are charged at once; the last,
  // partial pass then ends either between the read and the branch or after
  // the branch, back at the read.
  const int32_t pass = readCycles + branchCycles;
  r.Cycles -= (r.Cycles - 1) / pass * pass;
  r.Cycles -= readCycles;
  if (r.Cycles <= 0) {
    r.PC = static_cast<uint16_t>(read + length);  // the slice ends between the read and the branch
    return;
  }
  r.Cycles -= branchCycles;
}

// A counted wait, "DEY / BNE" back to the DEY (or DEX, INX, INY with any
// branch), turns until the register reaches the branch's end or the slice
// runs out. Only the register, its flags and the cycles change, so the turns
// are worked out here without fetching each instruction again.
CPU_INLINE void SkipCountedLoop(Machine& m, TCpuState& r) {
  const uint16_t step = r.PC;
  const auto& banks = m.CpuBankTable;
  if (!banks[step >> 13].Base || !banks[static_cast<uint16_t>(step + 2) >> 13].Base) return;
  const uint8_t opcode = Peek(m, step);
  // The count is worked on in a local and stored back at the end: a pointer
  // into the registers would keep the run loop's copy of them out of
  // machine registers.
  bool countsY;
  int delta;
  switch (opcode) {
    case 0xCA: countsY = false, delta = -1; break;  // DEX
    case 0x88: countsY = true, delta = -1; break;   // DEY
    case 0xE8: countsY = false, delta = 1; break;   // INX
    case 0xC8: countsY = true, delta = 1; break;    // INY
    default: return;
  }
  // Branch opcodes: bits 6-7 choose the flag (N, V, C, Z), bit 5 whether it
  // is taken when the flag is set.
  const uint8_t branch = Peek(m, static_cast<uint16_t>(step + 1));
  if ((branch & 0x1F) != 0x10) return;
  constexpr uint8_t kFlag[4] = {FlagN, FlagV, FlagC, FlagZ};
  const uint8_t flag = kFlag[branch >> 6];
  const bool whenSet = branch & 0x20;
  const int32_t stepCycles = CycleTable[opcode];
  const int32_t branchCycles = CycleTable[branch];
  uint8_t count = countsY ? r.Y : r.X;
  // With BNE the turns end when the count reaches zero, so the turns that
  // neither end the count nor the slice are charged at once; the loop below
  // then carries out the last ones as it would any other count.
  if (branch == 0xD0) {
    const int32_t left = delta < 0 ? (count ? count : 256) : 256 - count;
    const int32_t turn = stepCycles + branchCycles + 1;
    const int32_t turns = std::min(left - 1, (r.Cycles - 1) / turn);
    if (turns > 0) {
      count = static_cast<uint8_t>(count + delta * turns);
      SetNZ(r, count);
      r.Cycles -= turns * turn;
    }
  }
  while (r.Cycles > 0) {
    count = static_cast<uint8_t>(count + delta);
    SetNZ(r, count);
    r.Cycles -= stepCycles;
    if (r.Cycles <= 0) {
      r.PC = static_cast<uint16_t>(step + 1);  // the slice ends before the branch
      break;
    }
    r.Cycles -= branchCycles;
    if (((r.P & flag) != 0) != whenSet) {
      r.PC = static_cast<uint16_t>(step + 3);  // the count is done: the branch falls through
      break;
    }
    --r.Cycles;  // taken
  }
  if (countsY)
    r.Y = count;
  else
    r.X = count;
}

// --- Branches, jumps, subroutines, interrupts ------------------------------------------
// "JMP *" idles until an interrupt, which only arrives at a slice end: the run
// loop charges the rest of the slice in jumps and stays on the JMP.
template <bool kSkipWaits>
CPU_INLINE void Jmp(Machine& m, TCpuState& r) {
  const uint16_t from = static_cast<uint16_t>(r.PC - 1);
  r.PC = Abs(m, r);
  if constexpr (kSkipWaits)
    if (r.PC == from && r.Cycles > 0) [[unlikely]] {
      const int32_t jump = CycleTable[0x4C];
      r.Cycles -= jump * ((r.Cycles + jump - 1) / jump);
    }
}
// A taken branch costs one cycle more; never a page-crossing penalty. A branch
// three to five bytes back may close a waiting loop (see above).
template <bool kSkipWaits>
CPU_INLINE void Branch(Machine& m, TCpuState& r, bool taken) {
  if (taken) {
    const int8_t offset = static_cast<int8_t>(Peek(m, r.PC));
    r.PC = static_cast<uint16_t>(r.PC + offset + 1);
    --r.Cycles;
    if constexpr (kSkipWaits)
      if (r.Cycles > 0 && offset >= -5 && offset <= -3) [[unlikely]] {
        if (offset == -3)
          SkipCountedLoop(m, r);
        else
          SkipWaitLoop(m, r, -offset - 2);
      }
  } else {
    ++r.PC;
  }
}
// The high byte of an indirect target sits at pointer + 1 in 16 bits: a
// pointer at $xxFF reads it from the next page. Both bytes are full reads.
CPU_INLINE void JmpIndirect(Machine& m, TCpuState& r) {
  const uint16_t at = Fetch16(m, r);
  const uint8_t lo = Read(m, at);
  const uint8_t hi = Read(m, static_cast<uint16_t>(at + 1));
  r.PC = static_cast<uint16_t>(lo | hi << 8);
}
// The pushed return address is that of JSR's last byte; RTS adds the one.
CPU_INLINE void Jsr(Machine& m, TCpuState& r) {
  const uint8_t lo = Fetch(m, r);
  const uint8_t hi = Peek(m, r.PC);
  Push(m, r, static_cast<uint8_t>(r.PC >> 8));
  Push(m, r, static_cast<uint8_t>(r.PC));
  r.PC = static_cast<uint16_t>(lo | hi << 8);
}
CPU_INLINE void Rts(Machine& m, TCpuState& r) {
  const uint8_t lo = Pull(m, r);
  const uint8_t hi = Pull(m, r);
  r.PC = static_cast<uint16_t>((lo | hi << 8) + 1);
}
CPU_INLINE void Rti(Machine& m, TCpuState& r) {
  r.P = Pull(m, r) | FlagU;
  const uint8_t lo = Pull(m, r);
  const uint8_t hi = Pull(m, r);
  r.PC = static_cast<uint16_t>(lo | hi << 8);
}
// BRK skips the byte after it and pushes the status with B set.
CPU_INLINE void Brk(Machine& m, TCpuState& r) {
  ++r.PC;
  Push(m, r, static_cast<uint8_t>(r.PC >> 8));
  Push(m, r, static_cast<uint8_t>(r.PC));
  Push(m, r, r.P | FlagB);
  r.P = static_cast<uint8_t>((r.P | FlagI) & ~FlagD);
  const uint8_t lo = Read(m, 0xFFFE);
  const uint8_t hi = Read(m, 0xFFFF);
  r.PC = static_cast<uint16_t>(lo | hi << 8);
}
// An IRQ that met a set I was dropped, not remembered (CpuInterrupt), so
// clearing I lets in only the next one the hook hands back.
CPU_INLINE void Cli(TCpuState& r) { r.P = static_cast<uint8_t>(r.P & ~FlagI); }
CPU_INLINE void Plp(Machine& m, TCpuState& r) { r.P = Pull(m, r) | FlagU; }

// --- The instruction -----------------------------------------------------------------
// Fetch, charge the table's cycles, carry out. $EA and the undocumented opcodes
// take the default path: one byte long, their table cycles, no other effect.
// kSkipWaits: the run loop's form, which passes over waits on the status
// register; the single step executes every pass.
template <bool kSkipWaits>
CPU_INLINE void ExecuteInstruction(Machine& m, TCpuState& r) {
  const uint8_t opcode = Fetch(m, r);
  r.Cycles -= CycleTable[opcode];
  // clang-format off
  switch (opcode) {
    case 0x00: Brk(m, r); break;                                    // BRK
    case 0x01: Ora(r, Rd(m, IndX(m, r))); break;                    // ORA (zp,X)
    case 0x05: Ora(r, Rd(m, Zp(m, r))); break;                      // ORA zp
    case 0x06: Modify<Asl>(m, r, Zp(m, r)); break;                  // ASL zp
    case 0x08: Push(m, r, r.P); break;                              // PHP: P as held
    case 0x09: Ora(r, Imm(m, r)); break;                            // ORA #
    case 0x0A: r.A = Asl(r, r.A); break;                            // ASL A
    case 0x0D: Ora(r, Rd(m, Abs(m, r))); break;                     // ORA abs
    case 0x0E: Modify<Asl>(m, r, Abs(m, r)); break;                 // ASL abs
    case 0x10: Branch<kSkipWaits>(m, r, !(r.P & FlagN)); break;     // BPL
    case 0x11: Ora(r, Rd(m, IndY(m, r))); break;                    // ORA (zp),Y
    case 0x15: Ora(r, Rd(m, ZpX(m, r))); break;                     // ORA zp,X
    case 0x16: Modify<Asl>(m, r, ZpX(m, r)); break;                 // ASL zp,X
    case 0x18: r.P &= ~FlagC; break;                                // CLC
    case 0x19: Ora(r, Rd(m, AbsY(m, r))); break;                    // ORA abs,Y
    case 0x1D: Ora(r, Rd(m, AbsX(m, r))); break;                    // ORA abs,X
    case 0x1E: Modify<Asl>(m, r, AbsX(m, r)); break;                // ASL abs,X
    case 0x20: Jsr(m, r); break;                                    // JSR
    case 0x21: And(r, Rd(m, IndX(m, r))); break;                    // AND (zp,X)
    case 0x24: Bit(r, Rd(m, Zp(m, r))); break;                      // BIT zp
    case 0x25: And(r, Rd(m, Zp(m, r))); break;                      // AND zp
    case 0x26: Modify<Rol>(m, r, Zp(m, r)); break;                  // ROL zp
    case 0x28: Plp(m, r); break;                                    // PLP
    case 0x29: And(r, Imm(m, r)); break;                            // AND #
    case 0x2A: r.A = Rol(r, r.A); break;                            // ROL A
    case 0x2C: Bit(r, Rd(m, Abs(m, r))); break;                     // BIT abs
    case 0x2D: And(r, Rd(m, Abs(m, r))); break;                     // AND abs
    case 0x2E: Modify<Rol>(m, r, Abs(m, r)); break;                 // ROL abs
    case 0x30: Branch<kSkipWaits>(m, r, r.P & FlagN); break;        // BMI
    case 0x31: And(r, Rd(m, IndY(m, r))); break;                    // AND (zp),Y
    case 0x35: And(r, Rd(m, ZpX(m, r))); break;                     // AND zp,X
    case 0x36: Modify<Rol>(m, r, ZpX(m, r)); break;                 // ROL zp,X
    case 0x38: r.P |= FlagC; break;                                 // SEC
    case 0x39: And(r, Rd(m, AbsY(m, r))); break;                    // AND abs,Y
    case 0x3D: And(r, Rd(m, AbsX(m, r))); break;                    // AND abs,X
    case 0x3E: Modify<Rol>(m, r, AbsX(m, r)); break;                // ROL abs,X
    case 0x40: Rti(m, r); break;                                    // RTI
    case 0x41: Eor(r, Rd(m, IndX(m, r))); break;                    // EOR (zp,X)
    case 0x45: Eor(r, Rd(m, Zp(m, r))); break;                      // EOR zp
    case 0x46: Modify<Lsr>(m, r, Zp(m, r)); break;                  // LSR zp
    case 0x48: Push(m, r, r.A); break;                              // PHA
    case 0x49: Eor(r, Imm(m, r)); break;                            // EOR #
    case 0x4A: r.A = Lsr(r, r.A); break;                            // LSR A
    case 0x4C: Jmp<kSkipWaits>(m, r); break;                        // JMP abs
    case 0x4D: Eor(r, Rd(m, Abs(m, r))); break;                     // EOR abs
    case 0x4E: Modify<Lsr>(m, r, Abs(m, r)); break;                 // LSR abs
    case 0x50: Branch<kSkipWaits>(m, r, !(r.P & FlagV)); break;     // BVC
    case 0x51: Eor(r, Rd(m, IndY(m, r))); break;                    // EOR (zp),Y
    case 0x55: Eor(r, Rd(m, ZpX(m, r))); break;                     // EOR zp,X
    case 0x56: Modify<Lsr>(m, r, ZpX(m, r)); break;                 // LSR zp,X
    case 0x58: Cli(r); break;                                       // CLI
    case 0x59: Eor(r, Rd(m, AbsY(m, r))); break;                    // EOR abs,Y
    case 0x5D: Eor(r, Rd(m, AbsX(m, r))); break;                    // EOR abs,X
    case 0x5E: Modify<Lsr>(m, r, AbsX(m, r)); break;                // LSR abs,X
    case 0x60: Rts(m, r); break;                                    // RTS
    case 0x61: Adc(r, Rd(m, IndX(m, r))); break;                    // ADC (zp,X)
    case 0x65: Adc(r, Rd(m, Zp(m, r))); break;                      // ADC zp
    case 0x66: Modify<Ror>(m, r, Zp(m, r)); break;                  // ROR zp
    case 0x68: Lda(r, Pull(m, r)); break;                           // PLA
    case 0x69: Adc(r, Imm(m, r)); break;                            // ADC #
    case 0x6A: r.A = Ror(r, r.A); break;                            // ROR A
    case 0x6C: JmpIndirect(m, r); break;                            // JMP (abs)
    case 0x6D: Adc(r, Rd(m, Abs(m, r))); break;                     // ADC abs
    case 0x6E: Modify<Ror>(m, r, Abs(m, r)); break;                 // ROR abs
    case 0x70: Branch<kSkipWaits>(m, r, r.P & FlagV); break;        // BVS
    case 0x71: Adc(r, Rd(m, IndY(m, r))); break;                    // ADC (zp),Y
    case 0x75: Adc(r, Rd(m, ZpX(m, r))); break;                     // ADC zp,X
    case 0x76: Modify<Ror>(m, r, ZpX(m, r)); break;                 // ROR zp,X
    case 0x78: r.P |= FlagI; break;                                 // SEI
    case 0x79: Adc(r, Rd(m, AbsY(m, r))); break;                    // ADC abs,Y
    case 0x7D: Adc(r, Rd(m, AbsX(m, r))); break;                    // ADC abs,X
    case 0x7E: Modify<Ror>(m, r, AbsX(m, r)); break;                // ROR abs,X
    case 0x81: Write(m, r, IndX(m, r), r.A); break;                    // STA (zp,X)
    case 0x84: Write(m, Zp(m, r), r.Y); break;                      // STY zp
    case 0x85: Write(m, Zp(m, r), r.A); break;                      // STA zp
    case 0x86: Write(m, Zp(m, r), r.X); break;                      // STX zp
    case 0x88: SetNZ(r, --r.Y); break;                              // DEY
    case 0x8A: SetNZ(r, r.A = r.X); break;                          // TXA
    case 0x8C: Write(m, r, Abs(m, r), r.Y); break;                     // STY abs
    case 0x8D: Write(m, r, Abs(m, r), r.A); break;                     // STA abs
    case 0x8E: Write(m, r, Abs(m, r), r.X); break;                     // STX abs
    case 0x90: Branch<kSkipWaits>(m, r, !(r.P & FlagC)); break;     // BCC
    case 0x91: Write(m, r, IndY(m, r), r.A); break;                    // STA (zp),Y
    case 0x94: Write(m, ZpX(m, r), r.Y); break;                     // STY zp,X
    case 0x95: Write(m, ZpX(m, r), r.A); break;                     // STA zp,X
    case 0x96: Write(m, ZpY(m, r), r.X); break;                     // STX zp,Y
    case 0x98: SetNZ(r, r.A = r.Y); break;                          // TYA
    case 0x99: Write(m, r, AbsY(m, r), r.A); break;                    // STA abs,Y
    case 0x9A: r.S = r.X; break;                                    // TXS
    case 0x9D: Write(m, r, AbsX(m, r), r.A); break;                    // STA abs,X
    case 0xA0: Ldy(r, Imm(m, r)); break;                            // LDY #
    case 0xA1: Lda(r, Rd(m, IndX(m, r))); break;                    // LDA (zp,X)
    case 0xA2: Ldx(r, Imm(m, r)); break;                            // LDX #
    case 0xA4: Ldy(r, Rd(m, Zp(m, r))); break;                      // LDY zp
    case 0xA5: Lda(r, Rd(m, Zp(m, r))); break;                      // LDA zp
    case 0xA6: Ldx(r, Rd(m, Zp(m, r))); break;                      // LDX zp
    case 0xA8: SetNZ(r, r.Y = r.A); break;                          // TAY
    case 0xA9: Lda(r, Imm(m, r)); break;                            // LDA #
    case 0xAA: SetNZ(r, r.X = r.A); break;                          // TAX
    case 0xAC: Ldy(r, Rd(m, Abs(m, r))); break;                     // LDY abs
    case 0xAD: Lda(r, Rd(m, Abs(m, r))); break;                     // LDA abs
    case 0xAE: Ldx(r, Rd(m, Abs(m, r))); break;                     // LDX abs
    case 0xB0: Branch<kSkipWaits>(m, r, r.P & FlagC); break;        // BCS
    case 0xB1: Lda(r, Rd(m, IndY(m, r))); break;                    // LDA (zp),Y
    case 0xB4: Ldy(r, Rd(m, ZpX(m, r))); break;                     // LDY zp,X
    case 0xB5: Lda(r, Rd(m, ZpX(m, r))); break;                     // LDA zp,X
    case 0xB6: Ldx(r, Rd(m, ZpY(m, r))); break;                     // LDX zp,Y
    case 0xB8: r.P &= ~FlagV; break;                                // CLV
    case 0xB9: Lda(r, Rd(m, AbsY(m, r))); break;                    // LDA abs,Y
    case 0xBA: r.X = r.S; break;                                    // TSX: flags untouched
    case 0xBC: Ldy(r, Rd(m, AbsX(m, r))); break;                    // LDY abs,X
    case 0xBD: Lda(r, Rd(m, AbsX(m, r))); break;                    // LDA abs,X
    case 0xBE: Ldx(r, Rd(m, AbsY(m, r))); break;                    // LDX abs,Y
    case 0xC0: Compare(r, r.Y, Imm(m, r)); break;                   // CPY #
    case 0xC1: Compare(r, r.A, Rd(m, IndX(m, r))); break;           // CMP (zp,X)
    case 0xC4: Compare(r, r.Y, Rd(m, Zp(m, r))); break;             // CPY zp
    case 0xC5: Compare(r, r.A, Rd(m, Zp(m, r))); break;             // CMP zp
    case 0xC6: Modify<Dec>(m, r, Zp(m, r)); break;                  // DEC zp
    case 0xC8: SetNZ(r, ++r.Y); break;                              // INY
    case 0xC9: Compare(r, r.A, Imm(m, r)); break;                   // CMP #
    case 0xCA: SetNZ(r, --r.X); break;                              // DEX
    case 0xCC: Compare(r, r.Y, Rd(m, Abs(m, r))); break;            // CPY abs
    case 0xCD: Compare(r, r.A, Rd(m, Abs(m, r))); break;            // CMP abs
    case 0xCE: Modify<Dec>(m, r, Abs(m, r)); break;                 // DEC abs
    case 0xD0: Branch<kSkipWaits>(m, r, !(r.P & FlagZ)); break;     // BNE
    case 0xD1: Compare(r, r.A, Rd(m, IndY(m, r))); break;           // CMP (zp),Y
    case 0xD5: Compare(r, r.A, Rd(m, ZpX(m, r))); break;            // CMP zp,X
    case 0xD6: Modify<Dec>(m, r, ZpX(m, r)); break;                 // DEC zp,X
    case 0xD8: r.P &= ~FlagD; break;                                // CLD
    case 0xD9: Compare(r, r.A, Rd(m, AbsY(m, r))); break;           // CMP abs,Y
    case 0xDD: Compare(r, r.A, Rd(m, AbsX(m, r))); break;           // CMP abs,X
    case 0xDE: Modify<Dec>(m, r, AbsX(m, r)); break;                // DEC abs,X
    case 0xE0: Compare(r, r.X, Imm(m, r)); break;                   // CPX #
    case 0xE1: Sbc(r, Rd(m, IndX(m, r))); break;                    // SBC (zp,X)
    case 0xE4: Compare(r, r.X, Rd(m, Zp(m, r))); break;             // CPX zp
    case 0xE5: Sbc(r, Rd(m, Zp(m, r))); break;                      // SBC zp
    case 0xE6: Modify<Inc>(m, r, Zp(m, r)); break;                  // INC zp
    case 0xE8: SetNZ(r, ++r.X); break;                              // INX
    case 0xE9: Sbc(r, Imm(m, r)); break;                            // SBC #
    case 0xEC: Compare(r, r.X, Rd(m, Abs(m, r))); break;            // CPX abs
    case 0xED: Sbc(r, Rd(m, Abs(m, r))); break;                     // SBC abs
    case 0xEE: Modify<Inc>(m, r, Abs(m, r)); break;                 // INC abs
    case 0xF0: Branch<kSkipWaits>(m, r, r.P & FlagZ); break;        // BEQ
    case 0xF1: Sbc(r, Rd(m, IndY(m, r))); break;                    // SBC (zp),Y
    case 0xF5: Sbc(r, Rd(m, ZpX(m, r))); break;                     // SBC zp,X
    case 0xF6: Modify<Inc>(m, r, ZpX(m, r)); break;                 // INC zp,X
    case 0xF8: r.P |= FlagD; break;                                 // SED
    case 0xF9: Sbc(r, Rd(m, AbsY(m, r))); break;                    // SBC abs,Y
    case 0xFD: Sbc(r, Rd(m, AbsX(m, r))); break;                    // SBC abs,X
    case 0xFE: Modify<Inc>(m, r, AbsX(m, r)); break;                // INC abs,X
    default: break;                                            // NOP ($EA) and the undocumented opcodes
  }
  // clang-format on
}

}  // namespace cpu6502
