// The PDF report module loaded by tavrek-dump for --pdf.
#include "tools/pdf_module.h"

#include <cstring>
#include <exception>
#include <string>
#include <vector>

#include "engine/dao.h"
#include "report/PdfReport.h"

namespace {

void CopyMessage(const std::string& text, char* message, std::size_t size) {
  if (!message || size == 0) return;
  std::size_t n = text.size() < size - 1 ? text.size() : size - 1;
  std::memcpy(message, text.data(), n);
  message[n] = '\0';
}

}  // namespace

extern "C" __attribute__((visibility("default"))) const char tavrek_pdf_abi[] = TAVREK_PDF_ABI;

extern "C" __attribute__((visibility("default"))) int tavrek_write_pdf(
    dao::Database* db, const char* databaseFile, const char* output, const char* const* tables,
    int tableCount, int* errorNumber, char* message, std::size_t messageSize) {
  try {
    std::vector<std::string> names;
    for (int i = 0; i < tableCount; ++i) names.emplace_back(tables[i]);
    std::string error;
    if (report::WritePdf(*db, databaseFile, output, names, error)) return kTavrekPdfOk;
    CopyMessage(error, message, messageSize);
    return kTavrekPdfWriteError;
  } catch (const dao::Error& e) {
    if (errorNumber) *errorNumber = e.Number();
    CopyMessage(e.Description(), message, messageSize);
    return kTavrekPdfEngineError;
  } catch (const std::exception& e) {
    CopyMessage(e.what(), message, messageSize);
    return kTavrekPdfWriteError;
  } catch (...) {
    CopyMessage("errore interno", message, messageSize);
    return kTavrekPdfWriteError;
  }
}
