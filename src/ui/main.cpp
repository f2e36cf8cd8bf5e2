// The program's start: one window, one message loop.

#include <windows.h>
#include <objbase.h>

#include <string>
#include <utility>

#include "platform/system_api.h"
#include "platform/unique_win32.h"
#include "platform/win32_desktop.h"
#include "platform/win32_file_system.h"
#include "ui/layout.h"
#include "ui/main_window.h"

namespace {

// One copy per machine: copies in two sessions would race on the same folder.
constexpr wchar_t kSingleInstanceMutex[] = L"Global\\UpdateTutorialPath.ZV_CheckFiles";

// Exit codes of a start that shows no window of its own, in the codes administrators know.
constexpr int kExitNoVisibleDesktop = ERROR_REQUIRES_INTERACTIVE_WINDOWSTATION;
constexpr int kExitAnotherCopy = ERROR_INSTALL_ALREADY_RUNNING;

// A copy that is ending a run takes well under a second; a few seconds cover a busy machine.
constexpr DWORD kWaitForEndingCopyMs = 5000;

// The running copy's window comes to the front; one without a window here (ending, or in another
// session) is waited for a few seconds, then the user is told. True once the mutex is this copy's.
bool TakeTurn(HANDLE instanceMutex) {
    for (DWORD waited = 0; waited < kWaitForEndingCopyMs; waited += 100) {
        if (const HWND running =
                ::FindWindowW(ui::kFrmUpdate.className.data(), ui::kFrmUpdate.title.data())) {
            ::ShowWindow(running, ::IsIconic(running) ? SW_RESTORE : SW_SHOW);
            ::SetForegroundWindow(running);
            return false;
        }
        const DWORD woken = ::WaitForSingleObject(instanceMutex, 100);
        if (woken == WAIT_OBJECT_0 || woken == WAIT_ABANDONED) {
            return true;
        }
    }
    ::MessageBoxW(nullptr,
                  L"Another copy of this tool is running on this computer, for another user or "
                  L"still ending its work. Try again once it has ended.",
                  ui::kFrmUpdate.title.data(), MB_OK | MB_ICONINFORMATION | MB_SETFOREGROUND);
    return false;
}

// Started elevated, often from a downloads folder: DLLs come from the system folder only.
void RestrictDllSearch() {
    const auto setDefaultDllDirectories =
        platform::FindSystemFunction(platform::kSetDefaultDllDirectories);
    if (setDefaultDllDirectories == nullptr ||
        !setDefaultDllDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32)) {
        // Without KB2533623, Windows 7 searches the exe's folder first; the current one goes.
        ::SetDllDirectoryW(L"");
    }
    // Wine's comctl32 loads msimg32 by a path that escapes the restriction: load it first.
    if (const std::wstring msimg32 = platform::SystemFile(L"msimg32.dll"); !msimg32.empty()) {
        ::LoadLibraryExW(msimg32.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
    }
}

// Links made by standard users are not followed where the system has the policy (Windows 11).
void EnforceRedirectionTrust() {
    if (const auto setPolicy =
            platform::FindSystemFunction(platform::kSetProcessMitigationPolicy)) {
        PROCESS_MITIGATION_REDIRECTION_TRUST_POLICY policy{};
        policy.EnforceRedirectionTrust = 1;
        setPolicy(ProcessRedirectionTrustPolicy, &policy, sizeof policy);
    }
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int showCommand) {
    RestrictDllSearch();
    EnforceRedirectionTrust();

    // As a service (deployment tools), the window would open unseen and hold the mutex for ever.
    USEROBJECTFLAGS station{};
    const bool known = ::GetUserObjectInformationW(::GetProcessWindowStation(), UOI_FLAGS, &station,
                                                   sizeof station, nullptr) != FALSE;
    if (!platform::WindowsCanBeSeen(known, station.dwFlags)) {
        return kExitNoVisibleDesktop;
    }
    // Owned by this thread, the last of the program to end.
    const platform::UniqueHandle instanceMutex(::CreateMutexW(nullptr, TRUE, kSingleInstanceMutex));
    if (instanceMutex && ::GetLastError() == ERROR_ALREADY_EXISTS &&
        !TakeTurn(instanceMutex.get())) {
        return kExitAnotherCopy;
    }
    const platform::ScopeExit letGo([&instanceMutex] { ::ReleaseMutex(instanceMutex.get()); });

    // The live region and the taskbar button are COM objects of the window's thread.
    const HRESULT com = ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    const platform::ScopeExit leaveCom([com] {
        if (SUCCEEDED(com)) {
            ::CoUninitialize();
        }
    });
    platform::Win32Desktop desktop;
    platform::FileSystemOptions options;
    options.runner = [&desktop](const std::function<void()>& operation) {
        desktop.RunWhilePainting(operation);
    };
    options.ending = &desktop.Ending();
    platform::Win32FileSystem files(std::move(options));

    ui::MainWindow window(desktop, files, [&files] { return files.BytesCopied(); });
    if (!ui::MainWindow::RegisterWindowClass(instance) || !window.Create(instance)) {
        return 1;
    }
    window.Show(showCommand);
    return desktop.RunMessageLoop();
}
