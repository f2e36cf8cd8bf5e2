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

void BringRunningCopyToFront() {
    if (const HWND running =
            ::FindWindowW(ui::kFrmUpdate.className.data(), ui::kFrmUpdate.title.data())) {
        if (::IsIconic(running)) {
            ::ShowWindow(running, SW_RESTORE);
        }
        ::SetForegroundWindow(running);
    }
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
    const auto setPolicy = platform::FindSystemFunction(platform::kSetProcessMitigationPolicy);
    if (setPolicy == nullptr) {
        return;
    }
    PROCESS_MITIGATION_REDIRECTION_TRUST_POLICY policy{};
    policy.EnforceRedirectionTrust = 1;
    setPolicy(ProcessRedirectionTrustPolicy, &policy, sizeof policy);
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int showCommand) {
    RestrictDllSearch();
    EnforceRedirectionTrust();

    const platform::UniqueHandle instanceMutex(
        ::CreateMutexW(nullptr, FALSE, kSingleInstanceMutex));
    if (instanceMutex && ::GetLastError() == ERROR_ALREADY_EXISTS) {
        BringRunningCopyToFront();
        return 0;
    }

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

    if (!ui::MainWindow::RegisterWindowClass(instance)) {
        return 1;
    }
    ui::MainWindow window(desktop, files, [&files] { return files.BytesCopied(); });
    if (!window.Create(instance)) {
        return 1;
    }
    window.Show(showCommand);
    return desktop.RunMessageLoop();
}
