// The opcode templates and the formatting of one disassembled line.
#include "debugger/Disassembler.h"

#include <array>
#include <string_view>

#include "core/Engine.h"

namespace {

// One template per opcode, laid out like the opcode matrix (row = high digit).
// The listing knows the documented 6502 set and names the 65C02 additions, but
// shows TSB, TRB, STZ, BRA, the new BIT forms and JMP $7C bare, as one byte.
// The $x2 column repeats the zero-page-indexed form of its family ($x5).
// Some families print a dollar sign before the operand and some do not; that
// inconsistency is what users of the listing know, so it is kept as it is.
// clang-format off
constexpr const char* kTemplates[256] = {
    //        x0           x1              x2            x3     x4            x5            x6            x7     x8     x9              xA       xB     xC              xD              xE              xF
    /* 0x */ "BRK",       "ORA ($nn, X)", "NOP",        "NOP", "TSB",        "ORA $nn",    "ASL nn",     "NOP", "PHP", "ORA #nn",      "ASL A", "NOP", "TSB",          "ORA $nnnn",    "ASL nnnn",     "NOP",
    /* 1x */ "BPL nn",    "ORA ($nn), Y", "ORA $nn, X", "NOP", "TRB",        "ORA $nn, X", "ASL nn, X",  "NOP", "CLC", "ORA $nnnn, Y", "INA",   "NOP", "TRB",          "ORA $nnnn, X", "ASL nnnn, X",  "NOP",
    /* 2x */ "JSR $nnnn", "AND (nn, X)",  "NOP",        "NOP", "BIT nn",     "AND nn",     "ROL $nn",    "NOP", "PLP", "AND #nn",      "ROL A", "NOP", "BIT nnnn",     "AND nnnn",     "ROL $nnnn",    "NOP",
    /* 3x */ "BMI nn",    "AND (nn), Y",  "AND nn, X",  "NOP", "BIT",        "AND nn, X",  "ROL $nn, X", "NOP", "SEC", "AND nnnn, Y",  "DEA",   "NOP", "BIT",          "AND nnnn, X",  "ROL $nnnn, X", "NOP",
    /* 4x */ "RTI",       "EOR ($nn, X)", "NOP",        "NOP", "NOP",        "EOR $nn",    "LSR $nn",    "NOP", "PHA", "EOR #nn",      "LSR A", "NOP", "JMP $nnnn",    "EOR $nnnn",    "LSR $nnnn",    "NOP",
    /* 5x */ "BVC nn",    "EOR ($nn), Y", "EOR $nn, X", "NOP", "NOP",        "EOR $nn, X", "LSR $nn, X", "NOP", "CLI", "EOR $nnnn, Y", "PHY",   "NOP", "NOP",          "EOR $nnnn, X", "LSR $nnnn, X", "NOP",
    /* 6x */ "RTS",       "ADC (nn, X)",  "NOP",        "NOP", "STZ",        "ADC nn",     "ROR $nn",    "NOP", "PLA", "ADC #nn",      "ROR A", "NOP", "JMP ($nnnn)",  "ADC nnnn",     "ROR $nnnn",    "NOP",
    /* 7x */ "BVS nn",    "ADC (nn), Y",  "ADC nn, X",  "NOP", "STZ",        "ADC nn, X",  "ROR $nn, X", "NOP", "SEI", "ADC nnnn, Y",  "PLY",   "NOP", "JMP",          "ADC nnnn, X",  "ROR $nnnn, X", "NOP",
    /* 8x */ "BRA",       "STA ($nn, X)", "NOP",        "NOP", "STY $nn",    "STA $nn",    "STX $nn",    "NOP", "DEY", "BIT",          "TXA",   "NOP", "STY $nnnn",    "STA $nnnn",    "STX $nnnn",    "NOP",
    /* 9x */ "BCC nn",    "STA ($nn), Y", "STA $nn, X", "NOP", "STY $nn, X", "STA $nn, X", "STX $nn, Y", "NOP", "TYA", "STA $nnnn, Y", "TXS",   "NOP", "STZ",          "STA $nnnn, X", "STZ",          "NOP",
    /* Ax */ "LDY #nn",   "LDA ($nn, X)", "LDX #nn",    "NOP", "LDY $nn",    "LDA $nn",    "LDX $nn",    "NOP", "TAY", "LDA #nn",      "TAX",   "NOP", "LDY $nnnn",    "LDA $nnnn",    "LDX $nnnn",    "NOP",
    /* Bx */ "BCS nn",    "LDA ($nn), Y", "LDA $nn, X", "NOP", "LDY $nn, X", "LDA $nn, X", "LDX $nn, Y", "NOP", "CLV", "LDA $nnnn, Y", "TSX",   "NOP", "LDY $nnnn, X", "LDA $nnnn, X", "LDX $nnnn, Y", "NOP",
    /* Cx */ "CPY #nn",   "CMP (nn, X)",  "NOP",        "NOP", "CPY nn",     "CMP nn",     "DEC nn",     "NOP", "INY", "CMP #nn",      "DEX",   "NOP", "CPY nnnn",     "CMP nnnn",     "DEC nnnn",     "NOP",
    /* Dx */ "BNE nn",    "CMP (nn), Y",  "CMP nn, X",  "NOP", "NOP",        "CMP nn, X",  "DEC nn, X",  "NOP", "CLD", "CMP nnnn, Y",  "PHX",   "NOP", "NOP",          "CMP nnnn, X",  "DEC nnnn, X",  "NOP",
    /* Ex */ "CPX #nn",   "SBC ($nn, X)", "NOP",        "NOP", "CPX nn",     "SBC $nn",    "INC $nn",    "NOP", "INX", "SBC #nn",      "NOP",   "NOP", "CPX nnnn",     "SBC $nnnn",    "INC $nnnn",    "NOP",
    /* Fx */ "BEQ nn",    "SBC ($nn), Y", "SBC $nn, X", "NOP", "NOP",        "SBC $nn, X", "INC $nn, X", "NOP", "SED", "SBC $nnnn, Y", "PLX",   "NOP", "NOP",          "SBC $nnnn, X", "INC $nnnn, X", "NOP",
};
// clang-format on

constexpr int TemplateLength(std::string_view t) {
  if (t.find("nnnn") != std::string_view::npos) return 3;
  if (t.find("nn") != std::string_view::npos) return 2;
  return 1;
}

constexpr std::array<uint8_t, 256> MakeLengths() {
  std::array<uint8_t, 256> lengths{};
  for (int op = 0; op < 256; ++op) lengths[op] = static_cast<uint8_t>(TemplateLength(kTemplates[op]));
  return lengths;
}

constexpr std::array<uint8_t, 256> kLengths = MakeLengths();

// A template holds at most one operand field, and nothing else in lower case:
// a second field would be printed literally and the length would lie.
constexpr bool TemplatesWellFormed() {
  for (const char* t : kTemplates) {
    const std::string_view v = t;
    const size_t first = v.find_first_of("abcdefghijklmnopqrstuvwxyz");
    if (first == std::string_view::npos) continue;
    const size_t last = v.find_last_of("abcdefghijklmnopqrstuvwxyz");
    const std::string_view field = v.substr(first, last - first + 1);
    if (field != "nn" && field != "nnnn") return false;
  }
  return true;
}
static_assert(TemplatesWellFormed());

constexpr char kHexDigits[] = "0123456789ABCDEF";

void AppendHex(std::string& out, unsigned value, int digits) {
  for (int shift = (digits - 1) * 4; shift >= 0; shift -= 4) out += kHexDigits[(value >> shift) & 0xF];
}

}  // namespace

const char* DisasmTemplate(uint8_t opcode) { return kTemplates[opcode]; }

int InstructionLength(uint8_t opcode) { return kLengths[opcode]; }

std::string Disassemble(Machine& m, uint16_t& address) {
  const uint16_t at = address;
  const uint8_t opcode = m.engine->Peek(at);
  const std::string_view t = kTemplates[opcode];
  const int length = kLengths[opcode];
  address = static_cast<uint16_t>(at + length);
  if (length == 1) return std::string(t);

  // Byte operands come through the bank table alone; a word operand takes the
  // data read, low byte first, so an operand lying on an I/O register has
  // that register's read effect, as it would for the processor.
  unsigned value;
  if (length == 2) {
    value = m.engine->Peek(static_cast<uint16_t>(at + 1));
  } else {
    const uint8_t low = m.engine->Read(static_cast<uint16_t>(at + 1));
    const uint8_t high = m.engine->Read(static_cast<uint16_t>(at + 2));
    value = static_cast<unsigned>(low | (high << 8));
  }
  const std::string_view field = length == 3 ? "nnnn" : "nn";
  const size_t pos = t.find(field);
  std::string out;
  out.reserve(t.size() + 2);
  out.append(t.substr(0, pos));
  AppendHex(out, value, length == 3 ? 4 : 2);
  out.append(t.substr(pos + field.size()));
  return out;
}

std::string DisassemblyListing(Machine& m, uint16_t from, int count) {
  std::string out;
  uint16_t a = from;
  for (int i = 0; i < count; ++i) {
    AppendHex(out, a, 4);
    out += "  ";
    out += Disassemble(m, a);
    out += '\n';
  }
  return out;
}
