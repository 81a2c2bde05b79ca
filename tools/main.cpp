// tavrek-dump: prints the catalogue of an Access database (see tools/dump.h).
#include <dlfcn.h>
#include <unistd.h>

#include <filesystem>
#include <iostream>
#include <string>
#include <vector>

#include "engine/dao.h"
#include "tools/dump.h"
#include "tools/pdf_module.h"

#ifdef TAVREK_WITH_PDF
namespace {

// The PDF module: beside this executable in the build tree, or in the installed layout at
// TAVREK_PDF_MODULE_DIR relative to the executable's folder (bin/ -> lib/tavrek/). nullptr (with
// the reason in `why`) when it is in neither place: builds without the user interface have none.
TavrekWritePdfFn LoadPdfModule(std::string& why) {
  std::error_code ec;
  std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", ec);
  if (ec) {
    why = "percorso del programma sconosciuto";
    return nullptr;
  }
  const std::filesystem::path here = self.parent_path();
  std::filesystem::path module = here / kTavrekPdfModule;
  if (!std::filesystem::exists(module, ec)) module = here / TAVREK_PDF_MODULE_DIR / kTavrekPdfModule;
  void* handle = dlopen(module.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (!handle) {
    const char* e = dlerror();
    why = e ? e : module.string();
    return nullptr;
  }
  return reinterpret_cast<TavrekWritePdfFn>(dlsym(handle, kTavrekPdfSymbol));
}

}  // namespace
#endif

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  dao::DBEngine engine;
  auto open = [&engine](const std::string& path, const std::optional<std::string>& connect) {
    return engine.OpenDatabase(path, false, true, connect);
  };
  tavrek::dump::PdfWriter pdf;
#ifdef TAVREK_WITH_PDF
  pdf = [](dao::Database& db, const tavrek::dump::Options& o, const std::string& path, std::string& error) {
    TavrekWritePdfFn write = LoadPdfModule(error);
    if (!write) {
      error = "modulo PDF non disponibile: " + error;
      return false;
    }
    std::vector<const char*> tables;
    for (const auto& t : o.tables) tables.push_back(t.c_str());
    int number = 0;
    char message[1024] = {};
    int result = write(&db, o.file.c_str(), path.c_str(), tables.data(),
                       static_cast<int>(tables.size()), &number, message, sizeof message);
    if (result == kTavrekPdfEngineError) throw dao::Error(number, message);
    if (result != kTavrekPdfOk) {
      error = message;
      return false;
    }
    return true;
  };
#endif
  return tavrek::dump::Run(args, std::cout, std::cerr, open, pdf);
}
