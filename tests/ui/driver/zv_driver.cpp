// zv_driver: drives a running ZV_CheckFiles.exe from the command line.
//
//   wait-window [ms]    wait for the window, loaded ("...standing by")
//   begin               press Begin and return at once (wait-finished may then still
//                       see an earlier run's final text; run waits for its own)
//   run [ms]            press Begin, wait for the run to end, print the status
//   wait-finished [ms]  wait for "We're Done!" or an error report, print it
//   rect NAME           print "left top right bottom" on the screen (physical pixels) of
//                       cmdBegin, cmdExit, lblNotify, window or client
//   close               close the window, wait for the process, print its exit code
//   exit                press Exit; print the ms until the window is gone and the process ended,
//                       and its exit code
//   pointer             move the pointer over the status line, let the tool set its
//                       cursor, print "arrow", "wait" or "other" and the cursor handle
//   modules             print the path of every module loaded into the tool
//   announced-run [ms]  press Begin, wait for the run to end, print how many live-region
//                       events the status line raised (a WinEvent hook), then the status
//   copy                press Ctrl+C in the window, print what the clipboard then holds
//
// Exit codes: 0 success ("We're Done!" for run and wait-finished), 3 the run
// ended with an error report, 1 failure or timeout, 2 usage.

#include <windows.h>
#include <psapi.h>

#include <cstdio>
#include <vector>
#include <cwchar>
#include <string>

#include "platform/unique_win32.h"
#include "window_driver.h"

namespace {

constexpr DWORD kDefaultTimeoutMs = 30000;

void Print(const std::wstring& text) {
    const std::string utf8 = driver::ToUtf8(text) + "\n";
    std::fwrite(utf8.data(), 1, utf8.size(), stdout);
    std::fflush(stdout);
}

int Fail(const wchar_t* message) {
    std::fwprintf(stderr, L"zv_driver: %ls\n", message);
    return 1;
}

DWORD TimeoutArgument(int argc, wchar_t** argv, int index) {
    return argc > index ? static_cast<DWORD>(std::wcstoul(argv[index], nullptr, 10))
                        : kDefaultTimeoutMs;
}

// Polls the status line until it shows a run's end, calling between() after each look.
template <class Between>
std::wstring WaitFinal(DWORD timeoutMs, Between between) {
    const ULONGLONG deadline = ::GetTickCount64() + timeoutMs;
    std::wstring status;
    while (!driver::IsFinalStatus(status = driver::ReadStatus().value_or(L"")) &&
           ::GetTickCount64() < deadline) {
        between();
    }
    return status;
}

int PrintFinal(const std::wstring& status) {
    Print(status);
    return status == L"We're Done!" ? 0 : 3;
}

int PrintRect(HWND window, const std::wstring& name) {
    RECT rect{};
    if (name == L"window") {
        ::GetWindowRect(window, &rect);
    } else if (name == L"client") {
        ::GetClientRect(window, &rect);
        ::MapWindowPoints(window, nullptr, reinterpret_cast<POINT*>(&rect), 2);
    } else {
        for (const auto& entry : ui::kControls) {
            if (name == entry.name) {
                ::GetWindowRect(driver::FindControl(window, entry.id), &rect);
            }
        }
    }
    if (::IsRectEmpty(&rect)) {
        return Fail(L"no such control");
    }
    Print(std::to_wstring(rect.left) + L" " + std::to_wstring(rect.top) + L" " +
          std::to_wstring(rect.right) + L" " + std::to_wstring(rect.bottom));
    return 0;
}

// Told apart by the system cursors' handles, which every process shares on
// Windows. Wine loads a copy of each into every process, so that there a cursor
// set by the tool is always "other" (see x_pointer.cpp).
int PrintPointer(HWND window) {
    RECT rect{};
    ::GetWindowRect(driver::FindControl(window, ui::ControlId::lblNotify), &rect);
    const POINT target{(rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2};
    const HWND under = ::WindowFromPoint(target);
    if (under != window && !::IsChild(window, under)) {
        return Fail(L"cannot put the pointer over the status line");
    }
    // A move onto the pointer's own place makes no mouse message: come from a pixel
    // away. The move is queued input, taken after any sent message: give it a moment.
    DWORD_PTR ignored = 0;
    for (const LONG offset : {1L, 0L}) {
        ::SetCursorPos(target.x + offset, target.y + offset);
        ::SendMessageTimeoutW(window, WM_NULL, 0, 0, SMTO_NORMAL, 2000, &ignored);
        ::Sleep(100);
    }
    // Once the window has taken the move, it has set its cursor (WM_SETCURSOR).
    if (!::SendMessageTimeoutW(window, WM_NULL, 0, 0, SMTO_NORMAL, 2000, &ignored)) {
        return Fail(L"the window does not answer");
    }
    CURSORINFO shown{};
    shown.cbSize = sizeof(shown);
    if (!::GetCursorInfo(&shown)) {
        return Fail(L"cannot read the pointer");
    }
    const wchar_t* kind = shown.hCursor == ::LoadCursorW(nullptr, IDC_ARROW)  ? L"arrow"
                          : shown.hCursor == ::LoadCursorW(nullptr, IDC_WAIT) ? L"wait"
                                                                              : L"other";
    wchar_t line[64];
    std::swprintf(line, 64, L"%ls 0x%llx", kind,
                  static_cast<unsigned long long>(reinterpret_cast<UINT_PTR>(shown.hCursor)));
    Print(line);
    return 0;
}

int PrintModules(HWND window) {
    const platform::UniqueHandle process =
        driver::OpenWindowProcess(window, PROCESS_QUERY_INFORMATION | PROCESS_VM_READ);
    std::vector<HMODULE> modules(64);
    for (DWORD needed = 0;; modules.resize(needed / sizeof(HMODULE) + 16)) {
        const auto bytes = static_cast<DWORD>(modules.size() * sizeof(HMODULE));
        if (!process || !::K32EnumProcessModules(process.get(), modules.data(), bytes, &needed)) {
            return Fail(L"cannot read the tool's modules");
        }
        if (needed <= bytes) {  // else the list grew meanwhile
            modules.resize(needed / sizeof(HMODULE));
            break;
        }
    }
    for (const HMODULE module : modules) {
        wchar_t path[MAX_PATH];
        if (::K32GetModuleFileNameExW(process.get(), module, path, MAX_PATH) != 0) {
            Print(path);
        }
    }
    return 0;
}

// Not in the headers before Windows 8.
constexpr DWORD kEventObjectLiveRegionChanged = 0x8019;

struct Announcements {
    HWND statusLine = nullptr;
    int count = 0;
} g_announcements;

void CALLBACK OnLiveRegionChanged(HWINEVENTHOOK, DWORD, HWND window, LONG object, LONG child, DWORD,
                                  DWORD) {
    if (window == g_announcements.statusLine && object == OBJID_CLIENT && child == CHILDID_SELF) {
        ++g_announcements.count;
    }
}

// Out-of-process WinEvents come as messages to the hooking thread.
void HandleMessagesFor(DWORD ms) {
    const ULONGLONG until = ::GetTickCount64() + ms;
    for (ULONGLONG now; (now = ::GetTickCount64()) < until;) {
        ::MsgWaitForMultipleObjects(0, nullptr, FALSE, static_cast<DWORD>(until - now),
                                    QS_ALLINPUT);
        MSG message;
        while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            ::DispatchMessageW(&message);
        }
    }
}

int AnnouncedRun(HWND window, DWORD timeoutMs) {
    DWORD processId = 0;
    ::GetWindowThreadProcessId(window, &processId);
    g_announcements = {driver::FindControl(window, ui::ControlId::lblNotify), 0};
    const HWINEVENTHOOK hook =
        ::SetWinEventHook(kEventObjectLiveRegionChanged, kEventObjectLiveRegionChanged, nullptr,
                          OnLiveRegionChanged, processId, 0, WINEVENT_OUTOFCONTEXT);
    if (hook == nullptr) {
        return Fail(L"cannot watch the tool's events");
    }
    const platform::ScopeExit unhook([hook] { ::UnhookWinEvent(hook); });
    if (!driver::PostBegin(window)) {
        return Fail(L"cannot press Begin");
    }
    const std::wstring status = WaitFinal(timeoutMs, [] { HandleMessagesFor(20); });
    // The event of the last text follows the text: once the tool answers, the
    // run has returned and raised it.
    DWORD_PTR ignored = 0;
    ::SendMessageTimeoutW(window, WM_NULL, 0, 0, SMTO_NORMAL, 5000, &ignored);
    HandleMessagesFor(500);
    Print(std::to_wstring(g_announcements.count) + L" " + status);
    return driver::IsFinalStatus(status) ? 0 : Fail(L"the run did not end in time");
}

// As the user would: the window in front, the keys through the system's input.
int CopyReport(HWND window) {
    ::SetForegroundWindow(window);
    const DWORD before = ::GetClipboardSequenceNumber();
    INPUT keys[4] = {};
    for (INPUT& key : keys) {
        key.type = INPUT_KEYBOARD;
    }
    keys[0].ki.wVk = keys[3].ki.wVk = VK_CONTROL;
    keys[1].ki.wVk = keys[2].ki.wVk = 'C';
    keys[2].ki.dwFlags = keys[3].ki.dwFlags = KEYEVENTF_KEYUP;
    if (!driver::WaitUntil([&] { return ::GetForegroundWindow() == window; }, 2000) ||
        ::SendInput(4, keys, sizeof(INPUT)) != 4) {
        return Fail(L"cannot press Ctrl+C in the window");
    }
    if (!driver::WaitUntil([&] { return ::GetClipboardSequenceNumber() != before; }, 5000) ||
        !::OpenClipboard(nullptr)) {
        return Fail(L"nothing was copied");
    }
    const platform::ScopeExit close([] { ::CloseClipboard(); });
    const HANDLE data = ::GetClipboardData(CF_UNICODETEXT);
    const auto* text = static_cast<const wchar_t*>(data != nullptr ? ::GlobalLock(data) : nullptr);
    if (text == nullptr) {
        return Fail(L"the clipboard holds no text");
    }
    Print(text);
    ::GlobalUnlock(data);
    return 0;
}

}  // namespace

int TimedExit(HWND window) {
    const platform::UniqueHandle process =
        driver::OpenWindowProcess(window, SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION);
    const ULONGLONG start = ::GetTickCount64();
    if (!process ||
        !::PostMessageW(driver::FindControl(window, ui::ControlId::cmdExit), BM_CLICK, 0, 0)) {
        return Fail(L"cannot press Exit");
    }
    const bool gone = driver::WaitUntil([&] { return !::IsWindow(window); }, 10000, 2);
    const ULONGLONG goneMs = ::GetTickCount64() - start;
    if (!gone || ::WaitForSingleObject(process.get(), 10000) != WAIT_OBJECT_0) {
        return Fail(L"the window or the process did not end");
    }
    DWORD exitCode = 0;
    ::GetExitCodeProcess(process.get(), &exitCode);
    Print(std::to_wstring(goneMs) + L" " + std::to_wstring(::GetTickCount64() - start) + L" " +
          std::to_wstring(exitCode));
    return 0;
}

int wmain(int argc, wchar_t** argv) {
    if (argc < 2) {
        std::fwprintf(stderr, L"usage: zv_driver COMMAND [ARGS]\n");
        return 2;
    }
    driver::BecomeDpiAware();
    const std::wstring command = argv[1];
    if (command == L"wait-window") {
        return driver::WaitForMainWindow(TimeoutArgument(argc, argv, 2)) ? 0 : Fail(L"no window");
    }
    if (command == L"wait-finished") {
        const std::wstring status = WaitFinal(TimeoutArgument(argc, argv, 2), [] { ::Sleep(20); });
        if (!driver::IsFinalStatus(status)) {
            Print(status);
            return Fail(L"the run did not end in time");
        }
        return PrintFinal(status);
    }

    const HWND window = driver::FindMainWindow();
    if (window == nullptr) {
        return Fail(L"the window is not open");
    }
    if (command == L"begin") {
        return driver::PostBegin(window) ? 0 : Fail(L"cannot press Begin");
    }
    if (command == L"run") {
        if (!driver::RunBegin(window, TimeoutArgument(argc, argv, 2))) {
            return Fail(L"the run did not end in time");
        }
        return PrintFinal(driver::ReadStatus().value_or(L""));
    }
    if (command == L"rect" && argc > 2) {
        return PrintRect(window, argv[2]);
    }
    if (command == L"close") {
        const auto exitCode = driver::CloseAndWait(window, 10000);
        if (!exitCode) {
            return Fail(L"the process did not end");
        }
        Print(std::to_wstring(*exitCode));
        return 0;
    }
    if (command == L"exit") {
        return TimedExit(window);
    }
    if (command == L"modules") {
        return PrintModules(window);
    }
    if (command == L"announced-run") {
        return AnnouncedRun(window, TimeoutArgument(argc, argv, 2));
    }
    if (command == L"pointer") {
        return PrintPointer(window);
    }
    if (command == L"copy") {
        return CopyReport(window);
    }
    std::fwprintf(stderr, L"zv_driver: unknown command\n");
    return 2;
}
