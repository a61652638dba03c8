// The disassembler: turns the instruction at one processor address into a
// line of text and says where the next instruction starts. The debugger
// window fills its listing with it; the runner prints it with --disasm.
#pragma once

#include <cstdint>
#include <string>

#include "core/Machine.h"

// The text template of an opcode. Lower-case "nn" stands for the byte after
// the opcode, "nnnn" for the little-endian word after it; all else is literal.
const char* DisasmTemplate(uint8_t opcode);

// Bytes an opcode occupies in the listing: 1 without an operand field, 2 with
// nn, 3 with nnnn. Undocumented and 65C02-only opcodes count as one byte.
int InstructionLength(uint8_t opcode);

// Text of the instruction at `address`; `address` moves on to the next one,
// wrapping at $FFFF. The opcode and byte operands are peeked (no side effect);
// a word operand is read with the processor's data read, as the console would.
std::string Disassemble(Machine& m, uint16_t& address);

// `count` consecutive instructions from `from`, one line each: the address in
// four upper-case hex digits, two blanks and the text, ending in a newline.
std::string DisassemblyListing(Machine& m, uint16_t from, int count);
