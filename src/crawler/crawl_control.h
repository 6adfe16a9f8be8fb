// Crawl control: the four crawl-control buttons and the master routine that
// runs one crawl from the home page to the last picture.
//
// The click handlers run on the window thread and never take sharedLock.
// RunCrawl runs on crawlThread. All of them use the objects of Globals().
#pragma once

#include <cstdint>

namespace tarvik {

// Start: sets the next row number to 1, empties the results list, disables
// Start and runs RunCrawl on crawlThread; Start is enabled again when the
// thread cannot start (an earlier crawl has not returned yet).
void OnStartClicked();

// Pause: disables Pause and pauses the three pools; running tasks finish,
// queued ones wait (and keep the crawl from looking finished).
void OnPauseClicked();

// Continue: resumes the three pools and enables Pause again.
void OnContinueClicked();

// Stop: drops every queued task, waits (handling window messages) until
// RunCrawl has returned, then enables Start and Pause. Tasks already running
// finish their current work in the background.
void OnStopClicked();

// The master routine: creates the pools, runs the home-page stage, then
// waits until all three pools are idle (the crawl ended) or one of them is no
// longer running (Stop). Returns 0.
int32_t RunCrawl(int32_t unused);

// Writes the three counters into the status bar. Takes sharedLock.
void RefreshStatusBar();

}  // namespace tarvik
