// The command that serves the demo site in the foreground.
#pragma once

#include "demo/demo_options.h"

namespace tarvik {

// Serves the demo site on 127.0.0.1:|port| (0 picks a free port), prints to
// stdout where it listens and the --connect-to routes that reach it, and
// serves until SIGINT or SIGTERM. Blocks those two signals in the calling
// thread (and so in every thread the site starts), so call it before the
// program starts other threads. Returns 0 after a clean stop, 1 when the
// port cannot be bound (with a message on stderr).
int ServeDemoUntilInterrupted(const DemoOptions& options, int port);

}  // namespace tarvik
