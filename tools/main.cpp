// tavrek-dump: prints the catalogue of an Access database (see tools/dump.h).
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
// TAVREK_PDF_MODULE_DIR relative to the executable's folder (bin/ -> lib/tavrek/). Raises dao::Error
// 3170 when it cannot be loaded or is not this program's (tools/pdf_module.h).
TavrekWritePdfFn PdfModule() {
  std::error_code ec;
  std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", ec);
  std::filesystem::path module = self.parent_path() / kTavrekPdfModule;
  if (ec || !std::filesystem::exists(module, ec))
    module = self.parent_path() / TAVREK_PDF_MODULE_DIR / kTavrekPdfModule;
  return ::LoadPdfModule(module.string(), TAVREK_PDF_ABI);
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
    TavrekWritePdfFn write = PdfModule();
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
