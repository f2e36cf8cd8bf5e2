#pragma once

#include <windows.h>

#include <atomic>

#include "platform/unique_win32.h"

namespace platform {

// Raised once the program is asked to end; long operations stop at their next step.
class CancelSignal {
  public:
    void Raise() const noexcept {
        raised_ = true;
        ::SetEvent(event_.get());
    }
    // Read at every chunk of a copy: a wait on the event costs a trip to Wine's server.
    bool IsRaised() const noexcept { return raised_; }
    // Waits for the signal at most this long; true if it came.
    bool WaitFor(DWORD milliseconds) const noexcept {
        return ::WaitForSingleObject(event_.get(), milliseconds) == WAIT_OBJECT_0;
    }

  private:
    mutable std::atomic<bool> raised_{false};
    UniqueHandle event_{::CreateEventW(nullptr, TRUE, FALSE, nullptr)};
};

}  // namespace platform
