#include "frontend/TimeSettings.h"

std::string TimeCommandCaption(int command) {
  if (command >= tcSaveSlot1 && command < tcSaveSlot1 + kStateSlots)
    return "Salvar no Espaço " + std::to_string(command - tcSaveSlot1 + 1);
  if (command >= tcLoadSlot1 && command < tcLoadSlot1 + kStateSlots)
    return "Carregar do Espaço " + std::to_string(command - tcLoadSlot1 + 1);
  switch (command) {
    case tcUndoLoad: return "Desfazer Carregar Estado";
    case tcRewind: return "Rebobinar (segurar)";
    case tcFastForward: return "Avanço Rápido (segurar)";
    case tcFastForwardToggle: return "Avanço Rápido (liga/desliga)";
    case tcFrameAdvance: return "Avançar um Quadro";
    default: return {};
  }
}

std::string TimeCommandValueName(int command) {
  if (command >= tcSaveSlot1 && command < tcSaveSlot1 + kStateSlots)
    return "SALVAR" + std::to_string(command - tcSaveSlot1 + 1);
  if (command >= tcLoadSlot1 && command < tcLoadSlot1 + kStateSlots)
    return "CARREGAR" + std::to_string(command - tcLoadSlot1 + 1);
  switch (command) {
    case tcUndoLoad: return "DESFAZER";
    case tcRewind: return "REBOBINAR";
    case tcFastForward: return "ACELERAR";
    case tcFastForwardToggle: return "ACELERAR_ALTERNA";
    case tcFrameAdvance: return "AVANCAR_QUADRO";
    default: return {};
  }
}

std::optional<JoyButton> JoyButtonFromCode(int32_t code) {
  if (code == 0) return JoyButton{};
  const JoyButton b{code / 100, code % 100};
  if (code < 0 || b.Joystick < 1 || b.Joystick > kMaxJoysticks || b.Button < 1 || b.Button > kJoystickButtons)
    return std::nullopt;
  return b;
}
