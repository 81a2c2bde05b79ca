#include "app/CommandLine.h"

#include <algorithm>

#ifndef TAVREK_VERSION
#error "TAVREK_VERSION must be defined by the build"
#endif

namespace cli {

Action Parse(const std::vector<std::string>& args) {
  auto has = [&args](const char* a, const char* b) {
    return std::any_of(args.begin(), args.end(), [a, b](const std::string& s) { return s == a || s == b; });
  };
  if (has("--help", "-h")) return Action::kHelp;
  if (has("--version", "-v")) return Action::kVersion;
  return Action::kRun;
}

std::string HelpText() {
  return "Uso: tavrek [FILE]\n"
         "Mostra la struttura di un database Microsoft Access (.mdb, .mde, .accdb, .accde):\n"
         "tabelle con campi e indici, query con il testo SQL. Il file è aperto in sola lettura.\n"
         "\n"
         "  FILE         il database da aprire all'avvio, come con \"Apri Database\"\n"
         "  --help, -h   questo aiuto\n"
         "  --version, -v  versione del programma\n"
         "\n"
         "Vedi anche tavrek-dump(1) per il catalogo senza finestra.\n";
}

std::string VersionText() { return std::string("tavrek ") + TAVREK_VERSION + "\n"; }

}  // namespace cli
