// The process-wide libcurl state every HTTP component uses: the global
// initialisation and one share of connections, DNS answers and TLS sessions,
// so that a component made for a single request still reuses the keep-alive
// connections of the components before it.
#pragma once

typedef void CURLSH;
typedef void CURL;

namespace tarvik {

// Initialises libcurl for the process on the first call (thread-safe, once)
// and returns the share. The share lives until the process exits; any
// number of threads may use it at once, each through its own easy handle.
CURLSH* CurlShare();

// An easy handle from a process-wide pool of idle ones, or a new one;
// nullptr when libcurl cannot make one. Creating a handle per request costs
// as much as a keep-alive request itself, so components borrow them.
CURL* AcquireEasyHandle();

// Returns |handle| to the pool with its cookies forgotten and its options
// reset, or frees it when the pool is full. Thread-safe.
void ReleaseEasyHandle(CURL* handle);

// Turns on the cookie engine of |handle| unless it is on already. The
// engine survives curl_easy_reset; turning it on again would leak libcurl's
// list of cookie files on every request. Thread-safe.
void StartCookieEngine(CURL* handle);

}  // namespace tarvik
