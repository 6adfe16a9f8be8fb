#include "concurrency/native_thread.h"

#include <pthread.h>

#include <algorithm>
#include <memory>
#include <new>

namespace tarvik {
namespace {

void* RunBody(void* argument) {
  std::unique_ptr<std::function<void()>> body(static_cast<std::function<void()>*>(argument));
  (*body)();
  return nullptr;
}

}  // namespace

bool StartDetachedThread(std::function<void()> body, int64_t stackBytes) {
  std::unique_ptr<std::function<void()>> owned;
  try {
    owned = std::make_unique<std::function<void()>>(std::move(body));
  } catch (const std::bad_alloc&) {
    return false;
  }
  pthread_attr_t attributes;
  if (pthread_attr_init(&attributes) != 0) return false;
  bool ok = pthread_attr_setdetachstate(&attributes, PTHREAD_CREATE_DETACHED) == 0;
  if (ok && stackBytes > 0) {
    auto bytes = static_cast<size_t>(std::max(stackBytes, kMinThreadStackBytes));
    ok = pthread_attr_setstacksize(&attributes, bytes) == 0;
  }
  pthread_t thread;
  if (ok) ok = pthread_create(&thread, &attributes, RunBody, owned.get()) == 0;
  pthread_attr_destroy(&attributes);
  if (ok) static_cast<void>(owned.release());  // the thread owns it now
  return ok;
}

}  // namespace tarvik
