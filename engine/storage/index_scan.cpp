#include "engine/storage/index_scan.h"

#include <unordered_set>

#include "engine/storage/index_page.h"

namespace engine {

namespace {

// Even a table of millions of rows with long keys needs far fewer levels.
constexpr int kMaxDepth = 16;

class IndexWalk {
 public:
  explicit IndexWalk(PageReader& pages) : pages_(pages) {}

  void Visit(uint32_t number, int depth) {
    if (depth > kMaxDepth) ThrowCorrupt("index tree too deep");
    if (!seen_.insert(number).second) ThrowCorrupt("index page reached twice");
    const IndexPage page(pages_.Read(number), pages_.Format());
    if (page.IsLeaf()) {
      for (const IndexPage::Entry& e : page.Entries()) rows_.push_back(e.row);
      return;
    }
    for (const IndexPage::Entry& e : page.Entries()) Visit(e.childPage, depth + 1);
    // The tail holds the entries past the node's last one; a writer that also names it in the
    // last entry has had it read already.
    const uint32_t tail = page.TailPage();
    const bool named = !page.Entries().empty() && page.Entries().back().childPage == tail;
    if (tail != 0 && !named) Visit(tail, depth + 1);
  }

  std::vector<RowPointer> Take() { return std::move(rows_); }

 private:
  PageReader& pages_;
  std::unordered_set<uint32_t> seen_;
  std::vector<RowPointer> rows_;
};

}  // namespace

std::vector<RowPointer> ReadIndexRows(PageReader& pages, uint32_t rootPage) {
  IndexWalk walk(pages);
  walk.Visit(rootPage, 0);
  return walk.Take();
}

}  // namespace engine
