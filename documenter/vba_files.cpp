#include "documenter/vba_files.h"

#include <filesystem>
#include <map>
#include <string_view>

#include "documenter/catalogue_support.h"
#include "documenter/output_file.h"
#include "engine/catalogue/name_compare.h"

namespace tavrek::doc {

std::string SafeFileName(const std::string& name) {
  std::string out;
  for (char ch : name) {
    const unsigned char c = static_cast<unsigned char>(ch);
    const bool bad = c < 0x20 || c == 0x7F || std::string_view("/\\:*?\"<>|").find(ch) != std::string_view::npos;
    out += bad ? '_' : ch;
  }
  if (out.empty() || out == "." || out == "..") out = "_" + out;
  if (out.front() == '.') out.front() = '_';
  return out;
}

std::vector<std::pair<std::string, std::string>> VbaFiles(dao::Database& db) {
  std::vector<std::pair<std::string, std::string>> files;
  std::map<std::string, int> taken;  // lower-case file names already used
  auto add = [&](const std::string& name, const std::string& kind, const std::string& text) {
    if (text.empty()) return;
    const std::string ext = kind == "standard" ? ".bas" : ".cls";
    std::string base = SafeFileName(name);
    std::string file = base + ext;
    auto lower = [](const std::string& s) { return engine::FoldName(s); };
    for (int n = 2; taken.count(lower(file)); ++n) file = base + "~" + std::to_string(n) + ext;
    taken[lower(file)] = 1;
    files.emplace_back(file, text);
  };
  for (const char* container : {"Modules", "Forms", "Reports"}) {
    const dao::Container* c = FindContainer(db, container);
    if (!c) continue;
    const std::string prefix = std::string(container) == "Forms"     ? "Form_"
                               : std::string(container) == "Reports" ? "Report_"
                                                                     : "";
    for (const auto& d : c->Documents()) add(prefix + d.Name(), d.Kind(), d.Text());
  }
  return files;
}

bool WriteVbaFiles(const std::string& dir,
                   const std::vector<std::pair<std::string, std::string>>& files,
                   std::string& error) {
  std::error_code ec;
  std::filesystem::create_directories(dir, ec);
  if (ec) {
    error = "impossibile creare la cartella " + dir + ": " + ec.message();
    return false;
  }
  for (const auto& [name, text] : files)
    if (!WriteOutputFile((std::filesystem::path(dir) / name).string(), text, {}, error)) return false;
  return true;
}

}  // namespace tavrek::doc
