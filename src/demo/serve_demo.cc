#include "demo/serve_demo.h"

#include <pthread.h>

#include <csignal>
#include <cstdio>

#include "demo/demo_site.h"

namespace tarvik {

int ServeDemoUntilInterrupted(const DemoOptions& options, int port) {
  sigset_t stopSignals;
  sigemptyset(&stopSignals);
  sigaddset(&stopSignals, SIGINT);
  sigaddset(&stopSignals, SIGTERM);
  sigset_t previous;
  pthread_sigmask(SIG_BLOCK, &stopSignals, &previous);

  int result = 0;
  {
    // Nobody reads the log of a site served from the command line, and it
    // would grow without bound.
    DemoOptions served = options;
    served.keepRequestLog = false;
    DemoSite site(served);
    if (!site.Start(port)) {
      std::fprintf(stderr, "cannot serve the demo site on 127.0.0.1:%d\n", port);
      result = 1;
    } else {
      std::vector<std::string> routes = site.ConnectToArguments();
      std::printf("demo site listening on 127.0.0.1:%d\n", site.Port());
      std::printf("  pages:    %s\n", kDemoHomeUrl);
      std::printf("  pictures: %s<gallery>/<m>.jpg (Referer: the gallery page)\n", kDemoImageBase);
      std::printf("  %zu categories, %zu galleries, %d pictures\n", site.Categories().size(),
                  site.Galleries().size(), site.Catalog().TotalPictures());
      std::printf("route both hosts here with:\n");
      for (const std::string& route : routes) std::printf("  --connect-to %s\n", route.c_str());
      std::printf("for example:\n  curl --connect-to %s %s\n", routes[0].c_str(), kDemoHomeUrl);
      std::printf("press Ctrl-C to stop\n");
      std::fflush(stdout);
      int signal = 0;
      sigwait(&stopSignals, &signal);
      site.Stop();
      std::printf("demo site stopped\n");
      std::fflush(stdout);
    }
  }
  pthread_sigmask(SIG_SETMASK, &previous, nullptr);
  return result;
}

}  // namespace tarvik
