#include "engine/query/query_from.h"

#include <string_view>
#include <unordered_map>
#include <utility>

#include "engine/catalogue/name_compare.h"
#include "engine/query/query_parts.h"
#include "engine/query/query_text.h"

namespace engine {

namespace {

// Table names match as Access compares names.
std::string FoldCase(const std::string& name) { return FoldName(name); }

// The source a table is read from, always in brackets.
std::string Bracketed(const std::string& text) {
  if (text.size() >= 2 && text.front() == '[' && text.back() == ']') return text;
  return "[" + text + "]";
}

const char* JoinWord(int kind) {
  switch (kind) {
    case kJoinLeft: return " LEFT JOIN ";
    case kJoinRight: return " RIGHT JOIN ";
    default: return " INNER JOIN ";  // kJoinInner, and the best reading of an unknown kind
  }
}

// One item of the FROM list while it is being built: a table, or a join of two earlier items.
// Items are only ever appended, so the live ones in id order are the list in its current order.
struct Source {
  bool alive = true;
  bool is_join = false;
  std::string table;          // a table: its text
  int left = -1, right = -1;  // a join: its two sides
  int kind = kJoinInner;
  std::vector<std::string> conditions;  // in the order they are written
  int parent = -1;            // the later join this item became a side of
};

class FromBuilder {
 public:
  void AddTable(const QueryRow& row) {
    std::string text;
    if (row.expression && TextOf(row.name1).empty()) {
      // A derived table: the subquery as typed, in parentheses, with two blanks before AS.
      text = "(" + *row.expression + ")";
      if (row.name2) text += "  AS " + QuoteName(*row.name2);
    } else {
      if (row.expression) text += Bracketed(*row.expression) + ".";
      if (row.name1) text += QuoteIdentifier(*row.name1);
      if (row.name2) text += " AS " + QuoteName(*row.name2);
    }
    const std::string& key = row.name2 ? *row.name2 : TextOf(row.name1);
    AddSource(key, std::move(text));
  }

  void AddJoin(const QueryRow& row) {
    const std::string from_name = TextOf(row.name1);
    const std::string to_name = TextOf(row.name2);
    std::string condition = TextOf(row.expression);

    int from = FindOrAdd(from_name);
    int to = FindOrAdd(to_name);
    if (from == to) {
      Source& both = At(from);
      if (both.is_join) {
        // Another condition between tables already joined. A different join kind here cannot
        // be written faithfully; the condition is still shown on the existing join.
        both.conditions.insert(both.conditions.begin(), std::move(condition));
        return;
      }
      to = AddSource(to_name, QuoteIdentifier(to_name));  // a table joined to itself
    }
    const int id = static_cast<int>(sources_.size());
    Source join;
    join.is_join = true;
    join.kind = row.flag.value_or(kJoinInner);
    join.left = from;
    join.right = to;
    join.conditions.push_back(std::move(condition));
    for (int side : {from, to}) {
      At(side).alive = false;
      At(side).parent = id;
    }
    sources_.push_back(std::move(join));
  }

  std::vector<std::string> Items() const {
    std::vector<std::string> items;
    for (std::size_t id = 0; id < sources_.size(); ++id) {
      if (sources_[id].alive) items.push_back(Write(static_cast<int>(id)));
    }
    return items;
  }

 private:
  Source& At(int id) { return sources_[static_cast<std::size_t>(id)]; }
  const Source& At(int id) const { return sources_[static_cast<std::size_t>(id)]; }

  int AddSource(const std::string& key, std::string text) {
    const int id = static_cast<int>(sources_.size());
    Source source;
    source.table = std::move(text);
    sources_.push_back(std::move(source));
    owner_.emplace(FoldCase(key), id);  // with two tables of one name, the first answers
    return id;
  }

  // The live item holding the table called `name`, added as a table of its own when no table
  // row carries that name.
  int FindOrAdd(const std::string& name) {
    auto it = owner_.find(FoldCase(name));
    if (it == owner_.end()) return AddSource(name, QuoteIdentifier(name));
    int id = it->second;
    while (At(id).parent >= 0) id = At(id).parent;
    it->second = id;  // shortens the next walk
    return id;
  }

  // The text of an item: "left KIND JOIN right ON condition", inner joins in parentheses.
  // Written with a work stack rather than recursion, as joins may nest arbitrarily deep.
  std::string Write(int root) const {
    struct Step {
      int node;               // an item to write, or -1 for `text`
      std::string_view text;
    };
    std::string out;
    std::vector<Step> steps = {{root, {}}};
    while (!steps.empty()) {
      const Step step = steps.back();
      steps.pop_back();
      if (step.node < 0) {
        out += step.text;
        continue;
      }
      const Source& source = At(step.node);
      if (!source.is_join) {
        out += source.table;
        continue;
      }
      // Pushed in reverse: the last pushed is written first.
      const bool nested = step.node != root;
      if (nested) steps.push_back({-1, ")"});
      const bool several = source.conditions.size() > 1;
      if (several) steps.push_back({-1, ")"});
      for (std::size_t i = source.conditions.size(); i-- > 0;) {
        steps.push_back({-1, source.conditions[i]});
        if (i > 0) steps.push_back({-1, ") AND ("});
      }
      if (several) steps.push_back({-1, "("});
      steps.push_back({-1, " ON "});
      steps.push_back({source.right, {}});
      steps.push_back({-1, JoinWord(source.kind)});
      steps.push_back({source.left, {}});
      if (nested) steps.push_back({-1, "("});
    }
    return out;
  }

  std::vector<Source> sources_;
  std::unordered_map<std::string, int> owner_;  // folded table name -> an item that held it
};

}  // namespace

std::vector<std::string> BuildFromItems(const std::vector<QueryRow>& tables,
                                        const std::vector<QueryRow>& joins) {
  FromBuilder builder;
  for (const QueryRow& table : tables) builder.AddTable(table);
  for (const QueryRow& join : joins) builder.AddJoin(join);
  return builder.Items();
}

}  // namespace engine
