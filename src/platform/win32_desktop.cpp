#include "platform/win32_desktop.h"

#include <exception>
#include <memory>
#include <utility>

#include "platform/unique_win32.h"

namespace platform {
namespace {

// Well within the system's five-second hung-window threshold.
constexpr DWORD kPaintPollMs = 50;

// An operation stops within a second of the program's end; the session's end waits no longer.
constexpr DWORD kStopWaitMs = 4000;

}  // namespace

// The one thread for long operations, one at a time; kept, as a thread for each costs more.
class Win32Desktop::Worker {
  public:
    static std::unique_ptr<Worker> Start() {
        auto worker = std::unique_ptr<Worker>(new Worker);
        if (worker->given_ && worker->done_) {
            worker->thread_.reset(::CreateThread(nullptr, 0, Loop, worker.get(), 0, nullptr));
        }
        return worker->thread_ ? std::move(worker) : nullptr;
    }

    ~Worker() {
        Give({});
        ::WaitForSingleObject(thread_.get(), INFINITE);
    }

    // Starts the task (none ends the thread); returns the event set once it has run.
    HANDLE Give(std::function<void()> task) {
        task_ = std::move(task);
        ::ResetEvent(done_.get());
        ::SetEvent(given_.get());
        return done_.get();
    }

    // Set while no task runs.
    HANDLE Idle() const noexcept { return done_.get(); }

  private:
    Worker() = default;

    static DWORD WINAPI Loop(void* parameter) {
        auto& worker = *static_cast<Worker*>(parameter);
        while (::WaitForSingleObject(worker.given_.get(), INFINITE) == WAIT_OBJECT_0 &&
               worker.task_) {
            worker.task_();
            ::SetEvent(worker.done_.get());
        }
        return 0;
    }

    UniqueHandle given_{::CreateEventW(nullptr, FALSE, FALSE, nullptr)};
    UniqueHandle done_{::CreateEventW(nullptr, TRUE, TRUE, nullptr)};
    UniqueHandle thread_;
    std::function<void()> task_;
};

Win32Desktop::Win32Desktop() = default;
Win32Desktop::~Win32Desktop() = default;

void Win32Desktop::ShowMessageBox(const std::wstring& prompt, int buttonsCode,
                                  const std::wstring& title) {
    // Owned by the main window, which it disables while it is shown.
    ::MessageBoxW(mainWindow_, prompt.c_str(), title.c_str(),
                  static_cast<UINT>(buttonsCode) | MB_SETFOREGROUND);
}

void Win32Desktop::Dispatch(const MSG& message) {
    if (message.message == WM_QUIT) {
        quitting_ = true;
        exitCode_ = static_cast<int>(message.wParam);
        ending_.Raise();
    } else if (mainWindow_ == nullptr ||
               (!::TranslateAcceleratorW(mainWindow_, shortcuts_, const_cast<MSG*>(&message)) &&
                !::IsDialogMessageW(mainWindow_, const_cast<MSG*>(&message)))) {
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
    overrideCursor_ = pointerCode == kPointerHourglass ? ::LoadCursorW(nullptr, IDC_WAIT) : nullptr;
    ::SetCursor(overrideCursor_ != nullptr ? overrideCursor_ : ::LoadCursorW(nullptr, IDC_ARROW));
}

void Win32Desktop::RunWhilePainting(const std::function<void()>& operation) {
    if (!worker_) {
        worker_ = Worker::Start();  // with the first operation, and kept
    }
    if (!worker_) {
        operation();
        return;
    }
    std::exception_ptr thrown;
    const HANDLE waitFor = worker_->Give([&] {
        try {
            operation();
        } catch (...) {
            thrown = std::current_exception();
        }
    });
    while (!quitting_) {
        const DWORD woken = ::MsgWaitForMultipleObjectsEx(1, &waitFor, kPaintPollMs, QS_ALLINPUT,
                                                          MWMO_INPUTAVAILABLE);
        if (woken == WAIT_OBJECT_0 || woken == WAIT_FAILED) {
            break;
        }
        ProcessPendingEvents();
    }
    // Once the program ends the queue is left alone: its messages would wake a wait on it at once.
    ::WaitForSingleObject(waitFor, INFINITE);
    if (thrown) {
        std::rethrow_exception(thrown);
    }
}

void Win32Desktop::StopWork() {
    ending_.Raise();
    if (worker_) {
        ::WaitForSingleObject(worker_->Idle(), kStopWaitMs);
    }
}

int Win32Desktop::RunMessageLoop() {
    MSG message;
    while (!quitting_ && ::GetMessageW(&message, nullptr, 0, 0) != -1) {
        Dispatch(message);  // takes the quit message's exit code too
    }
    return exitCode_;
}

}  // namespace platform
