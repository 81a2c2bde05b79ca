// The boundary between tavrek-dump and the module that writes the printed report as PDF. The
// module carries Qt; tavrek-dump loads it only when --pdf is asked for, so that a plain dump
// starts without the user-interface libraries.
#pragma once

#include <cstddef>
#include <string>

namespace dao {
class Database;
}

// Result codes of tavrek_write_pdf.
enum TavrekPdfResult : int {
  kTavrekPdfOk = 0,
  kTavrekPdfEngineError = 2,  // *errorNumber and message: the engine's error
  kTavrekPdfWriteError = 3,   // message: why the PDF could not be written
};

// The name of the symbol, and of the module file next to the tavrek-dump executable.
inline constexpr const char* kTavrekPdfSymbol = "tavrek_write_pdf";
inline constexpr const char* kTavrekPdfModule = "tavrek_pdf.so";

// The module receives the engine's objects across this boundary, from its own copy of the
// engine: both sides must be built from the same headers. tavrek_pdf_abi holds the version of
// the program and a digest of the headers that shape the boundary (TAVREK_PDF_ABI, computed by
// the build); a module whose value differs from the program's is refused.
inline constexpr const char* kTavrekPdfAbiSymbol = "tavrek_pdf_abi";
extern "C" const char tavrek_pdf_abi[];

// Writes the structure report of `tables` (all user tables when `tableCount` is 0) of the open
// database `db` into `output`. Never throws: failures come back as a result code, with the
// message (UTF-8, NUL-terminated, cut to `messageSize`) in `message`.
extern "C" int tavrek_write_pdf(dao::Database* db, const char* databaseFile, const char* output,
                                const char* const* tables, int tableCount, int* errorNumber,
                                char* message, std::size_t messageSize);
using TavrekWritePdfFn = decltype(&tavrek_write_pdf);

// Loads the module at `path` and checks it: its ABI string equal to `abi` (the program's
// TAVREK_PDF_ABI), its call present. Raises dao::Error 3170 (engine::OptionalLibrary::Error) with
// the reason when the module cannot be loaded, lacks a symbol or was built for another ABI.
TavrekWritePdfFn LoadPdfModule(const std::string& path, const std::string& abi);
