#include "documenter/references.h"

#include <algorithm>

#include "engine/application/form_design.h"
#include "engine/catalogue/name_compare.h"

namespace tavrek::doc {

namespace {

std::string Fold(std::string_view s) { return engine::FoldName(s); }

bool NameChar(char c) {
  const unsigned char u = static_cast<unsigned char>(c);
  return u >= 0x80 || u == '_' || (u >= '0' && u <= '9') || (u >= 'a' && u <= 'z') ||
         (u >= 'A' && u <= 'Z');
}

// Whether `name` (folded) occurs in `text` (folded) with no name character on either side.
bool HasToken(const std::string& text, const std::string& name) {
  if (name.empty()) return false;
  for (size_t at = text.find(name); at != std::string::npos; at = text.find(name, at + 1)) {
    const bool before = at > 0 && NameChar(text[at - 1]);
    const size_t end = at + name.size();
    const bool after = end < text.size() && NameChar(text[end]);
    // A name that itself starts or ends with a non-name character (a space, a bracket) needs
    // no boundary on that side.
    if ((before && NameChar(name.front())) || (after && NameChar(name.back()))) continue;
    return true;
  }
  return false;
}

std::string MatchFolded(const std::string& text, const std::string& name) {
  if (name.empty()) return "";
  if (text.find("[" + name + "]") != std::string::npos) return "bracketed";
  if (HasToken(text, name)) return "name";
  return "";
}

// The form or report whose record source or control row source a hidden query holds: Access
// names them "~sq_f<form>", "~sq_c<form>~sq_c<control>", "~sq_r<report>",
// "~sq_d<report>~sq_d<control>". False for any other query.
bool HiddenQueryOwner(const std::string& query, std::string& kind, std::string& owner) {
  if (query.size() < 6 || query.rfind("~sq_", 0) != 0) return false;
  const char letter = query[4];
  if (letter != 'f' && letter != 'c' && letter != 'r' && letter != 'd') return false;
  kind = (letter == 'f' || letter == 'c') ? "form" : "report";
  owner = query.substr(5);
  if (letter == 'c' || letter == 'd') owner = owner.substr(0, owner.find(std::string("~sq_") + letter));
  return !owner.empty();
}

// What a form's or report's design names: its record source and its controls' row sources (tables
// and queries), control sources (anything an expression can name), and the source objects of
// subforms ("Form.", "Report.", "Table." or "Query." and a name; a bare name is a form).
void DesignSources(const engine::vba::FormDesign& design, const std::string& kind,
                   const std::string& name, std::vector<ReferenceSource>& sources) {
  if (std::string s = design.root.TextOf("RecordSource"); !s.empty())
    sources.push_back({kind, name, s, "recordSource", "data"});
  auto walk = [&](const engine::vba::DesignObject& o, auto& self) -> void {
    for (const engine::vba::DesignObject& c : o.children) {
      if (std::string s = c.TextOf("RowSource"); !s.empty())
        sources.push_back({kind, name, s, "rowSource", "data"});
      if (std::string s = c.TextOf("ControlSource"); !s.empty())
        sources.push_back({kind, name, s, "controlSource"});
      if (std::string s = c.TextOf("SourceObject"); !s.empty()) {
        std::string names = "form";
        for (const auto& [prefix, target] : {std::pair<const char*, const char*>{"Form.", "form"},
                                             {"Report.", "report"},
                                             {"Table.", "data"},
                                             {"Query.", "data"}})
          if (s.rfind(prefix, 0) == 0) {
            names = target;
            s = s.substr(std::string(prefix).size());
          }
        sources.push_back({kind, name, s, "subform", names});
      }
      self(c, self);
    }
  };
  walk(design.root, walk);
}

}  // namespace

std::string MatchName(std::string_view text, std::string_view name) {
  return MatchFolded(Fold(text), Fold(name));
}

std::vector<ReferenceEntry> CrossReference(std::vector<ReferenceEntry> targets,
                                           const std::vector<ReferenceSource>& sources) {
  std::vector<std::string> texts;
  texts.reserve(sources.size());
  for (const auto& s : sources) texts.push_back(Fold(s.text));
  auto textual = [](const std::string& match) { return match == "bracketed" || match == "name"; };
  for (ReferenceEntry& t : targets) {
    const std::string name = Fold(t.name);
    // The module behind a form or report is the form or report itself.
    const std::string behind =
        t.kind == "form" ? Fold("Form_" + t.name) : t.kind == "report" ? Fold("Report_" + t.name) : "";
    for (size_t i = 0; i < sources.size(); ++i) {
      const ReferenceSource& s = sources[i];
      if (s.kind == t.kind && Fold(s.name) == name) continue;
      if (!behind.empty() && s.kind == "module" && Fold(s.name) == behind) continue;
      if (!s.names.empty() && s.names != (t.kind == "table" || t.kind == "query" ? "data" : t.kind)) continue;
      std::string match = MatchFolded(texts[i], name);
      if (match.empty()) continue;
      if (!s.how.empty()) match = s.how;
      // One entry per object, however many of its texts name the target: a part of a design
      // wins over a text, bracketed over a bare name.
      auto same = std::find_if(t.usedBy.begin(), t.usedBy.end(), [&](const Reference& r) {
        return r.kind == s.kind && r.name == s.name;
      });
      if (same == t.usedBy.end())
        t.usedBy.push_back({s.kind, s.name, match});
      else if (textual(same->match) && (!textual(match) || match == "bracketed"))
        same->match = match;
    }
  }
  return targets;
}

std::vector<ReferenceEntry> CrossReference(dao::Database& db) {
  std::vector<ReferenceEntry> targets;
  for (const auto& t : db.TableDefs())
    if (!t.IsSystem()) targets.push_back({"table", t.Name(), {}});
  std::vector<ReferenceSource> sources;
  for (const auto& q : db.QueryDefs()) {
    std::string kind, owner;
    if (HiddenQueryOwner(q.Name(), kind, owner)) {
      // The SQL record source of a form or report (or a control's row source) counts as the
      // form's or report's own.
      const char letter = q.Name()[4];
      sources.push_back(
          {kind, owner, q.SQL(), letter == 'f' || letter == 'r' ? "recordSource" : "rowSource", "data"});
      continue;
    }
    targets.push_back({"query", q.Name(), {}});
    sources.push_back({"query", q.Name(), q.SQL()});
  }
  auto joined = [](const std::vector<std::string>& parts) {
    std::string out;
    for (const auto& p : parts) out += p + "\n";
    return out;
  };
  for (const auto& c : db.Containers()) {
    const std::string& n = c.Name();
    for (const auto& d : c.Documents()) {
      if (n == "Forms" || n == "Reports") {
        const std::string kind = n == "Forms" ? "form" : "report";
        targets.push_back({kind, d.Name(), {}});
        if (const engine::vba::FormDesign* design = d.Design())
          DesignSources(*design, kind, d.Name(), sources);
        sources.push_back({kind, d.Name(), joined(d.StoredTexts())});
        if (!d.Text().empty())
          sources.push_back({"module", (n == "Forms" ? "Form_" : "Report_") + d.Name(), d.Text()});
      } else if (n == "Scripts") {
        sources.push_back({"macro", d.Name(), d.Text()});
      } else if (n == "Modules") {
        sources.push_back({"module", d.Name(), d.Text()});
      }
    }
  }
  return CrossReference(std::move(targets), sources);
}

}  // namespace tavrek::doc
