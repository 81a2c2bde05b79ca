#include "documenter/graphviz_library.h"

#include <dlfcn.h>

#include <optional>
#include <string>

namespace tavrek::doc {

namespace {

// libgvc names libcgraph among its own dependencies, so one library brings both.
constexpr const char* kLibrary = "libgvc.so.6";

template <class T>
bool Bind(void* library, const char* name, T& out, std::string& error) {
  void* symbol = ::dlsym(library, name);
  if (!symbol) {
    error = std::string(kLibrary) + " non ha " + name;
    return false;
  }
  out = reinterpret_cast<T>(symbol);
  return true;
}

std::optional<GraphvizLibrary> Load(std::string& error) {
  // Global: the layout and rendering plugins Graphviz loads itself link against these libraries.
  // Never closed: the calls stay valid for the rest of the process.
  void* library = ::dlopen(kLibrary, RTLD_NOW | RTLD_GLOBAL);
  if (!library) {
    const char* why = ::dlerror();
    error = std::string("Graphviz non disponibile: ") + (why ? why : kLibrary);
    return std::nullopt;
  }
  GraphvizLibrary g{};
  Agdesc_t* directed = nullptr;
  if (!Bind(library, "agopen", g.Open, error) || !Bind(library, "agclose", g.Close, error) ||
      !Bind(library, "agnode", g.Node, error) || !Bind(library, "agedge", g.Edge, error) ||
      !Bind(library, "agsafeset", g.SafeSet, error) || !Bind(library, "agseterr", g.SetErrorLevel, error) ||
      !Bind(library, "agseterrf", g.SetErrorHandler, error) || !Bind(library, "gvContext", g.Context, error) ||
      !Bind(library, "gvLayout", g.Layout, error) || !Bind(library, "gvFreeLayout", g.FreeLayout, error) ||
      !Bind(library, "gvRenderData", g.RenderData, error) ||
      !Bind(library, "gvFreeRenderData", g.FreeRenderData, error) ||
      !Bind(library, "Agdirected", directed, error))
    return std::nullopt;
  g.directed = *directed;
  return g;
}

}  // namespace

const GraphvizLibrary* GraphvizLibrary::Get(std::string& error) {
  static std::string loadError;
  static const std::optional<GraphvizLibrary> loaded = Load(loadError);
  if (!loaded) error = loadError;
  return loaded ? &*loaded : nullptr;
}

}  // namespace tavrek::doc
