// The process-wide libcurl state every HTTP component uses: the global
// initialisation and one share of connections, DNS answers and TLS sessions,
// so that a component made for a single request still reuses the keep-alive
// connections of the components before it.
#pragma once

typedef void CURLSH;

namespace tarvik {

// Initialises libcurl for the process on the first call (thread-safe, once)
// and returns the share. The share lives until the process exits; any
// number of threads may use it at once, each through its own easy handle.
CURLSH* CurlShare();

}  // namespace tarvik
