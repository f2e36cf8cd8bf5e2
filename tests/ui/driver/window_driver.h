#pragma once

// Drives a running ZV_CheckFiles.exe from another process, through the window
// messages that work across processes.

#include <windows.h>

#include <optional>
#include <string>

#include "platform/unique_win32.h"
#include "ui/layout.h"

namespace driver {

// Window rectangles in physical pixels: an unaware process would be shown
// coordinates scaled to 96 DPI, which miss the X server's pixels.
void BecomeDpiAware();

// The tool's window; with a process id, only that process's (test programs
// make windows of the same class and title).
HWND FindMainWindow(DWORD processId = 0);
HWND FindControl(HWND mainWindow, ui::ControlId id);

// The window's text, or nothing if the window did not answer in time.
std::optional<std::wstring> ReadText(HWND window, DWORD timeoutMs = 2000);

// The text of the status line, or nothing if there is no window.
std::optional<std::wstring> ReadStatus();

// "We're Done!" or an error report: a step's text, two blanks, the error
// number, ": " and the description.
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

// Presses Begin and returns once the run has ended, within the sent click;
// false on timeout, for example while a message box waits for the user.
bool RunBegin(HWND mainWindow, DWORD timeoutMs);

// Closes the window; the process's exit code, or nothing if it did not end in time.
std::optional<DWORD> CloseAndWait(HWND mainWindow, DWORD timeoutMs);

// Starts a program with a command line: its process and id, nothing on failure.
// Wine starts Unix programs too, but gives no process handle for them.
struct Started {
    platform::UniqueHandle process;
    DWORD id = 0;
};
std::optional<Started> StartProgram(const std::wstring& program, std::wstring commandLine);

// The process that owns a window, opened with the given access; empty on failure.
platform::UniqueHandle OpenWindowProcess(HWND window, DWORD access);

std::string ToUtf8(const std::wstring& text);

}  // namespace driver
