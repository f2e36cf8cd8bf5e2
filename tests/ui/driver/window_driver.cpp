#include "window_driver.h"

#include <regex>

#include "platform/system_api.h"
#include "platform/unique_win32.h"

namespace driver {
void BecomeDpiAware() {
    // Windows 10 version 1703.
    constexpr platform::SystemFunction<BOOL(WINAPI*)(DPI_AWARENESS_CONTEXT)> kSetAwareness{
        L"user32.dll", "SetProcessDpiAwarenessContext"};
    if (const auto setAwareness = platform::FindSystemFunction(kSetAwareness)) {
        setAwareness(DPI_AWARENESS_CONTEXT_PER_MONITOR_AWARE_V2);
    }
}

HWND FindMainWindow(DWORD processId) {
    for (HWND window = nullptr;
         (window = ::FindWindowExW(nullptr, window, ui::kFrmUpdate.className.data(),
                                   ui::kFrmUpdate.title.data())) != nullptr;) {
        DWORD owner = 0;
        ::GetWindowThreadProcessId(window, &owner);
        if (processId == 0 || owner == processId) {
            return window;
        }
    }
    return nullptr;
}

HWND FindControl(HWND mainWindow, ui::ControlId id) {
    return ::GetDlgItem(mainWindow, static_cast<int>(id));
}

std::optional<std::wstring> ReadText(HWND window, DWORD timeoutMs) {
    DWORD_PTR length = 0;
    if (!::SendMessageTimeoutW(window, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, timeoutMs,
                               &length)) {
        return std::nullopt;
    }
    std::wstring text(length + 1, L'\0');
    DWORD_PTR copied = 0;
    if (!::SendMessageTimeoutW(window, WM_GETTEXT, text.size(),
                               reinterpret_cast<LPARAM>(text.data()), SMTO_ABORTIFHUNG, timeoutMs,
                               &copied)) {
        return std::nullopt;
    }
    text.resize(copied);
    return text;
}

std::optional<std::wstring> ReadStatus() {
    return ReadText(FindControl(FindMainWindow(), ui::ControlId::lblNotify));
}

bool IsFinalStatus(const std::wstring& status) {
    return status == L"We're Done!" || std::regex_search(status, std::wregex(L"  -?[0-9]+: "));
}

HWND WaitForMainWindow(DWORD timeoutMs, DWORD processId) {
    HWND window = nullptr;
    WaitUntil(
        [&] {
            window = FindMainWindow(processId);
            return ::IsWindowVisible(window) &&
                   ReadText(FindControl(window, ui::ControlId::lblNotify)) ==
                       std::wstring(ui::kStandingBy);
        },
        timeoutMs);
    return ::IsWindowVisible(window) ? window : nullptr;
}

bool PostBegin(HWND mainWindow) {
    return ::PostMessageW(FindControl(mainWindow, ui::ControlId::cmdBegin), BM_CLICK, 0, 0) != 0;
}

bool RunBegin(HWND mainWindow, DWORD timeoutMs) {
    DWORD_PTR ignored = 0;
    return ::SendMessageTimeoutW(FindControl(mainWindow, ui::ControlId::cmdBegin), BM_CLICK, 0, 0,
                                 SMTO_NORMAL, timeoutMs, &ignored) != 0;
}

std::optional<Started> StartProgram(const std::wstring& program, std::wstring commandLine) {
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION started{};
    if (!::CreateProcessW(program.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                          nullptr, &startup, &started)) {
        return std::nullopt;
    }
    const platform::UniqueHandle thread(started.hThread);
    return Started{platform::UniqueHandle(started.hProcess), started.dwProcessId};
}

platform::UniqueHandle OpenWindowProcess(HWND window, DWORD access) {
    DWORD processId = 0;
    ::GetWindowThreadProcessId(window, &processId);
    return platform::UniqueHandle(::OpenProcess(access, FALSE, processId));
}

std::optional<DWORD> CloseAndWait(HWND mainWindow, DWORD timeoutMs) {
    const platform::UniqueHandle process =
        OpenWindowProcess(mainWindow, SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION);
    if (!process) {
        return std::nullopt;
    }
    ::PostMessageW(mainWindow, WM_CLOSE, 0, 0);
    DWORD exitCode = 0;
    if (::WaitForSingleObject(process.get(), timeoutMs) != WAIT_OBJECT_0 ||
        !::GetExitCodeProcess(process.get(), &exitCode)) {
        return std::nullopt;
    }
    return exitCode;
}

std::string ToUtf8(const std::wstring& text) {
    if (text.empty()) {
        return {};
    }
    const int size = ::WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()),
                                           nullptr, 0, nullptr, nullptr);
    std::string utf8(static_cast<std::size_t>(size), '\0');
    ::WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), utf8.data(), size,
                          nullptr, nullptr);
    return utf8;
}

}  // namespace driver
