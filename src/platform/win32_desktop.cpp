#include "platform/win32_desktop.h"

#include <exception>

#include "platform/unique_win32.h"

namespace platform {
namespace {

// Long enough to cost nothing, short enough that the thread looks for
// messages well within the system's five-second hung-window threshold.
constexpr DWORD kPaintPollMs = 50;

// An operation on its worker thread, and what it threw there, to be thrown
// again on the thread that waits for it.
struct Work {
    const std::function<void()>& operation;
    std::exception_ptr thrown;
};

DWORD WINAPI RunOperation(void* parameter) {
    auto& work = *static_cast<Work*>(parameter);
    try {
        work.operation();
    } catch (...) {
        work.thrown = std::current_exception();
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
    Work work{operation, nullptr};
    const UniqueHandle worker(::CreateThread(nullptr, 0, RunOperation, &work, 0, nullptr));
    if (!worker) {
        operation();
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
    if (work.thrown) {
        std::rethrow_exception(work.thrown);
    }
}

int Win32Desktop::RunMessageLoop() {
    MSG message;
    while (!quitting_ && ::GetMessageW(&message, nullptr, 0, 0) > 0) {
        Dispatch(message);
    }
    return exitCode_;
}

}  // namespace platform
