#include "frontend/CommandLine.h"

VirelCommandLine ParseVirelCommandLine(const std::vector<std::string>& words) {
  VirelCommandLine line;
  bool optionsEnded = false;
  for (const std::string& word : words) {
    // A lone "-" is a file name as far as we are concerned; the loader
    // answers for it as for any file it cannot open.
    if (optionsEnded || word.size() < 2 || word[0] != '-') {
      line.Arguments.push_back(word);
      continue;
    }
    if (word == "--") {
      optionsEnded = true;
    } else if (word == "--help" || word == "-h") {
      // The first answer wins over anything after it, as users expect of
      // "virel --help --bogus".
      if (line.What == VirelCommandLine::Action::Run) line.What = VirelCommandLine::Action::Help;
    } else if (word == "--version") {
      if (line.What == VirelCommandLine::Action::Run) line.What = VirelCommandLine::Action::Version;
    } else if (line.What == VirelCommandLine::Action::Run) {
      // Refused rather than opened as a file: a word like this is far more
      // often a mistyped option than a cartridge's name.
      line.What = VirelCommandLine::Action::Refuse;
      line.Message = "opção desconhecida: " + word;
    }
  }
  return line;
}

std::string VirelUsage() {
  return "Uso: virel [OPÇÃO] [CARTUCHO [/S0 | /S1]]\n"
         "Emulador do console NES/Famicom. Abre a janela do Virel e, se um cartucho for dado\n"
         "(imagem iNES .nes ou arquivo .zip com uma), inicia-o assim que a janela é ativada.\n"
         "\n"
         "Opções:\n"
         "  -h, --help      mostra esta ajuda e sai\n"
         "      --version   mostra a versão e sai\n"
         "  --              o que vier depois é nome de arquivo, mesmo começando com \"-\"\n"
         "  /S0, /S1        depois do cartucho: inicia-o em janela (/S0) ou em tela cheia (/S1)\n"
         "\n"
         "Um cartucho também abre pelo menu Arquivo > Carregar ROM (F2) ou arrastando o arquivo\n"
         "para a janela.\n";
}
