// Graphviz's layout library, loaded the first time a diagram is drawn. Only the HTML dictionary
// draws one; loading libgvc and its companions at every start of tavrek-dump costs more than
// describing many a small database takes.
#pragma once

#include <graphviz/cgraph.h>
#include <graphviz/gvc.h>

#include <string>

namespace tavrek::doc {

struct GraphvizLibrary {
  decltype(&::agopen) Open;
  decltype(&::agclose) Close;
  decltype(&::agnode) Node;
  decltype(&::agedge) Edge;
  decltype(&::agsafeset) SafeSet;
  decltype(&::agseterr) SetErrorLevel;
  decltype(&::agseterrf) SetErrorHandler;
  decltype(&::gvContext) Context;
  decltype(&::gvLayout) Layout;
  decltype(&::gvFreeLayout) FreeLayout;
  decltype(&::gvRenderData) RenderData;
  decltype(&::gvFreeRenderData) FreeRenderData;
  Agdesc_t directed;  // the library's Agdirected

  // The library, loaded on first use (thread-safe), or nullptr when the system has none; then
  // `error` is the description of the loader's error (engine::OptionalLibrary), with its reason.
  static const GraphvizLibrary* Get(std::string& error);
};

// While alive, Graphviz's error messages (at level AGERR and above) are added to `messages`
// instead of going to standard error; the handler that was there before is put back when it ends,
// by an exception too, so Graphviz is never left calling into a dead string. Graphviz has one
// handler for the whole process: the caller keeps one capture alive at a time (a lock).
class GraphvizMessageCapture {
 public:
  GraphvizMessageCapture(const GraphvizLibrary& library, std::string& messages);
  ~GraphvizMessageCapture();
  GraphvizMessageCapture(const GraphvizMessageCapture&) = delete;
  GraphvizMessageCapture& operator=(const GraphvizMessageCapture&) = delete;

 private:
  const GraphvizLibrary& library_;
  agusererrf previous_;
};

}  // namespace tavrek::doc
