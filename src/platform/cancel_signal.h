#pragma once

#include <windows.h>

#include "platform/unique_win32.h"

namespace platform {

// Raised once the program is asked to end; long operations stop at their next step.
class CancelSignal {
  public:
    void Raise() const noexcept { ::SetEvent(event_.get()); }
    bool IsRaised() const noexcept { return WaitFor(0); }
    // Waits for the signal at most this long; true if it came.
    bool WaitFor(DWORD milliseconds) const noexcept {
        return ::WaitForSingleObject(event_.get(), milliseconds) == WAIT_OBJECT_0;
    }

  private:
    UniqueHandle event_{::CreateEventW(nullptr, TRUE, FALSE, nullptr)};
};

}  // namespace platform
