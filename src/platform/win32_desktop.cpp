#include "platform/win32_desktop.h"

#include "platform/unique_win32.h"

namespace platform {
namespace {

// Long enough to cost nothing, short enough that the thread looks for
// messages well within the system's five-second hung-window threshold.
constexpr DWORD kPaintPollMs = 50;

DWORD WINAPI RunOperation(void* parameter) {
    const auto& operation = *static_cast<const std::function<void()>*>(parameter);
    try {
        operation();
    } catch (...) {
        // The operation reports its own failures; nothing may escape a thread.
    }
    return 0;
}

}  // namespace

void Win32Desktop::ShowMessageBox(const std::wstring& prompt, int buttonsCode,
                                  const std::wstring& title) {
    // Owned by the main window, which it disables while it is shown.
    ::MessageBoxW(mainWindow_, prompt.c_str(), title.c_str(),
                  static_cast<UINT>(buttonsCode) | MB_SETFOREGROUND);
}

bool Win32Desktop::TakeQuit(const MSG& message) {
    if (message.message != WM_QUIT) {
        return false;
    }
    quitting_ = true;
    exitCode_ = static_cast<int>(message.wParam);
    return true;
}

void Win32Desktop::Dispatch(const MSG& message) {
    if (TakeQuit(message)) {
        return;
    }
    if (mainWindow_ == nullptr || !::IsDialogMessageW(mainWindow_, const_cast<MSG*>(&message))) {
        ::TranslateMessage(&message);
        ::DispatchMessageW(&message);
    }
}

bool Win32Desktop::ProcessPendingEvents() {
    MSG message;
    while (!quitting_ && ::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        Dispatch(message);
    }
    return !quitting_;
}

void Win32Desktop::SetMousePointer(int pointerCode) {
    overrideCursor_ =
        pointerCode == kPointerHourglass ? ::LoadCursorW(nullptr, IDC_WAIT) : nullptr;
    ::SetCursor(overrideCursor_ != nullptr ? overrideCursor_ : ::LoadCursorW(nullptr, IDC_ARROW));
}

void Win32Desktop::RunWhilePainting(const std::function<void()>& operation) {
    const UniqueHandle worker(::CreateThread(nullptr, 0, RunOperation,
                                             const_cast<std::function<void()>*>(&operation), 0,
                                             nullptr));
    if (!worker) {
        RunOperation(const_cast<std::function<void()>*>(&operation));
        return;
    }
    const HANDLE waitFor = worker.get();
    for (;;) {
        const DWORD woken = ::MsgWaitForMultipleObjectsEx(1, &waitFor, kPaintPollMs,
                                                          QS_PAINT | QS_SENDMESSAGE,
                                                          MWMO_INPUTAVAILABLE);
        if (woken == WAIT_OBJECT_0 || woken == WAIT_FAILED) {
            break;
        }
        MSG message;
        while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE | PM_QS_PAINT | PM_QS_SENDMESSAGE)) {
            if (!TakeQuit(message)) {
                ::DispatchMessageW(&message);
            }
        }
    }
    ::WaitForSingleObject(waitFor, INFINITE);
}

int Win32Desktop::RunMessageLoop() {
    MSG message;
    while (!quitting_ && ::GetMessageW(&message, nullptr, 0, 0) > 0) {
        Dispatch(message);
    }
    return exitCode_;
}

}  // namespace platform
