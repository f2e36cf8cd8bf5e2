#pragma once

// Drives a running ZV_CheckFiles.exe from another process, through the window
// messages that work across processes.

#include <windows.h>

#include <optional>
#include <string>
#include <vector>

#include "platform/unique_win32.h"
#include "ui/layout.h"

namespace driver {

// Window rectangles in physical pixels, whatever the resolution: an unaware
// process would be shown coordinates scaled to 96 DPI, which miss the X
// server's pixels.
void BecomeDpiAware();

// The tool's window; with a process id, only that process's. Test programs
// create windows of the same class and title, so a driver that started the
// tool asks for its process.
HWND FindMainWindow(DWORD processId = 0);
HWND FindControl(HWND mainWindow, ui::ControlId id);

// The window's text, or nothing if the window did not answer in time.
std::optional<std::wstring> ReadText(HWND window, DWORD timeoutMs = 2000);

// The text of the status line, or nothing if there is no window.
std::optional<std::wstring> ReadStatus();

// "We're Done!" or an error report: the text of a step, two blanks, the error
// number, ": " and the description.
bool IsErrorReport(const std::wstring& status);
bool IsFinalStatus(const std::wstring& status);

// Polls until the condition holds; false on timeout.
template <class Condition>
bool WaitUntil(Condition condition, DWORD timeoutMs, DWORD pollMs = 20) {
    const ULONGLONG deadline = ::GetTickCount64() + timeoutMs;
    for (;;) {
        if (condition()) {
            return true;
        }
        if (::GetTickCount64() >= deadline) {
            return false;
        }
        ::Sleep(pollMs);
    }
}

// Waits for the window to be shown and loaded ("...standing by").
HWND WaitForMainWindow(DWORD timeoutMs, DWORD processId = 0);

// Presses Begin without waiting.
bool PostBegin(HWND mainWindow);

// Presses Begin and returns once the run has ended: the button's click, and
// with it the run, is handled inside the sent message. False on timeout, for
// example while a message box waits for the user.
bool RunBegin(HWND mainWindow, DWORD timeoutMs);

// Closes the window and waits for its process to end; its exit code, or
// nothing if it did not end in time.
std::optional<DWORD> CloseAndWait(HWND mainWindow, DWORD timeoutMs);

// The process that owns a window, opened with the given access; empty on failure.
platform::UniqueHandle OpenWindowProcess(HWND window, DWORD access);

// A window of the process's thread with the given title, such as a message box.
HWND FindThreadWindow(HWND mainWindow, const std::wstring& title);

// The prompt of a message box: the text of its static controls.
std::wstring MessageBoxPrompt(HWND box);

// Presses a message box's OK button.
void PressOk(HWND box);

// Moves the pointer over the middle of a control that sets no cursor of its
// own, such as a label, and returns once the window has taken the
// move, and with it WM_SETCURSOR. False if another window covers that point.
bool HoverOver(HWND mainWindow, ui::ControlId id);

enum class Pointer { arrow, wait, other };

struct ShownPointer {
    HCURSOR cursor;
    Pointer kind;
};

// The pointer shown now: the cursor of the foreground thread, told apart by
// the system cursors, whose handles are shared by every process on Windows.
// Wine loads a copy of each into every process, so that there a cursor set
// by the tool is always "other" (see x_pointer.cpp).
std::optional<ShownPointer> ReadShownPointer();

const wchar_t* NameOf(Pointer pointer);

// The paths of the modules loaded into the window's process, or nothing if
// they cannot be read.
std::optional<std::vector<std::wstring>> LoadedModules(HWND mainWindow);

std::string ToUtf8(const std::wstring& text);

// A Unix path as Wine's Z: drive shows it.
std::wstring WindowsPathOf(std::wstring unixPath);

}  // namespace driver
