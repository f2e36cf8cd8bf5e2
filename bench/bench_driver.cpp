// bench_driver: the benchmark's measurements of a running ZV_CheckFiles.exe.
//
//   startup EXE TITLE   start EXE, print the ms until a visible window TITLE exists
//                       (for the tool: showing "...standing by")
//   timed-run [ms]      press Begin, send WM_NULL every 20 ms until the run has ended;
//                       print "elapsed_ms worst_reply_ms p99_reply_ms status"
//   peak-memory         print the tool's peak working set in bytes
//
// Exit codes: 0 success, 1 failure or timeout, 2 usage.

#include <windows.h>
#include <psapi.h>

#include <algorithm>
#include <cstdio>
#include <cwchar>
#include <string>
#include <vector>

#include "window_driver.h"

namespace {

int Fail(const char* message) {
    std::fprintf(stderr, "bench_driver: %s\n", message);
    return 1;
}

double NowMs() {
    LARGE_INTEGER now;
    LARGE_INTEGER frequency;
    ::QueryPerformanceCounter(&now);
    ::QueryPerformanceFrequency(&frequency);
    return 1000.0 * static_cast<double>(now.QuadPart) / static_cast<double>(frequency.QuadPart);
}

int Startup(const std::wstring& exe, const std::wstring& title) {
    const double start = NowMs();
    const auto started = driver::StartProgram(exe, L"\"" + exe + L"\"");
    if (!started) {
        return Fail("cannot start the program");
    }
    const bool isTool = title == ui::kFrmUpdate.title;
    HWND window = nullptr;
    const bool shown = driver::WaitUntil(
        [&] {
            window = ::FindWindowW(nullptr, title.c_str());
            return window != nullptr && ::IsWindowVisible(window) &&
                   (!isTool || driver::ReadStatus() == std::wstring(ui::kStandingBy));
        },
        30000, 1);
    const double elapsed = NowMs() - start;
    if (window != nullptr) {
        ::PostMessageW(window, WM_CLOSE, 0, 0);
    }
    ::WaitForSingleObject(started->process.get(), 10000);
    if (!shown) {
        return Fail("no window");
    }
    std::printf("%.1f\n", elapsed);
    return 0;
}

int TimedRun(HWND window, DWORD timeoutMs) {
    const double start = NowMs();
    if (!driver::PostBegin(window)) {
        return Fail("cannot press Begin");
    }
    std::vector<double> replies;
    std::wstring status;
    driver::WaitUntil(
        [&] {
            if (driver::IsFinalStatus(status = driver::ReadStatus().value_or(L""))) {
                return true;
            }
            const double asked = NowMs();
            DWORD_PTR ignored = 0;
            ::SendMessageTimeoutW(window, WM_NULL, 0, 0, SMTO_NORMAL, 5000, &ignored);
            replies.push_back(NowMs() - asked);
            return false;
        },
        timeoutMs);
    std::sort(replies.begin(), replies.end());
    const double worst = replies.empty() ? 0 : replies.back();
    const double p99 = replies.empty() ? 0 : replies[replies.size() * 99 / 100];
    std::printf("%.1f %.2f %.2f %s\n", NowMs() - start, worst, p99, driver::ToUtf8(status).c_str());
    return driver::IsFinalStatus(status) ? 0 : 1;
}

int PrintPeakMemory(HWND window) {
    const platform::UniqueHandle process =
        driver::OpenWindowProcess(window, PROCESS_QUERY_LIMITED_INFORMATION | PROCESS_VM_READ);
    PROCESS_MEMORY_COUNTERS counters{};
    if (!process || !::K32GetProcessMemoryInfo(process.get(), &counters, sizeof(counters))) {
        return Fail("cannot read the process's memory counters");
    }
    std::printf("%llu\n", static_cast<unsigned long long>(counters.PeakWorkingSetSize));
    return 0;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    driver::BecomeDpiAware();
    const std::wstring command = argc > 1 ? argv[1] : L"";
    if (command == L"startup" && argc > 3) {
        return Startup(argv[2], argv[3]);
    }
    const HWND window = driver::FindMainWindow();
    if ((command == L"timed-run" || command == L"peak-memory") && window == nullptr) {
        return Fail("the window is not open");
    }
    if (command == L"timed-run") {
        return TimedRun(window, argc > 2 ? std::wcstoul(argv[2], nullptr, 10) : 30000);
    }
    if (command == L"peak-memory") {
        return PrintPeakMemory(window);
    }
    std::fprintf(stderr, "usage: bench_driver startup EXE TITLE | timed-run [ms] | peak-memory\n");
    return 2;
}
