// Shared libraries the programs can do without until a file or an option needs one: OpenSSL's
// libcrypto (encrypted .accdb files), Graphviz (the HTML diagram) and tavrek-dump's PDF module.
// Each is loaded on first use and never closed, so its calls stay valid for the rest of the
// process. One failure policy for all of them: the first failure (the library cannot be loaded,
// a call or a datum is missing, the library is of another version) is kept in the system's own
// words (dlerror), and Error() turns it into the engine error the user sees.
#pragma once

#include <string>

#include "engine/dao.h"

namespace engine {

class OptionalLibrary {
 public:
  // Loads `file`: a name the dynamic linker searches for (libcrypto.so.3) or a path. `global`:
  // its symbols serve the libraries loaded after it (Graphviz's plugins need that).
  explicit OptionalLibrary(std::string file, bool global = false);

  OptionalLibrary(const OptionalLibrary&) = delete;
  OptionalLibrary& operator=(const OptionalLibrary&) = delete;

  // Sets `out` to the address of the symbol `name` (a call, or a datum when T is a pointer to
  // one). A missing symbol makes the library unusable, naming it; after a failure Bind does
  // nothing. Returns *this, so that bindings chain.
  template <class T>
  OptionalLibrary& Bind(const char* name, T& out) {
    if (void* symbol = Symbol(name)) out = reinterpret_cast<T>(symbol);
    return *this;
  }

  // Marks the library unusable for `reason` (a check of the caller's own failed, such as a
  // version), unless it already is.
  void Refuse(const std::string& reason);

  bool Usable() const { return reason_.empty(); }
  const std::string& File() const { return file_; }
  // Why the library is not usable (empty while it is): the dynamic linker's text or the caller's.
  const std::string& Reason() const { return reason_; }
  // The engine error of an unusable library: 3170, naming the library and the reason.
  dao::Error Error() const;

 private:
  void* Symbol(const char* name);

  std::string file_;
  void* handle_ = nullptr;
  std::string reason_;
};

}  // namespace engine
