#include "engine/EngineChoice.h"

#include "engine/classic/ClassicEngine.h"
#include "engine/console/ConsoleEngine.h"

// The Machine's constructor asks for its engine here, so the core names no
// engine; defining it beside MakeEngine keeps this file in every program
// that builds a Machine.
std::unique_ptr<Engine, EngineDeleter> MakeDefaultEngine(Machine& m) {
  return std::make_unique<ClassicEngine>(m);
}

void EngineDeleter::operator()(Engine* engine) const { delete engine; }

std::unique_ptr<Engine> MakeEngine(std::string_view id, Machine& m) {
  if (id == kClassicEngineId) return std::make_unique<ClassicEngine>(m);
  if (id == kConsoleEngineId) return std::make_unique<ConsoleEngine>(m);
  return nullptr;
}

bool ChooseEngine(Machine& m, std::string_view id) {
  if (m.engine && m.engine->Id() == id) return true;
  std::unique_ptr<Engine> engine = MakeEngine(id, m);
  if (!engine) return false;
  m.engine = std::move(engine);
  return true;
}

std::string_view SnapshotEngineId(std::span<const uint8_t> snapshot) {
  return FindSnapshotSection(snapshot, kSnapshotTagConsole).empty() ? kClassicEngineId : kConsoleEngineId;
}

std::string_view EngineCaption(std::string_view id) {
  return id == kConsoleEngineId ? "Console (preciso)" : "Clássico (rápido)";
}
