#pragma once

// The resolution queries of Windows 10 version 1607, from Windows 7 on. Before
// them, frames and icons stay at the system resolution; only fonts follow.

#include <windows.h>

namespace platform {

// The newer functions, each null where the system lacks it. Tests give their
// own set to reach the fallbacks.
struct DpiFunctions {
    UINT(WINAPI* getDpiForWindow)(HWND) = nullptr;
    UINT(WINAPI* getDpiForSystem)() = nullptr;
    BOOL(WINAPI* systemParametersInfoForDpi)(UINT, UINT, void*, UINT, UINT) = nullptr;
    int(WINAPI* getSystemMetricsForDpi)(int, UINT) = nullptr;
};

// The running system's, looked up once.
const DpiFunctions& SystemDpiFunctions();

// GetDpiForSystem; before it, the screen's resolution.
UINT SystemDpi(const DpiFunctions& functions = SystemDpiFunctions());

// GetDpiForWindow; before it, the system resolution.
UINT WindowDpi(HWND window, const DpiFunctions& functions = SystemDpiFunctions());

// SystemParametersInfoForDpi; before it, SystemParametersInfoW with the fonts
// of SPI_GETNONCLIENTMETRICS scaled from the system resolution.
BOOL SystemParametersInfoAtDpi(UINT action, UINT parameter, void* data, UINT winIni, UINT dpi,
                               const DpiFunctions& functions = SystemDpiFunctions());

// GetSystemMetricsForDpi; before it, GetSystemMetrics.
int SystemMetricAtDpi(int index, UINT dpi, const DpiFunctions& functions = SystemDpiFunctions());

}  // namespace platform
