#include "platform/win32_desktop.h"

#include <deque>
#include <exception>
#include <memory>
#include <utility>

#include "platform/unique_win32.h"

namespace platform {
namespace {

// Well within the system's five-second hung-window threshold.
constexpr DWORD kPaintPollMs = 50;

}  // namespace

// The one thread that runs the program's long operations, in the order given:
// another thread would cost more working set than the work it does.
class Win32Desktop::Worker {
    // The lock, held until the end of the caller's scope, whatever leaves it.
    [[nodiscard]] auto Hold() {
        ::AcquireSRWLockExclusive(&lock_);
        return ScopeExit([this] { ::ReleaseSRWLockExclusive(&lock_); });
    }

  public:
    static std::unique_ptr<Worker> Start() {
        auto worker = std::unique_ptr<Worker>(new Worker);
        worker->thread_.reset(::CreateThread(nullptr, 0, Loop, worker.get(), 0, nullptr));
        return worker->thread_ ? std::move(worker) : nullptr;
    }

    // Ends once every task given has run.
    ~Worker() {
        Give(nullptr);
        ::WaitForSingleObject(thread_.get(), INFINITE);
    }

    // Queues a task; an empty one stops the thread.
    void Give(std::function<void()> task) {
        {
            const auto held = Hold();
            tasks_.push_back(std::move(task));
        }
        ::WakeConditionVariable(&given_);
    }

  private:
    Worker() = default;

    std::function<void()> Next() {
        const auto held = Hold();
        while (tasks_.empty()) {
            ::SleepConditionVariableSRW(&given_, &lock_, INFINITE, 0);
        }
        std::function<void()> task = std::move(tasks_.front());
        tasks_.pop_front();
        return task;
    }

    static DWORD WINAPI Loop(void* parameter) {
        auto& worker = *static_cast<Worker*>(parameter);
        while (const std::function<void()> task = worker.Next()) {
            task();
        }
        return 0;
    }

    SRWLOCK lock_ = SRWLOCK_INIT;
    CONDITION_VARIABLE given_ = CONDITION_VARIABLE_INIT;
    std::deque<std::function<void()>> tasks_;
    UniqueHandle thread_;
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
               !::IsDialogMessageW(mainWindow_, const_cast<MSG*>(&message))) {
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
    const UniqueHandle finished(::CreateEventW(nullptr, TRUE, FALSE, nullptr));
    if (finished && !worker_) {
        worker_ = Worker::Start();  // with the first operation, and kept
    }
    if (!finished || !worker_) {
        operation();
        return;
    }
    std::exception_ptr thrown;
    worker_->Give([&] {
        try {
            operation();
        } catch (...) {
            thrown = std::current_exception();
        }
        ::SetEvent(finished.get());
    });
    const HANDLE waitFor = finished.get();
    for (;;) {
        const DWORD woken = ::MsgWaitForMultipleObjectsEx(1, &waitFor, kPaintPollMs, QS_ALLINPUT,
                                                          MWMO_INPUTAVAILABLE);
        if (woken == WAIT_OBJECT_0) {
            break;
        }
        if (woken == WAIT_FAILED) {
            ::WaitForSingleObject(waitFor, INFINITE);
            break;
        }
        ProcessPendingEvents();
    }
    if (thrown) {
        std::rethrow_exception(thrown);
    }
}

int Win32Desktop::RunMessageLoop() {
    MSG message;
    while (!quitting_) {
        const BOOL got = ::GetMessageW(&message, nullptr, 0, 0);
        if (got == -1) {
            break;
        }
        Dispatch(message);  // takes the quit message's exit code too
    }
    return exitCode_;
}

}  // namespace platform
