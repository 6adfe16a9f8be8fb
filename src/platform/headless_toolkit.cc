#include "platform/headless_toolkit.h"

#include <utility>

#include "platform/pump_messages.h"

namespace tarvik {

HeadlessToolkit::HeadlessToolkit() : windowThread_(std::this_thread::get_id()) {}

HeadlessToolkit::~HeadlessToolkit() {
  if (pumpInstalled_) SetPumpMessagesHook({});
}

std::string HeadlessToolkit::BrowseFolder(std::string_view title, bool showFiles) {
  std::lock_guard<std::mutex> lock(mutex_);
  asked_.push_back(Question{std::string(title), showFiles});
  if (answers_.empty()) return {};
  std::string answer = std::move(answers_.front());
  answers_.pop_front();
  return answer;
}

void HeadlessToolkit::AddBrowseAnswer(std::string path) {
  std::lock_guard<std::mutex> lock(mutex_);
  answers_.push_back(std::move(path));
}

std::vector<HeadlessToolkit::Question> HeadlessToolkit::Asked() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return asked_;
}

void HeadlessToolkit::Post(std::function<void()> task) {
  std::lock_guard<std::mutex> lock(mutex_);
  pending_.push_back(std::move(task));
}

int HeadlessToolkit::RunPending() {
  if (std::this_thread::get_id() != windowThread_) return 0;
  int ran = 0;
  for (;;) {
    std::function<void()> task;
    {
      std::lock_guard<std::mutex> lock(mutex_);
      if (pending_.empty()) return ran;
      task = std::move(pending_.front());
      pending_.pop_front();
    }
    // Without the lock: a task may post or pump again.
    if (task) task();
    ++ran;
  }
}

void HeadlessToolkit::InstallPump() {
  SetPumpMessagesHook([this] { RunPending(); });
  pumpInstalled_ = true;
}

}  // namespace tarvik
