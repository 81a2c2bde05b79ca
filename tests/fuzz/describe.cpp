// What the fuzz targets share: the in-memory file they open, and a complete description of an open
// database, the way tavrek-dump and the table and query views use the engine.
#include "tests/fuzz/describe.h"

#include <sys/mman.h>
#include <unistd.h>

#include <cstdlib>
#include <map>

#include "documenter/csv.h"
#include "engine/rows.h"
#include "tools/dump.h"

namespace fuzz {

namespace {

// Keeps the compiler from discarding reads whose only purpose is to be performed.
volatile size_t sink;

void Touch(const std::string& s) { sink = sink + s.size(); }

std::string Folded(const std::string& s) {
  std::string f = s;
  for (char& c : f) c = static_cast<char>((c >= 'A' && c <= 'Z') ? c + 32 : c);
  return f;
}

// Every stored property: its name, type and value.
void TouchProperties(const dao::Properties& properties) {
  for (const dao::Property& p : properties) {
    Touch(p.Name());
    sink = sink + static_cast<size_t>(p.Type()) + p.Value().index();
    if (const auto* s = std::get_if<std::string>(&p.Value())) Touch(tavrek::dump::JsonString(*s));
    if (const auto* d = std::get_if<dao::DateTime>(&p.Value())) Touch(d->Iso());
  }
}

// `uniqueName`: no other table has the same name (a damaged catalogue may repeat names, and then
// a lookup by name finds the first of them).
void DescribeTable(dao::Database& db, const dao::TableDef& t, bool uniqueName) {
  Touch(tavrek::dump::JsonString(t.Name()));
  Touch(t.Connect());
  Touch(t.SourceTableName());
  try {
    TouchProperties(t.Properties());
  } catch (const dao::Error&) {
  }
  Touch(t.DateCreated().Iso());
  Touch(t.LastUpdated().Iso());
  if (t.IsLinked()) {
    // A table-type recordset on a linked table must be refused with an engine error.
    try {
      db.OpenRecordset(t.Name(), dao::dbOpenTable);
      if (uniqueName) std::abort();
    } catch (const dao::Error&) {
    }
    return;
  }
  auto rs = db.OpenRecordset(t.Name(), dao::dbOpenTable);
  sink = sink + static_cast<size_t>(rs->RecordCount());
  for (const auto& f : rs->Fields()) {
    Touch(tavrek::dump::JsonString(f.Name()));
    sink = sink + static_cast<size_t>(f.Type()) + static_cast<size_t>(f.Size()) +
           static_cast<size_t>(f.Attributes()) + f.Required() + f.AllowZeroLength();
    Touch(f.DefaultValue());
    TouchProperties(f.Properties());
  }
  for (const auto& ix : rs->Indexes()) {
    Touch(ix.Name());
    sink = sink + ix.Primary() + ix.Unique() + ix.IgnoreNulls() + ix.Required() + ix.Foreign();
    for (const auto& k : ix.Fields()) {
      Touch(k.Name());
      sink = sink + k.Descending();
    }
  }
  rs->Close();
  // Every row, as the data writers read them: salvaging, a damaged row is left out and listed;
  // anything but an engine error is a bug.
  auto rows = db.OpenRows(t.Name(), /*salvage=*/true);
  std::vector<dao::Value> row;
  std::string text;
  while (rows->Next(row)) {
    if (row.size() != rows->Columns().size()) std::abort();
    for (const dao::Value& v : row) {
      text.clear();
      tavrek::doc::AppendCsvValue(text, v);
      Touch(text);
    }
  }
  for (const dao::LostRow& lost : rows->Lost()) Touch(lost.reason);
}

}  // namespace

void DescribeAll(dao::Database& db) {
  Touch(db.Format());
  // Damaged property blobs and relationship rows end in engine errors, like the rest.
  try {
    TouchProperties(db.Properties());
  } catch (const dao::Error&) {
  }
  try {
    for (const auto& r : db.Relations()) {
      Touch(r.Name() + r.Table() + r.ForeignTable());
      sink = sink + static_cast<size_t>(r.Attributes());
      for (const auto& f : r.Fields()) Touch(f.Name() + f.ForeignName());
    }
  } catch (const dao::Error&) {
  }
  const auto& tables = db.TableDefs();
  std::map<std::string, int> nameCount;
  for (const auto& t : tables) ++nameCount[Folded(t.Name())];
  for (int i = 0; i < tables.Count(); ++i) {
    // One damaged table does not stop the others from being looked at.
    try {
      const dao::TableDef& t = tables.Item(i);
      DescribeTable(db, t, nameCount[Folded(t.Name())] == 1);
    } catch (const dao::Error&) {
    }
  }
  const auto& queries = db.QueryDefs();
  for (int i = 0; i < queries.Count(); ++i) {
    const dao::QueryDef& q = queries.Item(i);
    Touch(q.Name());
    sink = sink + static_cast<size_t>(q.Type());
    Touch(q.DateCreated().Iso());
    try {
      Touch(tavrek::dump::JsonString(q.SQL()));
    } catch (const dao::Error&) {
    }
    try {
      TouchProperties(q.Properties());
    } catch (const dao::Error&) {
    }
  }
}


std::string InMemoryFile(const uint8_t* data, size_t size) {
  static const int fd = memfd_create("tavrek-fuzz", 0);
  static const std::string path = "/proc/self/fd/" + std::to_string(fd);
  if (fd < 0) std::abort();
  if (ftruncate(fd, 0) != 0) std::abort();
  for (size_t done = 0; done < size;) {
    ssize_t n = pwrite(fd, data + done, size - done, static_cast<off_t>(done));
    if (n <= 0) std::abort();
    done += static_cast<size_t>(n);
  }
  return path;
}

}  // namespace fuzz
