#include "engine/optional_library.h"

#include <dlfcn.h>

#include "engine/errors.h"

namespace engine {

namespace {

std::string LastLoaderError(const std::string& fallback) {
  const char* text = ::dlerror();
  return text ? std::string(text) : fallback;
}

}  // namespace

OptionalLibrary::OptionalLibrary(std::string file, bool global) : file_(std::move(file)) {
  ::dlerror();  // a stale message must not stand for this call's
  handle_ = ::dlopen(file_.c_str(), RTLD_NOW | (global ? RTLD_GLOBAL : RTLD_LOCAL));
  if (!handle_) reason_ = LastLoaderError(file_ + ": impossibile caricare la libreria");
}

void* OptionalLibrary::Symbol(const char* name) {
  if (!Usable()) return nullptr;
  ::dlerror();
  void* symbol = ::dlsym(handle_, name);
  if (!symbol) reason_ = LastLoaderError(file_ + ": manca il simbolo " + name);
  return symbol;
}

void OptionalLibrary::Refuse(const std::string& reason) {
  if (Usable()) reason_ = reason.empty() ? file_ + ": libreria rifiutata" : reason;
}

dao::Error OptionalLibrary::Error() const { return LibraryError(file_, reason_); }

}  // namespace engine
