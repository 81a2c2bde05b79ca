#include "engine/storage/mapped_file.h"

#include <setjmp.h>
#include <signal.h>
#include <sys/mman.h>

#include <atomic>
#include <cstring>
#include <mutex>

namespace engine {

namespace {

// The copy in progress on this thread, for the SIGBUS handler: where to go back to, and which
// addresses are ours. Read by the handler on the same thread only; volatile, so that the compiler
// keeps the stores around the copy (it knows memcpy does not read the pointer, not that a signal
// handler does).
struct GuardedCopy {
  sigjmp_buf back;
  const uint8_t* begin;
  const uint8_t* end;
};
thread_local GuardedCopy* volatile t_copy = nullptr;

struct sigaction g_previous;

void OnBusError(int signal, siginfo_t* info, void* context) {
  GuardedCopy* copy = t_copy;
  const uint8_t* at = static_cast<const uint8_t*>(info->si_addr);
  if (copy && at >= copy->begin && at < copy->end) siglongjmp(copy->back, 1);
  // Not ours: whoever handled SIGBUS before us does, or the default action ends the process as
  // it would have without us (returning makes the fault happen again, now without this handler).
  if (g_previous.sa_flags & SA_SIGINFO) {
    if (g_previous.sa_sigaction) {
      g_previous.sa_sigaction(signal, info, context);
      return;
    }
  } else if (g_previous.sa_handler != SIG_DFL && g_previous.sa_handler != SIG_IGN) {
    g_previous.sa_handler(signal);
    return;
  }
  ::sigaction(SIGBUS, &g_previous, nullptr);
}

// Installs the handler once per process; false when the system refused it.
bool InstallHandler() {
  static bool installed = [] {
    struct sigaction action {};
    action.sa_sigaction = OnBusError;
    // SA_NODEFER: leaving the handler by siglongjmp must not leave SIGBUS blocked.
    action.sa_flags = SA_SIGINFO | SA_NODEFER | SA_ONSTACK;
    sigemptyset(&action.sa_mask);
    return ::sigaction(SIGBUS, &action, &g_previous) == 0;
  }();
  return installed;
}

}  // namespace

std::unique_ptr<MappedFile> MappedFile::Map(int fd, uint64_t size) {
  if (size == 0 || size > SIZE_MAX || !InstallHandler()) return nullptr;
  void* p = ::mmap(nullptr, static_cast<size_t>(size), PROT_READ, MAP_SHARED, fd, 0);
  if (p == MAP_FAILED) return nullptr;
  return std::unique_ptr<MappedFile>(new MappedFile(static_cast<const uint8_t*>(p), size));
}

MappedFile::~MappedFile() { ::munmap(const_cast<uint8_t*>(data_), static_cast<size_t>(size_)); }

bool MappedFile::Copy(uint64_t offset, void* out, size_t n) const {
  if (offset > size_ || n > size_ - offset) return false;
  GuardedCopy copy;
  copy.begin = data_ + offset;
  copy.end = copy.begin + n;
  if (sigsetjmp(copy.back, 0) != 0) {
    t_copy = nullptr;
    return false;
  }
  t_copy = &copy;
  std::atomic_signal_fence(std::memory_order_seq_cst);
  std::memcpy(out, copy.begin, n);
  std::atomic_signal_fence(std::memory_order_seq_cst);
  t_copy = nullptr;
  return true;
}

}  // namespace engine
