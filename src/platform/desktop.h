#pragma once

#include <cstdint>
#include <string>

namespace platform {

// Mouse pointer codes of the application-wide pointer.
inline constexpr int kPointerDefault = 0;
inline constexpr int kPointerHourglass = 11;

// Message box buttons code: a single OK button, no icon.
inline constexpr int kMessageBoxOkOnly = 0;

// Whether a window station's windows (UOI_FLAGS) reach a screen, as a service's never do.
constexpr bool WindowsCanBeSeen(bool flagsKnown, std::uint32_t flags) {
    constexpr std::uint32_t kVisible = 1;  // WSF_VISIBLE
    return !flagsKnown || (flags & kVisible) != 0;
}

// The user-interface services of the desktop that the tool calls.
class Desktop {
  public:
    virtual ~Desktop() = default;

    // Modal; returns once the user has dismissed the box.
    virtual void ShowMessageBox(const std::wstring& prompt, int buttonsCode,
                                const std::wstring& title) = 0;

    // Dispatches the pending window events; false once the program is asked to end.
    virtual bool ProcessPendingEvents() = 0;

    // Sets the pointer shown over every window of the tool until set again.
    virtual void SetMousePointer(int pointerCode) = 0;
};

}  // namespace platform
