// LD_PRELOAD shim for failure-path tests: refuses pthread_create with EAGAIN,
// as a thread limit or an exhausted address space would. REFUSE_THREADS_AFTER=K
// lets the first K threads of the process start; unset or 0 refuses them all.
#include <dlfcn.h>
#include <pthread.h>

#include <atomic>
#include <cerrno>
#include <cstdlib>

namespace {
using createFunction = int (*)(pthread_t*, const pthread_attr_t*, void* (*)(void*), void*);
std::atomic<long> started{0};
}  // namespace

extern "C" int pthread_create(pthread_t* thread, const pthread_attr_t* attributes, void* (*start)(void*),
                              void* argument) {
  const char* after = std::getenv("REFUSE_THREADS_AFTER");
  const long allowed = after ? std::atol(after) : 0;
  if (started.fetch_add(1) >= allowed) return EAGAIN;
  static const auto next = reinterpret_cast<createFunction>(dlsym(RTLD_NEXT, "pthread_create"));
  return next(thread, attributes, start, argument);
}
