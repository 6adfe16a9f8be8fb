// PumpMessages: lets a thread that waits on the window thread keep the window
// responsive. Until a window installs its own pump, pumping does nothing.
#pragma once

#include <functional>

namespace tarvik {

// Handles the calling thread's pending window messages. Safe from any thread:
// a pump installed by a window only acts on the window thread and does nothing
// elsewhere.
void PumpMessages();

// Installs |pump| as what PumpMessages runs; an empty function restores the
// no-op. Meant to be called once at start-up, before other threads pump.
void SetPumpMessagesHook(std::function<void()> pump);

}  // namespace tarvik
