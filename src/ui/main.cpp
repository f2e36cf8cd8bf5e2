// The program's start: one window, one message loop.

#include <windows.h>

#include "platform/unique_win32.h"
#include "platform/win32_desktop.h"
#include "platform/win32_file_system.h"
#include "ui/layout.h"
#include "ui/main_window.h"

namespace {

// Scoped to the session: two copies moving the same files would race.
constexpr wchar_t kSingleInstanceMutex[] = L"Local\\UpdateTutorialPath.ZV_CheckFiles";

void BringRunningCopyToFront() {
    if (const HWND running = ::FindWindowW(ui::kFrmUpdate.className.data(),
                                           ui::kFrmUpdate.title.data())) {
        if (::IsIconic(running)) {
            ::ShowWindow(running, SW_RESTORE);
        }
        ::SetForegroundWindow(running);
    }
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int showCommand) {
    // The tool is often started elevated from a downloads folder: DLLs loaded
    // from now on come from the system folder only, never from beside the exe.
    ::SetDefaultDllDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32);
    // Under Wine, comctl32 loads msimg32 by a path that the restriction above
    // does not cover; loaded now from the system folder, it is found there.
    ::LoadLibraryExW(L"msimg32.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);

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
