// A crawl without a window: the window model stands alone, the command line
// clicks its buttons, and progress goes to stderr.
#pragma once

#include "app/command_line.h"

namespace tarvik {

// Runs one crawl with |options| and returns the exit status: 0 when every
// announced picture was saved or was already on disk, 1 when some failed (or
// the site yielded no gallery), 2 for bad settings, 130 after Ctrl-C (which
// stops the crawl cleanly; a second Ctrl-C ends the program at once). Prints
// the summary line on stdout last. Call from the main thread.
int RunHeadless(const AppOptions& options);

}  // namespace tarvik
