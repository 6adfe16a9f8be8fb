#include "platform/curl_share.h"

#include <curl/curl.h>

#include <array>
#include <mutex>
#include <unordered_set>
#include <vector>

namespace tarvik {
namespace {

// One mutex per kind of shared data, so a DNS lookup never waits behind
// connection bookkeeping.
struct ShareLocks {
  std::array<std::mutex, CURL_LOCK_DATA_LAST> mutexes;
};

void LockShare(CURL*, curl_lock_data data, curl_lock_access, void* user) {
  static_cast<ShareLocks*>(user)->mutexes[data].lock();
}

void UnlockShare(CURL*, curl_lock_data data, void* user) {
  static_cast<ShareLocks*>(user)->mutexes[data].unlock();
}

CURLSH* MakeShare() {
  curl_global_init(CURL_GLOBAL_ALL);
  // Deliberately never freed: components on other threads may still be
  // finishing while static destructors run at exit.
  static ShareLocks* locks = new ShareLocks;
  CURLSH* share = curl_share_init();
  if (share == nullptr) return nullptr;
  curl_share_setopt(share, CURLSHOPT_LOCKFUNC, LockShare);
  curl_share_setopt(share, CURLSHOPT_UNLOCKFUNC, UnlockShare);
  curl_share_setopt(share, CURLSHOPT_USERDATA, locks);
  curl_share_setopt(share, CURLSHOPT_SHARE, CURL_LOCK_DATA_CONNECT);
  curl_share_setopt(share, CURLSHOPT_SHARE, CURL_LOCK_DATA_DNS);
  curl_share_setopt(share, CURLSHOPT_SHARE, CURL_LOCK_DATA_SSL_SESSION);
  return share;
}

// Idle handles kept for reuse; more than this many idle at once are freed.
constexpr size_t kMaxIdleHandles = 64;

std::mutex poolMutex;
std::unordered_set<CURL*>& CookieEngines() {  // guarded by poolMutex
  static std::unordered_set<CURL*> handles;
  return handles;
}
std::vector<CURL*>& IdleHandles() {  // guarded by poolMutex
  // Never destroyed, like the share the handles point at.
  static auto* handles = new std::vector<CURL*>;
  return *handles;
}

}  // namespace

CURLSH* CurlShare() {
  static CURLSH* share = MakeShare();
  return share;
}

CURL* AcquireEasyHandle() {
  if (CurlShare() == nullptr) return nullptr;
  {
    std::lock_guard lock(poolMutex);
    auto& idle = IdleHandles();
    if (!idle.empty()) {
      CURL* handle = idle.back();
      idle.pop_back();
      return handle;
    }
  }
  return curl_easy_init();
}

void ReleaseEasyHandle(CURL* handle) {
  if (handle == nullptr) return;
  // What the next borrower must not inherit: the cookies of this one's
  // conversation and any option it set.
  curl_easy_setopt(handle, CURLOPT_COOKIELIST, "ALL");
  curl_easy_reset(handle);
  {
    std::lock_guard lock(poolMutex);
    auto& idle = IdleHandles();
    if (idle.size() < kMaxIdleHandles) {
      idle.push_back(handle);
      return;
    }
  }
  {
    std::lock_guard lock(poolMutex);
    CookieEngines().erase(handle);
  }
  curl_easy_cleanup(handle);
}

void StartCookieEngine(CURL* handle) {
  {
    std::lock_guard lock(poolMutex);
    if (!CookieEngines().insert(handle).second) return;
  }
  curl_easy_setopt(handle, CURLOPT_COOKIEFILE, "");
}

}  // namespace tarvik
