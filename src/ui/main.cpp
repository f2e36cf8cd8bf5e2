// The program's start: one window, one message loop.

#include <windows.h>

#include "platform/unique_win32.h"
#include "platform/win32_desktop.h"
#include "platform/win32_file_system.h"
#include "ui/layout.h"
#include "ui/main_window.h"

namespace {

// One copy per machine: copies in two sessions would race on the same folder.
constexpr wchar_t kSingleInstanceMutex[] = L"Global\\UpdateTutorialPath.ZV_CheckFiles";

void BringRunningCopyToFront() {
    if (const HWND running = ::FindWindowW(ui::kFrmUpdate.className.data(),
                                           ui::kFrmUpdate.title.data())) {
        if (::IsIconic(running)) {
            ::ShowWindow(running, SW_RESTORE);
        }
        ::SetForegroundWindow(running);
    }
}

// Junctions and other links made by standard users are not followed, where
// the system supports the policy (Windows 11 and later); elsewhere, and under
// Wine, nothing changes.
void EnforceRedirectionTrust() {
    constexpr int kProcessRedirectionTrustPolicy = 16;
    constexpr DWORD kEnforceRedirectionTrust = 1;
    using SetPolicy = BOOL(WINAPI*)(int policy, void* buffer, SIZE_T length);
    const FARPROC found =
        ::GetProcAddress(::GetModuleHandleW(L"kernel32.dll"), "SetProcessMitigationPolicy");
    if (found == nullptr) {
        return;
    }
    DWORD flags = kEnforceRedirectionTrust;
    reinterpret_cast<SetPolicy>(reinterpret_cast<void*>(found))(kProcessRedirectionTrustPolicy,
                                                                &flags, sizeof flags);
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int showCommand) {
    // The tool is often started elevated from a downloads folder: DLLs loaded
    // from now on come from the system folder only, never from beside the exe.
    ::SetDefaultDllDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32);
    // Under Wine, comctl32 loads msimg32 by a path that the restriction above
    // does not cover; loaded now from the system folder, it is found there.
    ::LoadLibraryExW(L"msimg32.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
    EnforceRedirectionTrust();

    const platform::UniqueHandle instanceMutex(
        ::CreateMutexW(nullptr, FALSE, kSingleInstanceMutex));
    if (instanceMutex && ::GetLastError() == ERROR_ALREADY_EXISTS) {
        BringRunningCopyToFront();
        return 0;
    }

    platform::Win32Desktop desktop;
    platform::Win32FileSystem files(
        [&desktop](const std::function<void()>& operation) { desktop.RunWhilePainting(operation); });

    if (!ui::MainWindow::RegisterWindowClass(instance)) {
        return 1;
    }
    ui::MainWindow window(desktop, files);
    if (!window.Create(instance)) {
        return 1;
    }
    window.Show(showCommand);
    return desktop.RunMessageLoop();
}
