#include "documenter/graphviz_library.h"

#include <optional>
#include <string>

#include "engine/optional_library.h"

namespace tavrek::doc {

namespace {

std::optional<GraphvizLibrary> Load(std::string& error) {
  // libgvc names libcgraph among its own dependencies, so one library brings both. Global: the
  // layout and rendering plugins Graphviz loads itself link against these libraries.
  static engine::OptionalLibrary library("libgvc.so.6", true);
  GraphvizLibrary g{};
  Agdesc_t* directed = nullptr;
  library.Bind("agopen", g.Open)
      .Bind("agclose", g.Close)
      .Bind("agnode", g.Node)
      .Bind("agedge", g.Edge)
      .Bind("agsafeset", g.SafeSet)
      .Bind("agseterr", g.SetErrorLevel)
      .Bind("agseterrf", g.SetErrorHandler)
      .Bind("gvContext", g.Context)
      .Bind("gvLayout", g.Layout)
      .Bind("gvFreeLayout", g.FreeLayout)
      .Bind("gvRenderData", g.RenderData)
      .Bind("gvFreeRenderData", g.FreeRenderData)
      .Bind("Agdirected", directed);
  if (!library.Usable()) {
    error = library.Error().Description();
    return std::nullopt;
  }
  g.directed = *directed;
  return g;
}

std::string* capturedMessages = nullptr;

int CaptureMessage(char* text) {
  if (capturedMessages && text) *capturedMessages += text;
  return 0;
}

}  // namespace

GraphvizMessageCapture::GraphvizMessageCapture(const GraphvizLibrary& library, std::string& messages)
    : library_(library) {
  capturedMessages = &messages;
  previous_ = library_.SetErrorHandler(CaptureMessage);
  library_.SetErrorLevel(AGERR);
}

GraphvizMessageCapture::~GraphvizMessageCapture() {
  library_.SetErrorHandler(previous_);
  capturedMessages = nullptr;
}

const GraphvizLibrary* GraphvizLibrary::Get(std::string& error) {
  static std::string loadError;
  static const std::optional<GraphvizLibrary> loaded = Load(loadError);
  if (!loaded) error = loadError;
  return loaded ? &*loaded : nullptr;
}

}  // namespace tavrek::doc
