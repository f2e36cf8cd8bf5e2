#pragma once

#include <windows.h>

#include <functional>
#include <memory>

#include "platform/cancel_signal.h"
#include "platform/desktop.h"

namespace platform {

// The desktop services on the message queue of the user-interface thread, its only user.
class Win32Desktop final : public Desktop {
  public:
    Win32Desktop();
    Win32Desktop(const Win32Desktop&) = delete;
    Win32Desktop& operator=(const Win32Desktop&) = delete;
    ~Win32Desktop() override;

    // The main window owns message boxes and handles keyboard navigation and its shortcuts.
    void SetMainWindow(HWND window, HACCEL shortcuts = nullptr) noexcept {
        mainWindow_ = window;
        shortcuts_ = shortcuts;
    }

    void ShowMessageBox(const std::wstring& prompt, int buttonsCode,
                        const std::wstring& title) override;
    bool ProcessPendingEvents() override;
    void SetMousePointer(int pointerCode) override;

    // The cursor that every window of the tool shows now, or null for each window's own.
    HCURSOR OverrideCursor() const noexcept { return overrideCursor_; }

    // Runs an operation on the worker thread while the window answers (Exit raises Ending()).
    void RunWhilePainting(const std::function<void()>& operation);

    // Raised once the program has been asked to end.
    const CancelSignal& Ending() const noexcept { return ending_; }

    // Raises Ending() and waits, a few seconds at most, until no copy has a temporary file left.
    void StopWork();

    // Runs the message loop until the program is asked to end; returns its exit code.
    int RunMessageLoop();

  private:
    class Worker;

    void Dispatch(const MSG& message);

    HWND mainWindow_ = nullptr;
    HACCEL shortcuts_ = nullptr;
    HCURSOR overrideCursor_ = nullptr;
    bool quitting_ = false;
    int exitCode_ = 0;
    CancelSignal ending_;
    std::unique_ptr<Worker> worker_;
};

}  // namespace platform
