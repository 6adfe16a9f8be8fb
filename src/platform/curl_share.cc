#include "platform/curl_share.h"

#include <curl/curl.h>

#include <array>
#include <mutex>

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

}  // namespace

CURLSH* CurlShare() {
  static CURLSH* share = MakeShare();
  return share;
}

}  // namespace tarvik
