// What the window and the headless run share: the built-in demo site, host
// routes, and the command line's settings put into the window's controls.
#pragma once

#include <memory>
#include <string>

#include "app/command_line.h"
#include "crawler/main_window.h"
#include "demo/demo_site.h"

namespace tarvik {

// Starts the demo site when |options| ask for it and adds every host route.
// False (after a message on stderr) when either fails.
bool PrepareNetwork(const AppOptions& options, std::unique_ptr<DemoSite>* demoSite);

// Applies the command line's settings to |mainWindow|, creates the crawl's
// global objects for it and hooks the crawl buttons. False (after a message
// on stderr) when the settings cannot be read.
bool PrepareCrawl(const AppOptions& options, MainWindow& mainWindow);

// Starts the demo site on a free loopback port and routes www.example.com
// and img.example.com to it. Returns nothing (after a message on stderr)
// when it cannot listen.
std::unique_ptr<DemoSite> StartDemoSite(int latencyMs);

// Adds the --connect-to routes. False (after a message on stderr) for a
// route that the HTTP layer refuses.
bool AddRoutes(const std::vector<std::string>& routes);

// Loads --config into the edit boxes, then applies --site, --image-base,
// --out, --no-categories and the thread counts. With |demo| the site and
// image addresses are the demo site's unless given. False (after a message
// on stderr) when the settings file cannot be read.
bool ApplySettings(const AppOptions& options, MainWindow& mainWindow);

}  // namespace tarvik
