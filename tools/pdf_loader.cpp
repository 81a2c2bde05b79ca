// Loading tavrek-dump's PDF module (tools/pdf_module.h).
#include <map>
#include <memory>
#include <mutex>

#include "engine/errors.h"
#include "engine/optional_library.h"
#include "tools/pdf_module.h"

TavrekWritePdfFn LoadPdfModule(const std::string& path, const std::string& abi) {
  // One load per path, kept for the rest of the process like every optional library.
  static std::mutex mutex;
  static std::map<std::string, std::unique_ptr<engine::OptionalLibrary>> loaded;
  std::lock_guard<std::mutex> lock(mutex);
  std::unique_ptr<engine::OptionalLibrary>& library = loaded[path];
  if (!library) library = std::make_unique<engine::OptionalLibrary>(path);
  const char* moduleAbi = nullptr;
  TavrekWritePdfFn write = nullptr;
  library->Bind(kTavrekPdfAbiSymbol, moduleAbi).Bind(kTavrekPdfSymbol, write);
  if (!library->Usable()) throw library->Error();
  if (abi != moduleAbi)
    throw engine::LibraryError(path, "modulo di un'altra versione (" + std::string(moduleAbi) +
                                         "; questo programma vuole " + abi + ")");
  return write;
}
