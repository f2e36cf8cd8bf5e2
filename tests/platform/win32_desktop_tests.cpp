// The message handling that keeps the window alive during long operations.

#include "platform/win32_desktop.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <atomic>
#include <cstdint>
#include <stdexcept>
#include <thread>

namespace {

struct Counts {
    int paints = 0;
    std::atomic<int> posted = 0;
};

constexpr UINT kPostedInput = WM_APP + 1;
constexpr UINT kSentProbe = WM_APP + 2;

LRESULT CALLBACK CountingProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* counts = reinterpret_cast<Counts*>(::GetWindowLongPtrW(window, GWLP_USERDATA));
    switch (message) {
        case WM_PAINT: {
            PAINTSTRUCT paint;
            ::BeginPaint(window, &paint);
            ::EndPaint(window, &paint);
            ++counts->paints;
            return 0;
        }
        case kPostedInput:
            ++counts->posted;
            return 0;
        case kSentProbe:
            return 42;
        default:
            return ::DefWindowProcW(window, message, wParam, lParam);
    }
}

class Win32DesktopTest : public ::testing::Test {
  protected:
    void SetUp() override {
        WNDCLASSW windowClass{};
        windowClass.lpfnWndProc = CountingProc;
        windowClass.hInstance = ::GetModuleHandleW(nullptr);
        windowClass.lpszClassName = L"ZvDesktopTest";
        ::RegisterClassW(&windowClass);
        window_ = ::CreateWindowW(L"ZvDesktopTest", L"test", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0,
                                  200, 100, nullptr, nullptr, windowClass.hInstance, nullptr);
        ASSERT_NE(window_, nullptr);
        ::SetWindowLongPtrW(window_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(&counts_));
        desktop_.SetMainWindow(window_);
        desktop_.ProcessPendingEvents();
        counts_.paints = 0;
        counts_.posted = 0;
    }
    void TearDown() override { ::DestroyWindow(window_); }

    HWND window_ = nullptr;
    Counts counts_;
    platform::Win32Desktop desktop_;
};

TEST_F(Win32DesktopTest, LongOperationRepaintsAnswersAndTakesInput) {
    std::atomic<LRESULT> answer = 0;
    DWORD_PTR reply = 0;
    ::PostMessageW(window_, kPostedInput, 0, 0);
    const DWORD uiThread = ::GetCurrentThreadId();
    desktop_.RunWhilePainting([&] {
        EXPECT_NE(::GetCurrentThreadId(), uiThread);
        ::InvalidateRect(window_, nullptr, TRUE);
        // Another program asking whether the window is alive gets its answer.
        std::thread asker([&] {
            if (::SendMessageTimeoutW(window_, kSentProbe, 0, 0, SMTO_ABORTIFHUNG, 2000, &reply)) {
                answer = static_cast<LRESULT>(reply);
            }
        });
        asker.join();
        // Input is taken meanwhile, so that the window can be closed.
        for (int i = 0; i < 100 && counts_.posted == 0; ++i) {
            ::Sleep(20);
        }
    });
    EXPECT_EQ(answer, 42);
    // Every long operation runs on the same one worker.
    DWORD firstWorker = 0;
    DWORD secondWorker = 0;
    desktop_.RunWhilePainting([&] { firstWorker = ::GetCurrentThreadId(); });
    desktop_.RunWhilePainting([&] { secondWorker = ::GetCurrentThreadId(); });
    EXPECT_EQ(firstWorker, secondWorker);
    // What one throws there reaches the caller here.
    EXPECT_THROW(desktop_.RunWhilePainting([] { throw std::runtime_error("broken"); }),
                 std::runtime_error);
    EXPECT_GE(counts_.paints, 1);
    EXPECT_EQ(counts_.posted, 1);
}

// The loop's own GetMessage takes the quit message, with its exit code.
TEST_F(Win32DesktopTest, QuitEndsTheLoopAndEventPasses) {
    ::PostQuitMessage(3);
    EXPECT_EQ(desktop_.RunMessageLoop(), 3);
    EXPECT_FALSE(desktop_.ProcessPendingEvents());
}

// Milliseconds of processor time that this thread has used.
std::uint64_t BusyMs() {
    FILETIME created, exited, kernel, user;
    ::GetThreadTimes(::GetCurrentThread(), &created, &exited, &kernel, &user);
    const auto ms = [](FILETIME time) {
        return (std::uint64_t{time.dwHighDateTime} << 32 | time.dwLowDateTime) / 10'000;
    };
    return ms(kernel) + ms(user);
}

TEST_F(Win32DesktopTest, QuitDuringALongOperationStopsItAndEndsTheLoopWithItsCode) {
    const DWORD uiThread = ::GetCurrentThreadId();
    bool stopped = false;
    const std::uint64_t busyBefore = BusyMs();
    desktop_.RunWhilePainting([&] {
        ::PostThreadMessageW(uiThread, WM_QUIT, 4, 0);
        stopped = desktop_.Ending().WaitFor(2000);
        // Input left in the queue must not keep the quitting thread busy.
        ::PostMessageW(window_, kPostedInput, 0, 0);
        ::Sleep(1000);
    });
    EXPECT_LT(BusyMs() - busyBefore, 150u) << "ms of processor time in a 1 s wait";
    EXPECT_TRUE(stopped);
    EXPECT_FALSE(desktop_.ProcessPendingEvents());
    EXPECT_EQ(desktop_.RunMessageLoop(), 4);
}

}  // namespace
