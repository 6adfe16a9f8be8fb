// HeadlessToolkit: the toolkit of a window nobody sees. BrowseFolder answers
// from a scripted list (first in, first out) and cancels once the list is
// empty; a small event queue stands in for the window's message queue.
#pragma once

#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "platform/toolkit.h"

namespace tarvik {

class HeadlessToolkit : public Toolkit {
 public:
  // The constructing thread is the window thread.
  HeadlessToolkit();
  ~HeadlessToolkit() override;

  // Pops the next scripted answer, or returns empty text (cancel).
  // Records |title| and |showFiles| for Asked().
  std::string BrowseFolder(std::string_view title, bool showFiles) override;

  // Queues |path| as the answer of a later BrowseFolder. Any thread.
  void AddBrowseAnswer(std::string path);

  struct Question {
    std::string title;
    bool showFiles = false;
  };
  // Every BrowseFolder call so far, oldest first. Any thread.
  std::vector<Question> Asked() const;

  // Queues |task| to run on the window thread the next time it pumps.
  // Any thread.
  void Post(std::function<void()> task);

  // Runs the queued tasks (those queued meanwhile included) when called on
  // the window thread; does nothing elsewhere. Returns how many ran.
  int RunPending();

  // Makes PumpMessages() run RunPending(); undone by the destructor.
  void InstallPump();

 private:
  const std::thread::id windowThread_;
  mutable std::mutex mutex_;
  std::deque<std::string> answers_;            // guarded by mutex_
  std::vector<Question> asked_;                // guarded by mutex_
  std::deque<std::function<void()>> pending_;  // guarded by mutex_
  bool pumpInstalled_ = false;                 // window thread only
};

}  // namespace tarvik
