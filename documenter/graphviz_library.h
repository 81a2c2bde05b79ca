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
  // `error` says why.
  static const GraphvizLibrary* Get(std::string& error);
};

}  // namespace tavrek::doc
