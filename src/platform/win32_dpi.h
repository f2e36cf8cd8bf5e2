#pragma once

// Windows 10 1607's resolution functions; on Windows 7 only fonts follow, not frames and icons.

#include <windows.h>

#include <string_view>

#include "platform/unique_win32.h"

namespace platform {

// windows7: take the fallbacks even where the newer function exists (tests).
// GetDpiForSystem; before it, the screen's resolution.
UINT SystemDpi(bool windows7 = false);

// GetDpiForWindow; before it, the system resolution.
UINT WindowDpi(HWND window, bool windows7 = false);

// GetSystemMetricsForDpi; before it, GetSystemMetrics.
int SystemMetricAtDpi(int index, UINT dpi, bool windows7 = false);

// A face at a size, normal weight, ANSI; without a face, the system's message font.
UniqueFont MakeFont(std::wstring_view face, int hundredthsOfPoint, bool italic, UINT dpi,
                    bool windows7 = false);

}  // namespace platform
