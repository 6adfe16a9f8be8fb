// The program's command line: which mode to run and the settings it gives.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace tarvik {

enum class AppMode { kWindow, kHeadless, kServeDemo };

// Texts as typed (UTF-8); the modes convert them to GBK for the window model.
struct AppOptions {
  AppMode mode = AppMode::kWindow;
  bool demo = false;  // crawl the built-in demo site, served in-process
  std::optional<std::string> configFile;
  std::optional<std::string> siteUrl;
  std::optional<std::string> imageBase;
  std::optional<std::string> outDir;
  bool noCategories = false;
  std::optional<int> collectThreads;
  std::optional<int> downloadThreads;
  std::vector<std::string> connectTo;  // HOST:PORT:HOST2:PORT2
  bool quiet = false;
  // --serve-demo: where and what the demo site serves.
  int port = 0;
  int latencyMs = 0;
  int categories = 3;
  int listPages = 3;
  int galleries = 6;    // per list page
  int minPictures = 8;  // per gallery
  int maxPictures = 20;
  int pictureWidth = 480;  // pixels; the height is three quarters of it
};

// Exit statuses of the program.
inline constexpr int kExitOk = 0;
inline constexpr int kExitSomeFailed = 1;
inline constexpr int kExitBadArguments = 2;
inline constexpr int kExitInterrupted = 130;

// Parses |argv| into |options|. Returns nothing when the program should go
// on; otherwise the exit status to end with, after printing help (0) or a
// clear message on stderr (kExitBadArguments).
std::optional<int> ParseCommandLine(int argc, char** argv, AppOptions* options);

}  // namespace tarvik
