// A process-wide table that sends connections for one host and port to
// another address while URLs (and so Host headers, cookies and TLS names)
// stay unchanged. Used by the command line's --connect-to, the demo site and
// tests. All functions are thread-safe.
#pragma once

#include <string>
#include <vector>

namespace tarvik {

// Routes connections for |hostPort| ("HOST:PORT") to |targetHostPort|
// ("HOST2:PORT2"). A later route for the same HOST:PORT replaces the earlier
// one. Returns false, changing nothing, when either text is not HOST:PORT
// with a decimal port, or holds a character that cannot be in a host name.
bool AddHostRoute(const std::string& hostPort, const std::string& targetHostPort);

// Removes every route.
void ClearHostRoutes();

// The routes as "HOST:PORT:HOST2:PORT2" entries, in the order they were added.
std::vector<std::string> HostRoutes();

}  // namespace tarvik
