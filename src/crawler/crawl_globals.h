// The crawl's global objects: the thread that runs RunCrawl, the shared lock,
// the five queues between the stages, the three pools and the counters. They
// are created once at start-up, live for the whole run and serve every crawl.
//
// Stage tasks are plain routines posted to the pools, so they reach these
// objects through Globals().
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <utility>

#include "concurrency/critical_section.h"
#include "concurrency/memory_queue.h"
#include "concurrency/thread_object.h"
#include "concurrency/thread_pool.h"
#include "crawler/main_window.h"
#include "platform/window_model.h"

namespace tarvik {

// Process-wide counters. Zero at start-up and never reset, except
// nextRowNumber, which Start sets to 1. Changed with atomic operations and
// read with plain loads.
struct CrawlCounters {
  std::atomic<int32_t> downloadedCount{0};      // pictures written
  std::atomic<int32_t> totalImageCount{0};      // pictures announced by galleries
  std::atomic<int32_t> activeCollectTasks{0};   // gallery tasks at work
  std::atomic<int32_t> activeDownloadTasks{0};  // download tasks writing a file
  std::atomic<int32_t> nextRowNumber{0};        // advanced under sharedLock
  // Not shown in the status bar; the headless summary reports them.
  std::atomic<int32_t> failedImageCount{0};   // pictures given up after retries
  std::atomic<int32_t> skippedImageCount{0};  // pictures already on disk
  std::atomic<int32_t> galleryCount{0};       // rows added
};

struct CrawlGlobals {
  CrawlGlobals(WindowModel& window, std::string runDirectory)
      : window(window), settings(window, std::move(runDirectory)) {}

  WindowModel& window;
  CrawlSettings settings;  // reads the controls at the moment of use
  ThreadObject crawlThread;
  CriticalSection sharedLock;
  MemoryQueue categoryQueue;
  MemoryQueue listPageQueue;
  // One ImageJob record per picture (gallery URL, folder, row and number
  // travel together); the folder and row queues are kept but stay empty.
  MemoryQueue imageGalleryQueue;
  MemoryQueue imageFolderQueue;
  MemoryQueue imageRowQueue;
  ThreadPool categoryPool;
  ThreadPool collectPool;
  ThreadPool downloadPool;
  CrawlCounters counters;
};

// Creates the global objects for the window whose controls the crawl reads
// and writes; |runDirectory| (GBK) holds the default picture root. Call once,
// on the window thread, before any click handler runs.
void CreateGlobalObjects(WindowModel& window, std::string runDirectory);

// Stops the pools without running queued work, waits a few seconds for a
// running crawl to return and for pool workers to end, then destroys the
// objects. Window thread; after it Globals() must not be called.
void DestroyGlobalObjects();

// The objects made by CreateGlobalObjects. Any thread, between the two calls.
CrawlGlobals& Globals();

}  // namespace tarvik
