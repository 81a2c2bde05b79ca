// tavrek-dump: prints the catalogue of an Access database (see tools/dump.h).
#include <iostream>
#include <string>
#include <vector>

#include "engine/dao.h"
#include "tools/dump.h"
#ifdef TAVREK_WITH_PDF
#include "report/PdfReport.h"
#endif

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  dao::DBEngine engine;
  auto open = [&engine](const std::string& path, const std::optional<std::string>& connect) {
    return engine.OpenDatabase(path, false, true, connect);
  };
  tavrek::dump::PdfWriter pdf;
#ifdef TAVREK_WITH_PDF
  pdf = [](dao::Database& db, const tavrek::dump::Options& o, std::string& error) {
    return report::WritePdf(db, o.file, *o.pdf, o.tables, error);
  };
#endif
  return tavrek::dump::Run(args, std::cout, std::cerr, open, pdf);
}
