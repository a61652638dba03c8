#include "engine/classic/cpu/CpuRig.h"
#include "engine/classic/ClassicEngine.h"

#include "cartridge/Mapper.h"

namespace {

CpuRig* gRig = nullptr;

uint8_t ScriptedHook(Machine&) {
  CpuRig& rig = *gRig;
  rig.atHook.push_back(rig.cpu);
  rig.depthInHook = rig.m.RunLoopDepth;
  const size_t call = static_cast<size_t>(rig.hookCalls++);
  if (call == 0 && rig.onFirstHook) rig.onFirstHook(rig);
  if (call < rig.hookCodes.size()) return rig.hookCodes[call];
  if (rig.stopAfter >= 0 && rig.hookCalls >= rig.stopAfter) return intStop;
  return intNone;
}

// The image at $8000-$FFFF is writable in these tests.
void ImageWrite(Machine& m, uint16_t address, uint8_t value) { m.PrgRom[address] = value; }

}  // namespace

CpuRig::CpuRig() {
  gRig = this;
  // PrgRom doubles as a flat 64 KB image; only $8000-$FFFF of it is mapped.
  m.PrgRom.assign(0x10001, 0xEA);
  m.PrgCount = 2;
  MapRam(m);
  MapBatteryRam(m);
  for (int entry = 4; entry < 8; ++entry) m.CpuBankTable[entry] = {m.PrgRom.data(), 0xFFFF};
  m.MapperWrite = &ImageWrite;
  Classic(m).Hook = &ScriptedHook;
  cpu.CyclesPerLine = kCyclesPerLine;
}

void CpuRig::Poke(uint16_t address, std::initializer_list<uint8_t> bytes) {
  for (uint8_t b : bytes) {
    if (address < 0x2000)
      m.Ram[address & 0x7FF] = b;
    else if (address >= 0x6000 && address < 0x8000)
      m.BatteryRam[address & 0x1FFF] = b;
    else if (address >= 0x8000)
      m.PrgRom[address] = b;
    ++address;
  }
}

uint8_t CpuRig::Peek(uint16_t address) const {
  if (address < 0x2000) return m.Ram[address & 0x7FF];
  if (address >= 0x6000 && address < 0x8000) return m.BatteryRam[address & 0x1FFF];
  if (address >= 0x8000) return m.PrgRom[address];
  return 0;
}

void CpuRig::Load(uint16_t address, std::initializer_list<uint8_t> bytes) {
  Poke(address, bytes);
  cpu.PC = address;
}

void CpuRig::SetVector(uint16_t vector, uint16_t target) {
  Poke(vector, {static_cast<uint8_t>(target), static_cast<uint8_t>(target >> 8)});
}

void CpuRig::UnmapRamForPeeks() { m.CpuBankTable[0] = {}; }
void CpuRig::ShadowRamForPeeks() { m.CpuBankTable[0] = {shadow.data(), 0x7FF}; }

std::vector<std::string> CpuRig::TakeTrace() {
  std::vector<std::string> trace;
  const std::string peek = "erro ao ler memória:";
  const std::string read = "Endereço ignorado $";
  const std::string write = "endereço ignorado $";
  // Built by appending: a one-letter literal in front of a temporary string
  // reads to GCC 12 at -O3 as an overlapping copy.
  const auto tagged = [](char tag, std::string_view rest) {
    std::string entry(1, tag);
    entry += rest;
    return entry;
  };
  for (size_t i = traceFrom_; i < t.host.log.size(); ++i) {
    const std::string& line = t.host.log[i];
    if (line.starts_with(peek))
      trace.push_back(tagged('P', std::string_view(line).substr(peek.size())));
    else if (line.starts_with(read))
      trace.push_back(tagged('R', std::string_view(line).substr(read.size())));
    else if (line.starts_with(write))
      trace.push_back(tagged('W', std::string_view(line).substr(write.size())));
    else
      trace.push_back(tagged('?', line));
  }
  traceFrom_ = t.host.log.size();
  return trace;
}
